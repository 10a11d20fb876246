#!/usr/bin/python3
"""Draw Kestrin's four pictures from scratch.

Writes, next to this script:
  brickbreaker-title.jpg  300 x 200  title card for Brick Breaker
  dodge-title.jpg         300 x 200  title card for Dodge
  monkey.gif              432 x 432  monkey holding up a banana (transparent ground)
  banana.gif              432 x 288  a single banana (transparent ground)
and each of them again at twice the size for high-DPI displays
(brickbreaker-title@2x.jpg 600 x 400, ...): the same drawing made at twice
the resolution, not an enlargement of the first.

Run with:  /usr/bin/python3 designs/pictures/draw_pictures.py
Needs Pillow (Debian: python3-pil) and the DejaVu fonts (fonts-dejavu-core).
The output is deterministic: the same bytes on every run.
"""

import math
import os

from PIL import Image, ImageChops, ImageDraw, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
FONT_DIR = "/usr/share/fonts/truetype/dejavu"

# Everything is drawn on a canvas SS times larger, then reduced, for smooth edges.
SS = 4

# Final pixels per picture pixel: 1 for the pictures themselves, 2 for their
# @2x versions. Set by main() before each set is drawn.
SCALE = 1

# ---------------------------------------------------------------- colours
INK = (28, 18, 10)            # outlines of the cartoon figures
FUR = (128, 78, 38)
FUR_SHADE = (104, 62, 30)
FACE = (240, 202, 156)
EAR_IN = (226, 164, 132)
MOUTH = (128, 28, 34)
TONGUE = (232, 110, 120)
WHITE = (255, 255, 255)
BLACK = (0, 0, 0)

BANANA = (252, 216, 46)
BANANA_SHADE = (226, 176, 24)
BANANA_LIGHT = (255, 240, 140)
BANANA_TIP = (92, 60, 22)
STEM = (150, 128, 52)

# The colour stored in the palette slot that is marked transparent.  Its value
# only matters to a viewer that ignores GIF transparency, so it is the game's
# light grey window colour.
TRANSPARENT_RGB = (240, 240, 240)
TRANSPARENT_INDEX = 255


def S(v):
    """Picture-pixel coordinate to supersampled coordinate."""
    return int(round(v * SS * SCALE))


def final_size(w, h):
    """A picture's size in final pixels."""
    return (w * SCALE, h * SCALE)


def font(name, size):
    return ImageFont.truetype(os.path.join(FONT_DIR, name), size)


# ---------------------------------------------------------------- primitives
# Each primitive takes `grow` (in final pixels): drawn once grown by the
# outline width in the outline colour and once at grow=0 in its own colour,
# it becomes a filled shape with a thick outline.

def ellipse(d, cx, cy, rx, ry, grow, fill):
    d.ellipse([S(cx - rx - grow), S(cy - ry - grow),
               S(cx + rx + grow), S(cy + ry + grow)], fill=fill)


def thick_line(d, pts, width, grow, fill):
    """A polyline with round joints and round caps."""
    w = width + 2 * grow
    d.line([(S(x), S(y)) for x, y in pts], fill=fill, width=S(w), joint="curve")
    for x, y in (pts[0], pts[-1]):
        ellipse(d, x, y, w / 2.0, w / 2.0, 0, fill)


def polygon(d, pts, grow, fill):
    sp = [(S(x), S(y)) for x, y in pts]
    d.polygon(sp, fill=fill)
    if grow > 0:
        d.line(sp + [sp[0], sp[1]], fill=fill, width=S(2 * grow), joint="curve")
        for p in sp:
            r = S(grow)
            d.ellipse([p[0] - r, p[1] - r, p[0] + r, p[1] + r], fill=fill)


def bezier(p0, p1, p2, p3, n=40):
    out = []
    for i in range(n + 1):
        t = i / float(n)
        u = 1 - t
        x = u**3 * p0[0] + 3 * u * u * t * p1[0] + 3 * u * t * t * p2[0] + t**3 * p3[0]
        y = u**3 * p0[1] + 3 * u * u * t * p1[1] + 3 * u * t * t * p2[1] + t**3 * p3[1]
        out.append((x, y))
    return out


