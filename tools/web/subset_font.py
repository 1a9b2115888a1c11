#!/usr/bin/python3
"""Writes OUT: FONT cut down to the characters the stories draw, with its hinting, so that each of
them renders to the same pixels. The characters are those of the string literals in the C++
SOURCES, all of any other file given (story files), printable ASCII and U+FFFD, which the panels draw for bytes
that are not UTF-8. GSUB, GPOS and GDEF go: FreeType as SDL_ttf uses it never reads them.

Usage: subset_font.py FONT OUT SOURCES...   (Debian's python3, which has fontTools)
"""

import re
import sys

from fontTools import subset
from fontTools.ttLib import TTFont

LITERAL = re.compile(r'"((?:[^"\\\n]|\\.)*)"')


def characters(paths):
    chars = set(chr(c) for c in range(0x20, 0x7F))
    chars.add("\ufffd")
    for path in paths:
        with open(path, encoding="utf-8") as f:
            text = f.read()
        if path.endswith((".cpp", ".hpp")):
            for body in LITERAL.findall(text):
                chars.update(re.sub(r"\\.", "", body))
        else:
            # Options are numbered in ASCII or full-width digits, which the file need not write.
            chars.update(text + "０１２３４５６７８９")
    return {c for c in chars if c.isprintable() or c == "\ufffd"}


def main():
    if len(sys.argv) < 4:
        sys.exit("usage: subset_font.py FONT OUT SOURCES...")
    font_path, out, sources = sys.argv[1], sys.argv[2], sys.argv[3:]
    options = subset.Options()
    options.hinting = True
    options.notdef_outline = True
    options.name_IDs = ["*"]
    options.name_languages = ["*"]
    options.layout_features = []
    options.drop_tables += ["GSUB", "GPOS", "GDEF", "FFTM"]
    font = TTFont(font_path)
    subsetter = subset.Subsetter(options)
    subsetter.populate(text="".join(sorted(characters(sources))))
    subsetter.subset(font)
    font.save(out)


if __name__ == "__main__":
    main()
