#!/usr/bin/env python3
"""Draws the viewer's toolbar strips and its icon.

Writes, next to Orlix.rc:
  toolbar.bmp        10 button images, 16x15 each, 4 bits per pixel
  toolbar_extra.bmp  23 state images, 16x15 each, 4 bits per pixel
  Orlix.ico          the program icon, 16x16 and 32x32, 32-bit with alpha

Standard library only, so the pictures can be rebuilt anywhere.

  make_images.py            rewrite the files in resources/
  make_images.py --check    exit 1 if a file in resources/ differs from what
                            this script draws (nothing is written)
  make_images.py --out DIR  write into DIR instead

Button images use the 16 colours of the standard VGA palette. Light grey
(192,192,192) is the classic button face, which the toolbar maps to the
current face colour, so it is the background of every picture here.
"""

import argparse
import math
import os
import struct
import sys

CELL_W, CELL_H = 16, 15

# Standard VGA order, which is also the order of the system's 16-colour palette.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]

# One letter per palette entry in the pictures below. '.' is the button face
# (the background); '_' in a layer means "leave what is underneath".
INK = {
    'K': 0, 'r': 1, 'g': 2, 'o': 3, 'n': 4, 'p': 5, 't': 6, 'S': 7,
    'd': 8, 'R': 9, 'G': 10, 'Y': 11, 'B': 12, 'M': 13, 'C': 14, 'W': 15,
    '.': 7,
}
FACE = 7
CLEAR = '_'


# --------------------------------------------------------------- pictures --

class Cell:
    """One 16x15 button image as palette indices."""

    def __init__(self, fill=FACE):
        self.px = [[fill] * CELL_W for _ in range(CELL_H)]

    def copy(self):
        c = Cell()
        c.px = [row[:] for row in self.px]
        return c

    def put(self, x, y, ink):
        if 0 <= x < CELL_W and 0 <= y < CELL_H:
            self.px[y][x] = ink

    def layer(self, rows, dx=0, dy=0):
        """Paints a letter picture at (dx, dy); '_' leaves pixels alone."""
        for y, row in enumerate(rows):
            for x, ch in enumerate(row):
                if ch != CLEAR:
                    self.put(x + dx, y + dy, INK[ch])
        return self

    def shape(self, inside, fill, outline=None):
        """Fills the pixels whose centres satisfy inside(x, y); with an
        outline ink, the shape's pixels that touch the outside (4-way) get
        that ink instead."""
        mask = [[inside(x + 0.5, y + 0.5) for x in range(CELL_W)] for y in range(CELL_H)]

        def at(x, y):
            return 0 <= x < CELL_W and 0 <= y < CELL_H and mask[y][x]

        for y in range(CELL_H):
            for x in range(CELL_W):
                if not mask[y][x]:
                    continue
                edge = not (at(x - 1, y) and at(x + 1, y) and at(x, y - 1) and at(x, y + 1))
                ink = outline if (edge and outline is not None) else fill(x, y) if callable(fill) else fill
                self.px[y][x] = ink
        return self


def picture(rows):
    """A cell from a full 16x15 letter picture."""
    if len(rows) != CELL_H or any(len(r) != CELL_W for r in rows):
        raise ValueError("picture must be %dx%d: %r" % (CELL_W, CELL_H, rows))
    return Cell().layer(rows)


def segment_distance(px, py, ax, ay, bx, by):
    vx, vy = bx - ax, by - ay
    t = ((px - ax) * vx + (py - ay) * vy) / float(vx * vx + vy * vy)
    t = max(0.0, min(1.0, t))
    return math.hypot(px - (ax + t * vx), py - (ay + t * vy))


def crossed_out(cell):
    """The picture with a two-pixel red X over it, thin enough to leave the
    picture underneath recognisable."""
    c = cell.copy()
    # Both strokes run through pixel corners, so each covers exactly two
    # pixels per row; they cross at the centre of the cell.
    a = ((1.5, 1.0), (14.5, 14.0))
    b = ((14.5, 1.0), (1.5, 14.0))
    c.shape(lambda x, y: (segment_distance(x, y, *a[0], *a[1]) <= 0.5 or
                          segment_distance(x, y, *b[0], *b[1]) <= 0.5), INK['R'])
    return c


