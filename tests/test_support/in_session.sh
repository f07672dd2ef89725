# Sourced by the end-to-end scripts once they run in their private session
# (see private_session.sh): the arguments every one of them takes, what it
# started and ends on exit, a failure that shows the logs, waiting for a
# condition, the stand-in Codex CLI reporting a window at 42 %, and
# finding, clicking and quitting the application on an X server.
#
#   source in_session.sh NAME BRIMLOW CODEX_STAND_IN SCREENSHOT_DIR
#   logs=(app.err ...)   # shown on failure, from $work
name=$1
brimlow=$(realpath "$2")
stand_in=$(realpath "$3")
shots=$4
work=$XDG_RUNTIME_DIR
logs=()

started=()
end_started() {
  local pid
  for pid in "${started[@]}"; do kill "$pid" 2>/dev/null || true; done
}
trap end_started EXIT

screenshot() { import -window root "$1"; }
fail() {
  echo "FAIL: $*"
  local log
  for log in "${logs[@]}"; do
    [ -s "$work/$log" ] && sed "s/^/$log: /" "$work/$log"
  done
  screenshot "$shots/$name-failure.png" 2>/dev/null || true
  exit 1
}

# Runs the condition until it holds, for up to $1 seconds.
wait_for() {
  local seconds=$1
  shift
  for _ in $(seq $((seconds * 10))); do
    "$@" && return 0
    sleep 0.1
  done
  "$@"
}

# The application ends with status 0, and the panel's QML did not warn in
# the logs given (Qt's messages are on in tests).
app_ended() {
  wait_for 10 eval '! kill -0 $app_pid 2>/dev/null' || fail "the application did not end"
  local status=0
  wait "$app_pid" || status=$?
  [ "$status" -eq 0 ] || fail "the application exited with $status"
  ! grep -E '\.qml(:[0-9]+)?' "$@" || fail "the panel's QML warned"
}

reset_at=$(($(date +%s) + 3600))
mkdir -p "$HOME/.local/bin" "$work/empty-bin"
ln -s "$stand_in" "$HOME/.local/bin/codex"
cat >"$work/scenario" <<SCENARIO
read
send {"id":0,"result":{}}
read
read
send {"id":1,"result":{"rateLimits":{"primary":{"usedPercent":42,"windowDurationMins":300,"resetsAt":$reset_at}}}}
hang
SCENARIO
export BRIMLOW_STAND_IN_SCENARIO=$work/scenario

# "id x y width height" of every mapped X window of ours; the panel is 370 px wide.
our_windows() {
  local id
  for id in $(xdotool search --onlyvisible --class brimlow 2>/dev/null); do
    eval "$(xdotool getwindowgeometry --shell "$id")"
    echo "$id $X $Y $WIDTH $HEIGHT"
  done
}
panel() { our_windows | awk '$4 == 370' | head -1; }
panel_shown() { [ -n "$(panel)" ]; }
panel_hidden() { [ -z "$(panel)" ]; }
click() { xdotool mousemove --sync "$1" "$2" click "${3:-1}"; }

# The icon's green Codex bar in the bar whose rows are TOP to TOP + HEIGHT,
# on the screen: "x y width height"; icon_shown TOP HEIGHT sets icon_x ...
green_bar() {
  screenshot "$work/screen.png" 2>/dev/null || return 0
  convert "$work/screen.png" -crop "x$2+0+$1" +repage -fuzz 6% -fill black +opaque '#34C759' \
    -format '%@' info: 2>/dev/null | tr 'x+' '  ' | awk -v top="$1" '$1 > 0 && $1 < 40 {print $3, $4 + top, $1, $2}'
}
icon_shown() {
  read -r icon_x icon_y icon_w icon_h <<<"$(green_bar "$@")"
  [ -n "$icon_h" ]
}

start_app() {
  PATH=$work/empty-bin "$brimlow" >"$work/app.out" 2>"$work/app.err" &
  app_pid=$!
  started+=("$app_pid")
}

# Right-clicks X Y (the icon): the menu's last entry must end the application.
quit_from_menu() {
  click "$1" "$2" 3
  sleep 1
  screenshot "$shots/$name-menu.png"
  xdotool key Up Return
  app_ended "$work/app.err"
  echo "ok: the icon's menu quit the application"
}
