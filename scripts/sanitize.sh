#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer into ./build-asan and runs
# the fast tests there; extra arguments go to ctest. The long updater fault suites and the
# single-instance recovery kills are left to the normal build: under ASan they outrun CI's time.
set -euo pipefail
cd "$(dirname "$0")/.."
"$PWD/scripts/deps.sh"
cmake -S . -B build-asan -G Ninja -DQUILLEX_SANITIZE=ON -DQUILLEX_BENCH=OFF
cmake --build build-asan -j "$(nproc)"
cd build-asan
xvfb-run -a -s "-screen 0 1920x1080x24" ctest --output-on-failure -j "$(nproc)" \
    -E "tst_update_e2e|tst_faultmatrix|tst_powerloss|tst_singleinstanceapp_recovery" "$@"
