#!/usr/bin/env bash
# Tries Vantrel without hardware: installs what is missing (Debian 12), builds
# Vantrel and vantrel-sim, starts the simulated receiver module and opens
# Vantrel. Pick /tmp/vantrel-sim/receiver in the port list (38400 baud) and
# press Open. Closing the window stops the simulator and removes its links.
#
# Arguments go to the simulator, e.g.  bash scripts/demo.sh --fix-rate 5
# (see build/sim/vantrel-sim --help). While it runs, its control FIFO takes
# actions such as:  echo fault > /tmp/vantrel-sim/control
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
install_missing_packages

BUILD=${VANTREL_DEMO_BUILD:-build}
SIM_DIR=/tmp/vantrel-sim

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
  echo "demo: no display here; running Vantrel on a virtual X server (xvfb-run)" >&2
  xvfb-run -a "$BUILD/app/vantrel"
else
  "$BUILD/app/vantrel"
fi
