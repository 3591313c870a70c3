#!/usr/bin/python3
"""Draws every picture of Lanternfall: lanterns, gloomers, blocks, the launcher,
particles, the UI pieces and the parallax layers of the two themes.

    /usr/bin/python3 demo/tools/make_art.py OUTDIR

writes OUTDIR/game/*.png (plus pivots.txt), OUTDIR/ui/*.png and OUTDIR/themes/*.png.
Everything is procedural with fixed seeds, so every run writes the same bytes.
Needs only Pillow (Debian's python3-pil). Shapes are drawn on a supersampled canvas and
scaled down with LANCZOS, which gives the anti-aliasing and the soft edges.
"""

import math
import os
import random
import sys
import zlib

from PIL import Image, ImageChops, ImageDraw, ImageFilter

SS = 4        # supersampling of the sprites
SS_THEME = 2  # the parallax layers are large and soft: less is enough there

PALETTE = {
    # lanterns
    "core": (255, 252, 232),
    "yellow": (255, 214, 96),
    "orange": (244, 146, 52),
    "red": (208, 74, 44),
    "deep": (150, 52, 30),
    "lantern_line": (86, 34, 22),
    "lacquer": (84, 36, 32),
    "iron_light": (132, 128, 142),
    "iron": (74, 70, 84),
    "iron_dark": (34, 32, 40),
    # bamboo
    "bamboo_light": (206, 224, 132),
    "bamboo": (148, 182, 80),
    "bamboo_dark": (88, 122, 52),
    "bamboo_node": (104, 100, 48),
    "bamboo_shine": (238, 246, 196),
    "bamboo_line": (42, 58, 28),
    "cord": (214, 182, 118),
    "cord_dark": (140, 104, 60),
    # stone
    "stone_light": (190, 190, 198),
    "stone": (142, 144, 154),
    "stone_dark": (98, 100, 112),
    "mortar": (72, 70, 80),
    "stone_line": (40, 40, 48),
    # paper
    "paper_light": (253, 248, 230),
    "paper": (242, 230, 198),
    "paper_shade": (216, 198, 158),
    "lattice": (154, 100, 60),
    "lattice_light": (196, 142, 92),
    "paper_line": (84, 52, 34),
    # gloomers
    "gloom_light": (108, 74, 146),
    "gloom": (62, 38, 92),
    "gloom_dark": (24, 14, 38),
    "gloom_rim": (176, 146, 226),
    "gloom_eye": (238, 234, 255),
    "gloom_eye_glow": (180, 160, 240),
    # ui
    "gold_light": (255, 228, 144),
    "gold": (236, 180, 80),
    "gold_dark": (150, 88, 36),
    "plum_light": (124, 66, 98),
    "plum": (72, 36, 68),
    "plum_dark": (44, 22, 46),
    "cream": (255, 248, 228),
    "cream_shade": (236, 212, 164),
    "ink": (50, 28, 34),
    "white": (255, 255, 255),
    # dusk hills theme
    "dusk_glow": (240, 150, 116),
    "dusk_far": (128, 88, 134),
    "dusk_far2": (100, 64, 114),
    "dusk_mid": (86, 54, 98),
    "dusk_mid_low": (58, 36, 74),
    "dusk_near": (52, 32, 66),
    "dusk_near_low": (36, 22, 48),
    "dusk_rim": (236, 150, 128),
    "moss": (98, 122, 72),
    "moss_dark": (66, 88, 56),
    "earth": (94, 62, 68),
    "earth_dark": (50, 32, 44),
    # frost night theme
    "night_star": (232, 240, 255),
    "frost_far": (66, 88, 130),
    "frost_mid": (50, 70, 108),
    "frost_shadow": (30, 44, 76),
    "snow": (230, 240, 255),
    "snow_shade": (168, 188, 222),
    "pine": (22, 40, 52),
    "ice_earth": (52, 70, 104),
    "ice_earth_dark": (26, 38, 64),
}


def P(name, alpha=255):
    """A palette colour with the given alpha."""
    return PALETTE[name] + (alpha,)


def seed_of(name):
    """Stable per-sprite seed (Python's own hash() changes between runs)."""
    return zlib.crc32(name.encode("utf-8"))


def lerp(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(len(a)))


def rgba(c):
    return tuple(c) if len(c) == 4 else tuple(c) + (255,)


def shade(c, amount):
    """Lighter (amount > 0) or darker (amount < 0) version of c, alpha kept."""
    c = rgba(c)
    target = (255, 255, 255) if amount > 0 else (0, 0, 0)
    return lerp(c[:3], target, abs(amount)) + (c[3],)


# ---------------------------------------------------------------------------
# Drawing surface

def ramp(stops):
    """256 RGBA entries from (position 0..1, colour) stops."""
    stops = [(t, rgba(c)) for t, c in stops]
    table = []
    for i in range(256):
        t = i / 255.0
        (t0, c0), (t1, c1) = stops[0], stops[-1]
        for (a, ca), (b, cb) in zip(stops, stops[1:]):
            (t0, c0), (t1, c1) = (a, ca), (b, cb)
            if t <= b:
                break
        u = 0.0 if t1 == t0 else min(1.0, max(0.0, (t - t0) / (t1 - t0)))
        table.append(lerp(c0, c1, u))
    return table


def colorize(gray, stops):
    """Maps an L image through a colour ramp into RGBA."""
    table = ramp(stops)
    return Image.merge("RGBA", [gray.point([c[i] for c in table]) for i in range(4)])


_DISTANCE = None


def unit_distance():
    """256x256 L image: distance from the centre, 255 at radius 128 and beyond."""
    global _DISTANCE
    if _DISTANCE is None:
        data = []
        for y in range(256):
            dy = y - 127.5
            for x in range(256):
                d = math.hypot(x - 127.5, dy) / 128.0
                data.append(min(255, int(d * 255)))
        _DISTANCE = Image.new("L", (256, 256))
        _DISTANCE.putdata(data)
    return _DISTANCE


class Canvas:
    """Supersampled RGBA surface addressed in final pixel units.

    padx adds a margin left and right that is cut off at the end; periodic layers draw
    into it so the scaling filter sees the wrapped neighbours and the tile joins up."""

    def __init__(self, w, h, scale=SS, padx=0):
        self.w, self.h, self.s, self.padx = w, h, scale, padx
        self.size = ((w + 2 * padx) * scale, h * scale)
        self.img = Image.new("RGBA", self.size, (0, 0, 0, 0))

    def xy(self, x, y):
        return ((x + self.padx) * self.s, y * self.s)

    def pts(self, points):
        return [self.xy(x, y) for x, y in points]

    def box(self, x0, y0, x1, y1):
        a, b = self.xy(x0, y0), self.xy(x1, y1)
        return [a[0], a[1], b[0] - 1, b[1] - 1]

    def px(self, length):
        return max(1, int(round(length * self.s)))

    def mask(self):
        return Image.new("L", self.size, 0)

    def layer(self):
        return Image.new("RGBA", self.size, (0, 0, 0, 0))

    def paint(self, layer, clip=None):
        if clip is not None:
            layer = layer.copy()
            layer.putalpha(ImageChops.multiply(layer.getchannel("A"), clip))
        self.img.alpha_composite(layer)

    def fill(self, clip, colour):
        self.paint(Image.new("RGBA", self.size, rgba(colour)), clip)

    def linear(self, clip, stops, a, b, axis="y"):
        """Gradient from coordinate a to b along axis, masked by clip."""
        n = self.size[1] if axis == "y" else self.size[0]
        off = 0 if axis == "y" else self.padx
        values = []
        for i in range(n):
            u = (i + 0.5) / self.s - off
            values.append(int(255 * min(1.0, max(0.0, (u - a) / (b - a)))) if b != a else 0)
        line = Image.new("L", (1, n) if axis == "y" else (n, 1))
        line.putdata(values)
        self.paint(colorize(line.resize(self.size, Image.NEAREST), stops), clip)

    def radial(self, clip, cx, cy, r, stops, ry=None):
        """Gradient by distance from (cx, cy): position 0 at the centre, 1 at r."""
        ry = r if ry is None else ry
        dist = Image.new("L", self.size, 255)
        w, h = max(1, int(2 * r * self.s)), max(1, int(2 * ry * self.s))
        x, y = self.xy(cx - r, cy - ry)
        dist.paste(unit_distance().resize((w, h), Image.BILINEAR), (int(round(x)), int(round(y))))
        self.paint(colorize(dist, stops), clip)

    def glow(self, cx, cy, r, colour, strength=1.0):
        c = colour[:3]
        a = int(255 * strength)
        self.radial(None, cx, cy, r, [(0, c + (a,)), (0.25, c + (int(a * 0.6),)),
                                      (0.6, c + (int(a * 0.18),)), (1, c + (0,))])

    def erase(self, holes):
        """Clears alpha where holes is set."""
        self.img.putalpha(ImageChops.multiply(self.img.getchannel("A"), ImageChops.invert(holes)))

    def alpha(self):
        return self.img.getchannel("A")

    def result(self):
        out = self.img.resize((self.w + 2 * self.padx, self.h), Image.LANCZOS)
        if self.padx:
            out = out.crop((self.padx, 0, self.padx + self.w, self.h))
        return out


def ellipse_mask(cv, x0, y0, x1, y1):
    m = cv.mask()
    ImageDraw.Draw(m).ellipse(cv.box(x0, y0, x1, y1), fill=255)
    return m


def rrect_mask(cv, x0, y0, x1, y1, radius):
    m = cv.mask()
    ImageDraw.Draw(m).rounded_rectangle(cv.box(x0, y0, x1, y1), radius=radius * cv.s, fill=255)
    return m


def poly_mask(cv, points):
    m = cv.mask()
    ImageDraw.Draw(m).polygon(cv.pts(points), fill=255)
    return m


def ring_of(cv, mask, width):
    """The band of the given width just outside mask (an outline for any shape)."""
    k = 2 * max(1, int(round(width * cv.s))) + 1
    return ImageChops.subtract(mask.filter(ImageFilter.MaxFilter(k)), mask)


def line(cv, im, points, colour, width, curve=True):
    ImageDraw.Draw(im).line(cv.pts(points), fill=rgba(colour), width=cv.px(width),
                            joint="curve" if curve else None)


def bezier(p0, p1, p2, n=24):
    out = []
    for i in range(n + 1):
        t = i / n
        a, b, c = (1 - t) ** 2, 2 * (1 - t) * t, t * t
        out.append((a * p0[0] + b * p1[0] + c * p2[0], a * p0[1] + b * p1[1] + c * p2[1]))
    return out


def highlight(cv, x0, y0, x1, y1, alpha=150):
    m = ellipse_mask(cv, x0, y0, x1, y1).filter(ImageFilter.GaussianBlur(0.5 * cv.s))
    cv.fill(m, P("white", alpha))


# ---------------------------------------------------------------------------
# Lanterns

