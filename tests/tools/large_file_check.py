#!/usr/bin/env python3
"""vantrel-log on large recordings: memory stays the same whatever the size,
and a progress line goes to standard error only when it is a terminal.

Usage: large_file_check.py VANTREL_LOG RECORDING
The recording is repeated to about 6 MB and to about 48 MB. With
VANTREL_SANITIZED set, the memory is printed but not compared.
"""
import os
import pty
import subprocess
import sys
import tempfile


def peak_rss_kb(args):
    """Runs args, returns (exit status, its peak resident size in kB) as GNU
    time measures it (a child forked from Python would count Python's pages)."""
    r = subprocess.run(["/usr/bin/time", "-f", "%x %M", *args], stdout=subprocess.DEVNULL,
                       stderr=subprocess.PIPE, timeout=300)
    status, kb = r.stderr.decode().strip().splitlines()[-1].split()
    return int(status), int(kb)


def main():
    tool, recording = sys.argv[1], sys.argv[2]
    with open(recording, "rb") as f:
        sample = f.read()
    failures = []
    with tempfile.TemporaryDirectory() as tmp:
        files = {}
        for name, size in (("small", 6 << 20), ("large", 48 << 20)):
            path = os.path.join(tmp, name + ".nma")
            with open(path, "wb") as f:
                f.write(sample * (size // len(sample) + 1))
            files[name] = path

        for sub in ("count", "csv", "gpx", "kml", "stats"):
            rc_small, small = peak_rss_kb([tool, sub, files["small"]])
            rc_large, large = peak_rss_kb([tool, sub, files["large"]])
            print(f"{sub}: peak {small} kB for 6 MB, {large} kB for 48 MB")
            if rc_small != 0 or rc_large != 0:
                failures.append(f"{sub} exited {rc_small}, {rc_large}")
            # Eight times the input, the same memory: not a byte per epoch kept.
            # A sanitizer's allocator holds freed memory back for a while, so
            # its peak follows what was freed, not what is kept.
            if large > small + 1024 and not os.environ.get("VANTREL_SANITIZED"):
                failures.append(f"{sub} grew from {small} kB to {large} kB")

        # Standard error a terminal: the progress line, rewritten in place and
        # cleared at the end, one pass of stats.
        pid, fd = pty.fork()
        if pid == 0:
            os.execv(tool, [tool, "stats", files["small"]])
        seen = b""
        while True:
            try:
                chunk = os.read(fd, 65536)
            except OSError:
                break
            if not chunk:
                break
            seen += chunk
        os.waitpid(pid, 0)
        for expected in (b"\rreading " + files["small"].encode() + b": 50 %",
                         b": 100 %", b"\r\x1b[K"):
            if expected not in seen:
                failures.append(f"no {expected!r} on a terminal")
        # Not a terminal: nothing but the report.
        r = subprocess.run([tool, "stats", files["small"]], capture_output=True, timeout=120)
        if r.stderr:
            failures.append(f"progress written to a file: {r.stderr[:80]!r}")

    for f in failures:
        print("FAIL:", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
