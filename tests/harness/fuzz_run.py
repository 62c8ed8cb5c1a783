"""Runs a libFuzzer target for a few seconds, starting from its seed corpus (if any) and a
scratch copy of it, so ctest exercises every fuzz target briefly on each run.

    fuzz_run.py --seconds N [--malloc-limit-mb M] target [seed-corpus-dir]
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--seconds", type=int, default=20)
    ap.add_argument("--malloc-limit-mb", type=int)
    ap.add_argument("target")
    ap.add_argument("corpus", nargs="?")
    opts = ap.parse_args()
    work = tempfile.mkdtemp(prefix="fuzz-")
    try:
        dirs = [work]
        if opts.corpus and os.path.isdir(opts.corpus):
            dirs.append(opts.corpus)
        cmd = [opts.target, "-max_total_time=%d" % opts.seconds, "-rss_limit_mb=2048",
               "-max_len=65536", "-print_final_stats=1", "-artifact_prefix=" + work + "/"]
        if opts.malloc_limit_mb:
            cmd.append("-malloc_limit_mb=%d" % opts.malloc_limit_mb)
        cmd += dirs
        result = subprocess.run(cmd, timeout=opts.seconds + 300)
        if result.returncode != 0:
            for name in os.listdir(work):
                if name.startswith(("crash-", "leak-", "timeout-", "oom-")):
                    print("fuzz artifact:", os.path.join(work, name))
                    keep = os.path.join(os.path.dirname(opts.target), name)
                    shutil.copy(os.path.join(work, name), keep)
                    print("kept as", keep)
        return result.returncode
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