def paper_lantern(cv, cx, cy, rx, ry, body, line_colour, ribs=(0.38, 0.74)):
    """A round ribbed paper lantern lit from inside; body = colours from core to rim."""
    m = ellipse_mask(cv, cx - rx, cy - ry, cx + rx, cy + ry)
    cv.radial(m, cx, cy + ry * 0.12, max(rx, ry) * 1.05, body)
    ribs_layer = cv.layer()
    d = ImageDraw.Draw(ribs_layer)
    for f in ribs:
        d.ellipse(cv.box(cx - rx * f, cy - ry, cx + rx * f, cy + ry),
                  outline=rgba(line_colour[:3] + (110,)), width=cv.px(0.6))
    cv.paint(ribs_layer, m)
    ring = cv.layer()
    ImageDraw.Draw(ring).ellipse(cv.box(cx - rx, cy - ry, cx + rx, cy + ry),
                                 outline=rgba(line_colour), width=cv.px(0.9))
    cv.paint(ring)
    highlight(cv, cx - rx * 0.62, cy - ry * 0.66, cx - rx * 0.12, cy - ry * 0.3, 140)
    caps = cv.layer()
    d = ImageDraw.Draw(caps)
    cw, ch = rx * 0.52, max(1.2, ry * 0.16)
    for y in (cy - ry, cy + ry):
        d.rounded_rectangle(cv.box(cx - cw, y - ch, cx + cw, y + ch), radius=ch * cv.s * 0.6,
                            fill=P("lacquer"), outline=rgba(line_colour), width=cv.px(0.5))
    cv.paint(caps)


def glowing_body(core_hot=True):
    first = P("core") if core_hot else P("yellow")
    return [(0, first), (0.35, P("yellow")), (0.78, P("orange")), (1, P("red"))]


def spark(size):
    cv = Canvas(size, size)
    c = size / 2
    cv.glow(c, c, c, PALETTE["yellow"], 0.75)
    paper_lantern(cv, c, c, c * 0.6, c * 0.66, glowing_body(), P("deep"))
    return cv.result()


def flare():
    cv = Canvas(28, 28)
    c = 14
    cv.glow(c, c, 14, PALETTE["orange"], 0.8)
    # a burst of short rays: this one splits in flight
    rays = []
    for i in range(16):
        a = math.pi * 2 * i / 16 + 0.2
        r = 13.4 if i % 2 == 0 else 7.5
        rays.append((c + r * math.cos(a), c + r * math.sin(a)))
    m = poly_mask(cv, rays).filter(ImageFilter.GaussianBlur(0.4 * cv.s))
    cv.radial(m, c, c, 13.5, [(0, P("core")), (0.5, P("yellow")), (1, P("orange", 120))])
    body = [(0, P("core")), (0.3, P("yellow")), (0.65, P("orange")), (1, (196, 50, 60, 255))]
    paper_lantern(cv, c, c, 7.6, 8.4, body, P("lantern_line"), ribs=(0.45,))
    return cv.result()


def ember():
    """The heavy one: an iron cage lantern with a hot core behind the bars."""
    cv = Canvas(32, 32)
    c = 16
    cv.glow(c, c, 16, PALETTE["orange"], 0.45)
    outer = ellipse_mask(cv, c - 14, c - 14, c + 14, c + 14)
    cv.radial(outer, c - 4, c - 5, 22, [(0, P("iron_light")), (0.45, P("iron")), (1, P("iron_dark"))])
    window = ellipse_mask(cv, c - 9.5, c - 9.5, c + 9.5, c + 9.5)
    cv.fill(window, P("iron_dark"))
    inner = ellipse_mask(cv, c - 8.6, c - 8.6, c + 8.6, c + 8.6)
    cv.radial(inner, c, c + 1, 9.5, [(0, P("core")), (0.3, P("yellow")), (0.7, P("orange")), (1, P("red"))])
    bars = cv.layer()
    d = ImageDraw.Draw(bars)
    for x0, y0, x1, y1 in ((c - 1.3, c - 10, c + 1.3, c + 10), (c - 10, c - 1.3, c + 10, c + 1.3)):
        d.rectangle(cv.box(x0, y0, x1, y1), fill=P("iron"))
    d.line(cv.pts([(c - 0.6, c - 9.5), (c - 0.6, c + 9.5)]), fill=P("iron_light"), width=cv.px(0.6))
    d.line(cv.pts([(c - 9.5, c - 0.6), (c + 9.5, c - 0.6)]), fill=P("iron_light"), width=cv.px(0.6))
    cv.paint(bars, window)
    trim = cv.layer()
    d = ImageDraw.Draw(trim)
    d.ellipse(cv.box(c - 9.5, c - 9.5, c + 9.5, c + 9.5), outline=P("iron_dark"), width=cv.px(0.8))
    d.ellipse(cv.box(c - 14, c - 14, c + 14, c + 14), outline=P("iron_dark"), width=cv.px(1.0))
    for k in range(4):
        a = math.pi / 4 + k * math.pi / 2
        x, y = c + 11.8 * math.cos(a), c + 11.8 * math.sin(a)
        d.ellipse(cv.box(x - 1.3, y - 1.3, x + 1.3, y + 1.3), fill=P("iron_light"), outline=P("iron_dark"),
                  width=cv.px(0.4))
    cv.paint(trim)
    highlight(cv, c - 11, c - 12, c - 4, c - 8, 90)
    return cv.result()


def make_lanterns(out):
    out["spark"] = spark(24)
    out["spark_small"] = spark(16)
    out["flare"] = flare()
    out["ember"] = ember()


# ---------------------------------------------------------------------------
# Gloomers

def gloomer(size, hurt):
    cv = Canvas(size, size)
    c = size / 2.0
    R = size / 2.0
    rb = R * 0.84
    # a wobbly round outline: soft, not a perfect ball
    pts = []
    for i in range(96):
        a = 2 * math.pi * i / 96
        r = rb * (1 + 0.025 * math.sin(5 * a + 0.5) + 0.012 * math.sin(9 * a + 1.3))
        pts.append((c + r * math.cos(a), c + 0.4 + r * 0.96 * math.sin(a)))
    body = poly_mask(cv, pts).filter(ImageFilter.GaussianBlur(0.35 * cv.s))
    aura = (96, 60, 140)
    cv.radial(None, c, c + 0.5, R, [(0.72, aura + (150,)), (0.86, aura + (60,)), (1, aura + (0,))])
    cv.radial(body, c - R * 0.28, c - R * 0.36, R * 1.55,
              [(0, P("gloom_light")), (0.4, P("gloom")), (1, P("gloom_dark"))])
    # a pale rim on the upper left: the body minus itself moved down-right
    shifted = ImageChops.offset(body, int(1.3 * cv.s), int(1.5 * cv.s))
    rim = ImageChops.subtract(body, shifted).filter(ImageFilter.GaussianBlur(0.4 * cv.s))
    cv.fill(rim, P("gloom_rim", 110))
    edge = cv.layer()
    ImageDraw.Draw(edge).polygon(cv.pts(pts), outline=P("gloom_dark", 210), width=cv.px(0.8))
    cv.paint(edge.filter(ImageFilter.GaussianBlur(0.25 * cv.s)))
    ex, ey = R * 0.3, c - R * 0.1
    erx, ery = R * 0.12, R * 0.18
    for sx in (-1, 1):
        cv.glow(c + sx * ex, ey, R * 0.34, PALETTE["gloom_eye_glow"], 0.45)
    eyes = cv.layer()
    d = ImageDraw.Draw(eyes)
    if not hurt:
        for sx in (-1, 1):
            x = c + sx * ex
            d.ellipse(cv.box(x - erx, ey - ery, x + erx, ey + ery), fill=P("gloom_eye"))
            g = erx * 0.45
            d.ellipse(cv.box(x - erx * 0.45 - g / 2, ey - ery * 0.55 - g / 2, x - erx * 0.45 + g / 2,
                             ey - ery * 0.55 + g / 2), fill=P("white"))
    else:
        # squeezed shut: two chevrons pointing at each other
        for sx in (-1, 1):
            x = c + sx * ex
            w, h = erx * 1.3, ery * 0.75
            tip = x + sx * -w * 0.6
            d.line(cv.pts([(x + sx * w * 0.7, ey - h), (tip, ey), (x + sx * w * 0.7, ey + h)]),
                   fill=P("gloom_eye"), width=cv.px(R * 0.085), joint="curve")
    cv.paint(eyes)
    if hurt:
        crack_glow = cv.layer()
        rng = random.Random(seed_of("gloomer_crack%d" % size))
        x, y = c + R * 0.8, c + R * 0.02
        pts = [(x, y)]
        for i in range(4):
            x -= R * rng.uniform(0.08, 0.13)
            y += R * rng.uniform(0.08, 0.14)
            k = R * (0.06 if i % 2 else -0.06)
            x, y = x + k, y + k
            pts.append((x, y))
        line(cv, crack_glow, pts, P("gloom_rim", 120), R * 0.16)
        blurred = crack_glow.filter(ImageFilter.GaussianBlur(0.6 * cv.s))
        cv.paint(blurred, body)
        bright = cv.layer()
        line(cv, bright, pts, P("gloom_eye", 235), R * 0.05)
        mouth = [(c - R * 0.16 + R * 0.08 * i, c + R * 0.3 + (R * 0.04 if i % 2 else -R * 0.02)) for i in range(5)]
        line(cv, bright, mouth, P("gloom_eye", 200), R * 0.05)
        cv.paint(bright, body)
    return cv.result()


def make_gloomers(out):
    out["gloomer"] = gloomer(36, False)
    out["gloomer_big"] = gloomer(52, False)
    out["gloomer_hurt"] = gloomer(36, True)
    out["gloomer_big_hurt"] = gloomer(52, True)


# ---------------------------------------------------------------------------
# Blocks: bamboo, stone, paper; each shape plain and cracked

SHAPES = {
    "beam": (160, 20), "plank": (80, 20), "square": (40, 40),
    "post": (20, 80), "small": (20, 20), "ball": (40, 40),
}


def bamboo_pole(cv, x0, y0, x1, y1, nodes, tone=0.0):
    """One bamboo cane filling the box, lit from the upper left; nodes along its length."""
    horizontal = (x1 - x0) >= (y1 - y0)
    thick = (y1 - y0) if horizontal else (x1 - x0)
    m = rrect_mask(cv, x0 + 0.3, y0 + 0.3, x1 - 0.3, y1 - 0.3, thick * 0.32)
    tan = PALETTE["cord"]
    cols = [lerp(PALETTE[k], tan, tone) for k in ("bamboo_light", "bamboo", "bamboo_dark")]
    stops = [(0, cols[0]), (0.32, cols[1]), (1, cols[2])]
    if horizontal:
        cv.linear(m, stops, y0, y1, "y")
    else:
        cv.linear(m, stops, x0, x1, "x")
    deco = cv.layer()
    d = ImageDraw.Draw(deco)
    if horizontal:
        s0, s1 = y0 + thick * 0.2, y0 + thick * 0.32
        d.rectangle(cv.box(x0 + 3, s0, x1 - 3, s1), fill=P("bamboo_shine", 120))
        for p in nodes:
            d.rectangle(cv.box(x0 + p - 1.0, y0, x0 + p + 0.6, y1), fill=P("bamboo_node", 235))
            d.rectangle(cv.box(x0 + p + 0.6, y0, x0 + p + 1.4, y1), fill=P("bamboo_shine", 150))
    else:
        s0, s1 = x0 + thick * 0.2, x0 + thick * 0.32
        d.rectangle(cv.box(s0, y0 + 3, s1, y1 - 3), fill=P("bamboo_shine", 120))
        for p in nodes:
            d.rectangle(cv.box(x0, y0 + p - 1.0, x1, y0 + p + 0.6), fill=P("bamboo_node", 235))
            d.rectangle(cv.box(x0, y0 + p + 0.6, x1, y0 + p + 1.4), fill=P("bamboo_shine", 150))
    cv.paint(deco, m)
    edge = cv.layer()
    ImageDraw.Draw(edge).rounded_rectangle(cv.box(x0 + 0.3, y0 + 0.3, x1 - 0.3, y1 - 0.3),
                                           radius=thick * 0.32 * cv.s, outline=P("bamboo_line"),
                                           width=cv.px(1.0))
    cv.paint(edge)