# Blank cells of the main strip: those buttons take their images from the
# extra strip at start-up.
BLANK = Cell()

FLOPPY = picture([
    "................",
    ".KKKKKKKKKKKKK..",
    ".KnnSSSSSSSSnnK.",
    ".KnnSWnnSSSSnnK.",
    ".KnnSWnnSSSSnnK.",
    ".KnnSWnnSSSSnnK.",
    ".KnnSSSSSSSSnnK.",
    ".KnnnnnnnnnnnnK.",
    ".KnWWWWWWWWWWnK.",
    ".KnWddddddddWnK.",
    ".KnWWWWWWWWWWnK.",
    ".KnWddddddWWWnK.",
    ".KnWWWWWWWWWWnK.",
    ".KnWWWWWWWWWWnK.",
    ".KKKKKKKKKKKKKK.",
])

OPEN_FOLDER = picture([
    "................",
    "................",
    "................",
    ".KKKK...........",
    "KYYYYK..........",
    "KYooooKKKKKKK...",
    "KYoooooooooooK..",
    "KYoooooooooooK..",
    "KYoooooooooooK..",
    "KYooKKKKKKKKKKKK",
    "KYoKWYYYYYYYYYK.",
    "KYKWYYYYYYYYYK..",
    "KKWYYYYYYYYYoK..",
    "KKKKKKKKKKKKK...",
    "................",
])

PAGE = [
    "KKKKKKK___",
    "KWWWWWKK__",
    "KWWWWWKWK_",
    "KWddddKKKK",
    "KWWWWWWWWK",
    "KWddddddWK",
    "KWWWWWWWWK",
    "KWddddddWK",
    "KWWWWWWWWK",
    "KWddddddWK",
    "KWWWWWWWWK",
    "KWddddddWK",
    "KWWWWWWWWK",
    "KKKKKKKKKK",
]

SMALL_PAGE = [
    "KKKKKK___",
    "KWWWWKK__",
    "KWWWWKWK_",
    "KWdddKKKK",
    "KWWWWWWWK",
    "KWdddddWK",
    "KWWWWWWWK",
    "KWdddddWK",
    "KWWWWWWWK",
    "KWdddddWK",
    "KKKKKKKKK",
]

COPY = Cell().layer(SMALL_PAGE, 1, 0).layer(SMALL_PAGE, 6, 4)

PRINTER = picture([
    "................",
    "....KKKKKKKK....",
    "....KWWWWWWK....",
    "....KWddddWK....",
    "....KWWWWWWK....",
    "....KWddddWK....",
    "..KKKKKKKKKKKK..",
    ".KWWWWWWWWWWWWK.",
    "KWSSSSSSSSSSSSdK",
    "KWSSSSSSSSSGGSdK",
    "KWSSSSSSSSSSSSdK",
    "KddddddddddddddK",
    "KKdKKKKKKKKKKdKK",
    ".KKWWWWWWWWWWKK.",
    "...KKKKKKKKKK...",
])

ABOUT = picture([
    "................",
    "....KKKKKKK.....",
    "..KKYYYYYYYKK...",
    ".KYYYYnnnYYYYK..",
    ".KYYYnnYnnYYYK..",
    "KYYYYYYYnnYYYYK.",
    "KYYYYYYnnYYYYYK.",
    "KYYYYYnnYYYYYYK.",
    ".KYYYYYYYYYYYK..",
    ".KYYYYnnYYYYYK..",
    "..KKYYYYYYYKK...",
    "....KKYYKKK.....",
    ".....KYK........",
    ".....KK.........",
    "................",
])

MAGNIFIER = picture([
    "................",
    "....KKKK........",
    "..KKWWCCKK......",
    "..KWWCCCCK......",
    ".KWWCCCCCCK.....",
    ".KWCCCCCCCK.....",
    ".KCCCCCCCCK.....",
    ".KCCCCCCCtK.....",
    "..KCCCCCttK.....",
    "..KKCCttKKK.....",
    "....KKKKKrrK....",
    ".........KrrK...",
    "..........KrrK..",
    "...........KrrK.",
    "............KKK.",
])