# ---------------------------------------------------------------- banana
class Banana:
    """A banana whose centre line is an arc of a circle.

    The arc has centre (cx, cy) and radius r and runs from angle a0 to a1
    (degrees, measured like screen angles: 0 = +x, 90 = +y (down)).
    `thick` is the greatest thickness.  Offsets across the banana are given
    as fractions of the local half thickness: -1 is the edge nearer the arc's
    centre (the inner, concave edge), +1 the outer, convex edge.
    """

    def __init__(self, cx, cy, r, a0, a1, thick, stem_len=None, n=90):
        self.cx, self.cy, self.r = cx, cy, r
        self.a0, self.a1 = a0, a1
        self.thick = thick
        self.n = n
        self.stem_len = thick * 0.55 if stem_len is None else stem_len

    def _frame(self, s):
        a = math.radians(self.a0 + (self.a1 - self.a0) * s)
        px = self.cx + self.r * math.cos(a)
        py = self.cy + self.r * math.sin(a)
        nx, ny = math.cos(a), math.sin(a)      # outward normal
        return px, py, nx, ny

    def half(self, s):
        """Half thickness at position s in [0, 1]."""
        return 0.5 * self.thick * max(math.sin(math.pi * s), 0.0) ** 0.62 + 0.02 * self.thick

    def point(self, s, off):
        px, py, nx, ny = self._frame(s)
        h = self.half(s)
        # The convex side bulges a little more than the concave side.
        k = 1.08 if off > 0 else 0.92
        return (px + nx * off * h * k, py + ny * off * h * k)

    def band(self, s0, s1, off0, off1, steps=None):
        steps = steps or max(4, int(self.n * (s1 - s0)))
        a = [self.point(s0 + (s1 - s0) * i / steps, off0) for i in range(steps + 1)]
        b = [self.point(s0 + (s1 - s0) * i / steps, off1) for i in range(steps + 1)]
        return a + b[::-1]

    def outline(self):
        return self.band(0.0, 1.0, -1.0, 1.0, self.n)

    def stem(self):
        """Quadrilateral of the stem sticking out of the s=0 end."""
        px, py, nx, ny = self._frame(0.035)
        # tangent pointing out of the banana at the s=0 end
        sign = -1.0 if self.a1 > self.a0 else 1.0
        tx, ty = -ny * sign, nx * sign
        w0 = self.thick * 0.17
        w1 = self.thick * 0.13
        L = self.stem_len
        # bend the stem slightly towards the concave side
        bx, by = -nx * L * 0.18, -ny * L * 0.18
        return [
            (px + nx * w0, py + ny * w0),
            (px + tx * L + bx + nx * w1, py + ty * L + by + ny * w1),
            (px + tx * L + bx - nx * w1, py + ty * L + by - ny * w1),
            (px - nx * w0, py - ny * w0),
        ]

    def stem_end(self):
        q = self.stem()
        mx = (q[1][0] + q[2][0]) / 2.0
        my = (q[1][1] + q[2][1]) / 2.0
        return mx, my

    def draw_silhouette(self, d, grow, fill):
        polygon(d, self.outline(), grow, fill)
        polygon(d, self.stem(), grow, fill)

    def draw(self, d, line_w):
        """Full banana with outline of width line_w (final pixels)."""
        self.draw_silhouette(d, line_w, INK)
        # body
        polygon(d, self.outline(), 0, BANANA)
        # shade along the convex edge, light streak along the concave side
        polygon(d, self.band(0.04, 0.96, 0.38, 1.0), 0, BANANA_SHADE)
        polygon(d, self.band(0.12, 0.84, -0.62, -0.22), 0, BANANA_LIGHT)
        # ridge line
        ridge = [self.point(0.06 + 0.88 * i / 60.0, 0.12) for i in range(61)]
        d.line([(S(x), S(y)) for x, y in ridge], fill=BANANA_SHADE,
               width=S(max(2.0, line_w * 0.55)), joint="curve")
        # stem and dark tips
        polygon(d, self.stem(), 0, STEM)
        polygon(d, self.band(0.0, 0.05, -1.0, 1.0, 6), 0, STEM)
        ex, ey = self.stem_end()
        ellipse(d, ex, ey, self.thick * 0.15, self.thick * 0.15, 0, BANANA_TIP)
        polygon(d, self.band(0.955, 1.0, -1.0, 1.0, 6), 0, BANANA_TIP)


# ---------------------------------------------------------------- GIF output
def save_transparent_gif(big, size, path):
    """Reduce an RGBA drawing to `size` and save it as a GIF whose background
    is one fully transparent palette slot.  Edge pixels are either opaque or
    transparent, never half-way."""
    rgb = big.convert("RGB").resize(size, Image.BOX)
    alpha = big.getchannel("A").resize(size, Image.BOX)
    q = rgb.quantize(colors=TRANSPARENT_INDEX, method=Image.Quantize.MEDIANCUT,
                     dither=Image.Dither.NONE)
    pal = q.getpalette()[: 3 * TRANSPARENT_INDEX]
    pal += [0] * (3 * TRANSPARENT_INDEX - len(pal))
    pal += list(TRANSPARENT_RGB)
    idx = q.tobytes()
    a = alpha.tobytes()
    out = bytes(TRANSPARENT_INDEX if av < 128 else iv for iv, av in zip(idx, a))
    img = Image.frombytes("P", size, out)
    img.putpalette(pal)
    img.save(path, "GIF", transparency=TRANSPARENT_INDEX, optimize=False)


