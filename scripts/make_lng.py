#!/usr/bin/env python3
"""Makes the shipped language files from their UTF-8 sources.

Every resources/NAME.lng.txt (UTF-8, LF line ends, easy to edit and diff)
becomes resources/NAME.lng: the same text as UTF-16 little-endian with a
byte-order mark and CR LF line ends, which the Windows profile functions
read on every system whatever its code page.

  make_lng.py            rewrite the .lng files
  make_lng.py --check    exit 1 if a .lng file differs from its source
"""

import argparse
import glob
import os
import re
import sys

LINE = re.compile(r"^(?:\[[^\]]+\]|[^=\s][^=]*=.*|;.*|)$")


def convert(src_text, name):
    """Returns the .lng bytes for a source text; raises ValueError on lines
    the profile reader would not take as intended."""
    if src_text.startswith("\ufeff"):
        src_text = src_text[1:]
    lines = src_text.split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    for n, line in enumerate(lines, 1):
        if "\r" in line:
            raise ValueError("%s:%d: carriage return in the source" % (name, n))
        if not LINE.match(line):
            raise ValueError("%s:%d: not a section, key=value or comment: %r" % (name, n, line))
        if "\\t" in line:
            # The reader takes no escapes: a shortcut needs a real tab.
            raise ValueError("%s:%d: write a real tab instead of \\t" % (name, n))
    return b"\xff\xfe" + "".join(l + "\r\n" for l in lines).encode("utf-16-le")


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    default_dir = os.path.join(os.path.dirname(here), "resources")
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--dir", default=default_dir, help="folder of the sources")
    ap.add_argument("--check", action="store_true",
                    help="compare with the .lng files instead of writing")
    args = ap.parse_args(argv)

    stale = []
    for src in sorted(glob.glob(os.path.join(args.dir, "*.lng.txt"))):
        dst = src[:-len(".txt")]
        with open(src, encoding="utf-8", newline="") as f:
            try:
                data = convert(f.read(), os.path.basename(src))
            except ValueError as e:
                print(e, file=sys.stderr)
                return 2
        if args.check:
            try:
                with open(dst, "rb") as f:
                    if f.read() != data:
                        stale.append(os.path.basename(dst))
            except OSError:
                stale.append(os.path.basename(dst))
        else:
            with open(dst, "wb") as f:
                f.write(data)
    if stale:
        print("out of date: " + ", ".join(stale), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
