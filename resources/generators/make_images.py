#!/usr/bin/python3
"""Draws the launcher's PNG images into resources/images.

Every picture is painted on a supersampled canvas of premultiplied floating-point RGBA and then
averaged down block by block, which gives clean antialiased edges; shapes are described by their
coverage masks.

    /usr/bin/python3 resources/generators/make_images.py
"""

from pathlib import Path

import numpy as np
from PIL import Image

OUT = Path(__file__).resolve().parent.parent / "images"
SUPER = 8  # supersampling factor


# ---------------------------------------------------------------- canvas and masks


class Canvas:
    """A premultiplied RGBA float canvas in output-pixel coordinates, sampled SUPER times finer."""

    def __init__(self, size):
        self.size = size
        n = size * SUPER
        self.rgba = np.zeros((n, n, 4))
        centres = (np.arange(n) + 0.5) / SUPER
        self.x, self.y = np.meshgrid(centres, centres)

    def paint(self, colour, mask, opacity=1.0):
        """Source-over of `colour` (RGB tuple 0..255 or an (n, n, 3) array) through `mask` (0..1)."""
        rgb = np.broadcast_to(np.asarray(colour, dtype=float) / 255.0, self.rgba.shape[:2] + (3,))
        alpha = np.clip(mask * opacity, 0.0, 1.0)
        keep = 1.0 - alpha
        self.rgba[..., :3] = rgb * alpha[..., None] + self.rgba[..., :3] * keep[..., None]
        self.rgba[..., 3] = alpha + self.rgba[..., 3] * keep

    def clip(self, mask):
        """Keeps only what lies inside `mask` (destination-in)."""
        self.rgba *= mask[..., None]

    def image(self):
        n = self.size
        blocks = self.rgba.reshape(n, SUPER, n, SUPER, 4).mean(axis=(1, 3))
        alpha = blocks[..., 3:4]
        rgb = np.where(alpha > 0, blocks[..., :3] / np.maximum(alpha, 1e-12), 0.0)
        out = np.concatenate([rgb, alpha], axis=2)
        return Image.fromarray(np.round(np.clip(out, 0, 1) * 255).astype(np.uint8), "RGBA")


def inside(distance):
    """Coverage from a signed distance (negative inside), hard-edged at sample level."""
    return (distance <= 0).astype(float)


def circle_distance(c, cx, cy, r):
    return np.hypot(c.x - cx, c.y - cy) - r


def ellipse_distance(c, cx, cy, rx, ry):
    """An approximate signed distance to an axis-aligned ellipse (exact on circles)."""
    k = np.hypot((c.x - cx) / rx, (c.y - cy) / ry)
    return (k - 1.0) * min(rx, ry)


def segment_distance(c, x0, y0, x1, y1, half_width):
    dx, dy = x1 - x0, y1 - y0
    t = np.clip(((c.x - x0) * dx + (c.y - y0) * dy) / (dx * dx + dy * dy), 0.0, 1.0)
    return np.hypot(c.x - (x0 + t * dx), c.y - (y0 + t * dy)) - half_width


def polyline_distance(c, points, half_width):
    parts = [segment_distance(c, *a, *b, half_width) for a, b in zip(points, points[1:])]
    return np.minimum.reduce(parts)


def rounded_rect_distance(c, left, top, right, bottom, radius):
    cx, cy = (left + right) / 2, (top + bottom) / 2
    hx, hy = (right - left) / 2 - radius, (bottom - top) / 2 - radius
    qx, qy = np.abs(c.x - cx) - hx, np.abs(c.y - cy) - hy
    outside = np.hypot(np.maximum(qx, 0), np.maximum(qy, 0))
    return outside + np.minimum(np.maximum(qx, qy), 0) - radius


def smooth(edge0, edge1, value):
    t = np.clip((value - edge0) / (edge1 - edge0), 0.0, 1.0)
    return t * t * (3 - 2 * t)


def mix(a, b, t):
    """Blends two RGB colours by a weight array into an (n, n, 3) array."""
    a, b = np.asarray(a, dtype=float), np.asarray(b, dtype=float)
    return a + (b - a) * t[..., None]


# ---------------------------------------------------------------- APP_ICON


