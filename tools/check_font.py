#!/usr/bin/python3
"""Fails unless FONT has a glyph for every character in the string literals of SOURCE.

Usage: check_font.py FONT SOURCE   (run with Debian's python3, which has fontTools)
"""

import re
import sys

from fontTools.ttLib import TTFont

LITERAL = re.compile(r'"((?:[^"\\\n]|\\.)*)"')


def literal_chars(path):
    chars = set()
    with open(path, encoding="utf-8") as f:
        for line in f:
            if line.lstrip().startswith("#"):
                continue
            for body in LITERAL.findall(line):
                # Escapes like \n are control characters, never drawn.
                chars.update(re.sub(r"\\.", "", body))
    return chars


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: check_font.py FONT SOURCE")
    cmap = TTFont(sys.argv[1], lazy=True).getBestCmap()
    chars = literal_chars(sys.argv[2])
    missing = sorted(c for c in chars if ord(c) not in cmap)
    if missing:
        sys.exit("font lacks: " + " ".join("U+%04X" % ord(c) for c in missing))
    print("font covers all %d characters of %s" % (len(chars), sys.argv[2]))


if __name__ == "__main__":
    main()
