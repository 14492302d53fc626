#!/usr/bin/env bash
# Commands soak: the window presses every setting, query and restart button
# REPEATS times (default 100, about half an hour; a short form is 3, about a
# minute) against the simulated module streaming every sentence at every
# fix, five fixes a second at 115200 baud.
# Every acknowledgement the module sent (its commands.log) must have been
# reported by the window (message, restart time, reopen at the new rate),
# and no sentence may be lost while commands come and go.
# Usage: tests/soak/commands.sh [REPEATS] [BUILD_DIR]
# Ends with one line: "commands: ... in S s, ok" or the failure.
set -euo pipefail
cd "$(dirname "$0")/../.."
REPEATS=${1:-100}
BUILD=${2:-build}
test_bin="$BUILD/tests/ui/form_soak_tests"
# Beside the build, so that two checkouts soaking at once keep their own.
log="$BUILD/commands-soak.log"
[ -x "$test_bin" ] || { echo "commands: build $test_bin first (cmake --build $BUILD --target form_soak_tests)" >&2; exit 2; }
start=$(date +%s.%N)
if VANTREL_COMMANDS_REPEATS="$REPEATS" QT_QPA_PLATFORM=offscreen "$test_bin" \
     --gtest_filter='FormCommandsSoak.*' >"$log" 2>&1; then
  figures=$(grep -m1 '^commands: ' "$log")
  awk -v f="$figures" -v s="$start" -v e="$(date +%s.%N)" 'BEGIN { printf "%s, in %.1f s, ok\n", f, e - s }'
else
  tail -n 30 "$log" >&2
  printf 'commands: FAILED within %d repeats (log: %s)\n' "$REPEATS" "$log"
  exit 1
fi
