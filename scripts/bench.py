#!/usr/bin/env python3
"""Runs each Wine benchmark part in scripts/bench.d (in name order) inside one Wine session.

Each part is a Python file defining run(session, out_dir) that prints its figures; out_dir
is a scratch folder for its files. Arguments pick parts by name.
"""
import importlib.util
import os
import sys

top = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(top, "tests", "harness"))
import winharness  # noqa: E402


def main():
    out = os.path.join(top, "build", "bench-data")
    os.makedirs(out, exist_ok=True)
    wanted = sys.argv[1:]
    parts_dir = os.path.join(top, "scripts", "bench.d")
    session = winharness.Session(os.path.join(top, "build", "win"))
    session.start()
    try:
        for name in sorted(os.listdir(parts_dir)):
            if not name.endswith(".py") or (wanted and not any(w in name for w in wanted)):
                continue
            spec = importlib.util.spec_from_file_location(name[:-3], os.path.join(parts_dir, name))
            part = importlib.util.module_from_spec(spec)
            spec.loader.exec_module(part)
            print("==", name[:-3])
            part.run(session, out)
    finally:
        session.close()


if __name__ == "__main__":
    main()
