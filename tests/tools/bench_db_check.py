#!/usr/bin/env python3
"""vantrel-bench and a PostgreSQL server shared by several benches: eight
benches, each with its simulated receiver, write a campaign at once and
every run is there exactly once; the server stopped mid-campaign and
started again loses and doubles nothing; a server that stays away ends the
run with exit status 3 and the runs it could not store named; a server
that cannot be reached stops the test before it starts. The station test
of two units at once passes, and fails with its reason at a weakened
generator level; results --serial lists both with the limits they ran with,
and results --report makes the page of the rows stored.

Usage: bench_db_check.py VANTREL_BENCH VANTREL_SIM POSTGRES_SERVER_SH
"""
import csv
import io
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

import simulators

BENCHES = 8
RUNS = 4
FIX_RATE = 5


def main():
    bench, sim, server = (os.path.abspath(a) for a in sys.argv[1:4])
    root = tempfile.mkdtemp(prefix="vantrel-bench-db-")
    url_file = os.path.join(root, "url")
    subprocess.run(["sh", server, "start", url_file], check=True, stdout=subprocess.DEVNULL)
    url = open(url_file).read().strip()
    if url.startswith("skip"):
        print(url)
        shutil.rmtree(root)
        return 0
    sims, failures = [], []

    def results(*filters):
        r = subprocess.run([bench, "results", "--db", url, "--json", *filters], capture_output=True, text=True,
                           timeout=30)
        if r.returncode != 0:
            failures.append(f"results {filters}: exit {r.returncode} {r.stderr}")
            return []
        return json.loads(r.stdout)

    def ttff(port, station, runs, *more, **popen):
        args = [bench, "ttff", "--kind", "hot", "--runs", str(runs), "--port", port, "--json", "--db", url,
                "--station", station, "--serial", f"SN-{station}", *more]
        return subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, cwd=root, **popen)

    try:
        sims, ports = simulators.start(sim, root, [["--fix-rate", str(FIX_RATE), "--ttff-hot", "0.2"]] * BENCHES)

        # Eight benches at once, against a database none of them has made yet.
        procs = [ttff(p, f"bench{i}", RUNS) for i, p in enumerate(ports)]
        printed = {}
        for i, proc in enumerate(procs):
            out, err = proc.communicate(timeout=120)
            if proc.returncode != 0:
                failures.append(f"bench{i}: exit {proc.returncode}: {err}")
                continue
            rx = json.loads(out)["receivers"][0]
            printed[f"bench{i}"] = (rx["runs"], rx["failures"])
        rows = results()
        for station, (runs, fails) in printed.items():
            mine = [r for r in rows if r["station"] == station]
            seqs = sorted(r["seq"] for r in mine)
            if seqs != list(range(1, runs + 1)) or sum(not r["pass"] for r in mine) != fails:
                failures.append(f"{station} printed {runs} runs, {fails} failed; the database has {seqs}")
            if any(r["serial"] != f"SN-{station}" or r["value"] is None for r in mine):
                failures.append(f"{station}: rows without serial or value: {mine[:1]}")
        if len(rows) != BENCHES * RUNS or len({(r["campaign"], r["seq"]) for r in rows}) != len(rows):
            failures.append(f"{len(rows)} rows for {BENCHES} x {RUNS} runs")

        # The server stopped after the first run and started again: every run
        # there once.
        proc = ttff(ports[0], "restarted", 8)
        proc.stderr.readline()
        subprocess.run(["sh", server, "halt", url_file], check=True)
        time.sleep(1.5)
        subprocess.run(["sh", server, "resume", url_file], check=True)
        out, err = proc.communicate(timeout=120)
        seqs = sorted(r["seq"] for r in results("--station", "restarted"))
        if proc.returncode != 0 or seqs != list(range(1, 9)):
            failures.append(f"server restarted mid-campaign: exit {proc.returncode}, stored {seqs}: {err}")
        if "cannot write" not in err or "is back" not in err:
            failures.append(f"server restarted mid-campaign: not told: {err}")

        # The server gone for good: exit 3 and what was not stored named; the
        # named and the stored runs are all the runs, none both.
        proc = ttff(ports[1], "abandoned", 3, "--db-wait", "1")
        proc.stderr.readline()
        subprocess.run(["sh", server, "halt", url_file], check=True)
        out, err = proc.communicate(timeout=120)
        subprocess.run(["sh", server, "resume", url_file], check=True)
        named = [int(line.split(" run ")[1].split(":")[0]) for line in err.splitlines() if " run " in line and
                 line.startswith("  ")]
        stored = [r["seq"] for r in results("--station", "abandoned")]
        if proc.returncode != 3 or "not stored in" not in err or sorted(named + stored) != [1, 2, 3]:
            failures.append(f"server gone: exit {proc.returncode}, named {named}, stored {stored}: {err}")

        # Station tests: two units at once pass; one at a weakened generator
        # level fails, with the reason.
        limits = os.path.join(root, "limits.toml")
        weak = os.path.join(root, "weak.toml")
        text = ("baud = 38400\n[hot_start]\nlimit_s = 3\n[cnr]\nsv = 14\ngenerator_dbm = {}\n"
                "min_db_hz = 35\nsettle_s = 0.6\nread_s = 0.6\n")
        open(limits, "w").write(text.format(-95))
        open(weak, "w").write(text.format(-110))
        serials = ["UNIT'); DROP TABLE runs; --", "UNIT-2"]

        def station(limits_file, units):
            args = [bench, "station", "--limits", limits_file, "--db", url, "--station", "line 1"]
            for i in units:
                d = os.path.dirname(ports[i])
                args += ["--port", ports[i], "--serial", serials[i], "--generator", os.path.join(d, "generator")]
            return subprocess.run(args, capture_output=True, text=True, timeout=60)

        r = station(limits, [0, 1])
        lines = sorted(r.stdout.splitlines())
        if r.returncode != 0 or len(lines) != 2 or not all(line.startswith("PASS ") for line in lines):
            failures.append(f"station, two good units: exit {r.returncode}: {r.stdout} {r.stderr}")
        r = station(weak, [0])
        if r.returncode != 1 or not r.stdout.startswith("FAIL ") or "under the limit of 35 dB-Hz" not in r.stdout:
            failures.append(f"station, weak generator: exit {r.returncode}: {r.stdout} {r.stderr}")
        tests = [row for row in results("--serial", serials[0], "--kind", "station")]
        verdicts = [(row["pass"], "under the limit" in row["reason"]) for row in tests]
        if verdicts != [(True, False), (False, True)] or tests[1]["limits"] != open(weak).read():
            failures.append(f"results --serial: {verdicts} {tests}")
        # The same rows as CSV, quotes and all.
        r = subprocess.run([bench, "results", "--db", url, "--serial", serials[0], "--csv", "-"],
                           capture_output=True, text=True, timeout=30)
        rows = list(csv.DictReader(io.StringIO(r.stdout)))
        if [(row["serial"], row["kind"]) for row in rows] != [(serials[0], x["kind"]) for x in
                                                              results("--serial", serials[0])]:
            failures.append(f"results --csv: {r.stdout!r} {r.stderr}")

        # The page of every stored run: its count is the rows', one hot-start curve per unit.
        page = os.path.join(root, "results.html")
        rows = results()
        r = subprocess.run([bench, "results", "--db", url, "--report", page], capture_output=True, text=True,
                           timeout=30)
        html = open(page).read() if r.returncode == 0 else ""
        if (f"<th scope=\"row\">listed</th><td>{len(rows)}</td>" not in html
                or html.count('class="cdf" data-port="SN-bench') != BENCHES):
            failures.append(f"results --report: exit {r.returncode}, {len(rows)} rows: {r.stderr}")

        # A server that cannot be reached: nothing is tested.
        before = len(rows)
        r = subprocess.run([bench, "ttff", "--kind", "hot", "--runs", "1", "--port", ports[2], "--db",
                            "postgresql:///postgres?host=/nonexistent-vantrel"], capture_output=True, text=True,
                           timeout=60)
        if r.returncode != 2 or "nothing was tested" not in r.stderr or "[1/1]" in r.stderr:
            failures.append(f"unreachable server: exit {r.returncode}: {r.stderr}")
        if len(results()) != before:
            failures.append("unreachable server: rows appeared")
    finally:
        simulators.stop(sims)
        subprocess.run(["sh", server, "stop", url_file])
        shutil.rmtree(root, ignore_errors=True)
    for f in failures:
        print(f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