DOWN_ARROW = [
    "__nnnnn__",
    "__nBBBn__",
    "__nBBBn__",
    "__nBBBn__",
    "nnnBBBnnn",
    "_nBBBBBn_",
    "__nBBBn__",
    "___nBn___",
    "____n____",
]

SCROLL_PAGE = Cell().layer(PAGE, 1, 0).layer(DOWN_ARROW, 7, 6)

FUNNEL = picture([
    "................",
    ".KKKKKKKKKKKKKK.",
    ".KWWWWWWWWWWWWK.",
    ".KKKKKKKKKKKKKK.",
    "..KWCCCCCCCCtK..",
    "...KWCCCCCCtK...",
    "....KWCCCCtK....",
    ".....KWCCtK.....",
    "......KWtK......",
    "......KWtK......",
    "......KWtK......",
    "......KWtK......",
    "......KWtK......",
    ".......KK.......",
    "................",
])


def eraser_cell():
    """A page whose lower lines are being rubbed out by a tilted eraser."""
    c = Cell().layer(PAGE, 1, 0)
    # The strip already rubbed clean along the eraser's path.
    for y, x0 in ((9, 4), (11, 2)):
        for x in range(x0, 9):
            c.put(x, y, INK['W'])
    # Eraser: a block lying along the rising diagonal; u runs across it,
    # v along it, from the rubbing end at the lower left.
    cx, cy = 10.5, 9.5

    def uv(x, y):
        dx, dy = x - cx, y - cy
        return (dx + dy) / math.sqrt(2), (dx - dy) / math.sqrt(2)

    def inside(x, y):
        u, v = uv(x, y)
        return abs(u) <= 3.0 and -5.0 <= v <= 4.4

    def fill(x, y):
        u, v = uv(x + 0.5, y + 0.5)
        if v < -0.6:
            return INK['M'] if u < 1.0 else INK['p']  # pink rubber, shaded side
        return INK['C'] if u < 1.0 else INK['t']      # the paper sleeve

    c.shape(inside, fill, INK['K'])
    return c


BINOCULARS = picture([
    "................",
    "..KKKK....KKKK..",
    "..KWdK....KWdK..",
    "..KWdK....KWdK..",
    ".KKKKKK..KKKKKK.",
    ".KWdddKKKKWdddK.",
    ".KWdddKddKWdddK.",
    "KKWdddKKKKWdddKK",
    "KWdddddKKWdddddK",
    "KKKKKKKKKKKKKKKK",
    "KnBBBnK..KnBBBnK",
    "KBCWBBK..KBCWBBK",
    "KBCBBBK..KBCBBBK",
    "KnBBBnK..KnBBBnK",
    ".KKKKK....KKKKK.",
])

ARROW_RIGHT_15 = [
    "...............",
    "...............",
    "........g......",
    "........gg.....",
    "........gGg....",
    ".ggggggggGGg...",
    ".gWWWWWWWGGGg..",
    ".gGGGGGGGGGGGg.",
    ".gGGGGGGGGGGg..",
    ".ggggggggGGg...",
    "........gGg....",
    "........gg.....",
    "........g......",
    "...............",
    "...............",
]


def arrow(direction):
    """The right arrow turned or mirrored; its light edge stays on the top
    or left side."""
    src = ARROW_RIGHT_15
    n = len(src)

    def at(x, y):
        return src[y][x]

    rows = []
    for y in range(n):
        row = ""
        for x in range(n):
            if direction == 'right':
                ch = at(x, y)
            elif direction == 'left':
                ch = at(n - 1 - x, y)
            elif direction == 'down':
                ch = at(y, x)
            else:  # up
                ch = at(n - 1 - y, x)
            row += ch
        rows.append(row + ".")
    return picture(rows)


