#!/usr/bin/env python3
"""Assembles the release zip from a built Windows tree: one top folder xqv-<version>/ with the
four deliverables, the converter's sample flics and movie, the DLLs' sample programs, README.txt,
LICENSE.txt and THIRD-PARTY-NOTICES.txt (all text with CRLF line ends), and writes SHA256SUMS
beside the zip. Entries are sorted and carry the time of the source's last commit, so the same
inputs give the same zip. Run by the build's package target (scripts/package); a 64-bit tree's
target packs its build as xqv-<version>-win64.zip with its own objcopy, for the Wine tests.

    make_zip.py --version 1.0.0 --source . --build build/win --cache build/cache --out dist
"""
import argparse
import hashlib
import os
import re
import subprocess
import sys
import tempfile
import time
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))


def warn(text):
    print("package: warning: " + text, file=sys.stderr)


def crlf(text):
    """Windows text: CRLF line ends, and UTF-8 with a byte-order mark when not plain ASCII (or
    Notepad would read it in the ANSI code page)."""
    data = text.replace("\r\n", "\n").replace("\n", "\r\n").encode("utf-8")
    return data if data.isascii() else b"\xef\xbb\xbf" + data


def read_table(path):
    rows = []
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            fields = [x.strip() for x in line.split(" | ")]
            if len(fields) != 4 or ":" not in fields[0]:
                sys.exit("package: %s:%d: expected 'origin | files | title | use'" % (path, number))
            kind, name = fields[0].split(":", 1)
            files = re.findall(r"[^\s\[]+(?:\[[^\]]*\])?", fields[1])
            rows.append({"kind": kind, "name": name, "files": files,
                         "title": fields[2], "use": fields[3]})
    return rows


def split_files(entry):
    """'file[first..last]' -> ('file', first, last); 'file' -> ('file', None, None)."""
    start = entry.find("[")
    if start < 0:
        return entry, None, None
    first, last = entry[start + 1:-1].split("..", 1)
    return entry[:start], first, last


def read_licence(path, first, last):
    with open(path, encoding="utf-8", errors="replace") as f:
        text = f.read()
    if first is None:
        return text
    lines = text.splitlines()
    try:
        a = next(i for i, s in enumerate(lines) if s.strip() == first)
        b = next(i for i in range(a, len(lines)) if lines[i].strip() == last)
    except StopIteration:
        sys.exit("package: %s holds no section from %r to %r" % (path, first, last))
    return "\n".join(lines[a:b + 1]) + "\n"


def unpacked_dir(cache, name):
    """The unpacked source of a package that setup fetched, or None."""
    marker = os.path.join(cache, "src", name, ".unpacked")
    if not os.path.exists(marker):
        return None
    with open(marker) as f:
        return f.read().strip()


def notices(table_path, cache):
    rows = read_table(table_path)
    known = {r["name"] for r in rows if r["kind"] == "src"}
    src_root = os.path.join(cache, "src")
    for name in sorted(os.listdir(src_root)) if os.path.isdir(src_root) else []:
        if name not in known and os.path.exists(os.path.join(src_root, name, ".unpacked")):
            warn("setup fetched source package %s, which %s does not list: if it is linked "
                 "into the binaries, its notice is missing" % (name, table_path))
    parts = []
    for row in rows:
        if row["files"] == ["-"]:
            continue
        if row["kind"] == "src":
            root = unpacked_dir(cache, row["name"])
            if root is None:
                warn("source package %s (%s) is not in %s: setup does not build it yet, so "
                     "the notices leave it out" % (row["name"], row["title"], src_root))
                continue
            origin = "from its source package %s" % row["name"]
        elif row["kind"] == "doc":
            root = os.path.join("/usr/share/doc", row["name"])
            origin = "from the copyright file of the Debian package %s" % row["name"]
        else:
            sys.exit("package: unknown origin %s:%s" % (row["kind"], row["name"]))
        texts = []
        for entry in row["files"]:
            name, first, last = split_files(entry)
            path = os.path.join(root, name)
            if not os.path.isfile(path):
                sys.exit("package: licence file %s of %s is missing" % (path, row["title"]))
            texts.append(read_licence(path, first, last))
        head = "%s\nUsed in: %s\nLicence text %s (%s):\n" % (
            row["title"], row["use"], origin, ", ".join(split_files(s)[0] for s in row["files"]))
        parts.append(head + "\n" + "\n\n".join(t.rstrip("\n") for t in texts) + "\n")
    rule = "\n" + "=" * 78 + "\n\n"
    intro = ("XQV contains the following third-party software, linked statically into its "
             "binaries.\nTheir licence texts follow, each as its own source distributes it.\n")
    return intro + rule + rule.join(parts)


