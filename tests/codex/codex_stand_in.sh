#!/bin/bash
# Plays the Codex app server in tests, following the scenario file named by
# BRIMLOW_STAND_IN_SCENARIO, one command a line: read (one input line, which
# is recorded), quiet? (records "quiet" if no more input waits, else
# "pending"), send TEXT (TEXT and a line feed), send-raw TEXT, sleep MS,
# close-stdin, close-stdout (staying alive), exit CODE, hang (until killed).
# In TEXT, \n stands for a line feed. Records go, one a line, to the file
# named by BRIMLOW_STAND_IN_RECORD. bash reads a pipe byte by byte, so
# nothing after a line is taken from it early.
record() { [ -z "${BRIMLOW_STAND_IN_RECORD:-}" ] || printf '%s\n' "$1" >>"$BRIMLOW_STAND_IN_RECORD"; }
[ -n "${BRIMLOW_STAND_IN_SCENARIO:-}" ] || exit 64
while IFS= read -r line <&3; do
  command=${line%% *} text=${line#* }
  text=${text//\\n/$'\n'}
  case $command in
    read) if IFS= read -r got; then record "$got"; else record "<eof>"; fi ;;
    quiet?) if read -r -t 0; then record pending; else record quiet; fi ;;
    send) printf '%s\n' "$text" ;;
    send-raw) printf '%s' "$text" ;;
    sleep) /bin/sleep "$((text / 1000)).$(printf %03d $((text % 1000)))" ;;
    close-stdin) exec 0<&- ;;
    close-stdout) exec 1>&- ;;
    exit) exit "$text" ;;
    hang) exec /bin/sleep infinity ;;
    *) exit 65 ;;
  esac
done 3<"$BRIMLOW_STAND_IN_SCENARIO"
