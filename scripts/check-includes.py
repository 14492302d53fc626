#!/usr/bin/env python3
"""Fails when a folder includes one above it: the layers only look down.

    nmea/  <-  link/  <-  commands/ evaluation/  <-  session/  <-  testbench/  <-  ui/  <-  app/
                          logging/ (beside commands/)
    results/ (the results database) stands beside them and needs none.

sim/ stands alone (it is the ground truth the tests compare with); tools/
use the cores only; bench/, fuzz/ and tests/ may use anything. The core
folders, sim/ and tools/ include no Qt header.
"""
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
CORE = {"nmea", "link", "commands", "session", "logging", "testbench", "evaluation", "results"}
ALLOWED = {
    "nmea": {"nmea"},
    "link": {"nmea", "link"},
    "commands": {"nmea", "link", "commands", "logging", "testbench"},
    "logging": {"nmea", "link", "commands", "logging", "testbench"},
    "session": {"nmea", "link", "commands", "evaluation", "session"},
    "testbench": {"nmea", "link", "commands", "session", "logging", "testbench"},
    "evaluation": {"nmea", "link", "evaluation"},
    "results": {"results"},
    "ui": CORE | {"ui"},
    "app": CORE | {"ui", "app"},
    "sim": {"sim"},
    "tools": CORE | {"tools"},
}
NO_QT = CORE | {"sim", "tools"}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def main() -> int:
    problems = []
    for folder, allowed in ALLOWED.items():
        for path in sorted((ROOT / folder).rglob("*")):
            if path.suffix not in {".h", ".hpp", ".cpp", ".cc"}:
                continue
            for number, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
                m = INCLUDE.match(line)
                if not m:
                    continue
                bracket, name = m.groups()
                where = f"{path.relative_to(ROOT)}:{number}"
                top = name.split("/", 1)[0]
                if bracket == '"' and "/" in name and top not in allowed:
                    problems.append(f"{where}: {folder}/ may not include {name}")
                if folder in NO_QT and bracket == "<" and re.match(r"Q[A-Za-z]*(/|$)", name):
                    problems.append(f"{where}: {folder}/ is core code and may not include Qt's <{name}>")
    for p in problems:
        print(p)
    if problems:
        print(f"check-includes: {len(problems)} include(s) against the layers", file=sys.stderr)
        return 1
    print("check-includes: every folder includes only downward")
    return 0


if __name__ == "__main__":
    sys.exit(main())
