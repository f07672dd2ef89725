#!/usr/bin/env bash
# End to end through a real notification daemon: dunst on a virtual X
# server and a session bus of its own. Our notification must be displayed,
# and opening it in dunst must reach the program's open handler.
#
# Usage: dunst_end_to_end.sh NOTIFY_HARNESS
# Exits 77 (skipped) when the programs it needs are not installed.
set -euo pipefail

if [ "${1:-}" != --inside ]; then
  source "$(dirname "$0")/../test_support/private_session.sh"
  enter_private_session dunst "" dbus-send dunst dunstctl -- "$0" --inside "$@"
fi
shift
harness=$1
work=$XDG_RUNTIME_DIR

fail() {
  echo "FAIL: $*"
  [ -f "$work/dunst.log" ] && sed 's/^/dunst: /' "$work/dunst.log"
  exit 1
}

dunst >"$work/dunst.log" 2>&1 &
dunst_pid=$!
trap 'kill $dunst_pid 2>/dev/null || true' EXIT

served() {
  dbus-send --session --print-reply=literal --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner string:org.freedesktop.Notifications 2>/dev/null |
    grep -q true
}
for _ in $(seq 100); do served && break; sleep 0.1; done
served || fail "dunst did not take over org.freedesktop.Notifications"

# Opening a notification in dunst reaches the open handler.
"$harness" >"$work/harness.out" 2>&1 &
harness_pid=$!
for _ in $(seq 100); do
  [ "$(dunstctl count displayed)" -ge 1 ] && break
  sleep 0.1
done
[ "$(dunstctl count displayed)" -ge 1 ] || fail "the harness's notification is not displayed: $(cat "$work/harness.out")"
dunstctl action 0
status=0
wait "$harness_pid" || status=$?
[ "$status" -eq 0 ] || fail "harness exited with $status: $(cat "$work/harness.out")"
grep -qx opened "$work/harness.out" || fail "not opened: $(cat "$work/harness.out")"
echo "ok: opening the notification in dunst reached the open handler"