def refresh_cell():
    """A ring open at the upper right with an arrow head: the usual reload sign."""
    cx, cy = 8.0, 7.5

    def ring(x, y):
        d = math.hypot(x - cx, y - cy)
        a = math.degrees(math.atan2(-(y - cy), x - cx)) % 360  # 0 = east, counter-clockwise
        return 3.4 <= d <= 6.3 and not (15 <= a <= 90)

    # Head at the ring's end at the top, pointing clockwise (to the right).
    head = ((7.6, -1.2), (7.6, 6.8), (12.6, 2.8))

    def in_head(x, y):
        (ax, ay), (bx, by), (qx, qy) = head
        def side(px, py, ux, uy, vx, vy):
            return (vx - ux) * (py - uy) - (vy - uy) * (px - ux)
        s1 = side(x, y, ax, ay, bx, by)
        s2 = side(x, y, bx, by, qx, qy)
        s3 = side(x, y, qx, qy, ax, ay)
        return (s1 >= 0 and s2 >= 0 and s3 >= 0) or (s1 <= 0 and s2 <= 0 and s3 <= 0)

    return Cell().shape(lambda x, y: ring(x, y) or in_head(x, y), INK['G'], INK['g'])


def clock_cell(hour_angle, minute_angle):
    """A wall clock; angles in degrees clockwise from twelve."""
    cx, cy = 8.0, 7.5
    c = Cell()
    c.shape(lambda x, y: math.hypot(x - cx, y - cy) <= 7.0, INK['W'], INK['K'])
    # Inner shadow ring for depth.
    c.shape(lambda x, y: 5.6 <= math.hypot(x - cx, y - cy) <= 6.2 and y > cy + 1, INK['S'])
    for ang in (0, 90, 180, 270):
        r = math.radians(ang)
        c.put(int(cx + 5.2 * math.sin(r)), int(cy - 5.2 * math.cos(r)), INK['n'])

    def hand(angle, length, ink, width):
        r = math.radians(angle)
        ex, ey = cx + length * math.sin(r), cy - length * math.cos(r)
        c.shape(lambda x, y: segment_distance(x, y, cx, cy, ex, ey) <= width, ink)

    hand(minute_angle, 4.8, INK['K'], 0.55)
    hand(hour_angle, 3.4, INK['K'], 0.75)
    c.put(7, 7, INK['R'])
    return c


def gear_cell():
    """A cog of eight teeth: square ones on the axes, round ones between."""
    cx, cy = 8.0, 7.0

    def inside(x, y):
        dx, dy = x - cx, y - cy
        d = math.hypot(dx, dy)
        if d <= 1.7:
            return False                     # the axle hole
        if d <= 5.0:
            return True                      # the wheel
        if (abs(dx) <= 2.0 and abs(dy) <= 7.0) or (abs(dy) <= 2.0 and abs(dx) <= 7.0):
            return True                      # teeth on the axes
        for sx in (-1, 1):
            for sy in (-1, 1):
                if math.hypot(dx - sx * 4.3, dy - sy * 4.3) <= 1.9:
                    return True              # teeth on the diagonals
        return False

    def fill(x, y):
        # Lit from the upper left.
        t = (x + 0.5 - cx) + (y + 0.5 - cy)
        if t < -4.5:
            return INK['W']
        return INK['S'] if t < 0.0 else INK['d']

    return Cell().shape(inside, fill, INK['K'])


GREEN_ARROW_DOWN = [
    "__gggg__",
    "__gGGg__",
    "__gGGg__",
    "gggGGggg",
    "_gGGGGg_",
    "__gGGg__",
    "___gg___",
]

FLOPPY_GREEN = FLOPPY.copy().layer(GREEN_ARROW_DOWN, 8, 0)


def main_strip():
    # Button order: Open, Save, Log, Copy, Print, Capture, Clear,
    # AutoScroll, Filter, About.
    return [OPEN_FOLDER, FLOPPY, BLANK, COPY, PRINTER,
            BLANK, BLANK, BLANK, BLANK, ABOUT]


def extra_strip():
    gear = gear_cell()
    cells = [
        FLOPPY,                          # 0
        crossed_out(MAGNIFIER),          # 1 capture off
        MAGNIFIER,                       # 2 capture on
        crossed_out(SCROLL_PAGE),        # 3 auto scroll off
        SCROLL_PAGE,                     # 4 auto scroll on
        FUNNEL,                          # 5 filter
        eraser_cell(),                   # 6 clear
        BINOCULARS,                      # 7
        arrow('left'),                   # 8
        arrow('right'),                  # 9
        arrow('up'),                     # 10
        arrow('down'),                   # 11
        refresh_cell(),                  # 12
        clock_cell(90, 0),               # 13 three o'clock
        clock_cell(300, 60),             # 14 ten past ten
        clock_cell(180, 0),              # 15 six o'clock
        gear,                            # 16
        OPEN_FOLDER,                     # 17
        FLOPPY,                          # 18
        crossed_out(FLOPPY),             # 19 log to file off
        FLOPPY_GREEN,                    # 20 log to file on
        gear,                            # 21
        OPEN_FOLDER,                     # 22
    ]
    assert len(cells) == 23
    return cells


