#!/usr/bin/env bash
# Hang-up soak: the simulated module is killed while the window streams from
# it, the window says so and closes, a new module starts and Open streams
# again; CYCLES times (default 1000, a short form is 20). Each cycle must be
# told within two seconds and no descriptor may be left behind.
# Usage: tests/soak/hangup.sh [CYCLES] [BUILD_DIR]
# Ends with one line: "hangup: CYCLES cycles in S s, ok" or the failure.
set -euo pipefail
cd "$(dirname "$0")/../.."
CYCLES=${1:-1000}
BUILD=${2:-build}
test_bin="$BUILD/tests/ui/form_disconnect_tests"
[ -x "$test_bin" ] || { echo "hangup: build $test_bin first (cmake --build $BUILD)" >&2; exit 2; }
start=$(date +%s.%N)
if VANTREL_HANGUP_CYCLES="$CYCLES" QT_QPA_PLATFORM=offscreen "$test_bin" \
     --gtest_filter='FormDisconnectSim.*' >"/tmp/vantrel-hangup-soak.log" 2>&1; then
  awk -v c="$CYCLES" -v s="$start" -v e="$(date +%s.%N)" 'BEGIN { printf "hangup: %d cycles in %.1f s, ok\n", c, e - s }'
else
  tail -n 20 /tmp/vantrel-hangup-soak.log >&2
  printf 'hangup: FAILED within %d cycles (log: /tmp/vantrel-hangup-soak.log)\n' "$CYCLES"
  exit 1
fi
