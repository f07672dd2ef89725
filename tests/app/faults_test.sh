#!/usr/bin/env bash
# The command-line modes against a full disk, read-only directories, logs
# that can't be read or are cut short while being read: each ends with its
# fallback or one clear error line, and leaves every file it writes exactly
# as it was or replaced whole. In a private user and mount namespace, for
# small tmpfs mounts without privileges; skipped (77) where not allowed.
#
# Usage: faults_test.sh BRIMLOW
set -euo pipefail
brimlow=$(realpath "$1")

if [ "${BRIMLOW_IN_NAMESPACE:-}" != 1 ]; then
  unshare -rm true 2>/dev/null || { echo "SKIP: no user namespaces here"; exit 77; }
  BRIMLOW_IN_NAMESPACE=1 exec unshare -rm "$0" "$@"
fi

work=$(mktemp -d /tmp/brimlow-faults.XXXXXX)
trap 'umount "$work/full" "$work/ro" 2>/dev/null; rm -rf "$work"' EXIT
failures=0
# expect WHAT CONDITION: CONDITION (shell text) must hold after the last run.
expect() {
  if eval "$2"; then
    echo "ok: $1"
  else
    echo "FAIL: $1 ($status): $out"
    failures=$((failures + 1))
  fi
}

# run HOME [brimlow arguments...]: sets $out and $status.
run() {
  status=0
  out=$(env -i HOME="$1" PATH="$work/no-bin" XDG_RUNTIME_DIR="$work" ${prefix:-} "$brimlow" "${@:2}" \
    2>&1 <"${stdin:-/dev/null}") || status=$?
}
one_error_line() { # the text it must contain
  [ "$status" -eq 1 ] && [ "$(printf '%s\n' "$out" | wc -l)" -eq 1 ] && [[ $out == *"$1"* ]]
}
line_drawn() { [ "$status" -eq 0 ] && [ "$out" = "Brimlow · Claude 한도 연결" ]; }
settings_are() { [ "$(cat "$home/.claude/settings.json")" = "$1" ]; }

settings='{
  "model": "opus",
  "statusLine": {"type": "command", "command": "printf mine"},
  "hooks": {"Stop": [{"matcher": "", "hooks": []}]}
}'
mkdir -p "$work/no-bin"
echo '{"rate_limits":{"five_hour":{"used_percentage":42,"resets_at":1900000000}}}' >"$work/status.json"
# mount_home DIR [OPTIONS]: a fresh tmpfs home with Claude's settings.
mount_home() {
  home=$work/$1
  mkdir -p "$home"
  mount -t tmpfs ${2:+-o "$2"} tmpfs "$home"
  mkdir -p "$home/.claude" "$home/.local/share"
  printf '%s' "$settings" >"$home/.claude/settings.json"
}
fill() { dd if=/dev/zero of="$home/filler" bs=4k 2>/dev/null || true; }

# --- A full disk ------------------------------------------------------------
mount_home full size=256k
stdin=$work/status.json run "$home" --claude-statusline
cp "$home/.local/share/Brimlow/claude-quota.json" "$work/quota.before"
fill
run "$home" --connect-claude
expect "connect on a full disk: one error line, settings untouched" \
  'one_error_line "No space left on device" && settings_are "$settings"'
stdin=$work/status.json run "$home" --claude-statusline
expect "status line on a full disk: the line is drawn, the last snapshot stays" \
  'line_drawn && cmp -s "$work/quota.before" "$home/.local/share/Brimlow/claude-quota.json"'
expect "full disk: no temporary files left" '! find "$home" -name ".*.??????" | grep .'

# --- Read-only directories --------------------------------------------------
mount_home ro
mount -o remount,ro "$home"
run "$home" --connect-claude
expect "connect with a read-only home: one error line" 'one_error_line "Read-only file system"'
stdin=$work/status.json run "$home" --claude-statusline
expect "status line with a read-only data directory: the line is drawn, settings untouched" \
  'line_drawn && settings_are "$settings"'

# --- A settings file that can't be read -------------------------------------
home=$work/locked
mkdir -p "$home/.claude"
printf '%s' "$settings" >"$home/.claude/settings.json"
chmod 0200 "$home/.claude/settings.json"
# root reads any file; the modes run without that privilege here.
without_override="$(command -v setpriv) --bounding-set=-dac_override,-dac_read_search"
prefix=$without_override run "$home" --connect-claude
expect "connect with an unreadable settings file: one error line, nothing written" \
  'one_error_line "settings.json: Permission denied" && [ "$(ls -A "$home/.claude")" = settings.json ]'

# --- Logs that can't be read, are cut short or change while being read ------
home=$work/logs
today=$(date -u +%Y-%m-%dT%H:%M:%SZ)
codex_line() { # cumulative input tokens
  printf '{"timestamp":"%s","type":"event_msg","payload":{"type":"token_count","info":{"total_token_usage":{"input_tokens":%s,"output_tokens":0}}}}\n' \
    "$today" "$1"
}
mkdir -p "$home/.codex/sessions" "$home/.claude/projects/p"
codex_line 100 >"$home/.codex/sessions/good.jsonl"
codex_line 5000 >"$home/.codex/sessions/locked.jsonl"
chmod 000 "$home/.codex/sessions/locked.jsonl"
{ codex_line 30; codex_line 70 | head -c 40; } >"$home/.codex/sessions/cut.jsonl"
printf '\x28\xb5\x2f\xfd\x04' >"$home/.codex/sessions/cut.jsonl.zst"
prefix=$without_override run "$home" --snapshot
expect "snapshot passes over an unreadable, a cut-off and a broken compressed log" \
  '[ "$status" -eq 0 ] && grep -q "^Codex: 2 usage records; today 130 tokens$" <<<"$out"'

# A log rewritten and truncated over and over while snapshots read it.
big=$home/.codex/sessions/busy.jsonl
for i in $(seq 1 20000); do codex_line "$i"; done >"$work/busy.full"
while :; do cp "$work/busy.full" "$big"; truncate -s 100000 "$big"; : >"$big"; sleep 0.01; done &
writer=$!
bad=0
for _ in $(seq 1 20); do
  run "$home" --snapshot
  { [ "$status" -eq 0 ] && grep -q '^Codex: [0-9]* usage records; today [0-9]* tokens$' <<<"$out"; } ||
    bad=$((bad + 1))
done
kill "$writer"
wait "$writer" 2>/dev/null || true
expect "20 snapshots while a log is truncated under them ($bad failed)" '[ "$bad" -eq 0 ]'

[ "$failures" -eq 0 ] || exit 1
