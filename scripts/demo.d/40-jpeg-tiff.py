"""The viewer with a JPEG and TIFFs: libjpeg's test photograph, libtiff's LZW test picture and
a generated deflate TIFF, each opened through the real Open dialog, and a screenshot of the
frame."""
import os
import shutil
import subprocess

import e2e


def run(session, out):
    data = os.path.join(out, "jpeg-tiff-files")
    os.makedirs(data, exist_ok=True)
    photo = os.path.join(data, "testorig.jpg")
    shutil.copy(os.path.join(e2e.SOURCE, "build", "cache", "src", "libjpeg-turbo", "unpacked",
                             "testimages", "testorig.jpg"), photo)
    subprocess.run([e2e.host_tool("tests/tiff/make_tiff_samples"), data], check=True,
                   stdout=subprocess.DEVNULL)
    tiff = os.path.join(data, "deflate.tif")
    quad = os.path.join(data, "quad-lzw.tif")
    shutil.copy(os.path.join(e2e.SOURCE, "build", "cache", "src", "tiff", "unpacked", "test",
                             "images", "quad-lzw-compat.tiff"), quad)
    viewer = e2e.Viewer(session)
    try:
        viewer.open(quad)
        viewer.open(photo)
        viewer.open(tiff)
        w = session.wctl
        frame = w.info(viewer.frame)
        w.capture(frame.rect[0], frame.rect[1], *frame.size).save(
            os.path.join(out, "viewer-jpeg-tiff.png"))
        print("  viewer-jpeg-tiff.png: quad-lzw.tif, testorig.jpg and deflate.tif in three children")
        viewer.exit()
    finally:
        if viewer.proc.running():
            viewer.kill()
