#!/usr/bin/env python3
"""Checks the figures of vantrel-log csv and stats against an independent
computation in double precision over the GGA fixes of each recording:

- every CSV position equals the GGA's text to 1e-8 degree and its height is
  the GGA altitude; quality and its name are the GGA's;
- the epochs with a fix are those whose GGA quality is above 0;
- CEP50, CEP95 and 2DRMS around the mean agree within 2 % or 2 mm. Here the
  offsets go through earth-centred coordinates and a rotation to east and
  north, not the tool's radii of curvature.

Usage: evaluation_check.py VANTREL_LOG RECORDING...
"""
import csv
import io
import json
import math
import subprocess
import sys

A = 6378137.0
E2 = 6.69437999014e-3
NAMES = ["no fix", "SPS", "DGPS", "PPS", "RTK fixed", "RTK float", "dead reckoning", "manual", "simulated"]


def checksum_ok(line):
    if not line.startswith("$") or "*" not in line:
        return False
    body, _, digits = line[1:].partition("*")
    x = 0
    for c in body:
        x ^= ord(c)
    try:
        return len(digits) >= 2 and int(digits[:2], 16) == x
    except ValueError:
        return False


def degrees(text, hemisphere, negative):
    dot = text.index(".") if "." in text else len(text)
    value = int(text[:dot - 2]) + float(text[dot - 2:]) / 60
    return -value if hemisphere == negative else value


def gga_fixes(path):
    """(time text, latitude, longitude, altitude or None, quality) of every GGA."""
    out = []
    with open(path, "rb") as f:
        for raw in f.read().decode("latin-1").splitlines():
            line = raw.strip()
            if len(line) < 7 or line[3:6] != "GGA" or not checksum_ok(line):
                continue
            fields = line.split("*")[0].split(",")
            if len(fields) < 10 or not fields[6]:
                continue
            q = int(fields[6])
            lat = degrees(fields[2], fields[3], "S") if fields[2] else None
            lon = degrees(fields[4], fields[5], "W") if fields[4] else None
            alt = float(fields[9]) if fields[9] else None
            out.append((fields[1], lat, lon, alt, q))
    return out


def ecef(lat, lon, h=0.0):
    la, lo = math.radians(lat), math.radians(lon)
    n = A / math.sqrt(1 - E2 * math.sin(la) ** 2)
    return ((n + h) * math.cos(la) * math.cos(lo), (n + h) * math.cos(la) * math.sin(lo),
            (n * (1 - E2) + h) * math.sin(la))


def enu(origin, p):
    x0, y0, z0 = ecef(*origin)
    x, y, z = ecef(*p)
    dx, dy, dz = x - x0, y - y0, z - z0
    la, lo = math.radians(origin[0]), math.radians(origin[1])
    east = -math.sin(lo) * dx + math.cos(lo) * dy
    north = -math.sin(la) * math.cos(lo) * dx - math.sin(la) * math.sin(lo) * dy + math.cos(la) * dz
    return east, north


def quantile(values, q):
    v = sorted(values)
    h = (len(v) - 1) * q
    k = math.floor(h)
    return v[k] if k + 1 >= len(v) else v[k] + (h - k) * (v[k + 1] - v[k])


def run(tool, *args):
    return subprocess.run([tool, *args], capture_output=True, check=True, timeout=60).stdout.decode()


def check(tool, path):
    problems = []
    ggas = gga_fixes(path)
    fixes = [g for g in ggas if g[4] > 0 and g[1] is not None]
    rows = [r for r in csv.DictReader(io.StringIO(run(tool, "csv", path))) if r["latitude"]]
    if len(rows) != len(fixes):
        problems.append(f"{len(rows)} CSV positions, {len(fixes)} GGA fixes")
    for (time, lat, lon, alt, q), row in zip(fixes, rows):
        if abs(float(row["latitude"]) - lat) > 1e-8 or abs(float(row["longitude"]) - lon) > 1e-8:
            problems.append(f"{time}: CSV {row['latitude']},{row['longitude']} for {lat},{lon}")
        if (float(row["altitude_msl_m"]) if row["altitude_msl_m"] else None) != alt:
            problems.append(f"{time}: CSV height {row['altitude_msl_m']} for {alt}")
        if row["fix_quality"] != str(q) or row["fix_quality_name"] != NAMES[q]:
            problems.append(f"{time}: quality {row['fix_quality']} {row['fix_quality_name']} for {q}")
    stats = json.loads(run(tool, "stats", "--json", path))
    if stats["fix_epochs"] != sum(1 for g in ggas if g[4] > 0):
        problems.append(f"{stats['fix_epochs']} epochs with a fix, {sum(1 for g in ggas if g[4] > 0)} GGA above 0")
    if fixes:
        mean = (sum(f[1] for f in fixes) / len(fixes), sum(f[2] for f in fixes) / len(fixes))
        d = [math.hypot(*enu(mean, (f[1], f[2]))) for f in fixes]
        ours = {"cep50_m": quantile(d, 0.5), "cep95_m": quantile(d, 0.95),
                "drms2_m": 2 * math.sqrt(sum(x * x for x in d) / len(d))}
        for name, value in ours.items():
            tool_value = stats["scatter"][name]
            if abs(tool_value - value) > max(0.002, 0.02 * value):
                problems.append(f"{name} {tool_value} for {value:.4f}")
        print(f"{path}: {len(fixes)} fixes; CEP50 {stats['scatter']['cep50_m']} ({ours['cep50_m']:.4f}), "
              f"CEP95 {stats['scatter']['cep95_m']} ({ours['cep95_m']:.4f}), "
              f"2DRMS {stats['scatter']['drms2_m']} ({ours['drms2_m']:.4f}) m")
    return problems


def main():
    tool, failed = sys.argv[1], False
    for path in sys.argv[2:]:
        for p in check(tool, path):
            print(f"FAIL {path}: {p}")
            failed = True
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
