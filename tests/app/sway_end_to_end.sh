#!/usr/bin/env bash
# End to end on a real Wayland tray: headless sway, waybar (only its tray, at
# the top right) before Brimlow. The icon must appear in the bar; a click
# opens the panel hanging from the bar under the icon (measured on the
# screen); a second click, Escape or a click elsewhere closes it; the icon's
# menu quits. Then under Xwayland: the same panel, whose quit button takes
# the click. As root (sway refuses root) the desktop runs as an unprivileged
# user, created if missing.
#
# Usage: sway_end_to_end.sh BRIMLOW CODEX_STAND_IN SCREENSHOT_DIR
# Exits 77 (skipped) when the programs it needs are not installed.
set -euo pipefail

for tool in sway swaymsg waybar grim Xwayland dbus-daemon setpriv python3 convert; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
unset DISPLAY WAYLAND_DISPLAY
brimlow=$(realpath "$1")
stand_in=$(realpath "$2")
mkdir -p "$3"
shots=$(realpath "$3")
rm -f "$shots"/sway-*.png
vpointer=$(realpath "$(dirname "$0")/../test_support/vpointer.py")
width=1280 height=720 bar=30

user=$(id -un)
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  user=${BRIMLOW_TEST_USER:-brimlowtest}
  id "$user" >/dev/null 2>&1 || useradd -M -s /usr/sbin/nologin "$user"
  as_user=(setpriv --reuid="$(id -u "$user")" --regid="$(id -g "$user")" --init-groups)
fi
work=$(mktemp -d /tmp/brimlow-sway.XXXXXX)
chmod 0755 "$work"
mkdir -p "$work"/{run,home/.local/bin,config/sway,config/waybar,data,cache,state,empty-bin}
chmod 0700 "$work/run"
env=(HOME="$work/home" USER="$user" LOGNAME="$user" PATH=/usr/bin:/bin LANG=C.UTF-8
  XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
  XDG_CACHE_HOME="$work/cache" XDG_STATE_HOME="$work/state" NO_AT_BRIDGE=1
  DBUS_SESSION_BUS_ADDRESS="unix:path=$work/run/bus" ASAN_OPTIONS="${ASAN_OPTIONS:-}"
  UBSAN_OPTIONS="${UBSAN_OPTIONS:-}")

pids=()
cleanup() {
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  for _ in $(seq 20); do kill -0 "${pids[@]}" 2>/dev/null || break; sleep 0.1; done
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill -KILL "${pids[i]}" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
# Runs a command as the user, in the private session; start: in the background.
run() { "${as_user[@]}" env -i "${env[@]}" "$@"; }
start() {
  "${as_user[@]}" env -i "${env[@]}" "${@:2}" >"$work/$1" 2>&1 &
  pids+=($!)
}
shot() { run grim "$work/shot.png" && cp "$work/shot.png" "$shots/sway-$1.png"; }
fail() {
  echo "FAIL: $*"
  for log in "$work"/app-*.log "$work"/waybar.log "$work"/vpointer.log; do
    [ -s "$log" ] && sed "s/^/${log##*/}: /" "$log"
  done
  shot failure 2>/dev/null || true
  exit 1
}
# Runs the condition until it holds, for up to $1 seconds.
wait_for() {
  local end=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -lt "$end" ] || return 1
    sleep 0.1
  done
}
vp() { run python3 "$vpointer" $width $height "$@" >>"$work/vpointer.log" 2>&1 || fail "vpointer.py $*"; }

# The icon's green Codex bar in waybar: "x y width height".
green_bar() {
  run grim -g "0,0 ${width}x${bar}" "$work/bar.png" 2>/dev/null || return 0
  convert "$work/bar.png" -fuzz 6% -fill black +opaque '#34C759' -format '%@' info: 2>/dev/null |
    tr 'x+' '  ' | awk '$1 > 0 && $1 < 40 {print $3, $4, $1, $2}'
}
icon_shown() { [ -n "$(green_bar)" ]; }
# Waits for the icon and aims the pointer at it.
find_icon() {
  wait_for 15 icon_shown || return 1
  read -r icon_x icon_y icon_w icon_h <<<"$(green_bar)"
  click=move:$((icon_x + icon_w / 2)):$((icon_y + icon_h / 2))
}
# What changed below the bar since the screenshot $1 ($work/before.png):
# "x y width height".
changed_box() {
  run grim "$work/now.png" || return 0
  convert "${1:-$work/before.png}" "$work/now.png" -compose difference -composite -threshold 0 \
    -crop "${width}x$((height - bar))+0+$bar" +repage -format '%@' info: 2>/dev/null |
    tr 'x+' '  ' | awk -v top=$bar '$1 > 20 && $2 > 20 {print $3, $4 + top, $1, $2}'
}
menu_shown() { [ -n "$(changed_box)" ]; }
# The panel: what differs below the bar from $work/closed.png.
panel() { changed_box "$work/closed.png"; }
panel_shown() { [ -n "$(panel)" ]; }
panel_hidden() { [ -z "$(panel)" ]; }
# click_opens WHY, closes WHY ACTION...: a left click on the icon (or the
# actions) and the panel's state after it.
click_opens() { vp "$click" click:left; wait_for 5 panel_shown || fail "$1"; }
closes() { vp "${@:2}"; wait_for 5 panel_hidden && sleep 1 && panel_hidden || fail "$1"; }
# Checks the open panel's rectangle against the icon's.
check_panel() {
  read -r x y w h <<<"$(panel)"
  echo "$1: panel ${x},${y} ${w}x${h}; icon's green bar ${icon_x},${icon_y} ${icon_w}x${icon_h}"
  shot "$1-panel"
  local want_x=$((icon_x + icon_w / 2 - 185))
  [ $want_x -le $((width - 4 - 370)) ] || want_x=$((width - 4 - 370))
  [ "$w" -ge 368 ] && [ "$w" -le 370 ] || fail "$1: the panel is $w px wide, not 370"
  [ "$y" -ge $((bar + 3)) ] && [ "$y" -le $((bar + 5)) ] || fail "$1: the panel does not hang from the bar"
  [ "$x" -ge $((want_x - 2)) ] && [ "$x" -le $((want_x + 2)) ] ||
    fail "$1: the panel is not under the icon (left edge $x, not $want_x)"
  [ $((y + h)) -le "$height" ] || fail "$1: the panel runs off the output"
}

