#!/usr/bin/env python3
"""vantrel-bench sensitivity as a script runs it, on runs that measure
nothing: a satellite nobody sends (the generator's line goes nowhere), a
receiver that falls silent and one that goes away mid-test. Each has no
level but its reason in the text, null in the JSON, no SNR in the curve, and
exit status 1.

Usage: bench_sensitivity_check.py VANTREL_BENCH VANTREL_SIM
"""
import csv
import json
import os
import pty
import shutil
import subprocess
import sys
import tempfile
import time


def main():
    bench, sim = sys.argv[1], sys.argv[2]
    root = tempfile.mkdtemp(prefix="vantrel-bench-sensitivity-")
    failures = []
    # (what, how the run is lost, the phase's reason)
    cases = [("never sent", None, "satellite not tracked at the start level"),
             ("silent", "silent on", "no answer in 5 s"),
             ("gone", "stop", "receiver gone")]
    try:
        for what, lose, reason in cases:
            d = os.path.join(root, what.replace(" ", "-"))
            proc_sim = subprocess.Popen([sim, "--dir", d, "--baud", "115200", "--fix-rate", "5"],
                                        stderr=subprocess.DEVNULL)
            try:
                deadline = time.monotonic() + 5
                while not os.path.exists(os.path.join(d, "receiver")) and time.monotonic() < deadline:
                    time.sleep(0.05)
                generator = os.path.join(d, "generator")
                sv = "14"
                if lose is None:
                    # Nobody reads the generator's line, and no orbit carries 33.
                    master, slave = pty.openpty()
                    generator, sv = os.ttyname(slave), "33"
                for output in ("json", "text"):
                    if lose is not None and output == "text":
                        continue  # one output of a lost receiver is enough: both come from one report
                    curve = os.path.join(d, f"curve-{output}.csv")
                    args = [bench, "sensitivity", "--port", os.path.join(d, "receiver"), "--baud", "115200",
                            "--generator", generator, "--sv", sv, "--track", "--track-duration", "30",
                            "--tick-ms", "200", "--iterations", "2", "--csv", curve]
                    if output == "json":
                        args.append("--json")
                    proc = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
                    if lose is not None:
                        while time.monotonic() < deadline + 10 and \
                                (not os.path.exists(curve) or len(open(curve).readlines()) < 4):
                            time.sleep(0.05)
                        if lose == "stop":
                            proc_sim.terminate()
                        else:
                            with open(os.path.join(d, "control"), "w") as control:
                                control.write(lose + "\n")
                    out, err = proc.communicate(timeout=60)
                    rows = list(csv.DictReader(open(curve)))
                    if proc.returncode != 1:
                        failures.append(f"{what}: exit {proc.returncode}, {err!r}")
                    if lose is None and (not rows or any(r["snr"] != "" for r in rows)):
                        failures.append(f"{what}: curve {rows}")
                    if output == "json":
                        try:
                            summary = json.loads(out)
                            tracking = summary["tracking"]
                            first = tracking["results"][0]
                            if summary["pass"] or summary["failure"] != reason or \
                                    (first["held_dbm"], first["lost_dbm"], first["failure"]) != (None, None, reason) \
                                    or tracking["held_spread_db"] is not None \
                                    or tracking["lost_spread_db"] is not None:
                                failures.append(f"{what}: summary {summary}")
                        except (ValueError, KeyError, IndexError):
                            failures.append(f"{what}: no summary: {out!r}")
                    elif f"iteration 1 tracking: no result ({reason})" not in out \
                            or "tracking: no result in any iteration" not in out \
                            or f"FAIL ({reason})" not in out or "-125" in out:
                        failures.append(f"{what}: text {out!r}")
            finally:
                proc_sim.terminate()
                proc_sim.wait()
    finally:
        shutil.rmtree(root, ignore_errors=True)
    for f in failures:
        print("FAIL:", f)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