def lashing(cv, x0, y0, x1, y1):
    """A band of cord wrapped round canes."""
    m = rrect_mask(cv, x0, y0, x1, y1, 0.8)
    cv.linear(m, [(0, shade(P("cord"), 0.25)), (1, P("cord_dark"))], y0, y1)
    wraps = cv.layer()
    d = ImageDraw.Draw(wraps)
    horizontal = (x1 - x0) > (y1 - y0)
    if horizontal:
        x = x0 - 3
        while x < x1 + 3:
            d.line(cv.pts([(x, y1), (x + 2.4, y0)]), fill=P("cord_dark", 200), width=cv.px(0.5))
            x += 2.0
    else:
        y = y0 - 3
        while y < y1 + 3:
            d.line(cv.pts([(x0, y + 2.4), (x1, y)]), fill=P("cord_dark", 200), width=cv.px(0.5))
            y += 2.0
    d.rounded_rectangle(cv.box(x0, y0, x1, y1), radius=0.8 * cv.s, outline=P("bamboo_line", 220),
                        width=cv.px(0.5))
    cv.paint(wraps, ImageChops.lighter(m, ring_of(cv, m, 0.5)))


def bamboo_ball(cv, w, h):
    c, r = w / 2, w / 2 - 0.5
    m = ellipse_mask(cv, c - r, c - r, c + r, c + r)
    cv.radial(m, c - r * 0.3, c - r * 0.35, r * 1.7,
              [(0, lerp(PALETTE["bamboo_light"], PALETTE["cord"], 0.4)), (0.5, P("bamboo")),
               (1, P("bamboo_dark"))])
    weave = cv.layer()
    d = ImageDraw.Draw(weave)
    for f in (0.3, 0.66, 1.0):
        d.ellipse(cv.box(c - r * f, c - r, c + r * f, c + r), outline=P("bamboo_node", 210), width=cv.px(1.1))
        d.ellipse(cv.box(c - r, c - r * f, c + r, c + r * f), outline=P("bamboo_node", 150), width=cv.px(0.9))
    cv.paint(weave, m)
    cv.radial(m, c, c, r, [(0.6, (0, 0, 0, 0)), (1, P("bamboo_line", 110))])
    highlight(cv, c - r * 0.62, c - r * 0.68, c - r * 0.1, c - r * 0.36, 120)
    edge = cv.layer()
    ImageDraw.Draw(edge).ellipse(cv.box(c - r, c - r, c + r, c + r), outline=P("bamboo_line"), width=cv.px(1.0))
    cv.paint(edge)


def draw_bamboo(cv, shape, w, h):
    if shape == "beam":
        bamboo_pole(cv, 0, 0, 160, 20, [34, 80, 126])
    elif shape == "plank":
        bamboo_pole(cv, 0, 0, 80, 20, [27, 54])
    elif shape == "post":
        bamboo_pole(cv, 0, 0, 20, 80, [26, 54])
    elif shape == "small":
        bamboo_pole(cv, 0, 0, 20, 10, [6])
        bamboo_pole(cv, 0, 10, 20, 20, [14], tone=0.25)
        lashing(cv, 8.5, 0.5, 11.5, 19.5)
    elif shape == "square":
        for i, (n, tone) in enumerate(((14, 0.0), (24, 0.2), (11, 0.05), (28, 0.3))):
            bamboo_pole(cv, i * 10, 0, i * 10 + 10, 40, [n], tone)
        lashing(cv, 0.5, 6.5, 39.5, 9.5)
        lashing(cv, 0.5, 30.5, 39.5, 33.5)
    else:
        bamboo_ball(cv, w, h)


def bricks_for(shape, rng):
    """Brick rectangles of a stone block."""
    if shape == "beam":
        cuts = [0, 37 + rng.uniform(-3, 3), 80 + rng.uniform(-3, 3), 121 + rng.uniform(-3, 3), 160]
        return [(a, 0, b, 20) for a, b in zip(cuts, cuts[1:])]
    if shape == "plank":
        cut = 42 + rng.uniform(-3, 3)
        return [(0, 0, cut, 20), (cut, 0, 80, 20)]
    if shape == "post":
        cuts = [0, 27 + rng.uniform(-2, 2), 54 + rng.uniform(-2, 2), 80]
        return [(0, a, 20, b) for a, b in zip(cuts, cuts[1:])]
    if shape == "small":
        return [(0, 0, 20, 20)]
    if shape == "square":
        return [(0, 0, 23, 20), (23, 0, 40, 20), (0, 20, 15, 40), (15, 20, 40, 40)]
    return []


def stone_block(cv, w, h, bricks, rng):
    outer = rrect_mask(cv, 0, 0, w, h, 1.5)
    cv.fill(outer, P("mortar"))
    for (x0, y0, x1, y1) in bricks:
        g = 0.7
        bx0, by0, bx1, by1 = x0 + g, y0 + g, x1 - g, y1 - g
        tone = rng.uniform(-0.08, 0.08)
        base = shade(P("stone"), tone)
        m = rrect_mask(cv, bx0, by0, bx1, by1, 1.4)
        cv.linear(m, [(0, shade(base, 0.12)), (1, shade(base, -0.1))], by0, by1)
        bevel = cv.layer()
        d = ImageDraw.Draw(bevel)
        b = 1.6
        d.polygon(cv.pts([(bx0, by0), (bx1, by0), (bx1 - b, by0 + b), (bx0 + b, by0 + b)]), fill=P("stone_light", 200))
        d.polygon(cv.pts([(bx0, by0), (bx0 + b, by0 + b), (bx0 + b, by1 - b), (bx0, by1)]), fill=P("stone_light", 130))
        d.polygon(cv.pts([(bx0, by1), (bx0 + b, by1 - b), (bx1 - b, by1 - b), (bx1, by1)]), fill=P("stone_dark", 220))
        d.polygon(cv.pts([(bx1, by0), (bx1, by1), (bx1 - b, by1 - b), (bx1 - b, by0 + b)]), fill=P("stone_dark", 160))
        area = (bx1 - bx0) * (by1 - by0)
        for _ in range(int(area / 14)):
            x, y = rng.uniform(bx0 + 2, bx1 - 2), rng.uniform(by0 + 2, by1 - 2)
            s = rng.uniform(0.35, 0.8)
            col = P("stone_dark", 120) if rng.random() < 0.6 else P("stone_light", 120)
            d.ellipse(cv.box(x - s, y - s, x + s, y + s), fill=col)
        cv.paint(bevel, m)
    edge = cv.layer()
    ImageDraw.Draw(edge).rounded_rectangle(cv.box(0, 0, w, h), radius=1.5 * cv.s, outline=P("stone_line"),
                                           width=cv.px(1.0))
    cv.paint(edge)


def stone_ball(cv, w, rng):
    c, r = w / 2, w / 2 - 0.5
    m = ellipse_mask(cv, c - r, c - r, c + r, c + r)
    cv.radial(m, c - r * 0.35, c - r * 0.4, r * 1.75,
              [(0, P("stone_light")), (0.45, P("stone")), (1, P("stone_dark"))])
    grit = cv.layer()
    d = ImageDraw.Draw(grit)
    for _ in range(70):
        a, rr = rng.uniform(0, 2 * math.pi), r * math.sqrt(rng.random())
        x, y = c + rr * math.cos(a), c + rr * math.sin(a)
        s = rng.uniform(0.35, 0.9)
        col = P("stone_dark", 130) if rng.random() < 0.6 else P("stone_light", 140)
        d.ellipse(cv.box(x - s, y - s, x + s, y + s), fill=col)
    # a chiselled band round the ball so it reads as worked stone when it rolls
    d.arc(cv.box(c - r * 1.6, c - r * 0.35, c + r * 0.4, c + r * 2.2), 250, 330,
          fill=P("stone_dark", 170), width=cv.px(1.0))
    d.arc(cv.box(c - r * 1.6, c - r * 0.35 + 1, c + r * 0.4, c + r * 2.2 + 1), 250, 330,
          fill=P("stone_light", 110), width=cv.px(0.6))
    cv.paint(grit, m)
    highlight(cv, c - r * 0.6, c - r * 0.66, c - r * 0.12, c - r * 0.34, 110)
    edge = cv.layer()
    ImageDraw.Draw(edge).ellipse(cv.box(c - r, c - r, c + r, c + r), outline=P("stone_line"), width=cv.px(1.0))
    cv.paint(edge)


def draw_stone(cv, shape, w, h, rng):
    if shape == "ball":
        stone_ball(cv, w, rng)
    else:
        stone_block(cv, w, h, bricks_for(shape, rng), rng)


def paper_screen(cv, w, h, verticals, horizontals, rng):
    """Paper stretched in a wooden lattice frame."""
    frame = 2.4
    outer = rrect_mask(cv, 0, 0, w, h, 1.2)
    cv.linear(outer, [(0, P("lattice_light")), (1, P("lattice"))], 0, h)
    inner = rrect_mask(cv, frame, frame, w - frame, h - frame, 0.5)
    cv.linear(inner, [(0, P("paper_light")), (0.55, P("paper")), (1, P("paper_shade"))], frame, h - frame)
    fibres = cv.layer()
    d = ImageDraw.Draw(fibres)
    for _ in range(int(w * h / 60)):
        x, y = rng.uniform(frame, w - frame), rng.uniform(frame, h - frame)
        a = rng.uniform(0, math.pi)
        l = rng.uniform(1.0, 3.0)
        d.line(cv.pts([(x, y), (x + l * math.cos(a), y + l * math.sin(a))]), fill=P("paper_shade", 150),
               width=cv.px(0.3))
    for v in verticals:
        d.rectangle(cv.box(v - 0.8, 0, v + 0.8, h), fill=P("lattice"))
        d.rectangle(cv.box(v - 0.8, 0, v - 0.2, h), fill=P("lattice_light"))
    for u in horizontals:
        d.rectangle(cv.box(0, u - 0.8, w, u + 0.8), fill=P("lattice"))
        d.rectangle(cv.box(0, u - 0.8, w, u - 0.2), fill=P("lattice_light"))
    # a little shadow the frame casts onto the paper
    d.rectangle(cv.box(frame, frame, w - frame, frame + 0.8), fill=P("paper_line", 60))
    cv.paint(fibres, inner)
    edge = cv.layer()
    d = ImageDraw.Draw(edge)
    d.rounded_rectangle(cv.box(frame, frame, w - frame, h - frame), radius=0.5 * cv.s,
                        outline=P("paper_line", 150), width=cv.px(0.5))
    d.rounded_rectangle(cv.box(0, 0, w, h), radius=1.2 * cv.s, outline=P("paper_line"), width=cv.px(0.9))
    cv.paint(edge)


