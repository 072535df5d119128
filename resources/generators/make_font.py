#!/usr/bin/python3
"""Builds the small TrueType font "TessaroGlyphs" that draws the zoom buttons' "-" and "+".

The glyphs are round-ended bars centred on the middle of the line box (between the ascender and
the descender), so a button that centres its text by the font's metrics centres them exactly.

    /usr/bin/python3 resources/generators/make_font.py
"""

import math
from pathlib import Path

from fontTools.fontBuilder import FontBuilder
from fontTools.pens.ttGlyphPen import TTGlyphPen

OUT = Path(__file__).resolve().parent.parent / "fonts" / "TessaroGlyphs.ttf"

UNITS = 1000
ASCENT, DESCENT = 800, 200
ADVANCE = 640
CENTRE_X, CENTRE_Y = ADVANCE / 2, (ASCENT - DESCENT) / 2
HALF_THICKNESS = 58  # half the stroke width of a bar
ARM = 250  # distance from the centre to the end of a bar
FIXED_TIME = 3786825600  # 2024-01-01 in the font's own epoch (1904), for a reproducible file


def arc(cx, cy, r, start, end, steps=4):
    """Quadratic segments approximating a circular arc: [(control, end point), ...], angles in radians."""
    segments = []
    step = (end - start) / steps
    for i in range(steps):
        a0, a1 = start + i * step, start + (i + 1) * step
        mid = (a0 + a1) / 2
        reach = r / math.cos(step / 2)
        control = (cx + reach * math.cos(mid), cy + reach * math.sin(mid))
        segments.append((control, (cx + r * math.cos(a1), cy + r * math.sin(a1))))
    return segments


def rounded(point):
    return (round(point[0]), round(point[1]))


def draw_outline(pen, start, pieces):
    """One closed contour from a start point and pieces that are points or arc segment lists."""
    pen.moveTo(rounded(start))
    for piece in pieces:
        if isinstance(piece, list):
            for control, end in piece:
                pen.qCurveTo(rounded(control), rounded(end))
        else:
            pen.lineTo(rounded(piece))
    pen.closePath()


def minus_glyph():
    """A horizontal bar with round ends, drawn clockwise (TrueType's outer direction)."""
    pen = TTGlyphPen(None)
    t, x0, x1, y = HALF_THICKNESS, CENTRE_X - ARM + HALF_THICKNESS, CENTRE_X + ARM - HALF_THICKNESS, CENTRE_Y
    draw_outline(pen, (x0, y - t), [
        arc(x0, y, t, -math.pi / 2, -3 * math.pi / 2),  # left cap, clockwise
        (x1, y + t),
        arc(x1, y, t, math.pi / 2, -math.pi / 2),  # right cap
    ])
    return pen.glyph()


def plus_glyph():
    """Two crossing bars as one clockwise contour: twelve corners, four round ends."""
    pen = TTGlyphPen(None)
    t, reach, cx, cy = HALF_THICKNESS, ARM - HALF_THICKNESS, CENTRE_X, CENTRE_Y
    draw_outline(pen, (cx - t, cy + t), [
        (cx - t, cy + reach),
        arc(cx, cy + reach, t, math.pi, 0),  # top
        (cx + t, cy + t),
        (cx + reach, cy + t),
        arc(cx + reach, cy, t, math.pi / 2, -math.pi / 2),  # right
        (cx + t, cy - t),
        (cx + t, cy - reach),
        arc(cx, cy - reach, t, 0, -math.pi),  # bottom
        (cx - t, cy - t),
        (cx - reach, cy - t),
        arc(cx - reach, cy, t, -math.pi / 2, -3 * math.pi / 2),  # left
    ])
    return pen.glyph()


def empty_glyph():
    return TTGlyphPen(None).glyph()


def notdef_glyph():
    """A hollow box for characters the font does not have."""
    pen = TTGlyphPen(None)
    draw_outline(pen, (80, 0), [(80, 700), (560, 700), (560, 0)])
    draw_outline(pen, (140, 60), [(500, 60), (500, 640), (140, 640)])
    return pen.glyph()


def build():
    fb = FontBuilder(UNITS, isTTF=True)
    fb.font.recalcTimestamp = False
    order = [".notdef", "space", "hyphen", "plus", "uni2212"]
    fb.setupGlyphOrder(order)
    fb.setupCharacterMap({0x20: "space", 0x2D: "hyphen", 0x2B: "plus", 0x2212: "uni2212"})
    glyphs = {".notdef": notdef_glyph(), "space": empty_glyph(), "hyphen": minus_glyph(),
              "plus": plus_glyph(), "uni2212": minus_glyph()}
    fb.setupGlyf(glyphs)
    metrics = {}
    for name in order:
        glyph = glyphs[name]
        glyph.recalcBounds(fb.font["glyf"])
        left = getattr(glyph, "xMin", 0)
        metrics[name] = (ADVANCE // 2 if name == "space" else ADVANCE, left)
    fb.setupHorizontalMetrics(metrics)
    fb.setupHorizontalHeader(ascent=ASCENT, descent=-DESCENT)
    fb.setupNameTable({
        "familyName": "TessaroGlyphs",
        "styleName": "Regular",
        "uniqueFontIdentifier": "TessaroGlyphs-Regular-1.0",
        "fullName": "TessaroGlyphs",
        "psName": "TessaroGlyphs",
        "version": "Version 1.000",
    })
    fb.setupOS2(sTypoAscender=ASCENT, sTypoDescender=-DESCENT, sTypoLineGap=0, usWinAscent=ASCENT,
                usWinDescent=DESCENT, sxHeight=500, sCapHeight=700, achVendID="TSSR", fsType=0)
    fb.setupPost()
    fb.updateHead(created=FIXED_TIME, modified=FIXED_TIME)
    return fb.font


def main():
    OUT.parent.mkdir(parents=True, exist_ok=True)
    build().save(OUT)
    print(f"{OUT.name}: {OUT.stat().st_size} bytes")


if __name__ == "__main__":
    main()
