#!/usr/bin/env bash
# Tries Vantrel without hardware: installs what is missing (Debian 12), builds
# Vantrel and vantrel-sim, starts the simulated receiver module and opens
# Vantrel. Pick SIM_DIR/receiver in the port list (38400 baud) and press
# Open; SIM_DIR is the simulator's own default, which the window lists:
# $XDG_RUNTIME_DIR/vantrel-sim, or /tmp/vantrel-sim-UID without it. Closing the window stops the simulator and removes its links.
#
# Arguments go to the simulator, e.g.  bash scripts/demo.sh --fix-rate 5
# (see build/sim/vantrel-sim --help). While it runs, its control FIFO takes
# actions such as:  echo fault > SIM_DIR/control
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
install_missing_packages

BUILD=${VANTREL_DEMO_BUILD:-build}
if [ -n "${XDG_RUNTIME_DIR:-}" ] && [ "${XDG_RUNTIME_DIR#/}" != "$XDG_RUNTIME_DIR" ]; then
  SIM_DIR=$XDG_RUNTIME_DIR/vantrel-sim
else
  SIM_DIR=/tmp/vantrel-sim-$(id -u)
fi

cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTREL_BUILD_GUI=ON
cmake --build "$BUILD" -j"$(nproc)" --target vantrel vantrel-sim

"$BUILD/sim/vantrel-sim" --dir "$SIM_DIR" "$@" &
SIM_PID=$!
stop_sim() {
  kill -TERM "$SIM_PID" 2>/dev/null || true
  wait "$SIM_PID" 2>/dev/null || true
}
trap stop_sim EXIT

for _ in $(seq 100); do
  [ -e "$SIM_DIR/receiver" ] && break
  kill -0 "$SIM_PID" 2>/dev/null || { echo "demo: the simulator did not start" >&2; exit 1; }
  sleep 0.1
done
[ -e "$SIM_DIR/receiver" ] || { echo "demo: no $SIM_DIR/receiver after 10 s" >&2; exit 1; }
echo "demo: simulated receiver on $SIM_DIR/receiver (38400 baud), signal generator on $SIM_DIR/generator"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  if [ "${VANTREL_DEMO_XVFB:-}" = 1 ]; then
    # Asked for: a window nobody sees, for screenshots and scripted clicks.
    xvfb-run -a "$BUILD/app/vantrel"
  else
    echo "demo: Vantrel is a window and needs a display, and there is none here" >&2
    echo "demo: (DISPLAY and WAYLAND_DISPLAY are not set). Run this from a desktop" >&2
    echo "demo: session, or over ssh -X; VANTREL_DEMO_XVFB=1 runs it on an invisible one." >&2
    exit 1
  fi
else
  "$BUILD/app/vantrel"
fi