def paper_ball(cv, w):
    c, r = w / 2, w / 2 - 0.5
    m = ellipse_mask(cv, c - r, c - r, c + r, c + r)
    cv.radial(m, c - r * 0.3, c - r * 0.35, r * 1.7,
              [(0, P("paper_light")), (0.5, P("paper")), (1, P("paper_shade"))])
    ribs = cv.layer()
    d = ImageDraw.Draw(ribs)
    for f in (0.34, 0.72):
        d.ellipse(cv.box(c - r * f, c - r, c + r * f, c + r), outline=P("lattice", 230), width=cv.px(1.0))
    for f in (0.5,):
        d.ellipse(cv.box(c - r, c - r * f, c + r, c + r * f), outline=P("lattice", 170), width=cv.px(0.8))
    d.line(cv.pts([(c, c - r), (c, c + r)]), fill=P("lattice", 230), width=cv.px(1.0))
    cv.paint(ribs, m)
    cv.radial(m, c, c, r, [(0.65, (0, 0, 0, 0)), (1, P("paper_line", 80))])
    highlight(cv, c - r * 0.62, c - r * 0.68, c - r * 0.12, c - r * 0.36, 150)
    edge = cv.layer()
    ImageDraw.Draw(edge).ellipse(cv.box(c - r, c - r, c + r, c + r), outline=P("paper_line"), width=cv.px(1.0))
    cv.paint(edge)


def draw_paper(cv, shape, w, h, rng):
    if shape == "beam":
        paper_screen(cv, w, h, [20 * i for i in range(1, 8)], [], rng)
    elif shape == "plank":
        paper_screen(cv, w, h, [20, 40, 60], [], rng)
    elif shape == "post":
        paper_screen(cv, w, h, [], [20, 40, 60], rng)
    elif shape == "small":
        paper_screen(cv, w, h, [10], [10], rng)
    elif shape == "square":
        paper_screen(cv, w, h, [40 / 3, 80 / 3], [40 / 3, 80 / 3], rng)
    else:
        paper_ball(cv, w)


def crack_path(rng, w, h, shape, along=None):
    """A jagged line from the rim towards the middle; along='x'/'y' keeps it lengthwise."""
    if shape == "ball":
        a = rng.uniform(0, 2 * math.pi)
        r = w / 2 - 1
        x, y = w / 2 + r * math.cos(a), h / 2 + r * math.sin(a)
        heading = a + math.pi + rng.uniform(-0.5, 0.5)
        length = r * rng.uniform(0.9, 1.3)
    elif along == "x":
        x, y = rng.choice((1.0, w - 1.0)), rng.uniform(h * 0.35, h * 0.65)
        heading = 0.0 if x < w / 2 else math.pi
        length = w * rng.uniform(0.45, 0.7)
    elif along == "y":
        x, y = rng.uniform(w * 0.35, w * 0.65), rng.choice((1.0, h - 1.0))
        heading = math.pi / 2 if y < h / 2 else -math.pi / 2
        length = h * rng.uniform(0.45, 0.7)
    else:
        side = rng.randrange(4)
        if side == 0:
            x, y = rng.uniform(0.2, 0.8) * w, 0.5
        elif side == 1:
            x, y = w - 0.5, rng.uniform(0.2, 0.8) * h
        elif side == 2:
            x, y = rng.uniform(0.2, 0.8) * w, h - 0.5
        else:
            x, y = 0.5, rng.uniform(0.2, 0.8) * h
        heading = math.atan2(h / 2 - y, w / 2 - x) + rng.uniform(-0.4, 0.4)
        length = min(max(w, h) * 0.6, math.hypot(w, h) * 0.45)
    pts = [(x, y)]
    walked = 0.0
    wobble = 0.25 if along else 0.7
    while walked < length:
        step = rng.uniform(2.0, 3.6)
        a = heading + rng.uniform(-wobble, wobble)
        x, y = x + step * math.cos(a), y + step * math.sin(a)
        pts.append((x, y))
        walked += step
    return pts


def add_cracks(cv, material, shape, w, h, rng):
    clip = cv.alpha()
    if material == "bamboo":
        along = None if shape in ("ball", "square", "small") else ("x" if w >= h else "y")
        if shape == "square":
            along = "y"
        count = 2 if shape in ("beam", "square") else 1
        dark, light, width = P("bamboo_line", 250), P("bamboo_shine", 190), 1.2
    elif material == "stone":
        along = None
        count = 3 if shape == "beam" else 2
        dark, light, width = P("stone_line", 250), P("stone_light", 150), 1.0
    else:
        along = None
        count = 2 if shape in ("beam", "square") else 1
        dark, light, width = P("paper_line", 200), None, 1.8
    layer, holes = cv.layer(), cv.mask()
    for _ in range(count):
        pts = crack_path(rng, w, h, shape, along)
        branches = [pts]
        if len(pts) > 4 and material != "bamboo":
            k = rng.randrange(2, len(pts) - 1)
            bx, by = pts[k]
            sub = [(bx, by)]
            a = rng.uniform(0, 2 * math.pi)
            for _ in range(3):
                bx, by = bx + 2.5 * math.cos(a), by + 2.5 * math.sin(a)
                a += rng.uniform(-0.6, 0.6)
                sub.append((bx, by))
            branches.append(sub)
        for b in branches:
            if light is not None:
                line(cv, layer, [(x + 0.6, y + 0.7) for x, y in b], light, width * 0.7)
            line(cv, layer, b, dark, width)
            if material == "paper":
                # a tear: the paper is open in the middle of the dark edge
                ImageDraw.Draw(holes).line(cv.pts(b), fill=255, width=cv.px(0.8), joint="curve")
    # a chipped-off corner or edge notch
    if shape == "ball":
        a = rng.uniform(0, 2 * math.pi)
        cx, cy = w / 2 + (w / 2) * math.cos(a), h / 2 + (h / 2) * math.sin(a)
    else:
        cx, cy = rng.choice(((0, 0), (w, 0), (w, h), (0, h)))
    notch = 3.4 if material != "paper" else 2.6
    chip = [(cx + notch * math.cos(t) * rng.uniform(0.8, 1.3), cy + notch * math.sin(t) * rng.uniform(0.8, 1.3))
            for t in [i * math.pi / 4 for i in range(8)]]
    ImageDraw.Draw(holes).polygon(cv.pts(chip), fill=255)
    cv.paint(layer, clip)
    cv.erase(holes)


def block(material, shape, cracked):
    w, h = SHAPES[shape]
    name = "%s_%s%s" % (material, shape, "_cracked" if cracked else "")
    rng = random.Random(seed_of(material + shape))  # same bricks for the cracked twin
    cv = Canvas(w, h)
    if material == "bamboo":
        draw_bamboo(cv, shape, w, h)
    elif material == "stone":
        draw_stone(cv, shape, w, h, rng)
    else:
        draw_paper(cv, shape, w, h, rng)
    if cracked:
        add_cracks(cv, material, shape, w, h, random.Random(seed_of(name)))
    return name, cv.result()


def make_blocks(out):
    for material in ("bamboo", "stone", "paper"):
        for shape in SHAPES:
            for cracked in (False, True):
                name, img = block(material, shape, cracked)
                out[name] = img


# ---------------------------------------------------------------------------
# Launcher (two pieces so the lantern sits between the prongs), joints

def cane_stroke(cv, im, pts, width, tone, tip=False):
    """A curved bamboo cane along pts: outline, body, shadow and shine strokes, nodes."""
    light = lerp(PALETTE["bamboo_light"], PALETTE["bamboo_dark"], tone)
    mid = lerp(PALETTE["bamboo"], PALETTE["bamboo_dark"], tone)
    dark = lerp(PALETTE["bamboo_dark"], PALETTE["bamboo_line"], tone)

    def offset(k):
        out = []
        for i, (x, y) in enumerate(pts):
            a = pts[max(0, i - 1)]
            b = pts[min(len(pts) - 1, i + 1)]
            dx, dy = b[0] - a[0], b[1] - a[1]
            n = math.hypot(dx, dy) or 1.0
            out.append((x - dy / n * k, y + dx / n * k))
        return out

    d = ImageDraw.Draw(im)
    line(cv, im, pts, P("bamboo_line"), width + 1.8)
    for x, y in (pts[0], pts[-1]):
        r = (width + 1.8) / 2
        d.ellipse(cv.box(x - r, y - r, x + r, y + r), fill=P("bamboo_line"))
    line(cv, im, pts, mid, width)
    for x, y in (pts[0], pts[-1]):
        r = width / 2
        d.ellipse(cv.box(x - r, y - r, x + r, y + r), fill=rgba(mid))
    line(cv, im, offset(-width * 0.28)[1:-1], dark, width * 0.38)
    line(cv, im, offset(width * 0.22)[1:-1], light, width * 0.22)
    for f in (0.3, 0.65):
        i = int(f * (len(pts) - 1))
        x, y = pts[i]
        a, b = pts[i - 1], pts[i + 1]
        dx, dy = b[0] - a[0], b[1] - a[1]
        n = math.hypot(dx, dy) or 1.0
        nx, ny = -dy / n * width / 2, dx / n * width / 2
        d.line(cv.pts([(x - nx, y - ny), (x + nx, y + ny)]), fill=P("bamboo_node"), width=cv.px(1.3))
        d.line(cv.pts([(x - nx + dx / n * 0.9, y - ny + dy / n * 0.9), (x + nx + dx / n * 0.9, y + ny + dy / n * 0.9)]),
               fill=P("bamboo_shine", 160), width=cv.px(0.6))
    if tip:
        # the cut end of the cane, seen slightly from above
        x, y = pts[-1]
        r = width / 2
        d.ellipse(cv.box(x - r, y - r * 0.55, x + r, y + r * 0.55), fill=P("cord"), outline=P("bamboo_line"),
                  width=cv.px(0.7))
        d.ellipse(cv.box(x - r * 0.45, y - r * 0.25, x + r * 0.45, y + r * 0.25), fill=P("cord_dark"))


