#!/usr/bin/env python3
"""The command line of every vantrel-log subcommand.

Each subcommand has its own --help; input that holds no NMEA sentence at all
(an empty file, random bytes, text) is refused with a message naming the file
and exit status 1, with nothing on standard output; wrong options exit 2.

Usage: command_line_check.py VANTREL_LOG RECORDING
"""
import os
import random
import subprocess
import sys
import tempfile

SUBCOMMANDS = ["json", "count", "csv", "gpx", "kml", "stats", "report"]


def run(tool, *args, stdin=None):
    return subprocess.run([tool, *args], input=stdin, capture_output=True, timeout=60)


def main():
    tool, recording = sys.argv[1], sys.argv[2]
    failures = []

    def check(ok, what):
        if not ok:
            failures.append(what)

    for sub in SUBCOMMANDS:
        r = run(tool, sub, "--help")
        text = r.stdout.decode()
        check(r.returncode == 0 and text.startswith("usage: vantrel-log " + sub), f"{sub} --help: {text[:60]!r}")

    with tempfile.TemporaryDirectory() as tmp:
        rng = random.Random(13)
        samples = {
            "empty": b"",
            "random bytes": bytes(rng.randrange(256) for _ in range(20000)),
            "text": b"hello, this is no receiver\r\n$ but a dollar\r\n" * 50,
            "a sentence with a wrong checksum only of another talker": b"$GQGGA,1,2,3*00\r\n",
        }
        for name, data in samples.items():
            path = os.path.join(tmp, name.replace(" ", "_"))
            with open(path, "wb") as f:
                f.write(data)
            for sub in SUBCOMMANDS:
                r = run(tool, sub, path)
                err = r.stderr.decode()
                check(r.returncode == 1, f"{sub} on {name}: exit {r.returncode}")
                check(r.stdout == b"", f"{sub} on {name}: wrote {r.stdout[:40]!r}")
                check("holds no NMEA sentence" in err and path in err, f"{sub} on {name}: said {err!r}")
            r = run(tool, "stats", "-", stdin=data)
            check(r.returncode == 1 and b"standard input holds no NMEA sentence" in r.stderr,
                  f"stats - on {name}: {r.returncode} {r.stderr!r}")

    # A single sentence of any talker is a recording, even one this program
    # does not decode.
    r = run(tool, "count", "-", stdin=b"$GPTXT,01,01,02,ANTSTATUS=OK*3B\r\n")
    check(r.returncode == 0, f"count of a text sentence: exit {r.returncode}")

    wrong = [
        ["stats", "--reference", "48.1,11.5", recording],
        ["stats", "--reference", "91,11.5,500", recording],
        ["stats", "--reference", "48,11,5x", recording],
        ["stats", "--reference"],
        ["stats", "--reference=", recording],
        ["csv", "--json", recording],
        ["gpx", recording, recording],
        ["kml"],
        ["decode", recording],
        ["report", "-o"],
        ["report", "--output=", recording],
        ["stats", "-o", "page.html", recording],
    ]
    for args in wrong:
        r = run(tool, *args)
        check(r.returncode == 2 and r.stderr.startswith(b"vantrel-log: "), f"{args}: exit {r.returncode} {r.stderr!r}")
    r = run(tool, "csv", "/no/such/file.nma")
    check(r.returncode == 1 and b"cannot open /no/such/file.nma" in r.stderr, f"missing file: {r.stderr!r}")

    r = run(tool, "stats", "--json", "--reference", "48.11735,11.51675,593.2", recording)
    check(r.returncode == 0 and b'"around": "reference"' in r.stdout, f"stats --reference: {r.stdout[:80]!r}")
    attached = run(tool, "stats", "--json", "--reference=48.11735,11.51675,593.2", recording)
    check(attached.returncode == 0 and attached.stdout == r.stdout, f"stats --reference=: {attached.stderr!r}")
    # The page is never written over a file without --force, and a recording
    # without a sentence leaves none behind.
    with tempfile.TemporaryDirectory() as tmp:
        page = os.path.join(tmp, "page.html")
        with open(page, "w") as f:
            f.write("kept")
        r = run(tool, "report", recording, "-o", page)
        check(r.returncode == 1 and b"exists (--force overwrites it)" in r.stderr and open(page).read() == "kept",
              f"report over a file: {r.returncode} {r.stderr!r}")
        empty = os.path.join(tmp, "empty.nma")
        open(empty, "wb").close()
        r = run(tool, "report", empty, f"--output={page}", "--force")
        check(r.returncode == 1 and open(page).read() == "kept", f"report --force of nothing: {r.returncode}")
        r = run(tool, "report", recording, "--force", "-o", page)
        text = open(page).read()
        check(r.returncode == 0 and r.stdout == b"" and text.startswith("<!DOCTYPE html>") and
              text.rstrip().endswith("</html>"), f"report --force: {r.returncode} {r.stderr!r}")
        new = os.path.join(tmp, "new.html")
        r = run(tool, "report", "--output=" + new, recording)
        check(r.returncode == 0 and os.path.getsize(new) > 1000, f"report --output=: {r.returncode} {r.stderr!r}")

    r = run(tool, "--version")
    check(r.returncode == 0 and r.stdout.startswith(b"vantrel-log "), f"--version: {r.stdout!r}")

    for f in failures:
        print("FAIL:", f)
    print(f"{len(failures)} failed" if failures else "every subcommand's command line behaves")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
