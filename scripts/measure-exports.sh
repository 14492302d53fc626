#!/usr/bin/env bash
# vantrel-log gpx and stats against GPSBabel's NMEA-to-GPX conversion of the
# same recording, side by side: a synthetic 1 Hz stream of about 45 MB
# (vantrel-genstream 85000), each program run alternately RUNS times
# (default 3), CPU time by perf's task-clock and wall time. Needs a build
# with the bench targets in build/. Usage: scripts/measure-exports.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
build/bench/vantrel-genstream 85000 > "$dir/rec.nma"
echo "recording: $(stat -c %s "$dir/rec.nma") bytes; load: $(cut -d' ' -f1-3 /proc/loadavg)"
measure() {
  local label=$1; shift
  perf stat -x, -e task-clock "$@" 2>&1 >/dev/null | awk -F, -v l="$label" '/task-clock/ {printf "%-10s %8.0f ms CPU\n", l, $1}'
}
for i in $(seq "$runs"); do
  measure gpsbabel gpsbabel -i nmea -f "$dir/rec.nma" -o gpx -F "$dir/babel.gpx"
  measure gpx build/tools/vantrel-log gpx "$dir/rec.nma"
  measure stats build/tools/vantrel-log stats "$dir/rec.nma"
done
