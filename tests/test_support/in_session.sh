# Sourced by the end-to-end scripts once they run inside their private
# session (see private_session.sh): the arguments every one of them takes,
# what it started and ends on exit, a failure that shows the logs, waiting
# for a condition, and the stand-in Codex CLI reporting a window at 42 %.
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

fail() {
  echo "FAIL: $*"
  local log
  for log in "${logs[@]}"; do
    [ -s "$work/$log" ] && sed "s/^/$log: /" "$work/$log"
  done
  import -window root "$shots/$name-failure.png" 2>/dev/null || true
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
