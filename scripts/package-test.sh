#!/usr/bin/env bash
# The install test. Builds the .deb, checks it with lintian, appstreamcli and desktop-file-validate,
# installs it into a fresh Debian 12 root (build/pkgroot) and drives the installed program there as
# an ordinary user on a private X server: the demo's virtual devices, a DPI change, a setting kept
# across a restart; then reinstall, remove and purge keep the user's files. Prints PASS or FAIL per
# check and exits non-zero on any failure. Needs root (or sudo) and deb.debian.org.
set -euo pipefail
cd "$(dirname "$0")/.."
if [[ $(id -u) -ne 0 ]]; then
    exec sudo "$0" "$@"
fi
repo=$PWD
root=$(realpath -m build/pkgroot)
logs=$repo/build/package-test
started=$SECONDS

# --- reporting ---------------------------------------------------------------------------------

failures=0
timings=()
phase_name=
phase_start=$SECONDS
pass() { echo "PASS: $1"; }
fail() {
    echo "FAIL: $1"
    failures=$((failures + 1))
}
check() { # what command...
    local what=$1
    shift
    if "$@"; then pass "$what"; else fail "$what"; fi
}
phase() {
    [[ -z "$phase_name" ]] || timings+=("$(printf '  %-34s %4d s' "$phase_name" $((SECONDS - phase_start)))")
    phase_name=$1
    phase_start=$SECONDS
    [[ -z "$1" ]] || echo "== $1"
}
summary() {
    phase ""
    echo "== run time per phase"
    printf '%s\n' "${timings[@]}"
    echo "  total: $((SECONDS - started)) s"
    if [[ $failures -eq 0 ]]; then
        echo "package-test: PASS"
    else
        echo "package-test: FAIL ($failures failed; logs in $logs)"
    fi
}
# A failure the remaining checks cannot go on from.
fatal() {
    fail "$1"
    summary
    exit 1
}

# Polls the command every 0.2 s until it succeeds; false once the seconds are up.
wait_until() { # seconds command...
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.2
    done
}

# --- the root and its clean-up -------------------------------------------------------------------

mounts=() # in the order they were mounted

processes_in_root() {
    local p
    for p in /proc/[0-9]*; do
        [[ "$(readlink "$p/root" 2>/dev/null)" == "$root" ]] && echo "${p#/proc/}"
    done
    return 0
}

mounts_below_root() {
    findmnt -rn -o TARGET | awk -v r="$root" 'index($0, r "/") == 1 || $0 == r'
}

no_process_in_root() { [[ -z "$(processes_in_root)" ]]; }

