#!/usr/bin/env python3
"""Runs each demo part in scripts/demo.d (in name order) inside one Wine session.

Each part is a Python file defining run(session, out_dir), which drives a program and
writes what it shows under out_dir. Arguments after the output folder pick parts by name.
"""
import importlib.util
import os
import sys

top = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(top, "tests", "harness"))
import winharness  # noqa: E402


def main():
    out = os.path.abspath(sys.argv[1])
    wanted = sys.argv[2:]
    parts_dir = os.path.join(top, "scripts", "demo.d")
    session = winharness.Session(os.path.join(top, "build", "win"))
    session.start()
    try:
        for name in sorted(os.listdir(parts_dir)):
            if not name.endswith(".py") or (wanted and not any(w in name for w in wanted)):
                continue
            spec = importlib.util.spec_from_file_location(name[:-3], os.path.join(parts_dir, name))
            part = importlib.util.module_from_spec(spec)
            spec.loader.exec_module(part)
            print("demo:", name[:-3])
            part.run(session, out)
    finally:
        session.close()
    print("demo: results in", out)


if __name__ == "__main__":
    main()
