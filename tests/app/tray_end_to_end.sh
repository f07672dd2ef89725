#!/usr/bin/env bash
# End to end through a real tray: the application on a virtual X server with
# a session bus of its own, started first without a tray (the panel opens as
# a window), then trayer appears: the chart icon shows up in it, a click
# opens the panel under it, a second start reopens it and exits 0, a click
# elsewhere closes it, and the tray menu quits.
#
# Usage: tray_end_to_end.sh BRIMLOW CODEX_STAND_IN SCREENSHOT_DIR
# Exits 77 (skipped) when the programs it needs are not installed.
set -euo pipefail

if [ "${1:-}" != --inside ]; then
  source "$(dirname "$0")/../test_support/private_session.sh"
  enter_private_session tray "-screen 0 1280x800x24" trayer xdotool import convert -- \
    "$0" --inside "$@"
fi
shift
source "$(dirname "$0")/../test_support/in_session.sh" tray "$@"
logs=(app.out app.err trayer.log)
screen_width=1280

# "id x y width height" of every mapped window of ours.
our_windows() {
  local id
  for id in $(xdotool search --onlyvisible --class brimlow 2>/dev/null); do
    eval "$(xdotool getwindowgeometry --shell "$id")"
    echo "$id $X $Y $WIDTH $HEIGHT"
  done
}
panel() { our_windows | awk '$4 == 370' | head -1; }
icon() { our_windows | awk '$4 < 100' | head -1; }
panel_shown() { [ -n "$(panel)" ]; }
panel_hidden() { [ -z "$(panel)" ]; }
icon_shown() { [ -n "$(icon)" ]; }

# Figures for the icon: Codex's window at 42 % comes from the stand-in app
# server in ~/.local/bin, Claude's at 80 % is recorded through the
# status-line mode.
echo "{\"rate_limits\":{\"five_hour\":{\"used_percentage\":80,\"resets_at\":$reset_at}}}" |
  "$brimlow" --claude-statusline >/dev/null

# 1. No tray yet: the panel opens as an ordinary window; Escape closes it.
PATH=$work/empty-bin "$brimlow" >"$work/app.out" 2>"$work/app.err" &
app_pid=$!
started+=("$app_pid")
wait_for 15 panel_shown || fail "without a tray the panel did not open as a window"
sleep 1 # the first refresh's figures
import -window root "$shots/tray-no-tray-window.png"
xdotool key Escape
wait_for 5 panel_hidden || fail "Escape did not close the panel window"
kill -0 "$app_pid" || fail "the application ended when its window closed"
echo "ok: without a tray the panel opened as a window and Escape closed it"

# 2. A tray appears: the icon is put into it within a few seconds.
trayer --edge top --align right --widthtype request --height 24 --transparent false \
  --SetDockType true >"$work/trayer.log" 2>&1 &
trayer_pid=$!
started+=("$trayer_pid")
wait_for 10 icon_shown || fail "the icon did not appear in the tray"
read -r icon_id icon_x icon_y icon_w icon_h <<<"$(icon)"
sleep 0.5
import -window root -crop "${icon_w}x${icon_h}+${icon_x}+${icon_y}" "$work/icon.png"
colours=$(convert "$work/icon.png" -format %c histogram:info:-)
grep -qi '#34C759' <<<"$colours" || fail "no green Codex bar in the icon: $colours"
grep -qi '#FF9500' <<<"$colours" || fail "no orange Claude bar in the icon: $colours"
echo "ok: the icon appeared in the tray at ${icon_x},${icon_y} with both bars"

# 3. A click on the icon opens the panel under it, inside the screen.
xdotool mousemove --sync $((icon_x + icon_w / 2)) $((icon_y + icon_h / 2)) click 1
wait_for 5 panel_shown || fail "a click on the icon did not open the panel"
read -r panel_id panel_x panel_y panel_w _ <<<"$(panel)"
[ "$panel_y" -ge $((icon_y + icon_h)) ] || fail "the panel ($panel_y) is not below the icon"
[ $((panel_x + panel_w)) -le "$screen_width" ] || fail "the panel runs off the screen"
[ $((panel_x + panel_w)) -ge $((icon_x + icon_w / 2)) ] || fail "the panel is not at the icon"
sleep 0.5
import -window root "$shots/tray-panel.png"
echo "ok: the panel opened at ${panel_x},${panel_y} under the icon"

# 4. Starting again while it runs: the panel stays open, the start ends 0.
status=0
timeout 20 "$brimlow" >"$work/second.out" 2>&1 || status=$?
[ "$status" -eq 0 ] || fail "the second start exited with $status: $(cat "$work/second.out")"
sleep 0.5
[ "$(panel | cut -d' ' -f1)" = "$panel_id" ] || fail "the second start did not leave the panel open"
echo "ok: a second start left the open panel open and exited 0"

# 5. A click elsewhere closes it; another start opens it again.
xdotool mousemove --sync 200 600 click 1
wait_for 5 panel_hidden || fail "a click outside did not close the panel"
timeout 20 "$brimlow" >"$work/second.out" 2>&1 || fail "the third start failed"
wait_for 5 panel_shown || fail "a start while it runs did not open the closed panel"
echo "ok: a click elsewhere closed the panel, a new start opened it"

# 6. A click on the icon closes the open panel.
xdotool mousemove --sync $((icon_x + icon_w / 2)) $((icon_y + icon_h / 2)) click 1
wait_for 5 panel_hidden || fail "a click on the icon did not close the open panel"
echo "ok: a click on the icon closed the panel"

# 7. The tray menu's last entry quits.
xdotool mousemove --sync $((icon_x + icon_w / 2)) $((icon_y + icon_h / 2)) click 3
sleep 1
xdotool key Up Return
status=0
wait_for 10 eval '! kill -0 $app_pid 2>/dev/null' || fail "the menu's 종료 did not quit"
wait "$app_pid" || status=$?
[ "$status" -eq 0 ] || fail "the application exited with $status"
echo "ok: the tray menu quit the application"

# Qt's messages are on in tests: the panel's QML must not have warned.
if grep -E '\.qml(:[0-9]+)?' "$work/app.err"; then
  fail "the panel's QML warned"
fi
echo "ok: no QML warnings"
