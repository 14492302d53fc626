#!/usr/bin/env python3
"""Checks the GPX and KML exports of vantrel-log with consumers nobody here
wrote: xmllint finds them well formed, and GPSBabel reads back the same
points as the CSV export lists for the epochs with a fix (position, height
above sea level, fix, HDOP, satellites, time; the KML track with the time of
every point, the first and last fix as placemarks). A copy of each
recording under a name with a control character and a byte that is not
UTF-8 gives well-formed documents too.

Usage: exports_check.py VANTREL_LOG RECORDING...
"""
import csv
import io
import shutil
import subprocess
import sys
import tempfile
import os
import re

LATLON_TOLERANCE = 1e-6  # GPSBabel writes six decimals
HEIGHT_TOLERANCE = 0.051  # and one for the height
ELE_TOLERANCE = 0.01  # GPSBabel's own GPX keeps the height as the GGA wrote it: to 1 cm


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
    height = fix["altitude_msl_m"]
    ok = (close(fix["latitude"], point["Latitude"], LATLON_TOLERANCE)
          and close(fix["longitude"], point["Longitude"], LATLON_TOLERANCE)
          and (close(height, point["Altitude"], HEIGHT_TOLERANCE) if height
               else not point.get("Altitude")))
    if not ok:
        problems.append(f"{where}: {point} is not the fix {fix}")


def same_time(fix, point, problems, where):
    if fix["utc_date"] and fix["utc_time"]:
        # GPSBabel leaves out milliseconds of zero.
        when = f"{fix['utc_date'].replace('-', '/')} {fix['utc_time']}".removesuffix(".000")
        if f"{point.get('Date')} {point.get('Time')}" != when:
            problems.append(f"{where}: time {point.get('Date')} {point.get('Time')} for {when}")


def check(tool, recording, tmp):
    problems = []
    name = os.path.basename(recording)
    fixes = [r for r in rows(run(tool, "csv", recording)) if r["fix_type"] != "none" and r["latitude"]]
    paths = {}
    odd = os.path.join(tmp.encode(), b"odd\x01\xff" + name.encode())
    shutil.copyfile(recording, odd)
    for fmt in ("gpx", "kml"):
        paths[fmt] = os.path.join(tmp, f"{name}.{fmt}")
        with open(paths[fmt], "w") as f:
            f.write(run(tool, fmt, recording))
        run("xmllint", "--noout", paths[fmt])
        odd_out = os.path.join(tmp, f"odd.{fmt}")
        with open(odd_out, "wb") as f:
            f.write(subprocess.run([tool, fmt, odd], capture_output=True, check=True).stdout)
        run("xmllint", "--noout", odd_out)

    track = babel("gpx", "-t", paths["gpx"])
    if len(track) != len(fixes):
        problems.append(f"GPX: {len(track)} track points, {len(fixes)} fixes")
    for fix, point in zip(fixes, track):
        same_point(fix, point, problems, "GPX")
        quality = fix["fix_quality"]
        expected_fix = ("dgps" if quality in ("2", "4", "5") else "pps" if quality == "3"
                        else fix["fix_type"].lower())
        if point.get("FIX", "").strip('"') != expected_fix:
            problems.append(f"GPX: fix {point.get('FIX')} for {fix}")
        if fix["hdop"] and not close(point["HDOP"], fix["hdop"], 0.005):
            problems.append(f"GPX: HDOP {point['HDOP']} for {fix['hdop']}")
        if fix["sats_used"] and point.get("Satellites") != fix["sats_used"]:
            problems.append(f"GPX: satellites {point.get('Satellites')} for {fix['sats_used']}")
        same_time(fix, point, problems, "GPX")

    # Unicsv rounds heights to a decimetre; GPSBabel's GPX output keeps them.
    eles = re.findall(r"<ele>([^<]*)</ele>", run("gpsbabel", "-t", "-i", "gpx", "-f", paths["gpx"], "-o", "gpx", "-F", "-"))
    heights = [f["altitude_msl_m"] for f in fixes if f["altitude_msl_m"]]
    if len(eles) != len(heights) or any(not close(a, b, ELE_TOLERANCE) for a, b in zip(eles, heights)):
        problems.append(f"GPX: GPSBabel reads heights {eles}, the GGA altitudes are {heights}")

    line = babel("kml", "-t", paths["kml"])
    expected_line = fixes
    if len(line) != len(expected_line):
        problems.append(f"KML: {len(line)} points on the line, {len(expected_line)} expected")
    for fix, point in zip(expected_line, line):
        same_point(fix, point, problems, "KML line")
        same_time(fix, point, problems, "KML line")
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
