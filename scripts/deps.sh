#!/usr/bin/env bash
# Installs the Debian packages the build, the app and the tests need; does nothing when all are there.
# `deps.sh package` also installs the tools that build and check the .deb (scripts/package.sh),
# `deps.sh windows` the cross compiler and Wine for the Win32 cores (scripts/wine-test.sh).
set -euo pipefail

packages=(
    build-essential cmake ninja-build ccache pkg-config
    clang libclang-rt-14-dev
    qtbase5-dev qtdeclarative5-dev qtdeclarative5-dev-tools libqt5svg5-dev
    qml-module-qtquick2 qml-module-qtquick-controls2 qml-module-qtquick-window2
    qml-module-qtquick-layouts qml-module-qtgraphicaleffects qml-module-qttest
    libhidapi-dev libudev-dev libxcb-xinput-dev libxcb-xfixes0-dev
    librsvg2-bin fonts-wqy-microhei
    xvfb xauth libxcb1-dev libxcb-xtest0-dev libxcb-damage0-dev
)
case "${1:-}" in
package) packages+=(dpkg-dev fakeroot lintian appstream desktop-file-utils debootstrap) ;;
windows) packages+=(g++-mingw-w64-x86-64-posix wine wine64) ;;
esac

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
