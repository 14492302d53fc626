#!/usr/bin/env bash
# vantrel-log report on synthetic 1 Hz recordings of about 10 MB and 100 MB
# (vantrel-genstream 19000 and 190000) and on 90 MB of noisy fixes (SPS and
# DGPS scattered by metres, twelve satellites: the most marks to draw):
# wall time, peak memory (maximum resident set) and the size of the page. The targets: under 10 s and an
# HTML file under 5 MB for 100 MB, and the same memory for both. Needs a
# build with the bench targets in build/. Usage: scripts/measure-report.sh
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
noisy() {
  python3 - "$1" <<'PY'
import random, sys
random.seed(1)
def nmea(b):
    c = 0
    for ch in b:
        c ^= ord(ch)
    return f"${b}*{c:02X}\r\n"
buf = []
for k in range(int(sys.argv[1])):
    sec = k % 86400
    t = f"{sec // 3600:02d}{sec // 60 % 60:02d}{sec % 60:02d}.00"
    q = 1 if (k // 500) % 3 else 2
    s = 2.0 if q == 1 else 0.8
    lat = 48.1173 + random.gauss(0, s) / 111195
    lon = 11.5167 + random.gauss(0, s) / 74000
    la = f"{int(lat):02d}{(lat - int(lat)) * 60:07.4f}"
    lo = f"{int(lon):03d}{(lon - int(lon)) * 60:07.4f}"
    buf.append(nmea(f"GPGGA,{t},{la},N,{lo},E,{q},08,0.9,{519 + random.gauss(0, 3):.2f},M,47.0,M,,"))
    for g in range(3):
        sats = ",".join(f"{p:02d},{(p * 7 + k // 600) % 90:02d},{(p * 37 + k // 300) % 360:03d},{30 + (p + k // 50) % 20:02d}"
                        for p in range(g * 4 + 1, g * 4 + 5))
        buf.append(nmea(f"GPGSV,3,{g + 1},12,{sats}"))
    if len(buf) > 4000:
        sys.stdout.write("".join(buf))
        buf = []
sys.stdout.write("".join(buf))
PY
}
for input in "genstream 19000" "genstream 190000" "noisy 320000"; do
  set -- $input
  if [ "$1" = genstream ]; then build/bench/vantrel-genstream "$2" > "$dir/rec.nma"; else noisy "$2" > "$dir/rec.nma"; fi
  /usr/bin/time -f "%e %M" -o "$dir/time" build/tools/vantrel-log report "$dir/rec.nma" -o "$dir/rec.html" --force
  read -r seconds kb < "$dir/time"
  printf '%-17s %10d bytes in: %6.2f s, %6d KB peak memory, page %8d bytes\n' "$input" \
    "$(stat -c %s "$dir/rec.nma")" "$seconds" "$kb" "$(stat -c %s "$dir/rec.html")"
done
