#!/usr/bin/env bash
# End to end in a real StatusNotifierItem host: Xfce's panel (xfce4-panel
# with its systray plugin, which is also the StatusNotifierWatcher) on a
# virtual X server, started after Brimlow, at the bottom of the screen. The
# icon must appear once the panel is up; a click opens the panel right above
# the icon, the host's launch for a click that closes it is ended, and the
# icon's menu quits. Rectangles are the X server's.
#
# Usage: xfce_end_to_end.sh BRIMLOW CODEX_STAND_IN SCREENSHOT_DIR
# Exits 77 (skipped) when the programs it needs are not installed.
set -euo pipefail

if [ "${1:-}" != --inside ]; then
  source "$(dirname "$0")/../test_support/private_session.sh"
  enter_private_session xfce "-screen 0 1280x800x24" xfce4-panel xdotool xev import convert -- \
    "$0" --inside "$@"
fi
shift
source "$(dirname "$0")/../test_support/in_session.sh" xfce "$@"
logs=(app.err xfce4-panel.log)
screen_height=800
bar_height=30

# The panel at the bottom, holding only the tray.
channel=$XDG_CONFIG_HOME/xfce4/xfconf/xfce-perchannel-xml
mkdir -p "$channel"
cat >"$channel/xfce4-panel.xml" <<XML
<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=10;x=0;y=0"/>
      <property name="length" type="uint" value="100"/>
      <property name="position-locked" type="bool" value="true"/>
      <property name="size" type="uint" value="$bar_height"/>
      <property name="plugin-ids" type="array"><value type="int" value="1"/></property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="systray">
      <property name="icon-size" type="int" value="22"/>
      <property name="square-icons" type="bool" value="true"/>
    </property>
  </property>
</channel>
XML

# 1. Brimlow first, then the panel: the usual race at login.
start_app
wait_for 15 panel_shown || fail "without a tray the panel did not open as a window"
sleep 2
xfce4-panel --disable-wm-check >"$work/xfce4-panel.log" 2>&1 &
started+=($!)
wait_for 20 icon_shown $((screen_height - bar_height)) $bar_height ||
  fail "the icon did not appear in the panel started later"
wait_for 5 panel_hidden || fail "the window did not hand over to the tray"
cp "$work/screen.png" "$shots/xfce-icon.png"
echo "ok: the icon appeared in a panel started after Brimlow, at ${icon_x},${icon_y}"

# 2. A click opens the panel right above the icon, on the screen.
click_x=$((icon_x + icon_w / 2)) click_y=$((icon_y + icon_h / 2))
click "$click_x" "$click_y"
wait_for 5 panel_shown || fail "a click on the icon did not open the panel"
read -r _ px py pw ph <<<"$(panel)"
echo "panel ${px},${py} ${pw}x${ph}; icon ${icon_x},${icon_y} ${icon_w}x${icon_h}"
[ $((py + ph)) -le $((screen_height - bar_height)) ] || fail "the panel covers the bar"
[ $((py + ph)) -ge $((screen_height - bar_height - 12)) ] || fail "the panel is not next to the bar"
[ "$px" -le "$click_x" ] && [ $((px + pw)) -ge "$click_x" ] && [ "$px" -ge 0 ] && [ "$py" -ge 0 ] ||
  fail "the panel is not over the icon, on the screen"
sleep 0.5
import -window root "$shots/xfce-panel.png"
echo "ok: the panel opened right above the icon"

# 3. A launch the host started for a click that closes the panel (as GNOME's
# host does, with a token) is ended: GNOME shows its busy cursor until then.
xev -root -event property >"$work/root-events" 2>&1 &
started+=($!)
sleep 0.5
item=$(dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher /StatusNotifierWatcher \
  org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierWatcher \
  string:RegisteredStatusNotifierItems | grep -o '"[^"]*"' | head -1 | tr -d '"')
item_call() {
  dbus-send --session --print-reply --dest="${item%%/*}" /StatusNotifierItem \
    "org.kde.StatusNotifierItem.$1" "${@:2}" >/dev/null
}
item_call ProvideXdgActivationToken string:brimlow-test-launch
item_call Activate int32:0 int32:0
wait_for 5 panel_hidden || fail "the host's Activate did not close the panel"
wait_for 5 grep -q _NET_STARTUP_INFO_BEGIN "$work/root-events" ||
  fail "the host's launch was not ended: $(cat "$work/root-events")"
echo "ok: a click that closed the panel ended the host's launch"

quit_from_menu "$click_x" "$click_y"
