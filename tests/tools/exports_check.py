#!/usr/bin/env python3
"""Checks the GPX and KML exports of vantrel-log with consumers nobody here
wrote: xmllint finds them well formed, and GPSBabel reads back the same
points as the CSV export lists for the epochs with a fix (position, height,
fix type, HDOP, satellites, time; the first and last fix as KML placemarks).

Usage: exports_check.py VANTREL_LOG RECORDING...
"""
import csv
import io
import shutil
import subprocess
import sys
import tempfile
import os

LATLON_TOLERANCE = 1e-6  # GPSBabel writes six decimals
HEIGHT_TOLERANCE = 0.051  # and one for the height


def run(*args):
    r = subprocess.run(args, capture_output=True, timeout=120)
    if r.returncode != 0:
        raise RuntimeError(f"{' '.join(args)} exited {r.returncode}: {r.stderr.decode(errors='replace')}")
    return r.stdout.decode()


def rows(text):
    return list(csv.DictReader(io.StringIO(text)))


def babel(fmt, what, path):
    # unicsv names its columns in a header row; -t reads tracks, -w waypoints.
    return rows(run("gpsbabel", what, "-i", fmt, "-f", path, "-o", "unicsv", "-F", "-"))


def close(a, b, tolerance):
    return abs(float(a) - float(b)) <= tolerance


def same_point(fix, point, problems, where):
    ok = (close(fix["latitude"], point["Latitude"], LATLON_TOLERANCE)
          and close(fix["longitude"], point["Longitude"], LATLON_TOLERANCE)
          and close(fix["altitude_m"], point["Altitude"], HEIGHT_TOLERANCE))
    if not ok:
        problems.append(f"{where}: {point} is not the fix {fix}")


def check(tool, recording, tmp):
    problems = []
    name = os.path.basename(recording)
    fixes = [r for r in rows(run(tool, "csv", recording)) if r["fix_type"] != "none"]
    paths = {}
    for fmt in ("gpx", "kml"):
        paths[fmt] = os.path.join(tmp, f"{name}.{fmt}")
        with open(paths[fmt], "w") as f:
            f.write(run(tool, fmt, recording))
        run("xmllint", "--noout", paths[fmt])

    track = babel("gpx", "-t", paths["gpx"])
    if len(track) != len(fixes):
        problems.append(f"GPX: {len(track)} track points, {len(fixes)} fixes")
    for fix, point in zip(fixes, track):
        same_point(fix, point, problems, "GPX")
        expected_fix = "dgps" if fix["fix_quality"] == "2" else fix["fix_type"].lower()
        if point.get("FIX", "").strip('"') != expected_fix:
            problems.append(f"GPX: fix {point.get('FIX')} for {fix}")
        if not close(point["HDOP"], fix["hdop"], 0.005):
            problems.append(f"GPX: HDOP {point['HDOP']} for {fix['hdop']}")
        if fix["sats_used"] and point.get("Satellites") != fix["sats_used"]:
            problems.append(f"GPX: satellites {point.get('Satellites')} for {fix['sats_used']}")
        if fix["utc_date"]:
            # GPSBabel leaves out milliseconds of zero.
            when = f"{fix['utc_date'].replace('-', '/')} {fix['utc_time']}".removesuffix(".000")
            if f"{point.get('Date')} {point.get('Time')}" != when:
                problems.append(f"GPX: time {point.get('Date')} {point.get('Time')} for {when}")

    line = babel("kml", "-t", paths["kml"])
    expected_line = fixes if len(fixes) >= 2 else []
    if len(line) != len(expected_line):
        problems.append(f"KML: {len(line)} points on the line, {len(expected_line)} expected")
    for fix, point in zip(expected_line, line):
        same_point(fix, point, problems, "KML line")
    marks = babel("kml", "-w", paths["kml"])
    if fixes:
        if [m["Name"] for m in marks] != ["First fix", "Last fix"]:
            problems.append(f"KML placemarks: {[m.get('Name') for m in marks]}")
        else:
            same_point(fixes[0], marks[0], problems, "KML first fix")
            same_point(fixes[-1], marks[1], problems, "KML last fix")
    elif marks:
        problems.append(f"KML without a fix has placemarks {marks}")
    return len(fixes), problems


def main():
    if shutil.which("gpsbabel") is None or shutil.which("xmllint") is None:
        print("gpsbabel and xmllint are needed (scripts/packages.sh installs them)")
        return 1
    tool, recordings = sys.argv[1], sys.argv[2:]
    failed = False
    with tempfile.TemporaryDirectory() as tmp:
        for recording in recordings:
            count, problems = check(tool, recording, tmp)
            for p in problems:
                print(f"FAIL {recording}: {p}")
            failed |= bool(problems)
            print(f"{recording}: {count} fixes read back alike from GPX and KML")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
