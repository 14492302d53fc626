#!/usr/bin/env bash
# Replay soak: MEGABYTES (default 100; CI runs 2) of recorded NMEA played by
# vantrel-sim through its pseudo-terminal at BAUD (default 921600) as fast
# as the line takes it, into the real vantrel on a virtual X server with the
# NMEA log on. The log must be byte for byte the recording.
# Usage: tests/soak/replay.sh [MEGABYTES] [BUILD_DIR] [BAUD]
# Ends with one line: "replay: ... ok" or the failure. Needs Xvfb and xdotool.
set -euo pipefail
cd "$(dirname "$0")/../.."
MEGABYTES=${1:-100}
BUILD=${2:-build}
BAUD=${3:-921600}
for bin in app/vantrel sim/vantrel-sim bench/vantrel-genstream; do
  [ -x "$BUILD/$bin" ] || { echo "replay: build $BUILD/$bin first" >&2; exit 2; }
done
. scripts/lib/xvfb-app.sh

WORK=$(mktemp -d /tmp/vantrel-replay.XXXXXX)
SIM=$WORK/sim
IN=$WORK/recording.nmea
LOG=$WORK/vantrel.nmea
trap 'stop_started; rm -rf "$WORK" "$SIM.sim.out"' EXIT
fail() {
  echo "replay: FAILED: $*"
  exit 1
}

# The synthetic stream carries about 533 bytes a second of recording.
"$BUILD/bench/vantrel-genstream" $((MEGABYTES * 1000000 / 533 + 1)) >"$IN"
SIZE=$(stat -c %s "$IN")

# Held silent until the log is on: the replay waits, nothing is dropped.
start_sim "$SIM" --replay "$IN" --replay-speed max --baud "$BAUD" --silent
start_xvfb
start_app
open_port "$SIM/receiver" "$BAUD"
sleep 3
start_log "$LOG" || fail "logging did not start"
T0=$(date +%s.%N)
C0=$(cpu_ticks)
sim_control "$SIM" "silent off"

# Ten bits a byte, and half as long again for slack.
LIMIT=$((SIZE * 10 / BAUD * 3 / 2 + 30))
WAITED=0
while [ "$(stat -c %s "$LOG")" -lt "$SIZE" ] && [ "$WAITED" -lt "$LIMIT" ]; do
  sleep 1
  WAITED=$((WAITED + 1))
  kill -0 "$APP_PID" 2>/dev/null || fail "vantrel ended"
done
T1=$(date +%s.%N)
C1=$(cpu_ticks)
sleep 1  # anything after the recording would be a fault too
stop_log
HZ=$(getconf CLK_TCK)
CUT=$(sim_stat "$SIM" cut_total)
GOT=$(stat -c %s "$LOG")
[ "$CUT" = 0 ] || fail "the line dropped $CUT sentences: the reader fell behind"
cmp -s "$IN" "$LOG" || fail "the log ($GOT bytes) differs from the recording ($SIZE bytes): $(cmp "$IN" "$LOG" 2>&1 | head -1)"
awk -v size="$SIZE" -v t0="$T0" -v t1="$T1" -v c="$((C1 - C0))" -v hz="$HZ" -v baud="$BAUD" 'BEGIN {
  printf "replay: %.1f MB at %d baud in %.0f s, log byte-identical, CPU %.1f %% of one core, ok\n",
    size / 1e6, baud, t1 - t0, 100 * c / hz / (t1 - t0) }'
