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
export QUILLEX_SIM_SOCKET=${QUILLEX_SIM_SOCKET:-${XDG_RUNTIME_DIR:-/tmp}/quillex-sim-$(id -u).sock}
if ! build/bin/sim/quillex-sim ping >/dev/null 2>&1; then
    build/bin/sim/quillex-sim serve --detach
    build/bin/sim/quillex-sim plug mouse
    build/bin/sim/quillex-sim plug receiver8k
fi
export LD_LIBRARY_PATH=$PWD/build/bin/sim${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}
exec build/bin/quillex
