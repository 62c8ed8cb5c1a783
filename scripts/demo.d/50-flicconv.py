"""The converter: it starts with its Open dialog in the folder "flics", loads a sample flic
chosen there and shows its first frame (screenshot in out/), then writes it as an AVI under
out/ through File, Write AVI and prints ffprobe's summary of the file."""
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(
    os.path.abspath(__file__)))), "tests", "flicconv"))
import converter_e2e  # noqa: E402


def run(session, out):
    conv = converter_e2e.Converter(session)
    avi = os.path.join(out, "flicconv-bounce.avi")
    if os.path.exists(avi):
        os.remove(avi)
    try:
        conv.load_ok("bounce.flc", dialog_open=True)
        w = session.wctl
        conv.sync()
        info = w.info(conv.main)
        w.capture(info.rect[0], info.rect[1], *info.size).save(os.path.join(out, "flicconv.png"))
        print("  flicconv.png: %s" % info.title)
        conv.configure(None)  # Compression, Configure Compress: cancelled, so uncompressed
        conv.write(avi)
        conv.exit()
    finally:
        conv.stop()
    summary = subprocess.run(
        ["ffprobe", "-v", "error", "-count_packets", "-show_entries",
         "format=filename,duration,size:stream=codec_name,pix_fmt,width,height,r_frame_rate,"
         "nb_read_packets", "-of", "default=noprint_wrappers=1", avi],
        capture_output=True, text=True, check=True).stdout
    print("  flicconv-bounce.avi, as ffprobe sees it:")
    for line in summary.splitlines():
        print("    " + line)
