#!/usr/bin/env bash
# Takes screenshots of the start page, every page and the settings panel, in English and in
# Russian (the longest texts), against the virtual mouse and 8K receiver on a private X server.
# Writes docs/screenshots/<language>-<page>.png at 1280x720.
#
#   scripts/screenshots.sh            build into build/ first, then shoot
#   BUILD_DIR=build-x scripts/...     shoot an existing build
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/${BUILD_DIR:-build}

if [[ "${1:-}" != --inner ]]; then
    [[ -n "${BUILD_DIR:-}" ]] || scripts/build.sh
    missing=()
    command -v xdotool >/dev/null || missing+=(xdotool)
    command -v import >/dev/null || missing+=(imagemagick)
    command -v xvfb-run >/dev/null || missing+=(xvfb xauth)
    # The language buttons show "繁體中文" in every language.
    [[ -n "$(fc-list :lang=zh-tw 2>/dev/null)" ]] || missing+=(fonts-wqy-microhei)
    if [[ ${#missing[@]} -gt 0 ]]; then
        sudo_cmd=()
        [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
        "${sudo_cmd[@]}" apt-get update -qq
        "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive \
            apt-get install -y -qq --no-install-recommends "${missing[@]}"
    fi
    # On a 1920x1080 screen the window is laid out at its design size, 1280x720, centred.
    exec xvfb-run -a -s "-screen 0 1920x1080x24" "$0" --inner
fi

readonly ox=320 oy=180 # the window's top-left corner on that screen
out=$root/docs/screenshots
mkdir -p "$out"

# A private copy of the program: its own settings file, and its own single-instance key (the key
# depends on the program's path), so a quillex the developer is running is left alone.
work=$(mktemp -d)
cp "$build/bin/quillex" "$work/"
cp -r "$build/bin/modules" "$work/"
[[ -d "$build/bin/updateEx" ]] && cp -r "$build/bin/updateEx" "$work/"

sim=$build/bin/sim/quillex-sim
export QUILLEX_SIM_SOCKET=$work/sim.sock
export LD_LIBRARY_PATH=$build/bin/sim${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}
app_pid=
cleanup() {
    [[ -n "$app_pid" ]] && kill "$app_pid" 2>/dev/null && wait "$app_pid" 2>/dev/null
    "$sim" stop >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

"$sim" serve --detach
"$sim" plug mouse >/dev/null
"$sim" plug receiver8k >/dev/null

click() { xdotool mousemove $((ox + $1)) $((oy + $2)) click 1; }
shoot() {
    import -window root -crop 1280x720+$ox+$oy +repage "$out/$1.png"
    echo "docs/screenshots/$1.png"
}

# Window coordinates of what the script clicks, at the design size.
readonly card_x=640 card_y=360
readonly nav_x=105 nav_y0=134 nav_step=76
readonly settings_x=1170 settings_y=30
pages=(dpi key macro led update)

# Language is element 3 of "Setting/data": 2 English, 0 Russian.
for lang in en:2 ru:0; do
    name=${lang%%:*}
    printf '[Setting]\ndata=1, 0, 0, %s\n' "${lang##*:}" >"$work/modules/apConfig.ini"

    "$work/quillex" >"$work/quillex-$name.log" 2>&1 &
    app_pid=$!
    if ! xdotool search --sync --onlyvisible --name 'Quillex' >/dev/null 2>&1; then
        echo "quillex did not show a window; its log:" >&2
        cat "$work/quillex-$name.log" >&2
        exit 1
    fi
    sleep 2.5 # logo animation, then the first device scan brings the cards
    shoot "$name-start"

    click $card_x $card_y
    sleep 2 # tables are read, then the main page zooms in
    for i in "${!pages[@]}"; do
        click $nav_x $((nav_y0 + i * nav_step))
        sleep 1
        shoot "$name-${pages[$i]}"
    done

    click $settings_x $settings_y
    sleep 1.2 # the panel slides in
    shoot "$name-settings"

    kill "$app_pid"
    wait "$app_pid" 2>/dev/null || true
    app_pid=
done
