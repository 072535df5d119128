#!/usr/bin/python3
"""Writes the scalable application icon, resources/desktop/tessaro.svg: the same badge as the
48 x 48 APP_ICON.png (make_images.py) drawn as vectors, for the hicolor "scalable" folder.

    /usr/bin/python3 resources/generators/make_app_icon_svg.py
"""

import math
from pathlib import Path

OUT = Path(__file__).resolve().parent.parent / "desktop" / "tessaro.svg"
HUES = [(255, 170, 40), (60, 215, 200), (255, 95, 140), (250, 225, 80), (120, 225, 90), (90, 170, 255)]
CX, CY, RX, RY = 24.0, 25.0, 16.5, 8.0


def rgb(colour):
    return "#%02x%02x%02x" % tuple(int(round(min(255, max(0, v)))) for v in colour)


def discs():
    """(depth, x, y, radius, hue) round the orbit, the back ones first."""
    result = []
    for i, hue in enumerate(HUES):
        angle = math.pi / 2 + i * math.pi / 3
        depth = (math.sin(angle) + 1) / 2  # 1 at the front (bottom of the ellipse), 0 at the back
        result.append((depth, CX + RX * math.cos(angle), CY + RY * math.sin(angle), 2.3 + 3.2 * depth, hue))
    return sorted(result)


def disc_elements():
    defs, shapes = [], []
    for n, (depth, x, y, r, hue) in enumerate(discs()):
        darken = 0.8 + 0.2 * depth
        base = tuple(v * darken for v in hue)
        light = tuple(v * darken + 70 for v in hue)
        defs.append(
            f'<radialGradient id="disc{n}" cx="{x - r * 0.35:.2f}" cy="{y - r * 0.4:.2f}" r="{r * 2.1:.2f}" '
            f'gradientUnits="userSpaceOnUse"><stop offset="0" stop-color="{rgb(light)}"/>'
            f'<stop offset="1" stop-color="{rgb(base)}"/></radialGradient>'
        )
        shapes.append(f'<circle cx="{x:.2f}" cy="{y:.2f}" r="{r + 0.7:.2f}" fill="#080a1e" fill-opacity="0.5"/>')
        shapes.append(f'<circle cx="{x:.2f}" cy="{y:.2f}" r="{r:.2f}" fill="url(#disc{n})"/>')
        if depth > 0.9:
            shapes.append(
                f'<ellipse cx="{x - r * 0.35:.2f}" cy="{y - r * 0.45:.2f}" rx="{r * 0.38:.2f}" '
                f'ry="{r * 0.24:.2f}" fill="#ffffff" fill-opacity="0.75"/>'
            )
    return defs, shapes


def svg():
    defs, shapes = disc_elements()
    lines = [
        '<?xml version="1.0" encoding="UTF-8"?>',
        '<svg xmlns="http://www.w3.org/2000/svg" width="48" height="48" viewBox="0 0 48 48">',
        "<defs>",
        '<linearGradient id="badge" x1="0" y1="2" x2="0" y2="46" gradientUnits="userSpaceOnUse">'
        '<stop offset="0" stop-color="#485cec"/><stop offset="1" stop-color="#1c1860"/></linearGradient>',
        '<linearGradient id="sheen" x1="0" y1="2" x2="0" y2="26" gradientUnits="userSpaceOnUse">'
        '<stop offset="0" stop-color="#ffffff" stop-opacity="0.16"/>'
        '<stop offset="1" stop-color="#ffffff" stop-opacity="0"/></linearGradient>',
        '<radialGradient id="hub" cx="24" cy="24" r="11" gradientTransform="matrix(1 0 0 0.64 0 8.64)" '
        'gradientUnits="userSpaceOnUse"><stop offset="0" stop-color="#96beff" stop-opacity="0.45"/>'
        '<stop offset="1" stop-color="#96beff" stop-opacity="0"/></radialGradient>',
        *defs,
        "</defs>",
        '<rect x="1.1" y="1.1" width="45.8" height="45.8" rx="11.9" fill="#0a0e28" fill-opacity="0.45"/>',
        '<rect x="2" y="2" width="44" height="44" rx="11" fill="url(#badge)"/>',
        '<rect x="2.8" y="2.8" width="42.4" height="42.4" rx="10.2" fill="url(#sheen)"/>',
        '<rect x="2.5" y="2.5" width="43" height="43" rx="10.5" fill="none" stroke="#ffffff" '
        'stroke-opacity="0.22" stroke-width="1"/>',
        '<ellipse cx="24" cy="24" rx="11" ry="7" fill="url(#hub)"/>',
        f'<ellipse cx="{CX}" cy="{CY}" rx="{RX}" ry="{RY}" fill="none" stroke="#becdff" '
        'stroke-opacity="0.55" stroke-width="1.1"/>',
        *shapes,
        "</svg>",
    ]
    return "\n".join(lines) + "\n"


def main():
    OUT.parent.mkdir(parents=True, exist_ok=True)
    OUT.write_text(svg())
    print(f"{OUT.name}: {OUT.stat().st_size} bytes")


if __name__ == "__main__":
    main()