cleanup() {
    local status=$? pid i
    trap - EXIT
    # Everything running in the root was started by this script or by what it ran there.
    for pid in $(processes_in_root); do kill -TERM "$pid" 2>/dev/null || true; done
    if ! wait_until 5 no_process_in_root; then
        for pid in $(processes_in_root); do kill -KILL "$pid" 2>/dev/null || true; done
        wait_until 5 no_process_in_root || echo "package-test: processes left in $root: $(processes_in_root)"
    fi
    for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
        umount "${mounts[i]}" 2>/dev/null || umount --lazy "${mounts[i]}" || true
    done
    if [[ -n "$(mounts_below_root)" ]]; then
        echo "package-test: still mounted below $root:" >&2
        mounts_below_root >&2
        status=1
    fi
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

mount_in_root() { # folder mount-arguments...
    local target=$root/$1
    shift
    mount "$@" "$target"
    mounts+=("$target")
}

# A previous run's root goes only once nothing is mounted below it; rm stays on its file system.
remove_old_root() {
    local m
    [[ -e "$root" ]] || return 0
    for m in $(mounts_below_root | sort -r); do umount "$m" || umount --lazy "$m"; done
    if [[ -n "$(mounts_below_root)" ]]; then
        fatal "remove the previous $root: still mounted below it: $(mounts_below_root | tr '\n' ' ')"
    fi
    rm -rf --one-file-system "$root"
}

in_root() {
    chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
        DEBIAN_FRONTEND=noninteractive "$@"
}

readonly user=gamer
home=/home/$user
runtime= # set once the user exists
display=
user_command=()
set_user_command() {
    user_command=(chroot --userspec="$uid:$uid" --groups="$uid" "$root" env -i HOME="$home"
        USER="$user" LOGNAME="$user" PATH=/usr/bin:/bin LANG=C.UTF-8 XDG_RUNTIME_DIR="$runtime"
        DISPLAY=":$display")
}
as_user() {
    set_user_command
    "${user_command[@]}" "$@"
}

# --- 1. the package ------------------------------------------------------------------------------

rm -rf "$logs"
mkdir -p "$logs"
phase "build the package"
scripts/deps.sh package
# The build belongs to whoever called sudo, not to root.
as_invoker=()
[[ -n "${SUDO_USER:-}" && "$SUDO_USER" != root ]] && as_invoker=(runuser -u "$SUDO_USER" --)
"${as_invoker[@]}" scripts/package.sh | tee "$logs/package.log" ||
    fatal "scripts/package.sh builds the package (see $logs/package.log)"
deb=$repo/$(tail -n 1 "$logs/package.log") # package.sh ends with the path of the .deb
[[ -f "$deb" ]] || fatal "scripts/package.sh names the .deb it made"
version=$(dpkg-deb -f "$deb" Version)
upstream_version=${version#*:}
upstream_version=${upstream_version%%-*}
echo "package: $deb (version $version)"

# --- 2. checks on the host -----------------------------------------------------------------------

phase "check the package on the host"
lintian_clean() {
    local out
    out=$("${as_invoker[@]}" lintian "$deb" 2>&1) || true
    echo "$out"
    ! grep -q '^E: ' <<<"$out"
}
check "lintian reports no errors" lintian_clean

extracted=$logs/extracted
dpkg-deb -x "$deb" "$extracted"
validate_all() { # tool-and-arguments... -- files...
    local tool=() f ok=0
    while [[ "$1" != -- ]]; do tool+=("$1"); shift; done
    shift
    [[ $# -gt 0 ]] || return 1
    for f in "$@"; do "${tool[@]}" "$f" || ok=1; done
    return $ok
}
shopt -s nullglob
check "appstreamcli validate --no-net passes on the metainfo" \
    validate_all appstreamcli validate --no-net -- "$extracted"/usr/share/metainfo/*.xml
desktop_entries=("$extracted"/usr/share/applications/*.desktop)
check "desktop-file-validate passes on the ${#desktop_entries[@]} desktop entries" \
    validate_all desktop-file-validate -- "${desktop_entries[@]}"
check "a desktop entry starts the demo (Exec=quillex --demo)" \
    grep -qx 'Exec=quillex --demo' "${desktop_entries[@]}" /dev/null
shopt -u nullglob

# --- 3. a fresh root with the package installed ---------------------------------------------------

phase "debootstrap a fresh Debian 12 root"
remove_old_root
debootstrap --variant=minbase bookworm "$root" http://deb.debian.org/debian >"$logs/debootstrap.log" 2>&1 ||
    fatal "debootstrap (see $logs/debootstrap.log)"
pass "debootstrap --variant=minbase bookworm"

phase "install the package in the root"
mount_in_root proc -t proc proc
mount_in_root sys -t sysfs -o ro sysfs
mount_in_root dev --bind /dev
mount_in_root dev/pts --bind /dev/pts
cp /etc/resolv.conf "$root/etc/resolv.conf"
debname=$(basename "$deb")
cp "$deb" "$root/tmp/$debname"
in_root apt-get update -qq >"$logs/apt.log" 2>&1 || fatal "apt-get update in the root"
if in_root dpkg -i "/tmp/$debname" >>"$logs/apt.log" 2>&1; then
    echo "dpkg -i succeeded without apt: a minbase root had every dependency"
fi
in_root apt-get -f install -y -qq --no-install-recommends >>"$logs/apt.log" 2>&1 ||
    fatal "apt-get -f install brings the dependencies (see $logs/apt.log)"
installed() { [[ "$(in_root dpkg-query -W -f='${Status}' quillex 2>/dev/null)" == "install ok installed" ]]; }
check "apt-get -f install leaves quillex installed" installed
# Before any test tool brings libraries of its own.
missing_libraries() {
    local out
    out=$(in_root sh -c 'for f in /usr/lib/quillex/quillex /usr/lib/quillex/updateEx/update \
        /usr/lib/quillex/sim/quillex-sim; do ldd "$f"; done' 2>&1)
    ! grep 'not found' <<<"$out"
}
check "every library of quillex, update and quillex-sim is installed" missing_libraries
# fontconfig only for fc-list: it brings no font of its own beyond what the package pulled in.
in_root apt-get install -y -qq --no-install-recommends xvfb xdotool x11-apps fontconfig \
    >>"$logs/apt.log" 2>&1 || fatal "install the test tools (see $logs/apt.log)"
# The language buttons show Russian and Traditional Chinese names in every language.
font_for() { [[ -n "$(in_root fc-list ":lang=$1")" ]]; }
check "the package brings a font for Russian" font_for ru
check "the package brings a font for Traditional Chinese (the language button 繁體中文)" font_for zh-tw
md5_tree() { # folder -> checksums of every file below it, to compare later
    (cd "$1" && find . -type f -print0 | sort -z | xargs -0 -r md5sum)
}
md5_tree "$root/usr/lib/quillex/modules" >"$logs/modules.md5"

# --- 4. the user ---------------------------------------------------------------------------------

in_root useradd --create-home --shell /bin/bash "$user"
uid=$(in_root id -u "$user")
runtime=/run/user/$uid
install -d -m 0700 -o "$uid" -g "$uid" "$root$runtime"
demo_socket=$runtime/quillex-demo.sock
demo_data=$root$home/.local/share/quillex-demo/modules
sim() { as_user env QUILLEX_SIM_SOCKET="$demo_socket" /usr/lib/quillex/sim/quillex-sim "$@"; }

# --- 5. the installed program --------------------------------------------------------------------

phase "program checks"
version_printed() { [[ "$(as_user quillex --version)" == "quillex $upstream_version" ]]; }
check "quillex --version prints \"quillex $upstream_version\" and exits 0" version_printed
ctl_version_printed() { [[ "$(as_user quillexctl --version)" == "quillexctl $upstream_version" ]]; }
check "quillexctl --version prints \"quillexctl $upstream_version\" and exits 0" ctl_version_printed
exits_with() { # status command...
    local expected=$1 status=0
    shift
    "$@" >>"$logs/quillexctl.log" 2>&1 || status=$?
    [[ $status == "$expected" ]]
}
check "quillexctl list without a device exits 3" exits_with 3 as_user quillexctl list
check "bash completes quillexctl from /usr/share/bash-completion/completions" \
    test -f "$root/usr/share/bash-completion/completions/quillexctl"

# A private display: Xvfb picks a free number itself.
in_root sh -c 'exec Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>/tmp/xvfb.display' \
    >"$logs/xvfb.log" 2>&1 &
wait_until 20 test -s "$root/tmp/xvfb.display" || fatal "Xvfb started (see $logs/xvfb.log)"
display=$(<"$root/tmp/xvfb.display")

# Without -s -r the folder is no job folder: update looks for cfg.dat beside itself.
updater_refuses() { # expected-message arguments...
    local expected=$1 status=0
    shift
    as_user timeout 20 /usr/lib/quillex/updateEx/update "$@" >"$logs/update.out" 2>"$logs/update.err" ||
        status=$?
    cat "$logs/update.err"
    [[ $status -eq 1 ]] && grep -qF "$expected" "$logs/update.err"
}
check "update /nonexistent/folder/ refuses: exit 1, cfg.dat missing" \
    updater_refuses "cfg.dat is missing or unreadable" /nonexistent/folder/
check "update /nonexistent/folder/ -s -r refuses: exit 1, its cfg.dat missing" \
    updater_refuses "/nonexistent/folder/cfg.dat is missing or unreadable" /nonexistent/folder/ -s -r

# --- the demo, driven like a user: window-relative clicks at the design size ----------------------

app_pid=
win=
win_x=0
win_y=0
# The main window: mapped, titled "NORVIK GAMING Quillex", at its design size on this screen.
find_window() {
    local id geometry
    for id in $(as_user xdotool search --onlyvisible --name 'Quillex' 2>/dev/null); do
        geometry=$(as_user xdotool getwindowgeometry --shell "$id") || continue
        eval "$(grep -E '^(X|Y|WIDTH|HEIGHT)=[0-9]+$' <<<"$geometry")"
        if [[ "$WIDTH" == 1280 && "$HEIGHT" == 720 ]]; then
            win=$id
            win_x=$X
            win_y=$Y
            return 0
        fi
    done
    return 1
}
pointer_to() { as_user xdotool mousemove $((win_x + $1)) $((win_y + $2)); }
click_at() { as_user xdotool mousemove $((win_x + $1)) $((win_y + $2)) click 1; }

# Checksum of a rectangle of the window's picture (xwd: a big-endian header, then the colour
# map, then rows of bytes_per_line bytes).
picture_of() { # x y width height
    local shot=/tmp/window.xwd header=() bpp bpl offset
    as_user xwd -silent -id "$win" -out "$shot" || return 1
    read -r -a header <<<"$(od -An -v -tu1 -N 100 -w100 "$root$shot")"
    be32() { echo $(((header[$1] << 24) | (header[$1 + 1] << 16) | (header[$1 + 2] << 8) | header[$1 + 3])); }
    bpp=$(be32 44)
    bpl=$(be32 48)
    offset=$(($(be32 0) + $(be32 76) * 12 + $2 * bpl))
    dd if="$root$shot" bs=64K iflag=skip_bytes,count_bytes skip="$offset" count=$(($4 * bpl)) \
        status=none | od -An -v -tx1 -w"$bpl" |
        cut -c $(($1 * bpp / 8 * 3 + 1))-$((($1 + $3) * bpp / 8 * 3)) | md5sum | cut -d' ' -f1
}
# Waits until the rectangle shows the same picture twice 0.3 s apart; prints it.
settled_picture() { # x y width height
    local deadline=$((SECONDS + 20)) last= now
    while ((SECONDS < deadline)); do
        now=$(picture_of "$@") || return 1
        [[ "$now" == "$last" ]] && echo "$now" && return 0
        last=$now
        sleep 0.3
    done
    return 1
}

start_demo() {
    set_user_command
    # Not through a function: $! is then quillex itself (chroot and env exec it), as SIGTERM needs.
    "${user_command[@]}" quillex --demo >>"$logs/demo.log" 2>&1 &
    app_pid=$!
    wait_until 20 find_window
}
stop_demo() {
    local status=0
    kill -TERM "$app_pid"
    wait_until 20 eval '! kill -0 $app_pid 2>/dev/null' || return 1
    wait "$app_pid" || status=$?
    app_pid=
    [[ $status -eq 0 ]]
}
demo_daemon_gone() { ! sim ping >/dev/null 2>&1; }
user_processes_gone() {
    local pid
    for pid in $(processes_in_root); do
        [[ "$(stat -c %u "/proc/$pid")" != "$uid" ]] || return 1
    done
}
table1() { sim memory mouse table1; }
mouse_tables_read() { sim trace /cmd | grep -qE 'send-feature sim/mouse/[0-9]+/cmd -> [0-9]+ : 00 83'; }
language_saved() { # language number
    grep -qE "^data=.*, *$1\$" "$demo_data/apConfig.ini" 2>/dev/null
}

# Where the script clicks, in window coordinates of the 1280x720 scene.
readonly card_x=640 card_y=300 card_area="500 180 280 360"
readonly away_x=60 away_y=660
readonly slider_x=640 slider_y=273
readonly settings_x=1170 settings_y=30
readonly russian_x=917 russian_y=349 language_row="856 332 388 36"
readonly panel_still_x=1100 panel_still_y=650

# Start page -> the mouse's page: the card is there, and clicking it reads the device's tables.
open_mouse_page() {
    check "the start page shows the virtual mouse's card" wait_until 20 card_reacts
    sim trace --clear >/dev/null
    click_at $card_x $card_y
    wait_until 20 mouse_tables_read || fatal "clicking the card opens the mouse (its tables are read)"
    pass "clicking the card opens the mouse's page"
    settled_picture 0 0 1280 720 >/dev/null || fatal "the mouse's page settles"
}

phase "demo: first start, DPI and language"
start_demo || fatal "quillex --demo shows its 1280x720 window (see $logs/demo.log)"
pass "quillex --demo shows its window"
check "the demo started its daemon at $demo_socket" wait_until 20 eval 'sim ping >/dev/null 2>&1'

# The card is there when pointing at it changes it and pointing away changes it back.
card_reacts() {
    local away over back
    pointer_to $away_x $away_y
    away=$(settled_picture $card_area) || return 1
    pointer_to $card_x $card_y
    over=$(settled_picture $card_area) || return 1
    pointer_to $away_x $away_y
    back=$(settled_picture $card_area) || return 1
    [[ "$away" != "$over" && "$away" == "$back" ]]
}
open_mouse_page
dpi_before=$(table1)
dpi_changed() { [[ "$(table1)" != "$dpi_before" ]]; }
click_at $slider_x $slider_y
check "a click on the DPI slider reaches the virtual mouse (table1 changed)" wait_until 20 dpi_changed
echo "table1 before: $dpi_before"
echo "table1 after:  $(table1)"
ctl_on_demo() { as_user env QUILLEX_SIM_SOCKET="$demo_socket" LD_LIBRARY_PATH=/usr/lib/quillex/sim quillexctl "$@"; }
table1_kept=$(table1)
check "quillexctl set on the demo's devices exits 3 while the demo keeps them" \
    exits_with 3 ctl_on_demo set dpi 1 500
check "and the virtual mouse's table1 is unchanged" test "$(table1)" == "$table1_kept"

click_at $settings_x $settings_y
pointer_to $panel_still_x $panel_still_y
english_row=$(settled_picture $language_row) || fatal "the settings panel opened"
click_at $russian_x $russian_y
pointer_to $panel_still_x $panel_still_y
check "choosing Russian in the settings panel is saved in the demo's apConfig.ini" \
    wait_until 20 language_saved 0
russian_row=$(settled_picture $language_row) || fatal "the settings panel settled"
check "the language row shows the new choice" test "$russian_row" != "$english_row"

stop_demo || fatal "SIGTERM ends quillex --demo with status 0 within 20 s"
pass "SIGTERM ends quillex --demo with status 0 within 20 s"
check "the demo's daemon ended with it" wait_until 5 demo_daemon_gone
check "no process of $user is left running" wait_until 5 user_processes_gone

phase "demo: second start"
check "apConfig.ini holds the language after the end" language_saved 0
start_demo || fatal "quillex --demo shows its window again (see $logs/demo.log)"
pass "quillex --demo starts again"
open_mouse_page
click_at $settings_x $settings_y
pointer_to $panel_still_x $panel_still_y
language_shown() { [[ "$(settled_picture $language_row)" == "$russian_row" ]]; }
check "the settings panel shows the language chosen before the restart" wait_until 20 language_shown
check "SIGTERM ends the second quillex --demo with status 0" stop_demo
check "apConfig.ini still holds the language" language_saved 0
check "the demo did not create the real data folder ~/.local/share/quillex" \
    test ! -e "$root$home/.local/share/quillex"
modules_unchanged() {
    local verify
    verify=$(in_root dpkg --verify quillex 2>&1)
    [[ -z "$verify" ]] || echo "$verify"
    [[ -z "$verify" ]] && md5_tree "$root/usr/lib/quillex/modules" | cmp -s - "$logs/modules.md5"
}
check "/usr/lib/quillex/modules is unchanged (dpkg --verify, checksums)" modules_unchanged

# --- the real program: the user's copy, and root never writing into the package ----------------

phase "the installed program, user and root"
run_real_program() { # command prefix... : starts quillex, waits for its window, ends it
    local pid status=0
    "$@" quillex >>"$logs/real.log" 2>&1 &
    pid=$!
    wait_until 20 find_window || { kill -KILL "$pid"; return 1; }
    kill -TERM "$pid"
    wait "$pid" || status=$?
    [[ $status -eq 0 ]]
}
set_user_command
check "quillex starts and ends as $user" run_real_program "${user_command[@]}"
copy_made() { # home
    cmp -s "$root/usr/lib/quillex/modules/apConfig.ini" "$root$1/.local/share/quillex/modules/apConfig.ini" &&
        test -f "$root$1/.local/share/quillex/modules/P-NORVIK GAMING Quillex/profile0.ini"
}
check "its first start copied the shipped data to ~/.local/share/quillex/modules" copy_made "$home"
install -d -m 0700 "$root/run/user/0"
as_root=(chroot "$root" env -i HOME=/root USER=root PATH=/usr/bin:/bin LANG=C.UTF-8
    XDG_RUNTIME_DIR=/run/user/0 DISPLAY=":$display")
check "quillex starts and ends as root" run_real_program "${as_root[@]}"
check "root's settings went to /root/.local/share/quillex/modules" copy_made /root
check "/usr/lib/quillex/modules is still unchanged" modules_unchanged

# --- 6. package lifecycle ------------------------------------------------------------------------

phase "reinstall, remove, purge"
quietly() { "$@" >>"$logs/apt.log" 2>&1; }
md5_tree "$root$home/.local/share" >"$logs/user-files.md5"
user_files_kept() { md5_tree "$root$home/.local/share" | cmp -s - "$logs/user-files.md5"; }
package_files=$(in_root dpkg-query -L quillex)
package_files_gone() {
    local f
    [[ ! -e "$root/usr/lib/quillex" ]] || return 1
    while read -r f; do
        [[ -d "$root$f" || ! -e "$root$f" ]] || { echo "left behind: $f"; return 1; }
    done <<<"$package_files"
}
check "reinstall (dpkg -i again) succeeds" quietly in_root dpkg -i "/tmp/$debname"
check "reinstall keeps the user's files byte for byte" user_files_kept
check "dpkg -r quillex succeeds" quietly in_root dpkg -r quillex
check "dpkg -r removes /usr/lib/quillex and every file of the package" package_files_gone
check "dpkg -r keeps the user's files" user_files_kept
quietly in_root dpkg -i "/tmp/$debname" || fail "install again before the purge"
check "dpkg -P quillex succeeds" quietly in_root dpkg -P quillex
check "dpkg -P removes /usr/lib/quillex and every file of the package" package_files_gone
check "dpkg -P keeps the user's files" user_files_kept

summary
[[ $failures -eq 0 ]]
