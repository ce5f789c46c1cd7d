#!/usr/bin/env bash
# Builds everything and runs every test. Tests that need a display get their own X server.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
cd build
xvfb-run -a -s "-screen 0 1920x1080x24" ctest --output-on-failure -j "$(nproc)" "$@"
