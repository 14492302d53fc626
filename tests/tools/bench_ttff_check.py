#!/usr/bin/env python3
"""vantrel-bench ttff as a script runs it: three simulated receivers with
different cold-start times in one command, the CSV with a row per run, the
--json summary against the configured times, and the exit status against
--limit (0 when every receiver is within it, 1 when one is not), and
Ctrl-C ending a campaign with the summary of the runs it made. The CSV is
written only when asked, never over a file without --force, and holds a row
for the runs a receiver that went away could not make. A receiver that goes
away before its first fix has no figures at all: null in the
JSON, empty times in the CSV, the reason in each and in the text table.

Usage: bench_ttff_check.py VANTREL_BENCH VANTREL_SIM
"""
import csv
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

import simulators

FIX_RATE = 5
TICK_MS = 1000 // FIX_RATE
SLACK_MS = 150  # the epoch on the line at 38400 baud, two busy cores
RUNS = 4
TTFF_S = [1, 2, 3]


def main():
    bench, sim = sys.argv[1], sys.argv[2]
    root = tempfile.mkdtemp(prefix="vantrel-bench-check-")
    failures = []
    sims, ports = simulators.start(sim, root, [["--fix-rate", str(FIX_RATE), "--ttff-cold", str(t)] for t in TTFF_S])
    try:

        def run(limit, csv_path, *more):
            args = [bench, "ttff", "--kind", "cold", "--runs", str(RUNS), "--json", "--csv", csv_path,
                    f"--limit={limit}", *more]
            for p in ports:
                args += ["--port", p]
            return subprocess.run(args, capture_output=True, text=True, timeout=120, cwd=root)

        csv_path = os.path.join(root, "runs.csv")
        # Every receiver within the limit: exit 0.
        result = run(max(TTFF_S) + 1, csv_path)
        if result.returncode != 0:
            failures.append(f"exit {result.returncode} with every receiver within the limit: {result.stderr}")
        summary = json.loads(result.stdout)
        rows = list(csv.DictReader(open(csv_path)))
        if len(rows) != RUNS * len(ports):
            failures.append(f"{len(rows)} CSV rows, expected {RUNS * len(ports)}")
        if any(r["kind"] != "cold" or not r["time_utc"].endswith("Z") for r in rows):
            failures.append(f"CSV rows without kind or time: {rows[0]}")
        for port, ttff in zip(ports, TTFF_S):
            lo, hi = ttff * 1000, ttff * 1000 + TICK_MS + SLACK_MS
            mine = [r for r in rows if r["port"] == port]
            times = sorted(int(r["ttff_ms"]) for r in mine if r["ttff_ms"])
            if len(times) != RUNS:
                failures.append(f"{port}: {len(times)} timed runs of {RUNS}")
            if any(t < lo or t > hi for t in times):
                failures.append(f"{port}: times {times} outside {lo}..{hi} ms")
            rx = [r for r in summary["receivers"] if r["port"] == port][0]
            if (rx["min_ms"], rx["max_ms"]) != (times[0], times[-1]) or rx["failures"] != 0 or not rx["pass"]:
                failures.append(f"{port}: summary {rx} does not match the CSV {times}")
        if not summary["pass"]:
            failures.append("summary does not pass")

        # The results are there: refused without --force.
        result = run(max(TTFF_S) + 1, csv_path)
        if result.returncode != 2 or "--force" not in result.stderr or len(list(open(csv_path))) != len(rows) + 1:
            failures.append(f"an existing CSV: exit {result.returncode} {result.stderr!r}")

        # The slowest receiver over the limit: exit 1, the others still pass.
        result = run(max(TTFF_S) - 0.5, csv_path, "--force")
        if result.returncode != 1:
            failures.append(f"exit {result.returncode} with a receiver over the limit, expected 1")
        summary = json.loads(result.stdout)
        verdicts = [r["pass"] for r in summary["receivers"]]
        if verdicts != [True, True, False] or summary["pass"] or \
                [r["failure"] for r in summary["receivers"]] != [None, None, "over the limit"]:
            failures.append(f"verdicts {verdicts} with the slowest receiver over the limit")

        # Ctrl-C mid-campaign: the summary of the runs made, no pass, exit 1.
        csv_path = os.path.join(root, "interrupted.csv")
        args = [bench, "ttff", "--kind=cold", "--runs=50", "--json", f"--csv={csv_path}", f"--port={ports[0]}"]
        proc = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, cwd=root)
        deadline = time.monotonic() + 30
        while (not os.path.exists(csv_path) or len(list(csv.DictReader(open(csv_path)))) < 1) \
                and time.monotonic() < deadline:
            time.sleep(0.1)
        proc.send_signal(signal.SIGINT)
        out, err = proc.communicate(timeout=10)
        rows = list(csv.DictReader(open(csv_path)))
        if proc.returncode != 1:
            failures.append(f"exit {proc.returncode} after Ctrl-C, expected 1: {err}")
        try:
            rx = json.loads(out)["receivers"][0]
            if rx["failure"] != "interrupted" or rx["pass"] or rx["runs"] != len(rows) or rx["failures"] != 0:
                failures.append(f"summary after Ctrl-C {rx} with {len(rows)} CSV rows")
        except (ValueError, KeyError, IndexError):
            failures.append(f"no summary after Ctrl-C: {out!r}")

        # Without --csv, nothing is written.
        before = set(os.listdir(root))
        result = subprocess.run([bench, "ttff", "--kind", "hot", "--runs", "1", "--port", ports[0]],
                                capture_output=True, text=True, timeout=60, cwd=root)
        if result.returncode != 0 or set(os.listdir(root)) != before:
            failures.append(f"without --csv: exit {result.returncode}, files {set(os.listdir(root)) - before}")

        # A receiver gone after its first run: a row for each of the runs it
        # could not make.
        csv_path = os.path.join(root, "lost.csv")
        proc = subprocess.Popen([bench, "ttff", "--kind", "cold", "--runs", "3", "--csv", csv_path, "--port", ports[2]],
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, cwd=root)
        deadline = time.monotonic() + 30
        while (not os.path.exists(csv_path) or len(list(open(csv_path))) < 2) and time.monotonic() < deadline:
            time.sleep(0.05)
        sims[2].terminate()
        out, err = proc.communicate(timeout=30)
        rows = list(csv.DictReader(open(csv_path)))
        lost = [r for r in rows if r["failure"].startswith("not run: ")]
        if proc.returncode != 1 or [r["run"] for r in rows] != ["1", "2", "3"] or len(lost) != 1 or lost[0]["time_utc"]:
            failures.append(f"a receiver gone: exit {proc.returncode}, rows {rows}")
        # Gone from the first restart on: no run has a time, and no figure is
        # made up from none.
        reason = "receiver gone"
        for output in ("json", "text"):
            d = os.path.join(root, "gone-" + output)
            gone, (port,) = simulators.start(sim, d, [["--fix-rate", str(FIX_RATE), "--ttff-cold", "3"]])
            sims += gone
            csv_path = d + ".csv"
            args = [bench, "ttff", "--kind", "cold", "--runs", "2", "--timeout", "20", "--port", port,
                    "--csv", csv_path] + (["--json"] if output == "json" else [])
            proc = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, cwd=root)
            received = os.path.join(os.path.dirname(port), "received.bin")
            deadline = time.monotonic() + 10
            while time.monotonic() < deadline and \
                    (not os.path.exists(received) or b"$PQOL103" not in open(received, "rb").read()):
                time.sleep(0.02)
            gone[0].terminate()
            out, err = proc.communicate(timeout=30)
            rows = list(csv.DictReader(open(csv_path)))
            want_rows = [("", reason), ("", "not run: " + reason)]
            if proc.returncode != 1 or [(r["ttff_ms"], r["failure"]) for r in rows] != want_rows:
                failures.append(f"gone, {output}: exit {proc.returncode}, rows {rows}, {err!r}")
            if output == "json":
                try:
                    rx = json.loads(out)["receivers"][0]
                    figures = [rx[k] for k in ("min_ms", "median_ms", "p95_ms", "max_ms")]
                    runs = [(r["ttff_ms"], r["failure"]) for r in rx["results"]]
                    if figures != [None] * 4 or rx["failure"] != reason or runs != [(None, f) for _, f in want_rows]:
                        failures.append(f"gone: summary {rx}")
                except (ValueError, KeyError, IndexError):
                    failures.append(f"gone: no summary: {out!r}")
            elif "no run timed" not in out or f"FAIL ({reason})" not in out or "0.000" in out:
                failures.append(f"gone: table {out!r}")
    finally:
        simulators.stop(sims)
        shutil.rmtree(root, ignore_errors=True)
    for f in failures:
        print("FAIL:", f)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