# ------------------------------------------------------------ BMP writer --

def bmp_4bpp(cells):
    """A bottom-up 4-bit BMP with the cells side by side."""
    width, height = CELL_W * len(cells), CELL_H
    stride = ((width * 4 + 31) // 32) * 4
    rows = []
    for y in range(height - 1, -1, -1):
        line = []
        for cell in cells:
            line.extend(cell.px[y])
        packed = bytearray()
        for i in range(0, width, 2):
            hi = line[i]
            lo = line[i + 1] if i + 1 < width else 0
            packed.append((hi << 4) | lo)
        packed.extend(b"\0" * (stride - len(packed)))
        rows.append(bytes(packed))
    pixels = b"".join(rows)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, len(pixels),
                       2835, 2835, 16, 0)
    offset = 14 + len(info) + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + palette + pixels


# ------------------------------------------------------------ icon artwork --

class Canvas:
    """RGBA canvas drawn with 4x4 supersampling, so edges come out smooth."""

    SS = 4

    def __init__(self, size):
        self.size = size
        n = size * self.SS
        self.samples = [[(0.0, 0.0, 0.0, 0.0)] * n for _ in range(n)]

    def paint(self, inside, color):
        """Composites colour (r, g, b, a in 0..1 or a callable of x, y) over
        the samples whose centres (in pixel units) satisfy inside(x, y)."""
        n = self.size * self.SS
        for sy in range(n):
            y = (sy + 0.5) / self.SS
            row = self.samples[sy]
            for sx in range(n):
                x = (sx + 0.5) / self.SS
                if not inside(x, y):
                    continue
                r, g, b, a = color(x, y) if callable(color) else color
                dr, dg, db, da = row[sx]
                out_a = a + da * (1 - a)
                if out_a <= 0:
                    continue
                row[sx] = ((r * a + dr * da * (1 - a)) / out_a,
                           (g * a + dg * da * (1 - a)) / out_a,
                           (b * a + db * da * (1 - a)) / out_a,
                           out_a)

    def pixels(self):
        """Rows of (r, g, b, a) bytes, top row first."""
        out = []
        k = self.SS * self.SS
        for py in range(self.size):
            row = []
            for px in range(self.size):
                r = g = b = a = 0.0
                for sy in range(py * self.SS, (py + 1) * self.SS):
                    for sx in range(px * self.SS, (px + 1) * self.SS):
                        sr, sg, sb, sa = self.samples[sy][sx]
                        r += sr * sa
                        g += sg * sa
                        b += sb * sa
                        a += sa
                if a > 0:
                    r, g, b = r / a, g / a, b / a
                a /= k
                row.append(tuple(int(round(max(0.0, min(1.0, v)) * 255)) for v in (r, g, b, a)))
            out.append(row)
        return out


def rgb(r, g, b, a=1.0):
    return (r / 255.0, g / 255.0, b / 255.0, a)


