#!/bin/sh
# The writer control's stop signals, on the built program: started with
# SIGHUP ignored it keeps running when SIGHUP comes, and SIGTERM ends it.
#   stop_signals_test.sh FUSELOK
set -eu
fuselok=$1

. "$(dirname "$0")/common.sh"

# Started as nohup starts it, with SIGHUP ignored, the writer control keeps
# running when SIGHUP comes; SIGTERM ends it, by that signal (143 here). It is
# up once it catches SIGTERM (bit 14 of SigCgt). A process that ended stays a
# zombie (state Z) until it is waited for.
running() {
    state=$(sed -n 's/^State:[[:space:]]*\(.\).*/\1/p' "/proc/$1/status" 2>/dev/null || true)
    [ -n "$state" ] && [ "$state" != Z ]
}
catches_term() {
    caught=$(sed -n 's/^SigCgt:[[:space:]]*//p' "/proc/$1/status" 2>/dev/null | tail -c 9)
    [ -n "$caught" ] && [ $((0x$caught & 0x4000)) -ne 0 ]
}
stop_and_fail() {
    kill -KILL "$pid" 2>/dev/null || true
    fail "$@"
}
mkdir -m 700 "$work/signals"
(
    trap '' HUP
    exec env FUSELOK_STANDIN=1 QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work/signals" \
        "$fuselok" >"$work/signals.log" 2>&1
) &
pid=$!
tries=0
until catches_term "$pid"; do
    running "$pid" && [ $tries -lt 100 ] ||
        stop_and_fail "fuselok did not start: $(cat "$work/signals.log")"
    sleep 0.1
    tries=$((tries + 1))
done
kill -HUP "$pid"
sleep 1
running "$pid" || fail "fuselok started with SIGHUP ignored ended on SIGHUP"
kill -TERM "$pid"
tries=0
while running "$pid"; do
    [ $tries -lt 100 ] || stop_and_fail "fuselok did not end on SIGTERM"
    sleep 0.1
    tries=$((tries + 1))
done
status=0
wait "$pid" || status=$?
[ $status -eq 143 ] || fail "fuselok ended on SIGTERM with status $status, not 143"
echo "stop signals checked on $fuselok"
