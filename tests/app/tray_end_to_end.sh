#!/usr/bin/env bash
# End to end through a real XEmbed tray: the application on a virtual X
# server with a session bus of its own, started first without a tray (the
# panel opens as a window), then trayer appears: the chart icon shows up in
# it and the window hands over to it, a click opens the panel under the
# icon, another closes it, and the tray menu quits.
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
icon() { our_windows | awk '$4 < 100' | head -1; }
icon_shown() { [ -n "$(icon)" ]; }

# Codex's window at 42 % comes from the stand-in, Claude's at 80 % is
# recorded through the status-line mode.
echo "{\"rate_limits\":{\"five_hour\":{\"used_percentage\":80,\"resets_at\":$reset_at}}}" |
  "$brimlow" --claude-statusline >/dev/null

# 1. No tray yet: the panel opens as an ordinary window.
start_app
wait_for 15 panel_shown || fail "without a tray the panel did not open as a window"
sleep 1 # the first refresh's figures
import -window root "$shots/tray-no-tray-window.png"

# 2. A tray appears: the icon is put into it, drawn with both bars, and the
# window gives way to it.
trayer --edge top --align right --widthtype request --height 24 --transparent false \
  --SetDockType true >"$work/trayer.log" 2>&1 &
started+=($!)
wait_for 10 icon_shown || fail "the icon did not appear in the tray"
wait_for 5 panel_hidden || fail "the window did not hand over to the tray"
read -r _ icon_x icon_y icon_w icon_h <<<"$(icon)"
sleep 0.5
import -window root -crop "${icon_w}x${icon_h}+${icon_x}+${icon_y}" "$work/icon.png"
colours=$(convert "$work/icon.png" -format %c histogram:info:-)
grep -qi '#34C759' <<<"$colours" && grep -qi '#FF9500' <<<"$colours" ||
  fail "not both the green Codex and the orange Claude bar in the icon: $colours"
echo "ok: the icon appeared in the tray at ${icon_x},${icon_y} with both bars"

# 3. A click on the icon opens the panel under it, inside the screen; a
# second click closes it.
click_x=$((icon_x + icon_w / 2)) click_y=$((icon_y + icon_h / 2))
click "$click_x" "$click_y"
wait_for 5 panel_shown || fail "a click on the icon did not open the panel"
read -r _ panel_x panel_y panel_w _ <<<"$(panel)"
[ "$panel_y" -ge $((icon_y + icon_h)) ] || fail "the panel ($panel_y) is not below the icon"
[ $((panel_x + panel_w)) -le 1280 ] || fail "the panel runs off the screen"
[ $((panel_x + panel_w)) -ge "$click_x" ] || fail "the panel is not at the icon"
sleep 0.5
import -window root "$shots/tray-panel.png"
click "$click_x" "$click_y"
wait_for 5 panel_hidden && sleep 1 && panel_hidden || fail "a click on the icon did not close the panel"
echo "ok: the panel opened at ${panel_x},${panel_y} under the icon and a click closed it"

quit_from_menu "$click_x" "$click_y"