def new_figure_canvas(w, h):
    # The invisible ground carries the outline colour, so the colour of the
    # reduced edge pixels stays dark (no light fringe).
    return Image.new("RGBA", (S(w), S(h)), INK + (0,))


# ---------------------------------------------------------------- banana.gif
def draw_banana_gif(path):
    W, H = 432, 288
    im = new_figure_canvas(W, H)
    d = ImageDraw.Draw(im)
    # A crescent lying like a smile, tilted so the stem end rises to the left.
    b = Banana(cx=222, cy=-40, r=250, a0=134, a1=42, thick=118, stem_len=46)
    b.draw(d, line_w=8)
    save_transparent_gif(im, final_size(W, H), path)


# ---------------------------------------------------------------- monkey.gif
def draw_monkey_gif(path):
    W, H = 432, 432
    LW = 7  # outline width
    im = new_figure_canvas(W, H)
    d = ImageDraw.Draw(im)

    # --- banana held up above the head (an arch)
    banana = Banana(cx=216, cy=262, r=206, a0=200, a1=340, thick=62, stem_len=30)
    grip_l = banana.point(0.2, 0.0)
    grip_r = banana.point(0.8, 0.0)

    # --- arms: shoulder -> elbow -> hand
    arm_w = 34
    arm_l = bezier((176, 312), (70, 300), (52, 200), grip_l, 30)
    arm_r = bezier((256, 312), (362, 300), (380, 200), grip_r, 30)

    # --- tail
    tail = bezier((270, 380), (350, 420), (412, 370), (392, 310), 40)
    tail += bezier((392, 310), (380, 272), (336, 282), (350, 312), 24)[1:]

    # outlines of the parts behind the head, then their fills
    thick_line(d, tail, 16, LW, INK)
    thick_line(d, tail, 16, 0, FUR)

    # legs / feet
    for fx in (168, 264):
        ellipse(d, fx, 400, 38, 20, LW, INK)
    for fx in (168, 264):
        ellipse(d, fx, 400, 38, 20, 0, FUR)
        ellipse(d, fx, 404, 24, 10, 0, FACE)

    # arms (their shoulder ends disappear behind the body)
    for arm in (arm_l, arm_r):
        thick_line(d, arm, arm_w, LW, INK)
    for arm in (arm_l, arm_r):
        thick_line(d, arm, arm_w, 0, FUR)

    # body
    ellipse(d, 216, 346, 80, 64, LW, INK)
    ellipse(d, 216, 346, 80, 64, 0, FUR)
    ellipse(d, 216, 356, 50, 44, 0, FACE)

    # banana (over the arms, under the fingers)
    banana.draw(d, line_w=6)

    # hands gripping the banana: palm circle plus finger bumps over the fruit
    for (gx, gy), side in ((grip_l, -1), (grip_r, 1)):
        ellipse(d, gx, gy + 4, 22, 22, LW, INK)
        ellipse(d, gx, gy + 4, 22, 22, 0, FUR)
        for k in (-1, 0, 1):
            ellipse(d, gx + k * 13, gy - 14, 8, 9, LW - 2, INK)
        for k in (-1, 0, 1):
            ellipse(d, gx + k * 13, gy - 14, 8, 9, 0, FACE)

    # --- head with ears
    HX, HY, HR = 216, 206, 82
    for ex in (HX - 90, HX + 90):
        ellipse(d, ex, HY + 4, 34, 34, LW, INK)
    ellipse(d, HX, HY, HR, HR - 4, LW, INK)
    for ex in (HX - 90, HX + 90):
        ellipse(d, ex, HY + 4, 34, 34, 0, FUR)
        ellipse(d, ex, HY + 4, 19, 19, 0, EAR_IN)
    ellipse(d, HX, HY, HR, HR - 4, 0, FUR)
    # tuft of hair on top
    polygon(d, [(HX - 22, HY - 70), (HX - 6, HY - 100), (HX + 2, HY - 76),
                (HX + 20, HY - 98), (HX + 24, HY - 68)], LW, INK)
    ellipse(d, HX, HY, HR, HR - 4, 0, FUR)
    polygon(d, [(HX - 22, HY - 70), (HX - 6, HY - 100), (HX + 2, HY - 76),
                (HX + 20, HY - 98), (HX + 24, HY - 68)], 0, FUR)

    # face: two eye lobes and a muzzle, one merged light shape
    face_parts = [
        (HX - 28, HY - 14, 34, 36),
        (HX + 28, HY - 14, 34, 36),
        (HX, HY + 36, 60, 38),
    ]
    for cx, cy, rx, ry in face_parts:
        ellipse(d, cx, cy, rx, ry, 4, INK)
    for cx, cy, rx, ry in face_parts:
        ellipse(d, cx, cy, rx, ry, 0, FACE)

    # eyes
    for ex in (HX - 26, HX + 26):
        ellipse(d, ex, HY - 14, 17, 22, 4, BLACK)
        ellipse(d, ex, HY - 14, 17, 22, 0, WHITE)
        ellipse(d, ex + 2, HY - 8, 11, 13, 0, BLACK)
        ellipse(d, ex + 6, HY - 13, 4, 4, 0, WHITE)

    # nostrils
    for nx in (HX - 10, HX + 10):
        ellipse(d, nx, HY + 20, 5, 4, 0, INK)

    # big open smile (lower half of an ellipse) with a tongue
    box = [S(HX - 36), S(HY + 12), S(HX + 36), S(HY + 66)]
    grow = S(4)
    d.chord([box[0] - grow, box[1] - grow, box[2] + grow, box[3] + grow], 0, 180, fill=INK)
    d.chord(box, 0, 180, fill=MOUTH)
    d.chord([S(HX - 18), S(HY + 44), S(HX + 18), S(HY + 64)], 180, 360, fill=TONGUE)
    # cheeks
    for cx in (HX - 50, HX + 50):
        ellipse(d, cx, HY + 34, 9, 6, 0, EAR_IN)

    save_transparent_gif(im, final_size(W, H), path)


