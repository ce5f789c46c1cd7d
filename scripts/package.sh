#!/usr/bin/env bash
# Builds the Debian package from the normal build tree (./build) and prints its path, e.g.
# build/quillex_1.0_amd64.deb. Install it with `sudo apt install ./build/quillex_1.0_amd64.deb`.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh package
scripts/build.sh
cd build
log=$(cpack 2>&1) || { echo "$log" >&2; exit 1; }
deb=$(sed -n 's|^CPack: - package: \(.*\) generated\.$|\1|p' <<<"$log")
[[ -n "$deb" ]] || { echo "$log" >&2; echo "cpack made no package" >&2; exit 1; }
realpath --relative-to=.. "$deb"
