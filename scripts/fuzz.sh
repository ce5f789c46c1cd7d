#!/usr/bin/env bash
# Builds the libFuzzer targets into ./build-fuzz (clang) and runs each for SECONDS (default 60) on
# a copy of its seed corpus, so the tree's corpora never grow. Prints the executions per target;
# exits non-zero when any target crashed, keeping the crashing inputs in build-fuzz/fuzz/crashes/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
"$PWD/scripts/deps.sh"
if [[ ! -f build-fuzz/build.ninja ]]; then
    cmake -S . -B build-fuzz -G Ninja -DQUILLEX_FUZZ=ON -DQUILLEX_BENCH=OFF \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
fi
cmake --build build-fuzz --target fuzzers -j "$(nproc)"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
crashes="$PWD/build-fuzz/fuzz/crashes"
rm -rf "$crashes"
cat tests/lsan.supp tests/fuzz/lsan.supp >"$work/lsan.supp"
export LSAN_OPTIONS="suppressions=$work/lsan.supp"
# Qt is built without frame pointers: only the slow unwinder reaches the Qt frames the
# suppressions name, so a leak inside Qt is recognised as one.
export ASAN_OPTIONS="fast_unwind_on_malloc=0"
failed=0
rows=()
while read -r fuzzer corpus; do
    [[ -n "$fuzzer" ]] || continue
    name=$(basename "$fuzzer")
    dir="$work/$name"
    mkdir -p "$dir/corpus"
    cp -r "$corpus"/. "$dir/corpus/"
    echo "== $name: ${seconds}s on $(ls "$dir/corpus" | wc -l) seeds"
    status=ok
    if ! (cd "$dir" && "$fuzzer" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$dir/" "$dir/corpus" >"$dir/log" 2>&1); then
        status=CRASH
        failed=1
        tail -n 40 "$dir/log"
        mkdir -p "$crashes"
        find "$dir" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' \
            -o -name 'oom-*' \) -exec cp {} "$crashes/" \;
    fi
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/log" | tail -n 1)
    rows+=("$(printf '%-22s %12s  %s' "$name" "${execs:-?}" "$status")")
done <build-fuzz/fuzz/fuzzers.txt

printf '\n%-22s %12s  %s\n' target executions result
printf '%s\n' "${rows[@]}"
if [[ $failed -ne 0 ]]; then
    echo "fuzz: crashing inputs kept in $crashes"
    exit 1
fi
