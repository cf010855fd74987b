#!/usr/bin/python3
"""Draws Korvo-EQ's editor artwork: the bitmaps the resource script embeds, at 100 % and at 200 %.

  background.bmp         (101)  785 x 82, 24-bit    the panel: cloudy field, titles, knob wells, captions, logo
  knob_strip.bmp         (102)  26 x 1664, 24-bit   64 knob frames of 26 x 26, frame 0 at the top
  knob_mask.bmp          (103)  26 x 26, 8-bit      black disc on white; palette entries all black but 1 (white)
  led.bmp                (104)  8 x 16, 24-bit      lit lamp in rows 0-7, unlit lamp in rows 8-15
  background_200.bmp     (105)  1570 x 164, 24-bit  the same four drawn anew at 200 %: every coordinate
  knob_strip_200.bmp     (106)  52 x 3328, 24-bit   doubled, each pixel-font pixel a 2 x 2 block, and the
  knob_mask_200.bmp      (107)  52 x 52, 8-bit      field, logo, knob and lamp rendered at twice the
  led_200.bmp            (108)  16 x 32, 24-bit     resolution (the knob's frame k at the same angle)
  preview.png                   the panel as the editor composes it, 100 % zoomed 2x above 200 % as it is,
                                a few knob frames at both scales and the LED

Needs Debian's python3-pil, python3-numpy and fonts-liberation (the serif logo face):
    apt-get install -y python3-pil python3-numpy fonts-liberation
Run with Debian's interpreter:  /usr/bin/python3 resources/artwork/make_artwork.py
The output is deterministic: a fixed integer hash instead of a random generator, and only plain arithmetic
and square roots on arrays (no vectorised exp/pow/sin), so the bytes do not vary from run to run.
"""
import math
import os
import struct
import sys

try:
    import numpy as np
    from PIL import Image, ImageDraw, ImageFont
except ImportError as err:
    sys.exit(f"make_artwork.py: {err}. Install Debian's packages: apt-get install -y python3-pil python3-numpy "
             "fonts-liberation, and run it with /usr/bin/python3.")

HERE = os.path.dirname(os.path.abspath(__file__))
SERIF = "/usr/share/fonts/truetype/liberation/LiberationSerif-Regular.ttf"
SERIF_BOLD = "/usr/share/fonts/truetype/liberation/LiberationSerif-Bold.ttf"
WHITE = (255, 255, 255)
# Geometry at 100 %. Every drawing function takes the scale factor s (1 or 2) and multiplies these by it.
PANEL_W, PANEL_H = 785, 82
KNOB_LEFTS = (70, 111, 193, 234, 275, 357, 398, 439, 521, 562)
KNOB_TOP, KNOB, FRAMES = 24, 26, 64
LED_LEFTS = (136, 259, 423, 586)
LED = 8
SS = 8  # supersampling factor for the wells, the knob and the LED: samples per output pixel at every scale
SCALES = ((1, ""), (2, "_200"))  # the scales drawn and their files' name endings

# ---------------------------------------------------------------- BMP files (BITMAPINFOHEADER, BI_RGB, bottom-up)

def bmp_bytes(pixels, palette=None):
    """24-bit BMP from an (h, w, 3) uint8 array, or 8-bit from (h, w) indices and a list of RGB palette entries."""
    h, w = pixels.shape[:2]
    bpp = 24 if palette is None else 8
    stride = (w * bpp // 8 + 3) & ~3
    rows = pixels[::-1, :, ::-1] if palette is None else pixels[::-1]  # bottom-up; 24-bit rows are B, G, R
    body = b"".join(r.tobytes().ljust(stride, b"\0") for r in np.ascontiguousarray(rows, dtype=np.uint8))
    if palette is not None:  # a full 256-entry table, padded with black: every reader takes that size for 8 bits
        palette = list(palette) + [(0, 0, 0)] * (256 - len(palette))
    table = b"" if palette is None else b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    offset = 14 + 40 + len(table)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, bpp, 0, len(body), 2835, 2835,
                       0 if palette is None else len(palette), 0)
    return struct.pack("<2sIHHI", b"BM", offset + len(body), 0, 0, offset) + info + table + body