# Figures for the icon: Codex at 42 % from the stand-in app server.
ln -s "$stand_in" "$work/home/.local/bin/codex"
cat >"$work/scenario" <<SCENARIO
read
send {"id":0,"result":{}}
read
read
send {"id":1,"result":{"rateLimits":{"primary":{"usedPercent":42,"windowDurationMins":300,"resetsAt":$(($(date +%s) + 3600))}}}}
hang
SCENARIO
cat >"$work/config/sway/config" <<CONFIG
output HEADLESS-1 resolution ${width}x${height} position 0 0
xwayland enable
exec sh -c 'echo "\$DISPLAY" >"\$XDG_RUNTIME_DIR/display"'
CONFIG
cat >"$work/config/waybar/config" <<CONFIG
{ "layer": "top", "position": "top", "height": $bar, "modules-right": ["tray"],
  "tray": { "icon-size": 22, "spacing": 4 } }
CONFIG
[ -z "${as_user[*]}" ] || chown -R "$user:" "$work"

start dbus.log dbus-daemon --session --nofork --nopidfile --address="unix:path=$work/run/bus"
start sway.log WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 sway
wait_for 20 eval 'ls "$work"/run/sway-ipc.*.sock "$work"/run/wayland-? "$work/run/display" >/dev/null 2>&1' ||
  fail "sway did not start: $(cat "$work/sway.log")"
env+=(SWAYSOCK="$(ls "$work"/run/sway-ipc.*.sock)" WAYLAND_DISPLAY="$(basename "$(ls -d "$work"/run/wayland-?)")")

# Brimlow with the stand-in, on the given platform, VAR=VAL... added.
start_app() {
  start "app-$1.log" QT_QPA_PLATFORM="$1" BRIMLOW_QT_MESSAGES=1 PATH="$work/empty-bin" \
    BRIMLOW_STAND_IN_SCENARIO="$work/scenario" "${@:2}" "$brimlow"
  app_pid=$!
}
# Waits for the application to exit with STATUS (0) and checks that its QML did not warn.
app_ended() {
  wait_for 10 eval '! kill -0 $app_pid 2>/dev/null' || fail "the application did not end"
  local status=0
  wait "$app_pid" || status=$?
  [ "$status" -eq "${1:-0}" ] || fail "the application exited with $status"
  ! grep -E '\.qml(:[0-9]+)?' "$work"/app-*.log || fail "the panel's QML warned"
}

# 1. The icon appears in the bar that was there first (the bar started
# later is the Xfce script's case).
start waybar.log waybar
sleep 2
start_app wayland
find_icon || fail "the icon did not appear in the bar"
echo "ok: the icon appeared in the bar at ${icon_x},${icon_y} (green bar ${icon_w}x${icon_h})"

# 2. A click on the icon opens the panel on a layer of its own, hanging
# from the bar under the icon, 4 px below it, at its own width; a second
# click, Escape and a click elsewhere each close it.
run grim "$work/closed.png"
click_opens "a click on the icon did not open the panel"
sleep 0.5
check_panel wayland
closes "a second click did not close the panel" "$click" click:left
click_opens "a third click did not open the panel"
closes "Escape did not close the panel" key:escape
click_opens "a fourth click did not open the panel"
closes "a click elsewhere did not close the panel" move:100:$((height - 50)) click:left
echo "ok: a click opened the panel under the icon; a click, Escape and a click elsewhere closed it"

# 3. A right click shows the icon's menu; its last entry quits.
run grim "$work/before.png"
vp "$click" click:right
wait_for 5 menu_shown || fail "a right click showed no menu"
sleep 0.5
shot wayland-menu
read -r menu_x menu_y menu_w menu_h <<<"$(changed_box)"
vp move:$((menu_x + menu_w / 2)):$((menu_y + menu_h - 16)) click:left
app_ended
echo "ok: a right click showed the menu, whose last entry quit"

# 4. Under Xwayland the panel is the same layer, under the icon; the panel's
# own controls take the wheel and clicks: scrolled to its end, its quit
# button ends the application.
start_app xcb DISPLAY="$(cat "$work/run/display")"
find_icon || fail "the icon did not appear under Xwayland"
run grim "$work/closed.png"
click_opens "a click on the icon did not open the panel under Xwayland"
sleep 0.5
check_panel xwayland
read -r x y w h <<<"$(panel)"
vp move:$((x + w / 2)):$((y + h / 2)) scroll:10
sleep 0.5
vp move:$((x + w - 45)):$((y + h - 26)) click:left
app_ended
echo "ok: under Xwayland the panel opened under the icon and its quit button ended the application"
