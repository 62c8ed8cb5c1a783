"""The converter: it starts with its Open dialog in the folder "flics", loads a sample flic
chosen there and shows its first frame; the screenshot of the window goes to out/."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(
    os.path.abspath(__file__)))), "tests", "flicconv"))
import converter_e2e  # noqa: E402


def run(session, out):
    conv = converter_e2e.Converter(session)
    try:
        conv.load_ok("bounce.flc", dialog_open=True)
        w = session.wctl
        conv.sync()
        info = w.info(conv.main)
        w.capture(info.rect[0], info.rect[1], *info.size).save(os.path.join(out, "flicconv.png"))
        print("  flicconv.png: %s" % info.title)
        conv.exit()
    finally:
        conv.stop()