def read_bmp(path):
    """Reads back what bmp_bytes writes, checking every header field; answers (bpp, pixels as (h, w, 3))."""
    data = open(path, "rb").read()
    magic, size, _, _, offset = struct.unpack_from("<2sIHHI", data, 0)
    hsize, w, h, planes, bpp, comp, isize, _, _, used, _ = struct.unpack_from("<IiiHHIIiiII", data, 14)
    assert magic == b"BM" and size == len(data) and hsize == 40 and planes == 1, path
    assert comp == 0 and h > 0 and bpp in (8, 24), f"{path}: want BI_RGB, bottom-up, 8 or 24 bits"
    stride = (w * bpp // 8 + 3) & ~3
    assert isize == stride * h and offset + isize == size, path
    rows = np.frombuffer(data, np.uint8, stride * h, offset).reshape(h, stride)[::-1]
    if bpp == 24:
        return bpp, rows[:, :w * 3].reshape(h, w, 3)[:, :, ::-1]
    colours = used or 256
    assert offset == 54 + 4 * colours, path
    table = np.frombuffer(data, np.uint8, 4 * colours, 54).reshape(colours, 4)[:, 2::-1]
    return bpp, table[rows[:, :w]]


def save_bmp(name, pixels, palette=None):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(bmp_bytes(pixels, palette))

# ---------------------------------------------------------------- hand-made pixel fonts, 7 rows high

def font(layout, space):
    glyphs = {}
    for entry in layout.split():
        ch, rows = entry[0], entry[2:].split("|")
        glyphs[ch] = np.array([[c == "#" for c in r] for r in rows])
    return {"glyphs": glyphs, "space": space}

# Section titles: 5 x 7 capitals.
TITLE = font("""
L=#....|#....|#....|#....|#....|#....|##### O=.###.|#...#|#...#|#...#|#...#|#...#|.###.
W=#...#|#...#|#...#|#.#.#|#.#.#|#.#.#|.#.#. S=.####|#....|#....|.###.|....#|....#|####.
H=#...#|#...#|#...#|#####|#...#|#...#|#...# E=#####|#....|#....|####.|#....|#....|#####
F=#####|#....|#....|####.|#....|#....|#.... I=###|.#.|.#.|.#.|.#.|.#.|###
G=.###.|#...#|#....|#.###|#...#|#...#|.###. M=#...#|##.##|#.#.#|#.#.#|#...#|#...#|#...#
D=####.|#...#|#...#|#...#|#...#|#...#|####. A=.###.|#...#|#...#|#####|#...#|#...#|#...#
B=####.|#...#|#...#|####.|#...#|#...#|####.""", space=3)
# Knob names: a narrower 4 x 7 cut of the same capitals.
NAME = font("""
F=####|#...|#...|###.|#...|#...|#... R=###.|#..#|#..#|###.|#.#.|#..#|#..#
E=####|#...|#...|###.|#...|#...|#### Q=.###.|#...#|#...#|#...#|#.#.#|#..#.|.##.#
G=.##.|#..#|#...|#.##|#..#|#..#|.### A=.##.|#..#|#..#|####|#..#|#..#|#..#
I=###|.#.|.#.|.#.|.#.|.#.|### N=#..#|##.#|##.#|#.##|#.##|#..#|#..#""", space=2)
# Range captions: condensed 3 x 7 figures and letters.
CAPTION = font("""
0=###|#.#|#.#|#.#|#.#|#.#|### 1=.#.|##.|.#.|.#.|.#.|.#.|###
2=###|..#|..#|###|#..|#..|### 4=#.#|#.#|#.#|###|..#|..#|..#
5=###|#..|#..|###|..#|..#|### 6=###|#..|#..|###|#.#|#.#|###
H=#.#|#.#|#.#|###|#.#|#.#|#.# K=#.#|#.#|##.|#..|##.|#.#|#.#
z=...|...|###|..#|.#.|#..|### d=..#|..#|###|#.#|#.#|#.#|###
B=###.|#..#|#..#|###.|#..#|#..#|###. +=...|...|.#.|###|.#.|...|... -=...|...|...|###|...|...|...""", space=1)


def kind(ch):
    return "digit" if ch.isdigit() else "letter" if ch.isalpha() else "symbol"


def zoom(a, k):
    """Each pixel of a (rows first) as a k x k block."""
    return np.repeat(np.repeat(a, k, axis=0), k, axis=1)


def fill(img, s, x0, x1, y0, y1, colour=WHITE):
    """Fills the 100 % box x0..x1, y0..y1 at scale s."""
    img[y0 * s:(y1 + 1) * s, x0 * s:(x1 + 1) * s] = colour


def draw_pixel_text(img, s, text, fnt, x0, x1, top, colour=WHITE):
    """Sets the text's pixels so that its ink spans exactly columns x0..x1 (at 100 %; at scale s each font
    pixel is an s x s block); the slack goes into word spaces, or else into the gaps where figures meet
    letters or symbols, or else into every gap."""
    words, gaps, pending = [], [], 0
    for ch in text:
        if ch == " ":
            pending += 1
            continue
        if words:
            gaps.append(1 + pending * (fnt["space"] + 1))
        words.append(ch)
        pending = 0
    glyphs = [fnt["glyphs"][ch] for ch in words]
    slack = (x1 - x0 + 1) - sum(g.shape[1] for g in glyphs) - sum(gaps)
    order = ([i for i, g in enumerate(gaps) if g > 1]
             or [i for i in range(len(gaps)) if kind(words[i]) != kind(words[i + 1])]
             or list(range(len(gaps))))
    i = 0
    while slack != 0:
        step = 1 if slack > 0 else -1
        gaps[order[i % len(order)]] += step
        slack -= step
        i += 1
    assert min(gaps, default=1) >= 1, text
    x = x0
    for n, g in enumerate(glyphs):
        ys, xs = np.nonzero(zoom(g, s))
        img[top * s + ys, x * s + xs] = colour
        x += g.shape[1] + (gaps[n] if n < len(gaps) else 0)
    assert x - 1 == x1, text

# ---------------------------------------------------------------- smooth value noise for the cloudy field

def lattice(ix, iy, salt):
    """A fixed integer hash of the lattice points, mapped to 0..1."""
    h = (ix.astype(np.uint64) * 0x27D4EB2F + iy.astype(np.uint64) * 0x165667B1 + salt * 0x9E3779B9) & 0xFFFFFFFF
    h = ((h ^ (h >> 15)) * 0x2C1B3C6D) & 0xFFFFFFFF
    h = ((h ^ (h >> 12)) * 0x297A2D39) & 0xFFFFFFFF
    return ((h ^ (h >> 15)) & 0xFFFF).astype(np.float64) / 65535.0


def value_noise(x, y, cell_x, cell_y, salt):
    """The noise at columns x and rows y (1-D arrays of positions), on a lattice of cell_x by cell_y."""
    x = x / cell_x
    y = y / cell_y
    ix, iy = np.floor(x).astype(np.int64), np.floor(y).astype(np.int64)
    fx, fy = x - ix, y - iy
    sx, sy = fx * fx * (3 - 2 * fx), fy * fy * (3 - 2 * fy)  # smoothstep
    X0, Y0 = np.meshgrid(ix, iy)
    SX, SY = np.meshgrid(sx, sy)
    a, b = lattice(X0, Y0, salt), lattice(X0 + 1, Y0, salt)
    c, d = lattice(X0, Y0 + 1, salt), lattice(X0 + 1, Y0 + 1, salt)
    return (a + (b - a) * SX) * (1 - SY) + (c + (d - c) * SX) * SY


def ramp(t, stops):
    """Piecewise-linear colour ramp: stops are (position, (r, g, b)) in rising order."""
    t = np.clip(t, stops[0][0], stops[-1][0])
    out = np.zeros(t.shape + (3,))
    for (p0, c0), (p1, c1) in zip(stops, stops[1:]):
        sel = (t >= p0) & (t <= p1)
        f = ((t - p0) / (p1 - p0))[sel][:, None]
        out[sel] = np.array(c0) * (1 - f) + np.array(c1) * f
    return out


def cloud_field(s):
    # Each pixel takes the noise where its centre lies on the 100 % panel, less half a pixel: the whole
    # numbers at 100 %, quarter steps at 200 %, so that both show the same clouds.
    x = (np.arange(PANEL_W * s) + 0.5) / s - 0.5
    y = (np.arange(PANEL_H * s) + 0.5) / s - 0.5
    n = np.zeros((PANEL_H * s, PANEL_W * s))
    for octave, (cx, cy, amp) in enumerate(((150, 60, 0.50), (70, 30, 0.26), (32, 15, 0.14), (14, 8, 0.10))):
        n += amp * value_noise(x, y, cx, cy, salt=17 + octave)
    n = (n - 0.5) * 1.7 + 0.5                      # stretch the octaves' clumped sum
    n += 0.10 * (0.5 - y[:, None] / (PANEL_H - 1))   # a touch lighter towards the top
    field = ramp(n, ((0.0, (14, 9, 66)), (0.5, (20, 20, 101)), (0.78, (34, 38, 136)), (1.0, (56, 62, 174))))
    field[:s] = field[:s] * 0.6 + np.array((56, 62, 174)) * 0.4   # a bevel: light top edge, dark bottom edge
    field[-s:] = field[-s:] * 0.5 + np.array((14, 9, 66)) * 0.5
    return field

# ---------------------------------------------------------------- anti-aliased shapes by supersampling

def ss_grid(w, h):
    """Sample centres of a w x h pixel box at SS x SS samples per pixel, in pixel units."""
    xs = (np.arange(w * SS) + 0.5) / SS
    ys = (np.arange(h * SS) + 0.5) / SS
    return np.meshgrid(xs, ys)


def reduce(a):
    """Averages SS x SS sample blocks back to pixels; works on (H, W) and (H, W, 3) arrays."""
    h, w = a.shape[0] // SS, a.shape[1] // SS
    return a.reshape(h, SS, w, SS, *a.shape[2:]).mean(axis=(1, 3))


def disc_coverage(w, h, cx, cy, r):
    x, y = ss_grid(w, h)
    return reduce(((x - cx) ** 2 + (y - cy) ** 2 <= r * r).astype(np.float64))


def ipow(x, k):
    """x**k for a positive integer k by repeated multiplication (bit-exact on every CPU)."""
    out = np.ones_like(x)
    while k:
        if k & 1:
            out = out * x
        x, k = x * x, k >> 1
    return out


def unit(v):
    v = np.array(v, dtype=np.float64)
    return v / math.sqrt(float(v @ v))


def to_u8(a):
    return np.clip(np.floor(a + 0.5), 0, 255).astype(np.uint8)

# ---------------------------------------------------------------- the knob

KNOB_C = 13.0   # the centre, in both directions; at 100 % the disc covers columns and rows 1..24
KNOB_R = 12.0


def knob_sphere(s):
    """The lit sphere without its pointer, at supersampled resolution, black outside the disc."""
    x, y = ss_grid(KNOB * s, KNOB * s)
    u, v = (x - KNOB_C * s) / (KNOB_R * s), (y - KNOB_C * s) / (KNOB_R * s)
    r2 = u * u + v * v
    inside = r2 <= 1.0
    nz = np.sqrt(np.clip(1.0 - r2, 0.0, 1.0))
    light = unit((-0.50, -0.62, 0.60))          # upper left, in front
    diffuse = u * light[0] + v * light[1] + nz * light[2]
    t = np.clip(0.5 + 0.5 * diffuse, 0.0, 1.0)
    body = ramp(t, ((0.0, (24, 4, 58)), (0.26, (60, 16, 122)), (0.48, (58, 46, 172)),
                    (0.70, (74, 98, 208)), (0.88, (146, 160, 220)), (1.0, (188, 196, 230))))
    half = unit(light + np.array((0.0, 0.0, 1.0)))
    ndoth = np.clip(u * half[0] + v * half[1] + nz * half[2], 0.0, 1.0)
    specular = 1.0 * ipow(ndoth, 128) + 0.16 * ipow(ndoth, 16)
    below = np.clip(0.6 * u + 0.8 * v, 0.0, 1.0)
    bounce = ipow(np.clip(0.55 * u + 0.75 * v - 0.30, 0.0, 1.0), 2)     # violet light thrown up from below right
    rim = 1.0 - 0.45 * ipow(1.0 - nz, 3)                                # darker towards the edge...
    glint = ipow(1.0 - nz, 4) * below                                   # ...but for a thin lit lip below right
    colour = (body * rim[..., None] + specular[..., None] * 255 + bounce[..., None] * np.array((60, 26, 112))
              + glint[..., None] * np.array((90, 70, 150)))
    return np.where(inside[..., None], np.clip(colour, 0, 255), 0.0), inside


def stroke(s, angle_deg, r0, r1, half_width, shift=0.0):
    """Supersampled coverage of a round-ended stroke along the pointer's direction, from radius r0 to r1
    (lengths at 100 %)."""
    a = math.radians(angle_deg)
    dx, dy = math.sin(a), -math.cos(a)
    x, y = ss_grid(KNOB * s, KNOB * s)
    px, py = x - KNOB_C * s - shift * s, y - KNOB_C * s - shift * s
    along = np.clip(px * dx + py * dy, r0 * s, r1 * s)
    ex, ey = px - along * dx, py - along * dy
    return (ex * ex + ey * ey <= (half_width * s) * (half_width * s)).astype(np.float64)


def knob_frames(s):
    """The 64 frames stacked top to bottom, and the pixels that the mask must blacken."""
    sphere, inside = knob_sphere(s)
    groove_colour = np.array((16, 8, 44))
    frames = []
    for k in range(FRAMES):
        angle = -140.0 + 280.0 * k / (FRAMES - 1)
        groove = np.maximum(stroke(s, angle, 3.2, 10.0, 1.75), 0.6 * stroke(s, angle, 3.2, 10.0, 1.3, shift=0.7))
        core = stroke(s, angle, 3.2, 10.0, 0.9)
        img = sphere * (1 - 0.75 * groove[..., None]) + 0.75 * groove[..., None] * groove_colour
        img = img * (1 - core[..., None]) + core[..., None] * np.array((252, 252, 255))
        img = np.where(inside[..., None], img, 0.0)
        frames.append(to_u8(reduce(img)))
    mask_black = reduce(inside.astype(np.float64)) > 0
    return np.concatenate(frames, axis=0), mask_black

# ---------------------------------------------------------------- the LED

def led_image(s):
    x, y = ss_grid(LED * s, LED * s)
    u, v = (x - 4.0 * s) / (3.7 * s), (y - 4.0 * s) / (3.7 * s)
    r2 = u * u + v * v
    inside = r2 <= 1.0
    r = np.sqrt(np.clip(r2, 0.0, 1.0))
    hot = np.clip(1.0 - ((u + 0.35) ** 2 + (v + 0.40) ** 2) / 0.16, 0.0, 1.0)      # a glint at the upper left

    def lamp(stops, glint):
        c = ramp(r, stops) + (hot * hot)[..., None] * np.array(glint)
        return to_u8(reduce(np.where(inside[..., None], np.clip(c, 0, 255), 0.0)))

    lit = lamp(((0.0, (170, 255, 150)), (0.35, (70, 235, 60)), (0.70, (30, 170, 30)), (0.85, (16, 112, 20)),
                (1.0, (8, 60, 10))), (70, 40, 70))
    unlit = lamp(((0.0, (118, 122, 128)), (0.55, (92, 95, 101)), (0.82, (58, 60, 66)), (1.0, (26, 27, 30))),
                 (60, 60, 64))
    return np.concatenate([lit, unlit], axis=0)

# ---------------------------------------------------------------- the panel

def serif_text(img, s, text, x0, x1, y0, y1, path):
    """White serif text whose ink fills exactly the box x0..x1, y0..y1 (at 100 %): the height sets the scale,
    the letter spacing the width. Drawn large and reduced with a box filter, so that it keeps the face's
    shapes; the face's size grows with the scale, so that each pixel gets as many samples at 200 %."""
    x0, x1, y0, y1 = x0 * s, (x1 + 1) * s - 1, y0 * s, (y1 + 1) * s - 1
    face = ImageFont.truetype(path, 160 * s)
    boxes = [face.getbbox(ch) for ch in text]
    top = min(b[1] for b in boxes)
    bottom = max(b[3] for b in boxes)
    scale = (bottom - top) / (y1 - y0 + 1)
    inks = [b[2] - b[0] for b in boxes]
    spacing = ((x1 - x0 + 1) * scale - sum(inks)) / (len(text) - 1)
    canvas = Image.new("L", (int(round((x1 - x0 + 1) * scale)) + 4, bottom - top + 4), 0)
    draw, pen = ImageDraw.Draw(canvas), 0.0
    for ch, b, ink in zip(text, boxes, inks):
        draw.text((int(round(pen)) - b[0], -top), ch, font=face, fill=255)
        pen += ink + spacing
    canvas = canvas.crop(canvas.getbbox())
    alpha = np.asarray(canvas.resize((x1 - x0 + 1, y1 - y0 + 1), getattr(Image, "Resampling", Image).BOX), dtype=np.float64)[..., None] / 255
    region = img[y0:y1 + 1, x0:x1 + 1]
    img[y0:y1 + 1, x0:x1 + 1] = region * (1 - alpha) + np.array(WHITE) * alpha


def background(s):
    img = cloud_field(s)
    assert np.abs(np.median(img.reshape(-1, 3), axis=0) - (20, 20, 101)).max() < 6, "the field has drifted from its dark blue"
    cov = disc_coverage(25 * s, 25 * s, 12.5 * s, 12.5 * s, 12.5 * s)[..., None]
    for left in KNOB_LEFTS:                                     # wells: 25 px black discs at rows 25..49
        region = img[25 * s:50 * s, left * s:(left + 25) * s]
        img[25 * s:50 * s, left * s:(left + 25) * s] = region * (1 - cov)
    img = np.floor(img + 0.5)
    for x0, x1 in ((61, 143), (184, 307), (348, 471), (512, 594)):   # section brackets
        fill(img, s, x0, x1, 15, 15)
        fill(img, s, x0, x0, 15, 20)
        fill(img, s, x1, x1, 15, 20)
    for text, x0, x1 in (("LOW SHELF", 80, 131), ("MID A", 235, 261), ("MID B", 399, 423), ("HIGH SHELF", 526, 580)):
        draw_pixel_text(img, s, text, TITLE, x0, x1, 5)
    for text, x0, x1 in (("40Hz - 600Hz", 58, 101), ("+-20dB", 111, 137), ("100Hz - 20KHz", 180, 226),
                         ("+-20dB", 234, 260), ("100Hz - 20KHz", 344, 390), ("+-20dB", 397, 423),
                         ("5KHz - 15KHz", 512, 556), ("+-20dB", 561, 587)):
        draw_pixel_text(img, s, text, CAPTION, x0, x1, 57)
    for text, x0, x1 in (("FREQ", 72, 91), ("GAIN", 115, 132), ("FREQ", 195, 214), ("GAIN", 238, 255),
                         ("Q", 286, 290), ("FREQ", 360, 379), ("GAIN", 403, 420), ("Q", 450, 454),
                         ("FREQ", 524, 543), ("GAIN", 567, 584)):
        draw_pixel_text(img, s, text, NAME, x0, x1, 71)
    serif_text(img, s, "VARDLE", 626, 766, 23, 33, SERIF_BOLD)
    serif_text(img, s, "Korvo-EQ", 654, 744, 43, 59, SERIF_BOLD)
    return to_u8(img)

# ---------------------------------------------------------------- checks and preview

def compose(bg, strip, mask_rgb, led, s, lit=(True, False, True, False), frame=31):
    """The editor's drawing at scale s: LEDs copied opaquely, then each knob's mask ANDed and its frame ORed."""
    out = bg.copy()
    top, k, n = KNOB_TOP * s, KNOB * s, LED * s
    for left, on in zip(LED_LEFTS, lit):
        out[top:top + n, left * s:left * s + n] = led[0:n] if on else led[n:2 * n]
    cell = strip[frame * k:(frame + 1) * k]
    for left in KNOB_LEFTS:
        box = out[top:top + k, left * s:left * s + k]
        out[top:top + k, left * s:left * s + k] = (box & mask_rgb) | cell
    return out


def check(name, size, bpp, expect):
    got_bpp, pixels = read_bmp(os.path.join(HERE, name))
    assert got_bpp == bpp and pixels.shape[1::-1] == size, f"{name}: {got_bpp} bits, {pixels.shape}"
    assert np.array_equal(pixels, expect), f"{name}: pixels do not read back"
    with Image.open(os.path.join(HERE, name)) as im:                 # a second opinion from Pillow
        assert im.format == "BMP" and np.array_equal(np.asarray(im.convert("RGB")), expect), name
    return pixels


def check_knob(strip, mask_rgb, s):
    """The mask as the editor reads it must be black exactly where any frame may OR in colour, and white, with
    the frames black, everywhere else; its rim (s pixels) stays clear and the disc reaches the next pixel."""
    k = KNOB * s
    black = (mask_rgb == 0).all(axis=2)
    assert (black | (mask_rgb == 255).all(axis=2)).all(), f"the {s}x mask is not only black and white"
    lit_anywhere = strip.reshape(FRAMES, k, k, 3).any(axis=(0, 3))
    assert np.array_equal(lit_anywhere, black), f"the {s}x mask and frames disagree"
    assert not black[:s].any() and not black[-s:].any() and not black[:, :s].any() and not black[:, -s:].any()
    assert black[s].any() and black[-1 - s].any() and black[:, s].any() and black[:, -1 - s].any()


def draw(s, suffix):
    """Draws, writes and checks the four bitmaps at scale s; answers them as read back, the mask in RGB."""
    bg = background(s)
    strip, mask_black = knob_frames(s)
    led = led_image(s)
    n = LED * s
    assert not led[[0, 0, n - 1, n - 1, n, n, 2 * n - 1, 2 * n - 1], [0, n - 1] * 4].any(), "LED corners must be black"

    mask_index = np.where(mask_black, 0, 1).astype(np.uint8)
    palette = [(0, 0, 0), (255, 255, 255)]
    names, read = [], []
    for name, pixels, pal, expect, (w, h) in (
            ("background", bg, None, bg, (PANEL_W, PANEL_H)), ("knob_strip", strip, None, strip, (KNOB, KNOB * FRAMES)),
            ("knob_mask", mask_index, palette, np.array(palette, np.uint8)[mask_index], (KNOB, KNOB)),
            ("led", led, None, led, (LED, 2 * LED))):
        names.append(f"{name}{suffix}.bmp")
        save_bmp(names[-1], pixels, pal)
        read.append(check(names[-1], (w * s, h * s), 24 if pal is None else 8, expect))
    check_knob(read[1], read[2], s)
    return names, read


def halved(a):
    """An image at 200 % averaged back to 100 %."""
    return a.reshape(a.shape[0] // 2, 2, a.shape[1] // 2, 2, 3).mean(axis=(1, 3))


def preview(panels, strips, leds):
    """The sheet: the 100 % panel zoomed 2x above the 200 % one, then a few knob frames and the LED at each
    scale, all zoomed to the same size."""
    frames, z = (0, 16, 31, 47, 63), 6
    tile = KNOB * z
    sheet = np.full((4 * PANEL_H + 2 * tile + 48, 2 * PANEL_W, 3), 40, np.uint8)
    sheet[:2 * PANEL_H] = zoom(panels[0], 2)
    sheet[2 * PANEL_H + 12:4 * PANEL_H + 12] = panels[1]
    for row, ((s, _), strip, led) in enumerate(zip(SCALES, strips, leds)):
        top = 4 * PANEL_H + 24 + row * (tile + 12)
        for i, f in enumerate(frames):
            x = 12 + i * (tile + 12)
            sheet[top:top + tile, x:x + tile] = zoom(strip[f * KNOB * s:(f + 1) * KNOB * s], z // s)
        lamps = zoom(led, 2 * z // s)
        x = 12 + len(frames) * (tile + 12)
        sheet[top:top + 96, x:x + 96] = lamps[:96]
        sheet[top:top + 96, x + 108:x + 204] = lamps[96:]
    Image.fromarray(sheet).save(os.path.join(HERE, "preview.png"), optimize=False)


def main():
    for path in (SERIF, SERIF_BOLD):
        if not os.path.exists(path):
            sys.exit(f"make_artwork.py: {path} is missing: apt-get install -y fonts-liberation")
    written, panels, strips, leds = [], [], [], []
    for s, suffix in SCALES:
        names, (bg, strip, mask_rgb, led) = draw(s, suffix)
        written += names
        panels.append(compose(bg, strip, mask_rgb, led, s))
        strips.append(strip)
        leds.append(led)
    # The 200 % drawing is the 100 % one made finer: averaged back down, it stays within a level or so on the
    # whole (only edges differ, the logo's most, its letters falling on other fractions of a pixel).
    for what, pair in (("panel", panels), ("knob frames", strips), ("LED", leds)):
        assert np.abs(halved(pair[1]) - pair[0]).mean() < 1.0, f"{what}: the 200 % drawing has drifted from the 100 % one"
    preview(panels, strips, leds)
    print("wrote", ", ".join(written), "and preview.png in", HERE)


if __name__ == "__main__":
    main()
