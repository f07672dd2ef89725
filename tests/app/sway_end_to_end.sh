#!/usr/bin/env bash
# End to end on a real Wayland tray: headless sway, waybar (only its tray, at
# the top right) before Brimlow. The icon must appear in the bar; a click
# opens the panel hanging from the bar under the icon (measured on the
# screen); a second click or a click elsewhere closes it. Then under
# Xwayland: the same panel, whose quit button takes the click. As root (sway refuses root) the desktop runs as an unprivileged
# user, created if missing.
#
# Usage: sway_end_to_end.sh BRIMLOW CODEX_STAND_IN SCREENSHOT_DIR
# Exits 77 (skipped) when the programs it needs are not installed.
set -euo pipefail

for tool in sway swaymsg waybar grim Xwayland dbus-daemon setpriv python3 convert; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
unset DISPLAY WAYLAND_DISPLAY
mkdir -p "$3"
rm -f "$3"/sway-*.png
vpointer=$(realpath "$(dirname "$0")/../test_support/vpointer.py")
width=1280 height=720 bar=30

user=$(id -un)
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  user=${BRIMLOW_TEST_USER:-brimlowtest}
  id "$user" >/dev/null 2>&1 || useradd -M -s /usr/sbin/nologin "$user"
  as_user=(setpriv --reuid="$(id -u "$user")" --regid="$(id -g "$user")" --init-groups)
fi
XDG_RUNTIME_DIR=$(mktemp -d /tmp/brimlow-sway.XXXXXX) HOME=$XDG_RUNTIME_DIR/home
source "$(dirname "$0")/../test_support/in_session.sh" sway "$@"
logs=(app-wayland.log app-xcb.log waybar.log vpointer.log)
mkdir -p "$work"/{config/sway,config/waybar,data,cache,state}
env=(HOME="$HOME" USER="$user" LOGNAME="$user" PATH=/usr/bin:/bin LANG=C.UTF-8
  XDG_RUNTIME_DIR="$work" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
  XDG_CACHE_HOME="$work/cache" XDG_STATE_HOME="$work/state" NO_AT_BRIDGE=1
  DBUS_SESSION_BUS_ADDRESS="unix:path=$work/bus" ASAN_OPTIONS="${ASAN_OPTIONS:-}"
  UBSAN_OPTIONS="${UBSAN_OPTIONS:-}")

# What was started ends last first (the application before its compositor).
cleanup() {
  local i
  for ((i = ${#started[@]} - 1; i >= 0; i--)); do kill "${started[i]}" 2>/dev/null || true; done
  for _ in $(seq 20); do kill -0 "${started[@]}" 2>/dev/null || break; sleep 0.1; done
  for ((i = ${#started[@]} - 1; i >= 0; i--)); do kill -KILL "${started[i]}" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
# Runs a command as the user, in the private session; start: in the background.
run() { "${as_user[@]}" env -i "${env[@]}" "$@"; }
start() {
  "${as_user[@]}" env -i "${env[@]}" "${@:2}" >"$work/$1" 2>&1 &
  started+=($!)
}
screenshot() { run grim "$work/shot.png" && cp "$work/shot.png" "$1"; }
shot() { screenshot "$shots/sway-$1.png"; }
vp() { run python3 "$vpointer" $width $height "$@" >>"$work/vpointer.log" 2>&1 || fail "vpointer.py $*"; }

# Waits for the icon and for the start's first refresh, and aims at the
# icon: an application still busy when the click ends maps its locating layer
# after the pointer stopped, and sway reports no pointer to it until it moves.
find_icon() {
  wait_for 15 icon_shown 0 $bar || return 1
  sleep 1
  click=move:$((icon_x + icon_w / 2)):$((icon_y + icon_h / 2))
  click_nudged=move:$((icon_x + icon_w / 2 + 1)):$((icon_y + icon_h / 2))
}
# The panel: what changed below the bar since $work/closed.png, "x y width height".
panel() {
  run grim "$work/now.png" || return 0
  convert "$work/closed.png" "$work/now.png" -compose difference -composite -threshold 0 \
    -crop "${width}x$((height - bar))+0+$bar" +repage -format '%@' info: 2>/dev/null |
    tr 'x+' '  ' | awk -v top=$bar '$1 > 20 && $2 > 20 {print $3, $4 + top, $1, $2}'
}
panel_shown() { [ -n "$(panel)" ]; }
panel_hidden() { [ -z "$(panel)" ]; }
# click_opens WHY, closes WHY ACTION...: a left click on the icon (or the
# actions) and the panel's state after it.
# The pointer then moves a pixel, as a hand does, and again over the next
# moments: sway reports the pointer to a layer that appears after the
# click's release only when it next moves, and a busy application (under
# the sanitizers) maps its layer late.
click_opens() {
  vp "$click" click:left "$click_nudged"
  for _ in 1 2 3; do sleep 0.15 && vp "$click" "$click_nudged"; done
  wait_for 5 panel_shown || fail "$1"
}
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

start dbus.log dbus-daemon --session --nofork --nopidfile --address="unix:path=$work/bus"
start sway.log WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 sway
wait_for 20 eval 'ls "$work"/sway-ipc.*.sock "$work"/wayland-? "$work/display" >/dev/null 2>&1' ||
  fail "sway did not start: $(cat "$work/sway.log")"
env+=(SWAYSOCK="$(ls "$work"/sway-ipc.*.sock)" WAYLAND_DISPLAY="$(basename "$(ls -d "$work"/wayland-?)")")

# Brimlow with the stand-in, on the given platform, VAR=VAL... added.
start_app() {
  start "app-$1.log" QT_QPA_PLATFORM="$1" BRIMLOW_QT_MESSAGES=1 PATH="$work/empty-bin" \
    BRIMLOW_STAND_IN_SCENARIO="$work/scenario" "${@:2}" "$brimlow"
  app_pid=$!
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
# click and a click elsewhere each close it.
run grim "$work/closed.png"
click_opens "a click on the icon did not open the panel"
sleep 0.5
check_panel wayland
closes "a second click did not close the panel" "$click" click:left
click_opens "a third click did not open the panel"
closes "a click elsewhere did not close the panel" move:100:$((height - 50)) click:left
echo "ok: a click opened the panel under the icon; a click and a click elsewhere closed it"

# The host draws the icon's menu from the same D-Bus menu as Xfce's panel.
kill "$app_pid"
wait "$app_pid" || true

# 3. Under Xwayland the panel is the same layer, under the icon; the panel's
# own controls take the wheel and clicks: scrolled to its end, its quit
# button ends the application.
start_app xcb DISPLAY="$(cat "$work/display")"
find_icon || fail "the icon did not appear under Xwayland"
run grim "$work/closed.png"
click_opens "a click on the icon did not open the panel under Xwayland"
sleep 0.5
check_panel xwayland
read -r x y w h <<<"$(panel)"
vp move:$((x + w / 2)):$((y + h / 2)) scroll:10
sleep 0.5
vp move:$((x + w - 45)):$((y + h - 26)) click:left
app_ended "$work"/app-*.log
echo "ok: under Xwayland the panel opened under the icon and its quit button ended the application"