def stripped_copy(objcopy, path, scratch):
    """The binary without debug information (the sample programs are built with it)."""
    out = os.path.join(scratch, os.path.basename(path))
    # Without SOURCE_DATE_EPOCH objcopy would stamp the PE header with the current time.
    subprocess.run([objcopy, "--strip-all", path, out], check=True,
                   env=dict(os.environ, SOURCE_DATE_EPOCH="0"))
    return out


def commit_time(source):
    if os.environ.get("SOURCE_DATE_EPOCH"):
        return int(os.environ["SOURCE_DATE_EPOCH"])
    try:
        return int(subprocess.run(["git", "-C", source, "log", "-1", "--format=%ct"],
                                  capture_output=True, text=True, check=True).stdout)
    except (OSError, subprocess.CalledProcessError, ValueError):
        return 315532800  # 1980-01-01, the earliest time a zip entry can hold


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--version", required=True)
    ap.add_argument("--source", required=True)
    ap.add_argument("--build", required=True)
    ap.add_argument("--cache", required=True)
    ap.add_argument("--out", required=True)
    ap.add_argument("--arch", choices=("win32", "win64"), default="win32",
                    help="the tree's architecture, which names the zip")
    ap.add_argument("--objcopy", default="i686-w64-mingw32-objcopy",
                    help="the objcopy of the tree's architecture")
    opts = ap.parse_args()
    top = "xqv-%s" % opts.version
    bin_dir = os.path.join(opts.build, "bin")

    with tempfile.TemporaryDirectory() as scratch:
        files = {}  # name in the zip -> bytes
        for name in ("viewer.exe", "flicconv.exe", "ridgel.dll", "gauge.dll", "logon.avi"):
            with open(os.path.join(bin_dir, name), "rb") as f:
                files[name] = f.read()
        flics = sorted(n for n in os.listdir(os.path.join(bin_dir, "flics"))
                       if n.lower().endswith((".fli", ".flc")))
        if not flics:
            sys.exit("package: no sample flics in %s/flics" % bin_dir)
        for name in flics:
            with open(os.path.join(bin_dir, "flics", name), "rb") as f:
                files["flics/" + name] = f.read()
        for sample in (os.path.join(bin_dir, "ridgel_demo.exe"),
                       os.path.join(opts.build, "tests", "bin", "gauge_demo.exe")):
            with open(stripped_copy(opts.objcopy, sample, scratch), "rb") as f:
                files[os.path.basename(sample)] = f.read()

    with open(os.path.join(HERE, "README.txt"), encoding="utf-8") as f:
        files["README.txt"] = crlf(f.read().replace("@VERSION@", opts.version))
    with open(os.path.join(opts.source, "LICENSE"), encoding="utf-8") as f:
        files["LICENSE.txt"] = crlf(f.read())
    files["THIRD-PARTY-NOTICES.txt"] = crlf(
        notices(os.path.join(HERE, "third-party.tsv"), opts.cache))

    os.makedirs(opts.out, exist_ok=True)
    zip_name = "%s-%s.zip" % (top, opts.arch)
    zip_path = os.path.join(opts.out, zip_name)
    stamp = time.gmtime(max(commit_time(opts.source), 315532800))[:6]
    folders = {top + "/"} | {"%s/%s/" % (top, n.rsplit("/", 1)[0]) for n in files if "/" in n}
    entries = sorted(folders | {"%s/%s" % (top, n) for n in files})
    partial = zip_path + ".part"
    with zipfile.ZipFile(partial, "w") as z:
        for entry in entries:
            info = zipfile.ZipInfo(entry, stamp)
            info.create_system = 0  # MS-DOS attributes: what Windows' own zip folders write
            if entry.endswith("/"):
                info.external_attr = 0x10  # directory
                z.writestr(info, b"")
            else:
                info.compress_type = zipfile.ZIP_DEFLATED
                z.writestr(info, files[entry[len(top) + 1:]], compresslevel=9)
    os.replace(partial, zip_path)

    with open(zip_path, "rb") as f:
        digest = hashlib.sha256(f.read()).hexdigest()
    with open(os.path.join(opts.out, "SHA256SUMS"), "w") as f:
        f.write("%s  %s\n" % (digest, zip_name))
    print("package: %s (%d bytes, sha256 %s)" % (zip_path, os.path.getsize(zip_path), digest))


if __name__ == "__main__":
    main()
