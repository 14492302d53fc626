#!/usr/bin/env bash
# Measures what the live display costs: starts vantrel-sim flooding the line
# at 115200 baud with every sentence type at every fix, opens its port in
# Vantrel and reports CPU (% of one core), resident memory over time and the
# sentences the simulator sent against those Vantrel decoded.
#
#   scripts/measure-live.sh [--build DIR] [--seconds N] [--samples 60,300]
#                           [--platform offscreen|xvfb] [--app [--atspi]]
#                           [--page status]
#
#   (default)  bench/live_cost: the window built in-process, port opened
#              through its controls, CPU and RSS read from /proc/self, and
#              the sentence count checked against the simulator's stats.
#   --app      the real vantrel binary on a virtual X server, driven with
#              xdotool (port typed into the list, Open clicked), measured
#              from /proc/<pid>/stat and /proc/<pid>/status.
#   --atspi    with --app: a private session bus, the accessibility bus and a
#              listener registered for text, value and name changes, as a
#              screen reader is; the events it heard are counted.
#
# Needs a build with live_cost, vantrel and vantrel-sim (RelWithDebInfo for
# meaningful figures); --app and --platform xvfb need Xvfb and xdotool.
set -euo pipefail
SELF=$(realpath "$0")
cd "$(dirname "$0")/.."

BUILD=build
SECONDS_TO_RUN=60
SAMPLES=""
PLATFORM=offscreen
APP=0
ATSPI=0
PAGE=status
ARGS=("$@")
while [ $# -gt 0 ]; do
  case "$1" in
    --build) BUILD=$2; shift 2 ;;
    --seconds) SECONDS_TO_RUN=$2; shift 2 ;;
    --samples) SAMPLES=$2; shift 2 ;;
    --platform) PLATFORM=$2; shift 2 ;;
    --app) APP=1; shift ;;
    --atspi) ATSPI=1; shift ;;
    --page) PAGE=$2; shift 2 ;;
    *) echo "measure-live: unknown option $1" >&2; exit 2 ;;
  esac
done

. scripts/lib/xvfb-app.sh
SIM_DIR=$(mktemp -d /tmp/vantrel-live.XXXXXX)
trap 'stop_started; rm -rf "$SIM_DIR" "$SIM_DIR.sim.out"' EXIT

start_sim "$SIM_DIR" --baud 115200 --flood --all-rates 1 --chn-rate 1 || exit 1

if [ "$APP" = 0 ]; then
  if [ "$PLATFORM" = xvfb ]; then
    start_xvfb || exit 1
    export QT_QPA_PLATFORM=xcb
  else
    export QT_QPA_PLATFORM=offscreen
  fi
  "$BUILD/bench/live_cost" --port "$SIM_DIR/receiver" --baud 115200 --seconds "$SECONDS_TO_RUN" \
    --sim-dir "$SIM_DIR" --page "$PAGE" ${SAMPLES:+--samples "$SAMPLES"}
  exit $?
fi

# The real program, as a user runs it.
start_xvfb || exit 1
if [ "$ATSPI" = 1 ]; then
  # A bus of our own, so no desktop session's reader is disturbed.
  if [ -z "${VANTREL_PRIVATE_BUS:-}" ]; then
    trap - EXIT
    stop_started
    rm -rf "$SIM_DIR" "$SIM_DIR.sim.out"
    VANTREL_PRIVATE_BUS=1 exec dbus-run-session -- bash "$SELF" "${ARGS[@]}"
  fi
  /usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
  PIDS+=($!)
  sleep 1
  /usr/bin/python3 scripts/lib/atspi-listen.py >"$SIM_DIR.atspi" 2>&1 &
  LISTENER=$!
  PIDS+=($LISTENER)
  for _ in $(seq 50); do grep -q listening "$SIM_DIR.atspi" 2>/dev/null && break; sleep 0.1; done
  export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
fi
start_app || exit 1
open_port "$SIM_DIR/receiver" 115200
sleep 4  # the queries of the open and their replies
# What the line dropped before the port was open is nobody's loss: count from here.
sim_control "$SIM_DIR" reset-stats

HZ=$(getconf CLK_TCK)
T0=$(date +%s.%N)
C0=$(cpu_ticks)
echo "rss_kib at 0 s: $(rss_kib)"
DONE=0
for MARK in ${SAMPLES//,/ } "$SECONDS_TO_RUN"; do
  [ "$MARK" -gt "$DONE" ] && [ "$MARK" -le "$SECONDS_TO_RUN" ] || continue
  sleep $((MARK - DONE))
  DONE=$MARK
  kill -0 "$APP_PID" 2>/dev/null || { echo "measure-live: vantrel ended" >&2; exit 1; }
  T=$(date +%s.%N)
  C=$(cpu_ticks)
  echo "at $MARK s: rss_kib $(rss_kib), cpu $(awk -v c="$((C - C0))" -v hz="$HZ" -v t0="$T0" -v t="$T" 'BEGIN { printf "%.2f", 100 * c / hz / (t - t0) }') % of one core"
done
sim_control "$SIM_DIR" stats
sleep 0.3
grep -E '^(sent_total|cut_total|garbled_total) ' "$SIM_DIR/stats" || true
if [ "$ATSPI" = 1 ]; then
  kill -TERM "$LISTENER" 2>/dev/null
  wait "$LISTENER" 2>/dev/null || true
  grep "^atspi events" "$SIM_DIR.atspi" || echo "atspi: the listener heard nothing"
  rm -f "$SIM_DIR.atspi"
fi
