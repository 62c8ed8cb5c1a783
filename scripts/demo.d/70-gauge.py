"""The gauge: a small program of ours loads gauge.dll and steps a gauge in its dialog from
0 % to 100 %; a screenshot of the dialog at a few positions."""
import os
import sys

import e2e

sys.path.insert(0, os.path.join(e2e.SOURCE, "tests", "gauge"))
from gauge_demo_driver import GaugeDemo, STEP_ID  # noqa: E402


def run(session, out):
    demo = GaugeDemo(session, e2e.BUILD)
    try:
        position = 0
        for target in (0, 30, 50, 70, 100):
            while position < target:
                demo.press(STEP_ID)
                position += 10
                demo.wait_position(position)
            demo.wait_shown(target)
            name = "gauge-%03d.png" % target
            demo.capture_dialog().save(os.path.join(out, name))
            print("  %s: %s" % (name, demo.status()))
        demo.close()
    finally:
        if demo.proc.running():
            demo.kill()
