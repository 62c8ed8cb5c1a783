#!/usr/bin/env python3
"""Runs each Wine benchmark part in scripts/bench.d (in name order) inside one Wine session;
each prints its figures beside a reference measured in the same run. Arguments pick parts by
name."""
import os
import sys

from parts import run_parts, top


def main():
    out = os.path.join(top, "build", "bench-data")
    os.makedirs(out, exist_ok=True)
    run_parts(os.path.join(top, "scripts", "bench.d"), out, sys.argv[1:])


if __name__ == "__main__":
    main()
