#!/usr/bin/env bash
# Hang-up soak: the simulated module is killed while the window streams from
# it, the window says so and closes, a new module starts and Open streams
# again; CYCLES times (default 1000, a short form is 20). Each cycle must be
# told within two seconds, in the words of the window's message ("The
# receiver was disconnected (PORT). ..."), and no descriptor may be left
# behind. Then, the
# module gone for good, the window idles IDLE seconds (default 30) and must
# cost under 2 % of one core meanwhile.
# Usage: tests/soak/hangup.sh [CYCLES] [BUILD_DIR] [IDLE]
# Ends with one line: "hangup: CYCLES cycles in S s, ... ok" or the failure.
set -euo pipefail
cd "$(dirname "$0")/../.."
CYCLES=${1:-1000}
BUILD=${2:-build}
IDLE=${3:-30}
test_bin="$BUILD/tests/ui/form_disconnect_tests"
[ -x "$test_bin" ] || { echo "hangup: build $test_bin first (cmake --build $BUILD)" >&2; exit 2; }
# Beside the build, so that two checkouts soaking at once keep their own.
log="$BUILD/hangup-soak.log"
start=$(date +%s.%N)
if VANTREL_HANGUP_CYCLES="$CYCLES" VANTREL_HANGUP_IDLE_SECONDS="$IDLE" QT_QPA_PLATFORM=offscreen "$test_bin" \
     --gtest_filter='FormDisconnectSim.*' >"$log" 2>&1; then
  cpu=$(awk '/^hung-up cpu:/ { print $3 }' "$log")
  right=$(awk '/^hangup messages:/ { print $3 }' "$log")
  text=$(sed -n 's/^hangup messages: [0-9]* of [0-9]* right: //p' "$log")
  if [ "$right" != "$CYCLES" ] || [[ "$text" != "The receiver was disconnected ("*"). The port is closed; press Open once it is back." ]]; then
    echo "hangup: FAILED: ${right:-no} of $CYCLES messages right, the last: ${text:-none} (log: $log)"
    exit 1
  fi
  if [ -z "$cpu" ] || awk -v c="$cpu" 'BEGIN { exit !(c >= 2) }'; then
    echo "hangup: FAILED: ${cpu:-no} % of one core while hung up (log: $log)"
    exit 1
  fi
  awk -v c="$CYCLES" -v s="$start" -v e="$(date +%s.%N)" -v cpu="$cpu" -v idle="$IDLE" \
    'BEGIN { printf "hangup: %d cycles in %.1f s, each told in the right words, then %s %% of one core hung up for %d s, ok\n", c, e - s - idle, cpu, idle }'
else
  tail -n 20 "$log" >&2
  printf 'hangup: FAILED within %d cycles (log: %s)\n' "$CYCLES" "$log"
  exit 1
fi