# ---------------------------------------------------------------- title cards
SERIF_BOLD = "DejaVuSerif-Bold.ttf"
SERIF_COND_BOLD = "DejaVuSerifCondensed-Bold.ttf"


def spaced_width(f, text, spacing):
    return sum(f.getlength(c) for c in text) + spacing * (len(text) - 1)


def fit_font(name, text, spacing, max_w, max_size):
    size = max_size
    while size > 8:
        f = font(name, size)
        if spaced_width(f, text, spacing) <= max_w:
            return f
        size -= 1
    return font(name, size)


def fancy_text(card, cx, baseline, text, f, spacing, top, bottom, stroke, shadow):
    """Capitals centred on cx, sitting on `baseline` (all in big-canvas pixels):
    a soft grey drop shadow, a black outline and a vertical colour gradient."""
    W, H = card.size
    x0 = cx - spaced_width(f, text, spacing) / 2.0

    def text_mask(dx, dy, sw):
        m = Image.new("L", (W, H), 0)
        md = ImageDraw.Draw(m)
        x = x0
        for c in text:
            md.text((x + dx, baseline + dy), c, font=f, fill=255, anchor="ls",
                    stroke_width=sw, stroke_fill=255)
            x += f.getlength(c) + spacing
        return m

    card.paste((190, 190, 190), (0, 0), text_mask(shadow, shadow, stroke))
    card.paste((0, 0, 0), (0, 0), text_mask(0, 0, stroke))
    inner = text_mask(0, 0, 0)
    # gradient over the height of the capitals
    asc = f.getbbox("H", anchor="ls")
    ytop, ybot = baseline + asc[1], baseline
    grad = Image.new("RGB", (1, H))
    for y in range(H):
        t = min(1.0, max(0.0, (y - ytop) / float(max(1, ybot - ytop))))
        grad.putpixel((0, y), tuple(int(round(top[i] + (bottom[i] - top[i]) * t)) for i in range(3)))
    card.paste(grad.resize((W, H)), (0, 0), inner)
    # thin light line near the top of each letter for a bevelled look
    hl = text_mask(0, 0, 0)
    hl_shift = text_mask(0, max(1, int(f.size * 0.06)), 0)
    edge = ImageChops.subtract(hl, hl_shift)
    card.paste((255, 236, 200), (0, 0), edge.point(lambda v: v * 2 // 3))


def brick(d, x, y, w, h):
    d.rectangle([S(x), S(y), S(x + w), S(y + h)], fill=(74, 36, 14))
    d.rectangle([S(x + 1), S(y + 1), S(x + w - 1), S(y + h - 1)], fill=(150, 78, 36))
    d.rectangle([S(x + 1), S(y + 1), S(x + w - 1), S(y + 3)], fill=(186, 112, 64))


def ball(d, cx, cy, r, colour, shine=(255, 255, 255)):
    ellipse(d, cx, cy, r + 1, r + 1, 0, (20, 20, 20))
    ellipse(d, cx, cy, r, r, 0, colour)
    ellipse(d, cx - r * 0.35, cy - r * 0.35, r * 0.28, r * 0.28, 0, shine)


def finish_card(card, path):
    small = card.resize(final_size(300, 200), Image.LANCZOS)
    small.save(path, "JPEG", quality=95, subsampling=0, optimize=True, progressive=True)


def title_lines(card, lines, top, bottom):
    """lines: list of (text, font name, max size, spacing, baseline)."""
    for text, name, max_size, spacing, base in lines:
        f = fit_font(name, text, S(spacing), S(280), S(max_size))
        stroke = max(S(1), int(round(f.size * 0.055)))
        fancy_text(card, S(150), S(base), text, f, S(spacing), top, bottom,
                   stroke, S(2.5))


def draw_brickbreaker_title(path):
    card = Image.new("RGB", (S(300), S(200)), WHITE)
    d = ImageDraw.Draw(card)
    # a wall of small bricks along the top, half offset rows
    bw, bh, gap = 30, 11, 3
    for row in range(2):
        y = 8 + row * (bh + gap)
        x = 5 - (row * (bw + gap) // 2)
        while x < 300:
            if x + bw > 0:
                brick(d, max(x, 5), y, min(x + bw, 295) - max(x, 5), bh)
            x += bw + gap
    title_lines(card, [
        ("KESTRIN", SERIF_BOLD, 26, 5, 72),
        ("BRICK", SERIF_BOLD, 44, 3, 118),
        ("BREAKER", SERIF_BOLD, 44, 1, 164),
    ], top=(224, 58, 40), bottom=(128, 16, 12))
    d = ImageDraw.Draw(card)
    # paddle and bouncing red ball along the bottom
    d.rounded_rectangle([S(118), S(186), S(182), S(193)], radius=S(3), fill=(40, 40, 48))
    for i, (tx, ty) in enumerate(((84, 174), (98, 179), (110, 182))):
        ellipse(d, tx, ty, 1.6 + i * 0.5, 1.6 + i * 0.5, 0, (230, 150, 150))
    ball(d, 150 - 24, 180, 6, (214, 24, 24))
    finish_card(card, path)


def draw_dodge_title(path):
    card = Image.new("RGB", (S(300), S(200)), WHITE)
    d = ImageDraw.Draw(card)
    red, black, blue, pink = (214, 24, 24), (24, 24, 24), (20, 36, 120), (240, 120, 176)
    # falling balls across the top, each with a fading trail above it
    for cx, cy, r, col in ((30, 30, 8, red), (72, 22, 6, blue), (118, 34, 7, pink),
                           (170, 20, 6, black), (214, 32, 8, blue), (262, 24, 7, red)):
        for k, fade in ((2, 0.86), (1, 0.68)):
            tint = tuple(int(round(c + (255 - c) * fade)) for c in col)
            rr = r * (1.0 - 0.14 * k)
            ellipse(d, cx, cy - k * r * 0.95, rr, rr, 0, tint)
        ball(d, cx, cy, r, col)
    title_lines(card, [
        ("KESTRIN", SERIF_BOLD, 26, 5, 76),
        ("DODGE", SERIF_BOLD, 60, 4, 146),
    ], top=(58, 96, 200), bottom=(16, 28, 96))
    d = ImageDraw.Draw(card)
    # the player: a small black rectangle, with balls closing in
    d.rectangle([S(144), S(170), S(156), S(192)], fill=(0, 0, 0))
    ball(d, 112, 182, 6, pink)
    ball(d, 190, 178, 7, red)
    ball(d, 226, 186, 5, blue)
    ball(d, 78, 186, 5, black)
    finish_card(card, path)


def main():
    global SCALE
    for SCALE, suffix in ((1, ""), (2, "@2x")):
        draw_brickbreaker_title(os.path.join(HERE, "brickbreaker-title%s.jpg" % suffix))
        draw_dodge_title(os.path.join(HERE, "dodge-title%s.jpg" % suffix))
        draw_monkey_gif(os.path.join(HERE, "monkey%s.gif" % suffix))
        draw_banana_gif(os.path.join(HERE, "banana%s.gif" % suffix))


if __name__ == "__main__":
    main()