def rounded_rect(x0, y0, x1, y1, radius):
    def inside(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        cx = min(max(x, x0 + radius), x1 - radius)
        cy = min(max(y, y0 + radius), y1 - radius)
        return math.hypot(x - cx, y - cy) <= radius
    return inside


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def disc(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) <= r


def capsule(ax, ay, bx, by, w):
    return lambda x, y: segment_distance(x, y, ax, ay, bx, by) <= w


def draw_icon(size):
    """A console window full of log lines with a magnifier over its corner."""
    s = size / 32.0
    cv = Canvas(size)

    def S(v):
        return v * s

    # Window: dark frame, blue title bar, near-black screen.
    cv.paint(rounded_rect(S(1), S(2), S(27), S(25), S(2.5)), rgb(38, 50, 72))
    cv.paint(rounded_rect(S(2), S(3), S(26), S(24), S(1.8)), rgb(16, 22, 32))
    cv.paint(lambda x, y: rounded_rect(S(2), S(3), S(26), S(24), S(1.8))(x, y) and y <= S(7.5),
             lambda x, y: rgb(70 + int(60 * (1 - y / S(8))), 130, 220))
    if size >= 24:
        for i, col in enumerate(((110, 200, 110), (240, 200, 80), (236, 95, 90))):
            cv.paint(disc(S(18.0 + 2.8 * i), S(5.2), S(1.0)), rgb(*col))

    # Log lines: a short process column and a longer message, like the list.
    if size >= 24:
        lines = [(9.5, 8, 20), (12.5, 6, 23), (15.5, 8, 17), (18.5, 7, 21), (21.5, 8, 14)]
        thick = 0.75
    else:
        lines = [(11.0, 7, 22), (15.5, 6, 16), (20.0, 7, 12)]
        thick = 1.0
    for y, split, end in lines:
        cv.paint(capsule(S(4.5), S(y), S(split), S(y), S(thick)), rgb(120, 220, 140))
        cv.paint(capsule(S(split + 2.2), S(y), S(end), S(y), S(thick)), rgb(205, 214, 228))

    # Magnifier: dark shadow, metal ring, tinted glass with a glint, handle.
    mx, my, mr = S(21.5), S(20.5), S(6.6)
    cv.paint(capsule(mx, my, S(30.0), S(29.5), S(2.6)), rgb(30, 30, 36))
    cv.paint(capsule(S(25.6), S(25.4), S(29.6), S(29.2), S(1.9)), rgb(150, 92, 48))
    cv.paint(disc(mx, my, mr + S(1.4)), rgb(30, 30, 36))
    cv.paint(disc(mx, my, mr + S(0.6)), rgb(214, 220, 230))
    cv.paint(disc(mx, my, mr - S(0.9)), rgb(150, 200, 255, 0.55))
    cv.paint(lambda x, y: disc(mx - S(2.2), my - S(2.2), S(2.0))(x, y) and disc(mx, my, mr - S(1.0))(x, y),
             rgb(255, 255, 255, 0.6))
    return cv.pixels()


def ico(images):
    """An .ico file of 32-bit images (with the 1-bit mask older readers use)."""
    entries, blobs = [], []
    offset = 6 + 16 * len(images)
    for pix in images:
        size = len(pix)
        xor = bytearray()
        for y in range(size - 1, -1, -1):
            for (r, g, b, a) in pix[y]:
                xor += bytes((b, g, r, a))
        mask_stride = ((size + 31) // 32) * 4
        mask = bytearray()
        for y in range(size - 1, -1, -1):
            bits = bytearray(mask_stride)
            for x, (_, _, _, a) in enumerate(pix[y]):
                if a < 128:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask += bits
        header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                             len(xor) + len(mask), 0, 0, 0, 0)
        blob = header + bytes(xor) + bytes(mask)
        entries.append(struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32,
                                   len(blob), offset))
        blobs.append(blob)
        offset += len(blob)
    return struct.pack("<HHH", 0, 1, len(images)) + b"".join(entries) + b"".join(blobs)


# ------------------------------------------------------------------ main --

def build():
    return {
        "toolbar.bmp": bmp_4bpp(main_strip()),
        "toolbar_extra.bmp": bmp_4bpp(extra_strip()),
        "Orlix.ico": ico([draw_icon(16), draw_icon(32)]),
    }


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    default_out = os.path.join(os.path.dirname(here), "resources")
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--out", default=default_out, help="folder to write into")
    ap.add_argument("--check", action="store_true",
                    help="compare with the files in the folder instead of writing")
    args = ap.parse_args(argv)

    stale = []
    for name, data in build().items():
        path = os.path.join(args.out, name)
        if args.check:
            try:
                with open(path, "rb") as f:
                    if f.read() != data:
                        stale.append(name)
            except OSError:
                stale.append(name)
        else:
            with open(path, "wb") as f:
                f.write(data)
    if stale:
        print("out of date: " + ", ".join(stale), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
