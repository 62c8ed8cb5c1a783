#!/usr/bin/env python3
"""Runs each demo part in scripts/demo.d (in name order) inside one Wine session; each drives
a program and writes what it shows under the output folder. Arguments after the output
folder pick parts by name."""
import os
import sys

from parts import run_parts, top


def main():
    out = os.path.abspath(sys.argv[1])
    run_parts(os.path.join(top, "scripts", "demo.d"), out, sys.argv[2:], banner="demo:")
    print("demo: results in", out)


if __name__ == "__main__":
    main()