def launcher(front):
    cv = Canvas(40, 110)
    im = cv.layer()
    fork = (20, 60)
    if not front:
        # stones wedged round the foot
        d = ImageDraw.Draw(im)
        for x0, y0, x1, y1, t in ((8, 101, 19, 110, 0.0), (21, 102, 32, 110, -0.12), (15, 98, 25, 106, 0.08)):
            d.ellipse(cv.box(x0, y0, x1, y1), fill=shade(P("stone"), t), outline=P("stone_line"), width=cv.px(0.8))
            d.ellipse(cv.box(x0 + 2, y0 + 1.2, x0 + (x1 - x0) * 0.55, y0 + 3), fill=P("stone_light", 180))
        cane_stroke(cv, im, bezier((20, 104), (19.5, 80), fork), 8.5, 0.0)
        cane_stroke(cv, im, bezier(fork, (11, 40), (8, 7)), 6.5, 0.35, tip=True)
        cv.paint(im)
        # redo the front stones over the foot of the cane
        front_stones = cv.layer()
        d = ImageDraw.Draw(front_stones)
        for x0, y0, x1, y1, t in ((11, 104, 21, 110, 0.05), (20, 104.5, 29, 110, -0.05)):
            d.ellipse(cv.box(x0, y0, x1, y1), fill=shade(P("stone"), t), outline=P("stone_line"), width=cv.px(0.8))
            d.ellipse(cv.box(x0 + 2, y0 + 1.0, x0 + (x1 - x0) * 0.55, y0 + 2.6), fill=P("stone_light", 180))
        cv.paint(front_stones)
    else:
        cane_stroke(cv, im, bezier(fork, (29, 40), (32, 7)), 6.5, 0.0, tip=True)
        cv.paint(im)
        # cord lashed round the fork
        wrap = cv.layer()
        d = ImageDraw.Draw(wrap)
        for i in range(5):
            y = 55 + i * 2.2
            d.line(cv.pts([(15.2, y + 1.2), (24.8, y - 0.6)]), fill=P("cord_dark"), width=cv.px(2.2))
            d.line(cv.pts([(15.2, y + 1.0), (24.8, y - 0.8)]), fill=P("cord"), width=cv.px(1.3))
        cv.paint(wrap)
    return cv.result()


def rope_link():
    cv = Canvas(8, 20)
    m = rrect_mask(cv, 1.2, 0, 6.8, 20, 2.6)
    cv.linear(m, [(0, shade(P("cord"), 0.2)), (0.5, P("cord")), (1, P("cord_dark"))], 1.2, 6.8, "x")
    twist = cv.layer()
    d = ImageDraw.Draw(twist)
    y = -6.0
    while y < 24:
        d.line(cv.pts([(1, y + 4), (7, y)]), fill=P("cord_dark", 230), width=cv.px(0.8))
        d.line(cv.pts([(1, y + 4.8), (7, y + 0.8)]), fill=shade(P("cord"), 0.35)[:3] + (150,), width=cv.px(0.5))
        y += 3.2
    cv.paint(twist, m)
    edge = cv.layer()
    ImageDraw.Draw(edge).rounded_rectangle(cv.box(1.2, 0, 6.8, 20), radius=2.6 * cv.s, outline=P("paper_line"),
                                           width=cv.px(0.7))
    cv.paint(edge)
    return cv.result()


def hinge():
    cv = Canvas(16, 16)
    m = ellipse_mask(cv, 0.5, 0.5, 15.5, 15.5)
    cv.radial(m, 5.5, 5, 13, [(0, P("iron_light")), (0.5, P("iron")), (1, P("iron_dark"))])
    pin = ellipse_mask(cv, 4.5, 4.5, 11.5, 11.5)
    cv.radial(pin, 7, 6.8, 6, [(0, P("gold_light")), (0.5, P("gold")), (1, P("gold_dark"))])
    d = ImageDraw.Draw(cv.img)
    d.ellipse(cv.box(4.5, 4.5, 11.5, 11.5), outline=P("iron_dark"), width=cv.px(0.6))
    d.line(cv.pts([(6, 8), (10, 8)]), fill=P("gold_dark"), width=cv.px(0.9))
    d.ellipse(cv.box(0.5, 0.5, 15.5, 15.5), outline=P("iron_dark"), width=cv.px(0.9))
    highlight(cv, 3, 2.6, 7.5, 4.6, 120)
    return cv.result()


def platform():
    """Lacquered plank with iron brackets: fixed ledges, not one of the breakable materials."""
    cv = Canvas(160, 16)
    wood, wood_dark = (138, 66, 46), (84, 38, 30)
    m = rrect_mask(cv, 0, 0, 160, 16, 2)
    cv.linear(m, [(0, shade(wood + (255,), 0.18)), (0.45, wood), (1, wood_dark)], 0, 16)
    grain = cv.layer()
    d = ImageDraw.Draw(grain)
    rng = random.Random(seed_of("platform"))
    for k in range(4):
        y0 = 3.5 + k * 3 + rng.uniform(-0.5, 0.5)
        ph = rng.uniform(0, 6.28)
        pts = [(x, y0 + 0.7 * math.sin(x / 11.0 + ph)) for x in range(0, 161, 4)]
        line(cv, grain, pts, wood_dark + (110,), 0.5)
    d.rectangle(cv.box(2, 1.0, 158, 2.2), fill=(255, 220, 190, 70))
    for x in (4, 148):
        d.rounded_rectangle(cv.box(x, 1.5, x + 8, 14.5), radius=1 * cv.s, fill=P("iron"), outline=P("iron_dark"),
                            width=cv.px(0.6))
        for y in (4.5, 11.5):
            d.ellipse(cv.box(x + 2.8, y - 1.2, x + 5.2, y + 1.2), fill=P("iron_light"))
    cv.paint(grain, m)
    edge = cv.layer()
    ImageDraw.Draw(edge).rounded_rectangle(cv.box(0, 0, 160, 16), radius=2 * cv.s, outline=P("ink"),
                                           width=cv.px(0.9))
    cv.paint(edge)
    return cv.result()


def make_launcher_and_joints(out):
    out["launcher_back"] = launcher(False)
    out["launcher_front"] = launcher(True)
    out["rope_link"] = rope_link()
    out["hinge"] = hinge()
    out["platform"] = platform()


# ---------------------------------------------------------------------------
# Trail dots, puff and particles

def soft_dot(size, colour, core=0.5):
    cv = Canvas(size, size)
    c = size / 2
    col = colour[:3]
    cv.radial(None, c, c, c, [(0, col + (255,)), (core, col + (225,)), (1, col + (0,))])
    return cv.result()


