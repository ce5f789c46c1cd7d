#!/usr/bin/env bash
# Builds and starts quillex. With no real mouse or receiver of the family plugged in, it starts the
# virtual devices (a wired mouse and an 8K receiver) and runs the app against them.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh

real_device_present() {
    grep -qsiE 'HID_ID=0003:0000093A:0000C79[123]' /sys/bus/hid/devices/*/uevent
}

if real_device_present; then
    exec build/bin/quillex
fi

echo "No Quillex device found: starting the virtual mouse and 8K receiver (see README, 'Virtual devices')."
sim=build/bin/sim/quillex-sim
export QUILLEX_SIM_SOCKET=${QUILLEX_SIM_SOCKET:-${XDG_RUNTIME_DIR:-/tmp}/quillex-sim-$(id -u).sock}
if ! $sim ping >/dev/null 2>&1; then
    $sim serve --detach
    # The kinds with the updater's side, so the update page can run end to end; the mouse reports
    # an older release than the catalog's, so the page offers the update.
    $sim plug fw-mouse mouse
    $sim plug fw-receiver8k receiver8k
    $sim release mouse 0103
fi

# Demo firmware for the virtual devices only: generated images that carry the catalog's versions.
# The app reads QUILLEX_DEMO_FIRMWARE only on the virtual bus, and nothing of it is in modules/.
catalog_version() { # entry index -> fwVersion
    awk -v s="[$1]" '$0 == s {f = 1; next} /^\[/ {f = 0} f && /^fwVersion=/ {sub(/^fwVersion=/, ""); print}' device/DevInfo.ini
}
demo=$PWD/build/demo-firmware
folders="$demo/P-NORVIK GAMING Quillex/updater"
for f in "M8 C791 0" "D8 C793 1" "D1 C792 2" "M1 C791 0"; do
    set -- $f
    build/tests/bin/quillex-mkfirmware --sample "$folders/$1/" 3000 0 "$(catalog_version "$3")" \
        firmware.bin "093A:$2:FF10:0001"
done
export QUILLEX_DEMO_FIRMWARE=$demo

export LD_LIBRARY_PATH=$PWD/build/bin/sim${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}
exec build/bin/quillex
