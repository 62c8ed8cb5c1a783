"""The viewer: File, Open twice through the real dialog, leaving two children one cascade step
apart, and a screenshot of the frame."""
import os

import e2e


def run(session, out):
    data = os.path.join(out, "viewer-files")
    os.makedirs(data, exist_ok=True)
    files = []
    for name in ("first.cel", "second.cel"):
        path = os.path.join(data, name)
        with open(path, "wb") as f:
            f.write(b"CEL")
        files.append(path)
    viewer = e2e.Viewer(session)
    try:
        for path in files:
            viewer.open(path)
        w = session.wctl
        frame = w.info(viewer.frame)
        shot = w.capture(frame.rect[0], frame.rect[1], *frame.size)
        shot.save(os.path.join(out, "viewer.png"))
        print("  viewer.png: the frame with", len(viewer.children()), "children")
        viewer.exit()
    finally:
        if viewer.proc.running():
            viewer.kill()
