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

# The Qt-facing Windows code cannot be built without Qt for Windows; its syntax and types are
# checked with the cross compiler against this machine's Qt headers (build/ has the generated
# ones, from scripts/build.sh).
qt=$(pkg-config --variable=includedir Qt5Core)
ui=$(dirname "$(find build/updater -name ui_mainwindow.h -print -quit)")
# Qt's own headers as system headers: their warnings under this compiler are not ours.
includes=(-I. -Ibuild -I"$ui" -isystem "$qt")
for module in QtCore QtGui QtWidgets QtDBus QtNetwork QtQml QtQmlModels QtQuick QtQuickWidgets; do
    includes+=(-isystem "$qt/$module")
done
for source in platform/win/*.cpp $(grep -l 'Q_OS_WIN' app/*.cpp frontend/*.cpp updater/*.cpp device/*.cpp); do
    x86_64-w64-mingw32-g++-posix -fsyntax-only -std=c++17 -fPIC -Wall -Wextra -Werror \
        -DUNICODE -D_UNICODE -DNOMINMAX -DWIN32_LEAN_AND_MEAN -DQUILLEX_VERSION='"0"' \
        -DQUILLEX_INSTALLED_APP_DIR='"C:/Quillex"' "${includes[@]}" "$source"
done
checked=$SECONDS

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
echo "wine-test: build $((built - start)) s, Windows syntax $((checked - built)) s," \
    "prefix $((prepared - checked)) s," \
    "tests $((SECONDS - prepared)) s"
