#!/usr/bin/env bash
# Cross-builds the Win32 cores and their tests with mingw-w64 (no Qt) into build-win/ and runs
# them under Wine, in a throw-away Wine prefix and on a private X server (the input tests need
# one). Extra arguments go to ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$SECONDS
scripts/deps.sh windows
[[ -f build-win/build.ninja ]] || cmake --preset windows-cores
cmake --build --preset windows-cores -j "$(nproc)"
built=$SECONDS

WINEPREFIX=$(mktemp -d)
export WINEPREFIX WINEDEBUG=-all
# No .NET or HTML engine: nothing here uses them, and Wine would offer to download them.
export WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
wine wineboot --init >/dev/null 2>&1
wineserver -w
prepared=$SECONDS

xvfb-run -a -s "-screen 0 1280x1024x24" ctest --preset windows-cores "$@"
# What Wine could not show; on Windows the same tests check it.
grep -h 'NOT VERIFIED UNDER WINE' build-win/Testing/Temporary/LastTest.log | sort -u || true
echo "wine-test: build $((built - start)) s, prefix $((prepared - built)) s," \
    "tests $((SECONDS - prepared)) s"
