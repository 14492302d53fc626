#!/usr/bin/python3
"""Listens on the accessibility bus as a screen reader does, counting the
events of the value labels and other text changes, until SIGTERM; then
prints one line: "atspi events N (text T, value V, name M)".

Run with the system's python3 (it has pyatspi), inside the session bus the
application uses."""
import signal
import sys

import pyatspi

counts = {"text": 0, "value": 0, "name": 0}


def on_event(event):
    kind = event.type
    if kind.startswith("object:text-changed"):
        counts["text"] += 1
    elif "accessible-value" in kind or "value-changed" in kind:
        counts["value"] += 1
    elif "accessible-name" in kind or "accessible-description" in kind:
        counts["name"] += 1


def stop(*_):
    total = sum(counts.values())
    print(f"atspi events {total} (text {counts['text']}, value {counts['value']}, name {counts['name']})",
          flush=True)
    pyatspi.Registry.stop()


signal.signal(signal.SIGTERM, stop)
pyatspi.Registry.registerEventListener(
    on_event, "object:text-changed", "object:property-change:accessible-value",
    "object:property-change:accessible-name", "object:property-change:accessible-description",
    "object:value-changed")
print("listening", flush=True)
pyatspi.Registry.start()
sys.exit(0)
