"""Runs one Windows test program on Wine inside the test session (or a session of its own
when started by hand), with a time-out, passing its output and exit code through.

    wine_run.py [--timeout S] [--depth 24] [--app-version nt351] program.exe [args...]

--app-version makes GetVersion answer as that Windows version for this program's file name
(Session.set_app_version) before it starts.
"""
import argparse
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import winharness  # noqa: E402


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--timeout", type=float, default=600)
    ap.add_argument("--depth", type=int, default=24)
    ap.add_argument("--app-version")
    ap.add_argument("program")
    ap.add_argument("args", nargs=argparse.REMAINDER)
    opts = ap.parse_args()
    # The program's logs are named after it when ctest did not name the test.
    os.environ.setdefault("XQV_TEST_NAME", "win." + os.path.splitext(os.path.basename(opts.program))[0])
    session = winharness.Session.attach_or_start(depth=opts.depth)
    try:
        if opts.app_version:
            session.set_app_version(os.path.basename(opts.program), opts.app_version)
        code, out, err = session.run(session.windows_path(opts.program), *opts.args,
                                     cwd=os.path.dirname(os.path.abspath(opts.program)),
                                     timeout=opts.timeout)
    except winharness.HarnessError as e:
        print(e)
        return 1
    finally:
        session.close()
    sys.stdout.write(out)
    sys.stderr.write(err)
    if code != 0:
        print("wine_run: %s ended with exit code %d; its log is in %s"
              % (os.path.basename(opts.program), code, session.logs.folder))
    return code


if __name__ == "__main__":
    sys.exit(main())