def cloud(size, circles, top, bottom, edge, alpha, blur):
    cv = Canvas(size, size)
    m = cv.mask()
    d = ImageDraw.Draw(m)
    for x, y, r in circles:
        d.ellipse(cv.box(x - r, y - r, x + r, y + r), fill=255)
    m = m.filter(ImageFilter.GaussianBlur(blur * cv.s))
    cv.fill(ring_of(cv, m, 0.7).filter(ImageFilter.GaussianBlur(0.3 * cv.s)), edge)
    cv.linear(m, [(0, top), (1, bottom)], 0, size)
    faded = cv.img.getchannel("A").point(lambda v: v * alpha // 255)
    cv.img.putalpha(faded)
    return cv.result()


def chip(w, h, points, stops, outline_colour, extra=None):
    cv = Canvas(w, h)
    m = poly_mask(cv, points)
    cv.linear(m, stops, 0, h)
    if extra:
        extra(cv, m)
    edge = cv.layer()
    ImageDraw.Draw(edge).polygon(cv.pts(points), outline=rgba(outline_colour), width=cv.px(0.6))
    cv.paint(edge)
    return cv.result()


def jagged(rng, cx, cy, rx, ry, n, rough):
    pts = []
    for i in range(n):
        a = 2 * math.pi * i / n + rng.uniform(-0.2, 0.2)
        k = rng.uniform(1 - rough, 1)
        pts.append((cx + rx * k * math.cos(a), cy + ry * k * math.sin(a)))
    return pts


def make_particles(out):
    out["TRAIL_WHITE_1"] = soft_dot(8, (255, 255, 255), 0.45)
    out["TRAIL_WHITE_2"] = soft_dot(6, (255, 255, 255), 0.45)
    out["TRAIL_WHITE_3"] = soft_dot(4, (255, 255, 255), 0.4)
    out["BIRD_SPECIAL"] = cloud(16, [(6, 9.5, 4.2), (10.2, 9, 4.0), (8, 6, 3.8), (8.5, 10.5, 4.2)],
                                P("white"), (222, 214, 238, 255), (150, 138, 172, 200), 235, 0.3)
    for i in (1, 2, 3):
        rng = random.Random(seed_of("chip_bamboo_%d" % i))
        pts = [(0.6, 3 + rng.uniform(-1, 1)), (3, 0.8), (7 + rng.uniform(-1, 1), 1.2 + rng.uniform(0, 1)),
               (9.4, 2.6 + rng.uniform(-1, 1)), (6.5, 5.2), (2.5, 4.8 + rng.uniform(-0.5, 0.4))]
        body = [lerp(PALETTE["bamboo"], PALETTE["cord"], 0.4 * (i - 1)), PALETTE["bamboo_dark"]]
        out["chip_bamboo_%d" % i] = chip(10, 6, pts, [(0, body[0]), (1, body[1])], P("bamboo_line"))
    for i in (1, 2, 3):
        rng = random.Random(seed_of("chip_stone_%d" % i))
        pts = jagged(rng, 4, 4, 3.5, 3.3, 6 + i % 2, 0.35)
        out["chip_stone_%d" % i] = chip(8, 8, pts, [(0, P("stone_light")), (1, P("stone_dark"))], P("stone_line"))
    for i in (1, 2, 3):
        rng = random.Random(seed_of("chip_paper_%d" % i))
        pts = jagged(rng, 5, 5, 4.4, 4.0, 9, 0.45)

        def rib(cv, m, i=i):
            if i == 2:
                lay = cv.layer()
                line(cv, lay, [(0, 3.5), (10, 6)], P("lattice"), 1.2)
                cv.paint(lay, m)
        out["chip_paper_%d" % i] = chip(10, 10, pts, [(0, P("paper_light")), (1, P("paper_shade"))],
                                        P("paper_line", 200), rib)
    glows = ((255, 240, 170), (255, 176, 76), (255, 120, 70))
    for i, col in enumerate(glows, 1):
        out["glow_%d" % i] = soft_dot(12, col, 0.2 + 0.1 * i)
    out["smoke_1"] = cloud(20, [(8, 11, 5.5), (13, 10, 5), (10, 7, 4.5)], (176, 168, 190, 255),
                           (120, 112, 138, 255), (0, 0, 0, 0), 150, 1.2)
    out["smoke_2"] = cloud(20, [(7, 10, 5), (12, 12, 5.5), (11, 7, 4), (14.5, 8, 3.2)], (168, 160, 184, 255),
                           (108, 100, 126, 255), (0, 0, 0, 0), 135, 1.3)


# ---------------------------------------------------------------------------
# UI

def button(w, h, hover, radius):
    cv = Canvas(w, h)
    x0, y0, x1, y1 = 2, 2, w - 2, h - 2
    if hover:
        halo = rrect_mask(cv, x0 - 0.5, y0 - 0.5, x1 + 0.5, y1 + 0.5, radius)
        cv.fill(halo.filter(ImageFilter.GaussianBlur(1.2 * cv.s)), P("gold_light", 200))
    m = rrect_mask(cv, x0, y0, x1, y1, radius)
    top, bottom = (P("plum_light"), P("plum")) if not hover else (shade(P("plum_light"), 0.18), P("plum_light"))
    cv.linear(m, [(0, top), (1, bottom)], y0, y1)
    gloss = rrect_mask(cv, x0 + 3, y0 + 2.5, x1 - 3, y0 + (y1 - y0) * 0.48, radius * 0.7)
    cv.linear(gloss, [(0, P("white", 70)), (1, P("white", 8))], y0 + 2, y0 + (y1 - y0) * 0.5)
    deco = cv.layer()
    d = ImageDraw.Draw(deco)
    d.rounded_rectangle(cv.box(x0 + 3, y0 + 3, x1 - 3, y1 - 3), radius=(radius - 2.5) * cv.s,
                        outline=P("gold", 80), width=cv.px(0.8))
    if w > h * 2:
        for cx in (x0 + 14, x1 - 14):
            cy = h / 2
            d.polygon(cv.pts([(cx, cy - 4), (cx + 4, cy), (cx, cy + 4), (cx - 4, cy)]),
                      fill=P("gold_light" if hover else "gold"), outline=P("gold_dark"), width=cv.px(0.5))
    d.rounded_rectangle(cv.box(x0, y0, x1, y1), radius=radius * cv.s,
                        outline=P("gold_light" if hover else "gold"), width=cv.px(2.2))
    cv.paint(deco)
    return cv.result()


def star_points(cx, cy, R, r, n=5):
    pts = []
    for i in range(2 * n):
        a = -math.pi / 2 + math.pi * i / n
        rr = R if i % 2 == 0 else r
        pts.append((cx + rr * math.cos(a), cy + rr * math.sin(a)))
    return pts


def star(on):
    cv = Canvas(40, 40)
    pts = star_points(20, 21.5, 18.5, 8.2)
    m = poly_mask(cv, pts)
    if on:
        cv.glow(20, 21, 20, PALETTE["yellow"], 0.45)
        cv.radial(m, 17, 15, 20, [(0, P("core")), (0.3, P("gold_light")), (0.7, P("gold")), (1, P("orange"))])
        inner = poly_mask(cv, star_points(20, 21.5, 10, 4.4))
        cv.fill(inner.filter(ImageFilter.GaussianBlur(1.5 * cv.s)), P("white", 90))
        edge_col = P("gold_dark")
    else:
        cv.radial(m, 17, 15, 20, [(0, (104, 90, 122, 255)), (1, (58, 46, 74, 255))])
        edge_col = (150, 134, 170, 255)
    edge = cv.layer()
    ImageDraw.Draw(edge).polygon(cv.pts(pts), outline=edge_col, width=cv.px(1.4))
    cv.paint(edge)
    if on:
        highlight(cv, 13.5, 11.5, 18.5, 15, 170)
    return cv.result()


def lock():
    cv = Canvas(32, 32)
    d = ImageDraw.Draw(cv.img)
    d.arc(cv.box(8.5, 2.5, 23.5, 20), 180, 360, fill=P("iron_dark"), width=cv.px(4.4))
    d.arc(cv.box(9.3, 3.3, 22.7, 19.2), 180, 360, fill=P("iron_light"), width=cv.px(2.6))
    for x in (8.5, 21.1):
        d.rectangle(cv.box(x, 11, x + 2.4, 15), fill=P("iron_light"), outline=P("iron_dark"), width=cv.px(0.8))
    m = rrect_mask(cv, 5.5, 13, 26.5, 30, 3)
    cv.linear(m, [(0, P("gold_light")), (0.5, P("gold")), (1, P("gold_dark"))], 13, 30)
    d = ImageDraw.Draw(cv.img)
    d.ellipse(cv.box(14, 17.5, 18, 21.5), fill=P("ink"))
    d.polygon(cv.pts([(15.2, 20), (16.8, 20), (17.4, 26), (14.6, 26)]), fill=P("ink"))
    d.rounded_rectangle(cv.box(5.5, 13, 26.5, 30), radius=3 * cv.s, outline=P("ink"), width=cv.px(1.1))
    highlight(cv, 7.5, 14.5, 14, 16.5, 130)
    return cv.result()


def panel():
    cv = Canvas(480, 360)
    m = rrect_mask(cv, 2, 2, 478, 358, 24)
    cv.linear(m, [(0, (64, 40, 84, 222)), (1, (34, 22, 50, 232))], 2, 358)
    gloss = rrect_mask(cv, 10, 8, 470, 120, 18)
    cv.linear(gloss, [(0, P("white", 26)), (1, P("white", 0))], 8, 120)
    deco = cv.layer()
    d = ImageDraw.Draw(deco)
    d.rounded_rectangle(cv.box(11, 11, 469, 349), radius=16 * cv.s, outline=P("gold", 90), width=cv.px(1.0))
    for cx, cy in ((11 + 12, 11 + 12), (469 - 12, 11 + 12), (469 - 12, 349 - 12), (11 + 12, 349 - 12)):
        d.polygon(cv.pts([(cx, cy - 5), (cx + 5, cy), (cx, cy + 5), (cx - 5, cy)]), fill=P("gold", 200),
                  outline=P("gold_dark"), width=cv.px(0.6))
    d.rounded_rectangle(cv.box(2, 2, 478, 358), radius=24 * cv.s, outline=P("gold"), width=cv.px(3))
    cv.paint(deco)
    return cv.result()


def icon(draw_glyph):
    """Cream glyph with a dark ink outline, readable on the buttons and on the sky."""
    cv = Canvas(32, 32)
    m = cv.mask()
    draw_glyph(cv, ImageDraw.Draw(m))
    cv.fill(ring_of(cv, m, 1.6), P("ink"))
    cv.linear(m, [(0, P("cream")), (1, P("cream_shade"))], 5, 27)
    return cv.result()


def glyph_pause(cv, d):
    for x in (9, 18.5):
        d.rounded_rectangle(cv.box(x, 7, x + 4.8, 25), radius=1.2 * cv.s, fill=255)


def glyph_retry(cv, d):
    cx, cy, r = 16, 17, 8.5
    w = 3.4
    d.arc(cv.box(cx - r - w / 2, cy - r - w / 2, cx + r + w / 2, cy + r + w / 2), -5, 272, fill=255,
          width=cv.px(w))
    tip_x, y = cx + 5.5, cy - r
    d.polygon(cv.pts([(tip_x, y), (cx - 0.5, y - 5), (cx - 0.5, y + 5)]), fill=255)


def glyph_next(cv, d):
    d.polygon(cv.pts([(8, 7), (21, 16), (8, 25)]), fill=255)
    d.rounded_rectangle(cv.box(21.5, 7, 25.5, 25), radius=1 * cv.s, fill=255)


def glyph_levels(cv, d):
    for x in (7, 17.5):
        for y in (7, 17.5):
            d.rounded_rectangle(cv.box(x, y, x + 7.5, y + 7.5), radius=1.6 * cv.s, fill=255)


def speaker(cv, d):
    d.rectangle(cv.box(5, 12.5, 10, 19.5), fill=255)
    d.polygon(cv.pts([(9.5, 12.5), (16, 7), (16, 25), (9.5, 19.5)]), fill=255)


def glyph_sound_on(cv, d):
    speaker(cv, d)
    for r in (4.5, 8.5):
        d.arc(cv.box(16 - r, 16 - r, 16 + r, 16 + r), -50, 50, fill=255, width=cv.px(2.2))


def glyph_sound_off(cv, d):
    speaker(cv, d)
    for a, b in (((19.5, 12), (27, 20)), ((19.5, 20), (27, 12))):
        d.line(cv.pts([a, b]), fill=255, width=cv.px(2.6))


def title_emblem():
    cv = Canvas(220, 220)
    cx, cy = 110, 114
    cv.glow(cx, cy, 106, PALETTE["yellow"], 0.8)
    cv.glow(cx, cy, 80, PALETTE["orange"], 0.35)
    rng = random.Random(seed_of("title_emblem"))
    # soft rays behind the lantern
    rays = cv.mask()
    d = ImageDraw.Draw(rays)
    for i in range(12):
        a = 2 * math.pi * i / 12 + 0.13
        w = 0.09
        d.polygon(cv.pts([(cx, cy), (cx + 108 * math.cos(a - w), cy + 108 * math.sin(a - w)),
                          (cx + 108 * math.cos(a + w), cy + 108 * math.sin(a + w))]), fill=255)
    fade = Image.new("L", cv.size, 0)
    fade.paste(unit_distance().resize((216 * cv.s, 216 * cv.s), Image.BILINEAR).point(lambda v: max(0, 255 - v) // 3),
               (int((cx - 108) * cv.s), int((cy - 108) * cv.s)))
    cv.fill(ImageChops.multiply(rays.filter(ImageFilter.GaussianBlur(3 * cv.s)), fade), P("gold_light"))
    # the hanging ring
    d = ImageDraw.Draw(cv.img)
    d.ellipse(cv.box(cx - 11, 14, cx + 11, 36), outline=P("ink"), width=cv.px(5.4))
    d.ellipse(cv.box(cx - 10.2, 14.8, cx + 10.2, 35.2), outline=P("gold"), width=cv.px(3.4))
    d.arc(cv.box(cx - 9.5, 15.5, cx + 9.5, 34.5), 200, 290, fill=P("gold_light"), width=cv.px(1.4))
    # the tassel
    d.line(cv.pts([(cx, 184), (cx, 197)]), fill=P("ink"), width=cv.px(3.2))
    d.line(cv.pts([(cx, 184), (cx, 197)]), fill=P("gold"), width=cv.px(1.6))
    m = poly_mask(cv, [(cx - 5, 197), (cx + 5, 197), (cx + 9, 214), (cx - 9, 214)])
    cv.linear(m, [(0, P("red")), (1, P("deep"))], 197, 214)
    d = ImageDraw.Draw(cv.img)
    for k in range(-2, 3):
        d.line(cv.pts([(cx + k * 1.6, 199), (cx + k * 3.2, 213)]), fill=P("lantern_line", 160), width=cv.px(0.8))
    d.polygon(cv.pts([(cx - 5, 197), (cx + 5, 197), (cx + 9, 214), (cx - 9, 214)]), outline=P("ink"), width=cv.px(1.2))
    d.ellipse(cv.box(cx - 4.5, 192, cx + 4.5, 200), fill=P("gold"), outline=P("ink"), width=cv.px(1.2))
    # the body
    rx, ry = 66, 72
    body = ellipse_mask(cv, cx - rx, cy - ry, cx + rx, cy + ry)
    cv.radial(body, cx, cy + 6, 76, [(0, P("core")), (0.22, P("core")), (0.45, P("yellow")), (0.75, P("orange")),
                                     (1, P("red"))])
    ribs = cv.layer()
    d = ImageDraw.Draw(ribs)
    for f in (0.28, 0.6, 0.86):
        d.ellipse(cv.box(cx - rx * f, cy - ry, cx + rx * f, cy + ry), outline=P("deep", 120), width=cv.px(1.8))
    for f in (-0.45, 0.45):
        y = cy + ry * f
        half = rx * math.sqrt(1 - f * f)
        d.arc(cv.box(cx - half, y - 6, cx + half, y + 6), 0, 180, fill=P("deep", 90), width=cv.px(1.4))
    cv.paint(ribs, body)
    cv.glow(cx, cy + 6, 34, PALETTE["core"], 0.85)
    edge = cv.layer()
    ImageDraw.Draw(edge).ellipse(cv.box(cx - rx, cy - ry, cx + rx, cy + ry), outline=P("ink"), width=cv.px(3.2))
    cv.paint(edge)
    highlight(cv, cx - rx * 0.7, cy - ry * 0.72, cx - rx * 0.2, cy - ry * 0.42, 130)
    # lacquered caps with gold trim
    d = ImageDraw.Draw(cv.img)
    for x0, y0, x1, y1 in ((cx - 38, 34, cx + 38, 50), (cx - 34, 176, cx + 34, 190)):
        d.rounded_rectangle(cv.box(x0, y0, x1, y1), radius=4 * cv.s, fill=P("lacquer"), outline=P("ink"),
                            width=cv.px(2.2))
        d.line(cv.pts([(x0 + 4, y0 + 4.5), (x1 - 4, y0 + 4.5)]), fill=P("gold"), width=cv.px(1.6))
        d.line(cv.pts([(x0 + 4, y1 - 4.5), (x1 - 4, y1 - 4.5)]), fill=P("gold_dark"), width=cv.px(1.2))
    # a few sparks drifting up
    for _ in range(6):
        a = rng.uniform(-2.6, -0.5)
        r = rng.uniform(82, 100)
        x, y = cx + r * math.cos(a), cy + r * math.sin(a)
        s = rng.uniform(2.5, 4.5)
        cv.glow(x, y, s * 2.2, PALETTE["yellow"], 0.7)
        d = ImageDraw.Draw(cv.img)
        d.polygon(cv.pts([(x, y - s), (x + s * 0.3, y - s * 0.3), (x + s, y), (x + s * 0.3, y + s * 0.3),
                          (x, y + s), (x - s * 0.3, y + s * 0.3), (x - s, y), (x - s * 0.3, y - s * 0.3)]),
                  fill=P("core"))
    return cv.result()


def make_ui(out):
    out["button"] = button(240, 56, False, 14)
    out["button_hover"] = button(240, 56, True, 14)
    out["button_small"] = button(56, 56, False, 12)
    out["button_small_hover"] = button(56, 56, True, 12)
    out["star_on"] = star(True)
    out["star_off"] = star(False)
    out["lock"] = lock()
    out["panel"] = panel()
    out["icon_pause"] = icon(glyph_pause)
    out["icon_retry"] = icon(glyph_retry)
    out["icon_next"] = icon(glyph_next)
    out["icon_levels"] = icon(glyph_levels)
    out["icon_sound_on"] = icon(glyph_sound_on)
    out["icon_sound_off"] = icon(glyph_sound_off)
    out["title_emblem"] = title_emblem()


# ---------------------------------------------------------------------------
# Parallax layers. Every shape is a function of x with period W (or is drawn at x-W, x
# and x+W), so the layers tile left to right without a seam.

PAD = 8


def wave(W, terms):
    """Periodic profile: terms are (base, [(amplitude, cycles per tile, phase)...])."""
    base, parts = terms

    def f(x):
        return base + sum(a * math.sin(2 * math.pi * k * x / W + p) for a, k, p in parts)
    return f


def profile_points(f, W, H, step=1.0):
    pts = [(-PAD, H)]
    x = -PAD
    while x <= W + PAD:
        pts.append((x, f(x)))
        x += step
    pts.append((W + PAD, H))
    return pts


def ridge(cv, f, W, H, top, bottom, rim=None, grad=(None, None)):
    pts = profile_points(f, W, H)
    m = poly_mask(cv, pts)
    g0, g1 = grad
    cv.linear(m, [(0, top), (1, bottom)], g0 if g0 is not None else min(p[1] for p in pts), g1 or H)
    if rim:
        lay = cv.layer()
        line(cv, lay, [(x, y + 0.6) for x, y in pts[1:-1]], rim, 1.4)
        cv.paint(lay, m)
    return m


def tiled(W, x):
    return (x - W, x, x + W)


def lantern_dot(cv, x, y, r=1.0, strength=0.8):
    cv.glow(x, y, r * 5, PALETTE["orange"], strength * 0.7)
    d = ImageDraw.Draw(cv.img)
    d.ellipse(cv.box(x - r, y - r, x + r, y + r), fill=P("yellow"))
    d.ellipse(cv.box(x - r * 0.45, y - r * 0.45, x + r * 0.45, y + r * 0.45), fill=P("core"))


def stars(cv, W, rng, n, ymax, big=0.15):
    for _ in range(n):
        x0, y = rng.uniform(0, W), rng.uniform(4, ymax)
        r = rng.uniform(0.35, 0.8)
        a = rng.randrange(110, 230)
        bright = rng.random() < big
        for x in tiled(W, x0):
            if bright:
                cv.glow(x, y, 4, PALETTE["night_star"], 0.35)
            d = ImageDraw.Draw(cv.img)
            d.ellipse(cv.box(x - r, y - r, x + r, y + r), fill=P("night_star", a))


def hills_far():
    W, H = 512, 256
    cv = Canvas(W, H, SS_THEME, PAD)
    rng = random.Random(seed_of("hills_far"))
    full = cv.mask()
    full.paste(255, (0, 0) + cv.size)
    cv.linear(full, [(0, P("dusk_glow", 0)), (0.55, P("dusk_glow", 40)), (1, P("dusk_glow", 150))], 20, 200)
    stars(cv, W, rng, 16, 100, 0.2)
    far = wave(W, (150, [(14, 2, 0.3), (8, 5, 1.1), (3, 11, 2.0)]))
    ridge(cv, far, W, H, P("dusk_far"), shade(P("dusk_far"), -0.12), P("dusk_rim", 150))
    near = wave(W, (190, [(15, 3, 2.0), (7, 7, 0.4), (2.5, 13, 1.0)]))
    ridge(cv, near, W, H, P("dusk_far2"), shade(P("dusk_far2"), -0.15), P("dusk_rim", 110))
    for _ in range(7):
        x0 = rng.uniform(0, W)
        y = near(x0) + rng.uniform(8, 40)
        for x in tiled(W, x0):
            lantern_dot(cv, x, y, 0.7, 0.5)
    return cv.result()


def hills_mid():
    W, H = 512, 200
    cv = Canvas(W, H, SS_THEME, PAD)
    rng = random.Random(seed_of("hills_mid"))
    top = wave(W, (78, [(24, 2, 0.8), (10, 3, 2.2), (2, 7, 0.3)]))
    m = ridge(cv, top, W, H, P("dusk_mid"), P("dusk_mid_low"), P("dusk_rim", 130), (40, H))
    mean = 78.0

    def terrace(d):
        # near the crest the steps follow it, further down they flatten out
        return lambda x: top(x) + d + min(1.0, d / 110.0) * 0.9 * (mean - top(x))

    levels = [7 + 12 * i for i in range(14)]
    steps = cv.layer()
    xs = list(range(-PAD, W + PAD + 1, 2))
    for i, dlev in enumerate(levels):
        f = terrace(dlev)
        edge = [(x, f(x)) for x in xs]
        if i % 2 == 0:
            g = terrace(dlev + 12)
            band = edge + [(x, g(x)) for x in reversed(xs)]
            ImageDraw.Draw(steps).polygon(cv.pts(band), fill=(20, 10, 30, 34))
        line(cv, steps, [(x, y + 1.3) for x, y in edge], (30, 16, 44, 150), 1.2)
        line(cv, steps, edge, (170, 116, 150, 110), 0.9)
    cv.paint(steps, m)
    for _ in range(26):
        x0 = rng.uniform(0, W)
        f = terrace(rng.choice(levels[:11]))
        y = f(x0) - 1.6
        if y < top(x0) + 4:
            continue
        for x in tiled(W, x0):
            lantern_dot(cv, x, y, 1.0, 0.8)
    return cv.result()


def bamboo_clump(cv, im, x, ground, rng, colour):
    """Silhouette of a stand of canes with drooping leaf sprays."""
    d = ImageDraw.Draw(im)
    for _ in range(rng.randrange(4, 7)):
        bx = x + rng.uniform(-8, 8)
        h = min(rng.uniform(42, 80), ground - 12)  # the leaves must stay inside the layer
        lean = rng.uniform(-8, 8)
        pts = bezier((bx, ground + 4), (bx + lean * 0.2, ground - h * 0.5), (bx + lean, ground - h), 20)
        line(cv, im, pts, colour, rng.uniform(1.4, 2.2))
        for t in (0.45, 0.6, 0.75, 0.9, 1.0):
            px, py = pts[int(t * 20)]
            for _ in range(rng.randrange(2, 4)):
                side = rng.choice((-1, 1))
                a = rng.uniform(-0.5, 0.7)
                L = rng.uniform(7, 13)
                ex, ey = px + side * L * math.cos(a), py + L * math.sin(a)
                mx, my = (px + ex) / 2, (py + ey) / 2
                nx, ny = -(ey - py) / L * 1.5, (ex - px) / L * 1.5
                d.polygon(cv.pts([(px, py), (mx + nx, my + ny), (ex, ey), (mx - nx, my - ny)]), fill=rgba(colour))


def hills_near():
    W, H = 512, 120
    cv = Canvas(W, H, SS_THEME, PAD)
    rng = random.Random(seed_of("hills_near"))
    top = wave(W, (72, [(10, 2, 2.6), (5, 5, 1.0), (1.2, 11, 0.0)]))
    sil = cv.layer()
    colour = P("dusk_near")
    for _ in range(5):
        x0 = rng.uniform(0, W)
        state = rng.getstate()
        for x in tiled(W, x0):
            rng.setstate(state)
            bamboo_clump(cv, sil, x, top(x0), rng, colour)
    posts = []
    for _ in range(2):
        posts.append(rng.uniform(0, W))
    d = ImageDraw.Draw(sil)
    for x0 in posts:
        for x in tiled(W, x0):
            g = top(x0)
            d.line(cv.pts([(x, g + 2), (x, g - 30)]), fill=colour, width=cv.px(2))
            d.line(cv.pts([(x, g - 29), (x + 7, g - 31)]), fill=colour, width=cv.px(1.6))
    cv.paint(sil)
    ridge(cv, top, W, H, P("dusk_near"), P("dusk_near_low"), P("dusk_rim", 120), (50, H))
    tufts = cv.layer()
    d = ImageDraw.Draw(tufts)
    for _ in range(60):
        x0 = rng.uniform(0, W)
        for x in tiled(W, x0):
            y = top(x0) + 1
            for k in range(3):
                a = -math.pi / 2 + (k - 1) * 0.45 + rng.uniform(-0.15, 0.15)
                L = rng.uniform(2.5, 5)
                d.line(cv.pts([(x, y), (x + L * math.cos(a), y + L * math.sin(a))]), fill=P("dusk_near"),
                       width=cv.px(0.8))
    cv.paint(tufts)
    for x0 in posts:
        for x in tiled(W, x0):
            lx, ly = x + 7, top(x0) - 27
            cv.glow(lx, ly, 12, PALETTE["orange"], 0.55)
            m = ellipse_mask(cv, lx - 2.4, ly - 3, lx + 2.4, ly + 3)
            cv.radial(m, lx, ly, 3.2, [(0, P("core")), (0.5, P("yellow")), (1, P("orange"))])
            dd = ImageDraw.Draw(cv.img)
            dd.line(cv.pts([(lx - 1.3, ly - 3), (lx + 1.3, ly - 3)]), fill=P("lacquer"), width=cv.px(1))
            dd.line(cv.pts([(lx - 1.3, ly + 3), (lx + 1.3, ly + 3)]), fill=P("lacquer"), width=cv.px(1))
    return cv.result()


def ground_stones(cv, W, rng, n, y0, y1, top, bottom, edge):
    d = ImageDraw.Draw(cv.img)
    for _ in range(n):
        x0, y = rng.uniform(0, W), rng.uniform(y0, y1)
        rx, ry = rng.uniform(4, 9), rng.uniform(2.5, 4.5)
        t = rng.uniform(-0.1, 0.1)
        for x in tiled(W, x0):
            d.ellipse(cv.box(x - rx, y - ry, x + rx, y + ry), fill=shade(top, t), outline=edge, width=cv.px(0.8))
            d.ellipse(cv.box(x - rx * 0.7, y - ry * 0.8, x + rx * 0.3, y - ry * 0.2), fill=shade(top, t + 0.12))
            d.arc(cv.box(x - rx, y - ry, x + rx, y + ry), 20, 160, fill=bottom, width=cv.px(1.0))


def hills_ground():
    W, H = 256, 64
    cv = Canvas(W, H, SS_THEME, PAD)
    rng = random.Random(seed_of("hills_ground"))
    full = cv.mask()
    full.paste(255, (0, 0) + cv.size)
    cv.linear(full, [(0, P("earth")), (1, P("earth_dark"))], 4, H)
    ground_stones(cv, W, rng, 16, 16, 58, (116, 96, 112, 255), (70, 52, 66, 255), P("earth_dark"))
    grass = wave(W, (7, [(1.6, 3, 0.2), (1.0, 7, 1.3), (0.6, 19, 0.4)]))
    pts = [(-PAD, 0)] + [(x / 2.0, grass(x / 2.0) + (1.6 if int(x) % 6 < 3 else 0))
                         for x in range(-2 * PAD, 2 * (W + PAD) + 1)] + [(W + PAD, 0)]
    m = poly_mask(cv, pts)
    cv.linear(m, [(0, shade(P("moss"), 0.15)), (1, P("moss_dark"))], 0, 10)
    lay = cv.layer()
    line(cv, lay, pts[1:-1], P("earth_dark", 200), 1.0)
    ImageDraw.Draw(lay).rectangle(cv.box(-PAD, 0, W + PAD, 1.2), fill=(190, 206, 130, 170))
    cv.paint(lay)
    return cv.result()


def peaks(W, spec, base, rough):
    """Periodic mountain profile: spec is (x, height, half width) of each peak."""
    def f(x):
        y = base
        for px, h, hw in spec:
            dx = (x - px + W / 2) % W - W / 2
            y = min(y, base - h * max(0.0, 1 - abs(dx) / hw))
        return y + rough(x)
    return f


def mountains(cv, f, W, H, body, shadow, snowline, snow, snow_shadow):
    pts = profile_points(f, W, H, 0.5)
    m = poly_mask(cv, pts)
    cv.linear(m, [(0, body), (1, shade(body, -0.2))], min(p[1] for p in pts), H)
    # faces turned away from the light (to the right) are darker; snow above the snowline
    lay = cv.layer()
    d = ImageDraw.Draw(lay)
    x = -PAD
    while x <= W + PAD:
        y, slope = f(x), f(x + 0.5) - f(x - 0.5)
        s = snowline(x)
        if y < s:
            col = snow_shadow if slope > 0.05 else snow
            d.line(cv.pts([(x, y), (x, s)]), fill=col, width=cv.s)
        if slope > 0.05:
            d.line(cv.pts([(x, max(y, s)), (x, H)]), fill=shadow, width=cv.s)
        x += 0.5
    cv.paint(lay.filter(ImageFilter.GaussianBlur(0.35 * cv.s)), m)
    return m


def frost_far():
    W, H = 512, 256
    cv = Canvas(W, H, SS_THEME, PAD)
    rng = random.Random(seed_of("frost_far"))
    stars(cv, W, rng, 46, 170, 0.15)
    full = cv.mask()
    full.paste(255, (0, 0) + cv.size)
    cv.linear(full, [(0, (90, 120, 170, 0)), (1, (90, 120, 170, 90))], 120, H)
    rough = wave(W, (0, [(2.0, 17, 0.5), (1.2, 31, 2.0)]))
    f = peaks(W, [(40, 62, 70), (150, 42, 58), (262, 78, 88), (380, 52, 62), (462, 38, 50)], 214, rough)
    snowline = wave(W, (176, [(4, 9, 0.0), (2, 23, 1.0)]))
    mountains(cv, f, W, H, P("frost_far"), (40, 58, 96, 120), snowline, (176, 196, 228, 255),
              (132, 150, 190, 255))
    return cv.result()


def frost_mid():
    W, H = 512, 200
    cv = Canvas(W, H, SS_THEME, PAD)
    rough = wave(W, (0, [(2.5, 13, 1.5), (1.4, 29, 0.2)]))
    f = peaks(W, [(90, 96, 100), (215, 70, 80), (330, 108, 110), (450, 62, 72)], 180, rough)
    snowline = wave(W, (112, [(6, 7, 0.6), (3, 19, 2.2)]))
    mountains(cv, f, W, H, P("frost_mid"), P("frost_shadow", 150), snowline, P("snow"), P("snow_shade"))
    return cv.result()


def pine(cv, im, x, ground, h):
    d = ImageDraw.Draw(im)
    tiers = 4
    w = h * 0.34
    d.rectangle(cv.box(x - 1.2, ground - h * 0.15, x + 1.2, ground + 2), fill=P("pine"))
    for i in range(tiers):
        t0 = i / tiers
        yb = ground - h * (0.12 + t0 * 0.8)
        yt = yb - h * 0.36
        half = w * (1 - t0 * 0.7)
        d.polygon(cv.pts([(x - half, yb), (x, yt), (x + half, yb)]), fill=P("pine"))
        # a cap of snow on each tier, heavier on the lit side
        d.polygon(cv.pts([(x - half * 0.75, yb - h * 0.06), (x, yt + 0.5), (x + half * 0.35, yb - h * 0.12),
                          (x - half * 0.1, yb - h * 0.06)]), fill=P("snow_shade"))
        d.polygon(cv.pts([(x - half * 0.6, yb - h * 0.09), (x, yt + 0.8), (x + half * 0.1, yb - h * 0.14)]),
                  fill=P("snow"))


def frost_near():
    W, H = 512, 120
    cv = Canvas(W, H, SS_THEME, PAD)
    rng = random.Random(seed_of("frost_near"))
    top = wave(W, (84, [(8, 2, 1.0), (4, 5, 2.5), (1.5, 11, 0.7)]))
    trees = cv.layer()
    spots = sorted((rng.uniform(0, W), rng.uniform(38, 86)) for _ in range(14))
    for x0, h in spots:
        for x in tiled(W, x0):
            pine(cv, trees, x, top(x0) + 3, min(h, top(x0) / 1.1))  # tip inside the layer
    cv.paint(trees)
    ridge(cv, top, W, H, P("snow"), P("snow_shade"), None, (70, H))
    lay = cv.layer()
    line(cv, lay, [(x, top(x) + 0.3) for x in range(-PAD, W + PAD + 1)], P("white", 200), 1.0)
    cv.paint(lay)
    return cv.result()


def frost_ground():
    W, H = 256, 64
    cv = Canvas(W, H, SS_THEME, PAD)
    rng = random.Random(seed_of("frost_ground"))
    full = cv.mask()
    full.paste(255, (0, 0) + cv.size)
    cv.linear(full, [(0, P("ice_earth")), (1, P("ice_earth_dark"))], 8, H)
    ground_stones(cv, W, rng, 14, 22, 58, (92, 110, 146, 255), (40, 54, 84, 255), P("ice_earth_dark"))
    drift = wave(W, (11, [(2.0, 2, 0.7), (1.2, 5, 2.0), (0.7, 13, 0.1)]))
    pts = [(-PAD, 0)] + [(x / 2.0, drift(x / 2.0)) for x in range(-2 * PAD, 2 * (W + PAD) + 1)] + [(W + PAD, 0)]
    m = poly_mask(cv, pts)
    cv.linear(m, [(0, P("snow")), (1, P("snow_shade"))], 0, 13)
    lay = cv.layer()
    line(cv, lay, pts[1:-1], (140, 162, 204, 255), 1.0)
    ImageDraw.Draw(lay).rectangle(cv.box(-PAD, 0, W + PAD, 1.0), fill=P("white", 220))
    cv.paint(lay)
    glints = cv.layer()
    d = ImageDraw.Draw(glints)
    for _ in range(22):
        x0, y = rng.uniform(0, W), rng.uniform(2, 8)
        for x in tiled(W, x0):
            d.ellipse(cv.box(x - 0.5, y - 0.5, x + 0.5, y + 0.5), fill=P("white"))
    cv.paint(glints, m)
    return cv.result()


def make_themes(out):
    out["hills_far"] = hills_far()
    out["hills_mid"] = hills_mid()
    out["hills_near"] = hills_near()
    out["hills_ground"] = hills_ground()
    out["frost_far"] = frost_far()
    out["frost_mid"] = frost_mid()
    out["frost_near"] = frost_near()
    out["frost_ground"] = frost_ground()


# ---------------------------------------------------------------------------

PIVOTS = """# Sprite pivots other than the default centre: NAME HORIZONTAL VERTICAL
# The launcher stands on its foot, so both pieces turn and sit about the bottom centre.
launcher_back HCENTER BOTTOM
launcher_front HCENTER BOTTOM
"""


def save_all(folder, images):
    os.makedirs(folder, exist_ok=True)
    for name in sorted(images):
        images[name].save(os.path.join(folder, name + ".png"))


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: %s OUTDIR\n" % os.path.basename(argv[0]))
        return 2
    root = argv[1]
    game, ui, themes = {}, {}, {}
    make_lanterns(game)
    make_gloomers(game)
    make_blocks(game)
    make_launcher_and_joints(game)
    make_particles(game)
    make_ui(ui)
    make_themes(themes)
    try:
        save_all(os.path.join(root, "game"), game)
        save_all(os.path.join(root, "ui"), ui)
        save_all(os.path.join(root, "themes"), themes)
        with open(os.path.join(root, "game", "pivots.txt"), "w") as f:
            f.write(PIVOTS)
    except OSError as e:
        sys.stderr.write("make_art.py: cannot write into %s: %s\n" % (root, e))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
