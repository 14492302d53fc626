#!/usr/bin/python3
"""Makes ui/fonts/VantrelMarks.ttf: the four full-width marks some captions
use ("。", "：", "『", "』"), cut out of WenQuanYi Micro Hei (Apache License
2.0) and renamed, so the window draws them on any machine and without
mapping a 5 MB CJK font for four glyphs.

Run by hand when the marks change; the build only uses the result.
Needs fonts-wqy-microhei and python3-fonttools (Debian's, hence
/usr/bin/python3).

Usage: scripts/make-marks-font.py [OUT]
"""
import sys

from fontTools import subset
from fontTools.ttLib import TTFont

SOURCE = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"
MARKS = [0x3002, 0xFF1A, 0x300E, 0x300F]
FAMILY = "Vantrel Marks"


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "ui/fonts/VantrelMarks.ttf"
    font = TTFont(SOURCE, fontNumber=0)
    options = subset.Options()
    options.layout_features = []
    options.name_IDs = ["*"]  # keeps the copyright and licence records
    options.notdef_outline = True
    options.hinting = False
    subsetter = subset.Subsetter(options)
    subsetter.populate(unicodes=MARKS)
    subsetter.subset(font)
    for record in font["name"].names:
        if record.nameID in (1, 4, 16):
            record.string = FAMILY
        elif record.nameID == 6:
            record.string = FAMILY.replace(" ", "")
        elif record.nameID == 3:
            record.string = FAMILY + " (subset of WenQuanYi Micro Hei)"
    font.save(out)


if __name__ == "__main__":
    main()
