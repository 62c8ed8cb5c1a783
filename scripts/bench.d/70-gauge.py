"""The gauge: one step (UM_SETPOS with its repaint) against a window of the benchmark's own
painting the same picture with the same calls, driven the same way, in the same process."""
import os


def run(session, out):
    exe = os.path.join(session.build_dir, "tests", "bin", "gauge_bench.exe")
    code, stdout, stderr = session.run(session.windows_path(exe), cwd=os.path.dirname(exe),
                                       timeout=300)
    print(stdout.rstrip() or stderr.rstrip())
    if code:
        print("gauge_bench ended with", code)