def app_icon():
    """A dark rounded badge with a tilted orbit of coloured discs, the front one largest."""
    c = Canvas(48)
    badge = rounded_rect_distance(c, 2, 2, 46, 46, 11)
    c.paint((10, 14, 40), inside(badge - 0.9), 0.45)  # outline that separates it from light panels
    shade = smooth(2, 46, c.y)
    c.paint(mix((72, 92, 236), (28, 24, 96), shade), inside(badge))
    sheen = inside(badge + 0.8) * (1 - smooth(2, 26, c.y))
    c.paint((255, 255, 255), sheen, 0.16)
    c.paint((255, 255, 255), inside(badge) * inside(-(badge + 1.0)), 0.22)  # inner top-light rim

    cx, cy, rx, ry = 24.0, 25.0, 16.5, 8.0
    hub = 1 - smooth(0.0, 1.0, np.hypot((c.x - cx) / 11, (c.y - cy + 1) / 7))
    c.paint((150, 190, 255), hub, 0.45)
    orbit = np.abs(ellipse_distance(c, cx, cy, rx, ry)) - 0.55
    c.paint((190, 205, 255), inside(orbit), 0.55)

    hues = [(255, 170, 40), (60, 215, 200), (255, 95, 140), (250, 225, 80), (120, 225, 90), (90, 170, 255)]
    discs = []
    for i, hue in enumerate(hues):
        angle = np.pi / 2 + i * np.pi / 3
        depth = (np.sin(angle) + 1) / 2  # 1 at the front (bottom of the ellipse), 0 at the back
        discs.append((depth, cx + rx * np.cos(angle), cy + ry * np.sin(angle), 2.3 + 3.2 * depth, hue))
    for depth, x, y, r, hue in sorted(discs):
        darken = 0.8 + 0.2 * depth
        base = tuple(v * darken for v in hue)
        light = tuple(min(255, v * darken + 70) for v in hue)
        d = circle_distance(c, x, y, r)
        c.paint((8, 10, 30), inside(d - 0.7), 0.5)
        glow = smooth(-r * 1.2, r * 0.9, np.hypot(c.x - (x - r * 0.35), c.y - (y - r * 0.4)))
        c.paint(mix(light, base, glow), inside(d))
        if depth > 0.9:
            glint = inside(ellipse_distance(c, x - r * 0.35, y - r * 0.45, r * 0.38, r * 0.24))
            c.paint((255, 255, 255), glint, 0.75)
    return c.image()


# ---------------------------------------------------------------- LENS


def lens():
    """A glass dome over a 196 x 196 token: a gloss on the upper part, a faint rim and a lower glow.

    Nothing is drawn outside the centred circle of diameter 166; the middle stays clear so the
    token's picture shows through.
    """
    c = Canvas(196)
    centre, radius = 98.0, 83.0
    disc = inside(circle_distance(c, centre, centre, radius))
    r = np.hypot(c.x - centre, c.y - centre)
    up = np.clip((centre - c.y) / radius, -1, 1)  # 1 at the top, -1 at the bottom

    # Shading towards the edge gives the dome its curvature, heavier at the bottom.
    edge_shadow = smooth(radius - 22, radius, r) * (0.10 + 0.08 * (1 - up) / 2)
    c.paint((0, 0, 20), disc * edge_shadow / 0.18, 0.18)

    # The rim: a thin bright line, strongest at the top.
    rim = inside(np.abs(r - (radius - 1.1)) - 1.1)
    c.paint((255, 255, 255), rim * (0.20 + 0.30 * (up + 1) / 2))

    # The main gloss: an ellipse in the upper part fading from white at the top to nothing.
    gloss_shape = inside(ellipse_distance(c, centre, 62, 66, 46)) * inside(circle_distance(c, centre, centre, radius - 5))
    gloss_fade = 1 - smooth(20, 100, c.y)
    c.paint((255, 255, 255), gloss_shape * gloss_fade, 0.50)

    # A soft specular spot in the upper left.
    spot_distance = np.hypot((c.x - 66) / 17, (c.y - 44) / 10)
    c.paint((255, 255, 255), disc * (1 - smooth(0.2, 1.0, spot_distance)), 0.55)

    # Light caught at the bottom inside the glass.
    lower = inside(ellipse_distance(c, centre, 150, 58, 22)) * disc
    c.paint((255, 255, 255), lower * smooth(136, 172, c.y), 0.16)

    c.clip(disc)
    return c.image()


# ---------------------------------------------------------------- drag cursors


def no_drop():
    """A red crossed circle with a white border, readable on any background."""
    c = Canvas(32)
    ring = np.abs(circle_distance(c, 16, 16, 11.2)) - 1.9
    bar = segment_distance(c, 8.6, 8.6, 23.4, 23.4, 1.9)
    shape = np.minimum(ring, bar)
    c.paint((0, 0, 0), inside(circle_distance(c, 16.6, 17.0, 14.6)), 0.28)  # soft shadow
    c.paint((255, 255, 255), inside(circle_distance(c, 16, 16, 11.2)), 0.55)
    c.paint((255, 255, 255), inside(shape - 1.4))
    c.paint(mix((238, 72, 64), (178, 26, 26), smooth(4, 28, c.y)), inside(shape))
    return c.image()


def ok_drop():
    """A green disc with a white tick and a white border."""
    c = Canvas(32)
    d = circle_distance(c, 16, 16, 12.4)
    c.paint((0, 0, 0), inside(circle_distance(c, 16.6, 17.0, 14.6)), 0.28)
    c.paint((255, 255, 255), inside(d - 1.4))
    c.paint(mix((92, 205, 96), (28, 132, 52), smooth(4, 28, c.y)), inside(d))
    c.paint((255, 255, 255), inside(d + 1.2) * (1 - smooth(4, 17, c.y)), 0.22)
    tick = polyline_distance(c, [(9.6, 16.4), (14.0, 20.8), (22.6, 11.4)], 1.9)
    c.paint((255, 255, 255), inside(tick))
    return c.image()


def main():
    OUT.mkdir(parents=True, exist_ok=True)
    for name, draw in (("APP_ICON", app_icon), ("LENS", lens), ("NO_DROP", no_drop), ("OK_DROP", ok_drop)):
        path = OUT / f"{name}.png"
        draw().save(path, optimize=True)
        print(f"{path.name}: {path.stat().st_size} bytes")


if __name__ == "__main__":
    main()
