"""Simulated receivers for the bench scripts: started, waited for, stopped."""
import os
import subprocess
import time


def start(sim, root, options, timeout=10):
    """One vantrel-sim per list of options, each in root/rxN; returns (processes, receiver ports)."""
    os.makedirs(root, exist_ok=True)
    procs, ports = [], []
    for i, more in enumerate(options):
        d = os.path.join(root, f"rx{i}")
        procs.append(subprocess.Popen([sim, "--dir", d, *more], stderr=subprocess.DEVNULL))
        ports.append(os.path.join(d, "receiver"))
    deadline = time.monotonic() + timeout
    while not all(os.path.exists(p) for p in ports):
        if time.monotonic() > deadline:
            stop(procs)
            raise SystemExit("the simulators did not start")
        time.sleep(0.05)
    return procs, ports


def stop(procs):
    for p in procs:
        p.terminate()
        p.wait()
