#!/usr/bin/env python3
"""Draws Skovalt's artwork and writes it into app/resources/.

Everything is drawn from code so it can be changed: the program icon (103),
the list images (106, eleven 16x16 images, pure blue transparent), the
toolbar images (126, thirteen 19x19 images, the top-left pixel's colour
transparent), the splitter and row-drag cursors (130, 137), the refresh
animation (153, an uncompressed 8-bit AVI), the sounds wait.wav,
ready.wav and mireva.wav, the list background Bkgnd.jpg (through
ImageMagick's convert, the only tool besides the standard library), the
tab icons of the preferences sheet (142, 136, 143, 145), and the about
box's portrait: an 8-bit bitmap with its own colour table (141) and the
same picture as a JPEG (Mireva.jpg, resource 120).

The toolbar, list images, cursors and animation are drawn again at 150 and
200 % for screens of 144 and 192 DPI (toolbar150/200.bmp with 28 and 38
pixel images, listimages150/200.bmp with 24 and 32, split150/200.cur and
dragrow150/200.cur at 48 and 64, refresh150/200.avi at 48x52 and 64x70,
run-length encoded (BI_RLE8); resources 160 to 169); every icon holds 16,
20, 24, 32, 40, 48, 64 and 256 pixels.

Run: python3 tools/art/make_art.py
"""
import math
import os
import struct
import subprocess
import sys
import wave
import zlib

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'app', 'resources')

# ---------------------------------------------------------------- canvas
# A canvas is a dict: width, height, pixels (list of rows of (r, g, b)) and a
# scale. Drawings give their coordinates and widths in units of the image at
# 100 %; the primitives below multiply them by the scale, so a drawing made
# for a 19-pixel button rasterises again, crisply, at 28 or 38 pixels. At
# scale 1 every primitive draws exactly the pixels it always drew, so the
# 100 % files stay the same byte for byte.
#
# Units: rect, frame, put and line take pixel positions (unit x covers
# [x, x + 1)); disc, polygon and star take points on the continuous plane.


def canvas(w, h, fill, scale=1):
    return {'w': w, 'h': h, 'px': [[fill] * w for _ in range(h)], 's': scale}


def scale_of(c):
    return c.get('s', 1)


def weight(c, w):
    """A stroke of w units in pixels: at least one, 1 at 150 %, 2 at 200 %."""
    s = scale_of(c)
    return w if s == 1 else max(1, int(w * s + 0.25))


def span(a, b, s):
    """The pixels whose centres lie in [a * s, b * s)."""
    return math.ceil(a * s - 0.5), math.ceil(b * s - 0.5) - 1


def _put(c, x, y, color):
    if 0 <= x < c['w'] and 0 <= y < c['h']:
        c['px'][y][x] = color


def _fill(c, x0, y0, x1, y1, color):
    for y in range(max(0, y0), min(c['h'] - 1, y1) + 1):
        for x in range(max(0, x0), min(c['w'] - 1, x1) + 1):
            c['px'][y][x] = color


def put(c, x, y, color):
    if scale_of(c) == 1:
        _put(c, x, y, color)
    else:
        rect(c, x, y, x, y, color)


def rect(c, x0, y0, x1, y1, color):
    s = scale_of(c)
    if s == 1:
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                _put(c, x, y, color)
        return
    px0, px1 = span(x0, x1 + 1, s)
    py0, py1 = span(y0, y1 + 1, s)
    _fill(c, px0, py0, px1, py1, color)


def frame(c, x0, y0, x1, y1, color):
    s = scale_of(c)
    if s == 1:
        for x in range(x0, x1 + 1):
            _put(c, x, y0, color)
            _put(c, x, y1, color)
        for y in range(y0, y1 + 1):
            _put(c, x0, y, color)
            _put(c, x1, y, color)
        return
    w = weight(c, 1)
    px0, px1 = span(x0, x1 + 1, s)
    py0, py1 = span(y0, y1 + 1, s)
    _fill(c, px0, py0, px1, py0 + w - 1, color)
    _fill(c, px0, py1 - w + 1, px1, py1, color)
    _fill(c, px0, py0, px0 + w - 1, py1, color)
    _fill(c, px1 - w + 1, py0, px1, py1, color)


def disc(c, cx, cy, r, color, ring=None, ring_color=None):
    s = scale_of(c)
    if s != 1:
        cx, cy, r = cx * s, cy * s, r * s
        if ring is not None:
            ring = weight(c, ring)
    for y in range(int(cy - r - 1), int(cy + r + 2)):
        for x in range(int(cx - r - 1), int(cx + r + 2)):
            d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
            if d <= r:
                if ring is not None and d > r - ring:
                    _put(c, x, y, ring_color)
                else:
                    _put(c, x, y, color)


def line(c, x0, y0, x1, y1, color, width=1):
    s = scale_of(c)
    if s == 1:
        steps = int(max(abs(x1 - x0), abs(y1 - y0)) * 2) + 1
        for i in range(steps + 1):
            t = i / steps
            x = x0 + (x1 - x0) * t
            y = y0 + (y1 - y0) * t
            for dy in range(width):
                for dx in range(width):
                    _put(c, int(round(x)) + dx - width // 2, int(round(y)) + dy - width // 2, color)
        return
    # A band as wide as the stroke around the centres of the end pixels,
    # with square ends, as the brush at 100 % has.
    ax, ay = (x0 + 0.5) * s, (y0 + 0.5) * s
    bx, by = (x1 + 0.5) * s, (y1 + 0.5) * s
    length = math.hypot(bx - ax, by - ay)
    ux, uy = ((bx - ax) / length, (by - ay) / length) if length else (1.0, 0.0)
    h = weight(c, width) / 2
    nx, ny = -uy * h, ux * h
    ax, ay, bx, by = ax - ux * h, ay - uy * h, bx + ux * h, by + uy * h
    _polygon(c, [(ax + nx, ay + ny), (ax - nx, ay - ny), (bx - nx, by - ny), (bx + nx, by + ny)], color)


def polyline(c, points, color, width=1):
    for a, b in zip(points, points[1:]):
        line(c, a[0], a[1], b[0], b[1], color, width)


def _polygon(c, points, color):
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]
    for y in range(max(0, int(min(ys))), min(c['h'] - 1, int(max(ys))) + 1):
        for x in range(max(0, int(min(xs))), min(c['w'] - 1, int(max(xs))) + 1):
            px, py = x + 0.5, y + 0.5
            inside = False
            j = len(points) - 1
            for i in range(len(points)):
                xi, yi = points[i]
                xj, yj = points[j]
                if (yi > py) != (yj > py) and px < (xj - xi) * (py - yi) / (yj - yi) + xi:
                    inside = not inside
                j = i
            if inside:
                _put(c, x, y, color)


def polygon(c, points, color):
    s = scale_of(c)
    _polygon(c, points if s == 1 else [(x * s, y * s) for x, y in points], color)


def arc(c, cx, cy, r, width, start, end, color):
    """A band width units wide around the circle of radius r, from start to
    end degrees (clockwise on the screen, 0 pointing right)."""
    s = scale_of(c)
    cx, cy, r, w = cx * s, cy * s, r * s, weight(c, width)
    for y in range(max(0, int(cy - r - w)), min(c['h'], int(cy + r + w) + 1)):
        for x in range(max(0, int(cx - r - w)), min(c['w'], int(cx + r + w) + 1)):
            d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
            a = math.degrees(math.atan2(y + 0.5 - cy, x + 0.5 - cx)) % 360
            if r - w / 2 <= d < r + w / 2 and start <= a <= end:
                _put(c, x, y, color)


def star(c, cx, cy, r, color, outline=None):
    pts = []
    for k in range(10):
        a = -math.pi / 2 + k * math.pi / 5
        rr = r if k % 2 == 0 else r * 0.45
        pts.append((cx + rr * math.cos(a), cy + rr * math.sin(a)))
    polygon(c, pts, color)
    if outline:
        for k in range(10):
            line(c, pts[k][0], pts[k][1], pts[(k + 1) % 10][0], pts[(k + 1) % 10][1], outline)


def blit(dst, src, ox, oy):
    """Copies src's pixels to dst at (ox, oy) in dst's units."""
    s = scale_of(dst)
    ox, oy = span(ox, ox, s)[0], span(oy, oy, s)[0]
    for y in range(src['h']):
        for x in range(src['w']):
            _put(dst, ox + x, oy + y, src['px'][y][x])


# ---------------------------------------------------------------- colours
BLACK = (0, 0, 0)
WHITE = (255, 255, 255)
GREY = (128, 128, 128)
LIGHT = (192, 192, 192)
DARK = (64, 64, 64)
RED = (208, 32, 32)
DARKRED = (128, 0, 0)
GREEN = (32, 160, 48)
DARKGREEN = (0, 96, 0)
YELLOW = (248, 208, 32)
ORANGE = (224, 128, 0)
BLUE = (32, 80, 200)
NAVY = (0, 0, 128)
SKY = (120, 180, 240)
BROWN = (140, 90, 40)
PAPER = (250, 250, 240)
MAGENTA = (255, 0, 255)    # toolbar background: transparent
PUREBLUE = (0, 0, 255)     # list image background: transparent

# ---------------------------------------------------------------- toolbar


def tb(draw, size=19):
    c = canvas(size, size, MAGENTA, size / 19)
    draw(c)
    return c


def tb_stop(c):
    pts = [(6, 1), (13, 1), (18, 6), (18, 13), (13, 18), (6, 18), (1, 13), (1, 6)]
    polygon(c, pts, RED)
    rect(c, 5, 8, 14, 10, WHITE)


def tb_delete(c):
    line(c, 3, 3, 15, 15, RED, 3)
    line(c, 15, 3, 3, 15, RED, 3)


def arrows(c, color, cx=9.5, cy=9.5, r=6.5):
    if scale_of(c) == 1:
        # Two-pixel dots along the circle, hand-placed for 19 pixels.
        for deg in list(range(20, 160, 4)) + list(range(200, 340, 4)):
            a = math.radians(deg)
            x, y = cx + r * math.cos(a), cy + r * math.sin(a)
            rect(c, int(x) - 1, int(y) - 1, int(x), int(y), color)
    else:
        for start in (18, 198):
            arc(c, cx - 0.5, cy - 0.5, r, 2, start, start + 140, color)
    polygon(c, [(cx + r - 4, cy - 1), (cx + r + 4, cy - 1), (cx + r, cy + 4)], color)
    polygon(c, [(cx - r - 4, cy + 1), (cx - r + 4, cy + 1), (cx - r, cy - 4)], color)


def tb_refresh(c):
    arrows(c, GREEN)


def person(c, x, y, color):
    disc(c, x + 3, y + 2.5, 2.5, color)
    polygon(c, [(x, y + 10), (x + 1, y + 6), (x + 5, y + 6), (x + 6, y + 10)], color)


def tb_refresh_find(c):
    arrows(c, GREEN, 8, 8, 5.5)
    person(c, 11, 7, BLUE)


def tb_paste(c):
    rect(c, 3, 3, 13, 17, BROWN)
    rect(c, 6, 1, 10, 4, GREY)
    rect(c, 8, 7, 17, 18, PAPER)
    frame(c, 8, 7, 17, 18, DARK)
    for y in (10, 12, 14, 16):
        line(c, 10, y, 15, y, GREY)


def tb_find(c):
    disc(c, 7.5, 7.5, 6, SKY, 2, DARK)
    line(c, 11, 11, 17, 17, DARK, 3)


def tb_launch(c):
    polygon(c, [(4, 2), (17, 9.5), (4, 17)], GREEN)
    line(c, 4, 2, 17, 9.5, DARKGREEN)
    line(c, 17, 9.5, 4, 17, DARKGREEN)
    line(c, 4, 2, 4, 17, DARKGREEN)


def tb_move_top(c):
    rect(c, 2, 1, 16, 3, NAVY)
    polygon(c, [(9.5, 4), (16, 11), (12, 11), (12, 18), (7, 18), (7, 11), (3, 11)], BLUE)


def tb_details(c):
    rect(c, 2, 1, 16, 17, PAPER)
    frame(c, 2, 1, 16, 17, DARK)
    for y in (4, 7, 10, 13):
        rect(c, 4, y, 5, y + 1, BLUE)
        line(c, 7, y, 14, y, GREY)


def tb_copy(c):
    for ox, oy in ((1, 1), (7, 6)):
        rect(c, ox, oy, ox + 10, oy + 11, PAPER)
        frame(c, ox, oy, ox + 10, oy + 11, DARK)
        for y in (oy + 3, oy + 5, oy + 7):
            line(c, ox + 2, y, ox + 8, y, GREY)


def tb_add(c):
    disc(c, 9.5, 9.5, 8.5, GREEN)
    rect(c, 8, 4, 11, 15, WHITE)
    rect(c, 4, 8, 15, 11, WHITE)


def tb_web(c):
    disc(c, 9.5, 9.5, 8, SKY, 1, NAVY)
    line(c, 2, 9.5, 17, 9.5, NAVY)
    line(c, 9.5, 2, 9.5, 17, NAVY)
    for y in (5, 14):
        line(c, 4, y, 15, y, NAVY)
    if scale_of(c) == 1:
        for deg in range(0, 360, 6):
            a = math.radians(deg)
            put(c, int(9.5 + 4 * math.cos(a)), int(9.5 + 8 * math.sin(a)), NAVY)
    else:
        polyline(c, [(9 + 4 * math.cos(math.radians(d)), 9 + 8 * math.sin(math.radians(d)))
                     for d in range(0, 361, 6)], NAVY)
    polygon(c, [(5, 6), (9, 5), (8, 10), (5, 9)], GREEN)
    polygon(c, [(11, 11), (14, 11), (13, 15), (11, 14)], GREEN)


def tb_favorites(c):
    star(c, 9.5, 10, 9, YELLOW, ORANGE)


TOOLBAR = [tb_stop, tb_delete, tb_refresh, tb_refresh_find, tb_paste, tb_find, tb_launch,
           tb_move_top, tb_details, tb_copy, tb_add, tb_web, tb_favorites]

# ---------------------------------------------------------------- list images


def li_player(c, matched):
    person(c, 3, 2, GREY if not matched else GREEN)
    if matched:
        frame(c, 0, 0, 15, 15, ORANGE)


def li_status(c):
    disc(c, 7.5, 7.5, 7, SKY, 1, NAVY)
    rect(c, 7, 3, 8, 4, NAVY)
    rect(c, 7, 6, 8, 12, NAVY)


def li_server(c, state):
    # answered with rules, no rules, not answered, error
    if state == 0:
        disc(c, 7.5, 7.5, 6.5, GREEN, 1, DARKGREEN)
    elif state == 1:
        disc(c, 7.5, 7.5, 6.5, YELLOW, 1, ORANGE)
    elif state == 2:
        disc(c, 7.5, 7.5, 6.5, LIGHT, 1, GREY)
    else:
        disc(c, 7.5, 7.5, 6.5, RED, 1, DARKRED)
        line(c, 5, 5, 10, 10, WHITE, 2)
        line(c, 10, 5, 5, 10, WHITE, 2)


def list_images(size=16):
    images = []
    for draw in (lambda c: li_player(c, False), lambda c: li_player(c, True), li_status):
        c = canvas(size, size, PUREBLUE, size / 16)
        draw(c)
        images.append(c)
    for favourite in (False, True):
        for state in range(4):
            c = canvas(size, size, PUREBLUE, size / 16)
            li_server(c, state)
            if favourite:
                star(c, 11.5, 11.5, 4.8, YELLOW, ORANGE)
            images.append(c)
    return images


# ---------------------------------------------------------------- files


def bmp24(c):
    w, h = c['w'], c['h']
    stride = (w * 3 + 3) & ~3
    data = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray()
        for r, g, b in c['px'][y]:
            row += bytes((b, g, r))
        row += bytes(stride - len(row))
        data += row
    header = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return header, bytes(data)


def write_bmp(path, c):
    info, data = bmp24(c)
    off = 14 + len(info)
    with open(path, 'wb') as f:
        f.write(b'BM' + struct.pack('<IHHI', off + len(data), 0, 0, off) + info + data)


def strip(images):
    w = sum(i['w'] for i in images)
    c = canvas(w, images[0]['h'], BLACK)
    x = 0
    for i in images:
        blit(c, i, x, 0)
        x += i['w']
    return c


def icon_image(size):
    """The program icon, drawn in units of its 32-pixel image."""
    c = canvas(size, size, None, size / 32)
    disc(c, 16, 16, 15, (40, 70, 120), 2, (10, 20, 50))
    # a radar sweep over a server dot
    for deg in range(-60, 1, 2):
        a = math.radians(deg)
        line(c, 16, 16, 16 + 12 * math.cos(a), 16 + 12 * math.sin(a), (60, 200, 90))
    disc(c, 22, 11, 2.5, YELLOW)
    disc(c, 16, 16, 2, WHITE)
    return c


def png(c):
    """The canvas as a PNG, 8-bit RGBA, the empty pixels transparent."""
    raw = bytearray()
    for row in c['px']:
        raw.append(0)
        for p in row:
            raw += bytes((0, 0, 0, 0)) if p is None else bytes((p[0], p[1], p[2], 255))

    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))

    ihdr = struct.pack('>IIBBBBB', c['w'], c['h'], 8, 6, 0, 0, 0)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', ihdr) + chunk(b'IDAT', zlib.compress(bytes(raw), 9))
            + chunk(b'IEND', b''))


def ico_entry(c):
    """One icon image: 32-bit BGRA DIB with an AND mask; from 48 pixels on a
    PNG, as Windows reads it since Vista (a 256-pixel DIB would be 270 KB)."""
    w, h = c['w'], c['h']
    if w >= 48:
        return png(c)
    pixels = bytearray()
    mask = bytearray()
    mask_stride = ((w + 31) // 32) * 4
    for y in range(h - 1, -1, -1):
        bits = 0
        row = bytearray(mask_stride)
        for x in range(w):
            p = c['px'][y][x]
            if p is None:
                pixels += bytes((0, 0, 0, 0))
                row[x // 8] |= 0x80 >> (x % 8)
            else:
                pixels += bytes((p[2], p[1], p[0], 255))
        mask += row
        del bits
    header = struct.pack('<IiiHHIIiiII', 40, w, h * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    return header + pixels + mask


def write_ico(path, images):
    entries = [ico_entry(i) for i in images]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for img, data in zip(images, entries):
        out += struct.pack('<BBBBHHII', img['w'] % 256, img['h'] % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, 'wb') as f:
        f.write(out + b''.join(entries))


def write_cur(path, shape, hotspot, size=32):
    """A square monochrome cursor. shape: rows of '#' (black), 'o' (white), ' ' (transparent)."""
    w = h = size
    stride = ((w + 31) // 32) * 4
    xor = bytearray()
    andm = bytearray()
    rows = shape + [''] * (h - len(shape))
    for y in range(h - 1, -1, -1):
        xr = bytearray(stride)
        ar = bytearray(b'\xff' * stride)
        for x, ch in enumerate(rows[y].ljust(w)[:w]):
            if ch in '#o':
                ar[x // 8] &= ~(0x80 >> (x % 8)) & 0xFF
            if ch == 'o':
                xr[x // 8] |= 0x80 >> (x % 8)
        xor += xr
        andm += ar
    header = struct.pack('<IiiHHIIiiII', 40, w, h * 2, 1, 1, 0, len(xor) + len(andm), 0, 0, 2, 0)
    palette = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    data = header + palette + xor + andm
    out = struct.pack('<HHH', 0, 2, 1)
    out += struct.pack('<BBBBHHII', w % 256, h % 256, 2, 0, hotspot[0], hotspot[1], len(data), 22)
    with open(path, 'wb') as f:
        f.write(out + data)


SPLIT_CURSOR = [
    '       #        ',
    '      #o#       ',
    '     #ooo#      ',
    '    #ooooo#     ',
    '   ####o####    ',
    '      #o#       ',
    '###############  ',
    '#ooooooooooooo#  ',
    '###############  ',
    '      #o#       ',
    '   ####o####    ',
    '    #ooooo#     ',
    '     #ooo#      ',
    '      #o#       ',
    '       #        ',
]

DRAG_CURSOR = [
    '#               ',
    '##              ',
    '#o#             ',
    '#oo#            ',
    '#ooo#           ',
    '#oooo#          ',
    '#ooooo#         ',
    '#oooooo#        ',
    '#ooooooo#       ',
    '#oooo#####      ',
    '#oo#o#          ',
    '#o# #o#         ',
    '##  #o#         ',
    '     #o#  ############',
    '     #o#  #oooooooooo#',
    '      #   #o########o#',
    '          #oooooooooo#',
    '          #o########o#',
    '          #oooooooooo#',
    '          ############',
]


def cursor_shape(size, draw):
    """A cursor drawn in units of the 32-pixel one: draw() paints the white
    inside ('o') and black marks on it ('#'); a black edge one stroke wide
    goes round the white. Rows of characters, as write_cur takes them."""
    c = canvas(size, size, ' ', size / 32)
    draw(c)
    w = weight(c, 1)
    px = c['px']
    edge = [[px[y][x] == ' ' and any(px[j][i] == 'o'
                                     for j in range(max(0, y - w), min(size, y + w + 1))
                                     for i in range(max(0, x - w), min(size, x + w + 1)))
             for x in range(size)] for y in range(size)]
    return [''.join('#' if edge[y][x] else px[y][x] for x in range(size)) for y in range(size)]


def split_cursor(c):
    # as SPLIT_CURSOR: arrows up and down from a bar, the hot spot on the bar
    polygon(c, [(7.5, 1), (10.5, 4), (4.5, 4)], 'o')
    rect(c, 7, 4, 7, 6, 'o')
    rect(c, 1, 7, 13, 7, 'o')
    rect(c, 7, 8, 7, 10, 'o')
    polygon(c, [(4.5, 11), (10.5, 11), (7.5, 14)], 'o')


def drag_cursor(c):
    # as DRAG_CURSOR: the arrow pointer over a row with two lines of text
    polygon(c, [(1, 1.5), (1, 13), (4, 10.6), (6.2, 15.2), (7.6, 14.6), (5.6, 10), (9.5, 10)], 'o')
    rect(c, 11, 14, 20, 18, 'o')
    line(c, 12, 15, 19, 15, '#')
    line(c, 12, 17, 19, 17, '#')


def scaled_hotspot(hotspot, scale):
    """The pixel under the centre of the 100 % hot spot pixel."""
    return tuple(int((v + 0.5) * scale) if v else 0 for v in hotspot)


def rle8(rows):
    """8-bit run-length encoding (BI_RLE8) of rows given bottom first: runs
    of one colour, an end-of-line after each row, end of bitmap at last."""
    out = bytearray()
    for row in rows:
        i = 0
        while i < len(row):
            j = i
            while j < len(row) and row[j] == row[i] and j - i < 255:
                j += 1
            out += bytes((j - i, row[i]))
            i = j
        out += b'\0\0'
    out[-2:] = b'\0\1'
    return bytes(out)


def write_avi(path, frames, palette, fps=10, rle=False):
    """8-bit AVI with an idx1 index (real Windows wants it); uncompressed or,
    with rle, BI_RLE8, the one compression the animation control decodes
    itself."""
    w, h = frames[0]['w'], frames[0]['h']
    stride = (w + 3) & ~3
    if rle:
        packed = [rle8([f['px'][y] for y in range(h - 1, -1, -1)]) for f in frames]
    size = max(len(p) for p in packed) if rle else stride * h
    pal = b''.join(bytes((b, g, r, 0)) for r, g, b in palette) + bytes(4 * (256 - len(palette)))

    def chunk(fourcc, data):
        pad = b'\0' if len(data) % 2 else b''
        return fourcc + struct.pack('<I', len(data)) + data + pad

    def lst(kind, data):
        return b'LIST' + struct.pack('<I', len(data) + 4) + kind + data

    avih = struct.pack('<IIIIIIIIIIIIII', 1000000 // fps, size * fps, 0, 0x10, len(frames), 0, 1,
                       size, w, h, 0, 0, 0, 0)
    strh = b'vids' + (b'RLE ' if rle else b'DIB ') + struct.pack('<IHHIIIIIIIIhhhh', 0, 0, 0, 0, 1, fps, 0, len(frames),
                                           size, 0xFFFFFFFF, 0, 0, 0, w, h)
    strf = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 8, 1 if rle else 0, size, 0, 0, 256, 0) + pal
    hdrl = lst(b'hdrl', chunk(b'avih', avih) + lst(b'strl', chunk(b'strh', strh) + chunk(b'strf', strf)))
    movi = b''
    index = b''
    offset = 4
    for n, f in enumerate(frames):
        if rle:
            data, kind = packed[n], b'00dc'
        else:
            data, kind = bytearray(), b'00db'
            for y in range(h - 1, -1, -1):
                row = bytes(f['px'][y]) + bytes(stride - w)
                data += row
        index += kind + struct.pack('<III', 0x10, offset, len(data))
        c = chunk(kind, bytes(data))
        movi += c
        offset += len(c)
    body = b'AVI ' + hdrl + lst(b'movi', movi) + chunk(b'idx1', index)
    with open(path, 'wb') as f:
        f.write(b'RIFF' + struct.pack('<I', len(body)) + body)


def refresh_frames(scale=1):
    # Palette: 0 button face, 1 dark, 2..9 shades of green for the trail.
    palette = [(212, 208, 200), (64, 64, 64)] + [(40 + 25 * k, 120 + 16 * k, 40 + 10 * k) for k in range(8)]
    frames = []
    n = 8
    for i in range(n):
        c = canvas(round(32 * scale), round(35 * scale), 0, scale)
        disc(c, 16, 17.5, 13, 0, 1, 1)
        for k in range(8):
            a = 2 * math.pi * ((i - k) % n) / n - math.pi / 2
            shade = 9 - k
            disc(c, 16 + 8.5 * math.cos(a), 17.5 + 8.5 * math.sin(a), 3.2 - k * 0.3, shade)
        frames.append(c)
    return frames, palette


def write_wav(path, notes, rate=11025):
    samples = bytearray()
    for freq, ms, volume in notes:
        n = int(rate * ms / 1000)
        for i in range(n):
            env = min(1.0, i / (rate * 0.01), (n - i) / (rate * 0.02))
            v = volume * env * math.sin(2 * math.pi * freq * i / rate) if freq else 0
            samples.append(int(128 + 127 * v))
    with wave.open(path, 'wb') as w:
        w.setnchannels(1)
        w.setsampwidth(1)
        w.setframerate(rate)
        w.writeframes(bytes(samples))


def write_background(path):
    w, h = 256, 256
    ppm = bytearray(b'P6 %d %d 255\n' % (w, h))
    for y in range(h):
        for x in range(w):
            # Pale, low-contrast waves: readable text on top.
            v = math.sin(x / 23.0) + math.sin((x + y) / 31.0) + math.sin(y / 17.0)
            base = 236 + int(v * 4)
            ppm += bytes((base - 6, base - 2, base + 4 if base + 4 < 256 else 255))
    tmp = path + '.ppm'
    with open(tmp, 'wb') as f:
        f.write(ppm)
    subprocess.run(['convert', tmp, '-quality', '85', path], check=True)
    os.remove(tmp)


# ---------------------------------------------------------------- preferences tab icons


def tab_icon(size, draw):
    """A tab icon, drawn in units of its 16-pixel image."""
    c = canvas(size, size, None, size / 16)
    draw(c)
    return c


def icon_startup(c):
    # a rising sun over the horizon
    disc(c, 8, 10, 5, YELLOW, 1, ORANGE)
    rect(c, 0, 10, 15, 15, DARKGREEN)
    rect(c, 0, 10, 15, 10, GREEN)


def icon_quake2(c):
    # a game pad
    rect(c, 1, 5, 14, 11, DARK)
    disc(c, 2.5, 10, 2.5, DARK)
    disc(c, 13.5, 10, 2.5, DARK)
    rect(c, 3, 8, 5, 8, WHITE)
    rect(c, 4, 7, 4, 9, WHITE)
    disc(c, 11, 7.5, 1, RED)
    disc(c, 12.5, 9.5, 1, GREEN)


def icon_layout(c):
    # a table with a heading row and three columns
    rect(c, 1, 2, 14, 13, WHITE)
    rect(c, 1, 2, 14, 4, BLUE)
    frame(c, 1, 2, 14, 13, NAVY)
    for x in (6, 10):
        line(c, x, 2, x, 13, NAVY)
    for y in (8, 11):
        line(c, 1, y, 14, y, LIGHT)


def icon_filter(c):
    # a funnel
    polygon(c, [(1, 2), (15, 2), (9.5, 8), (9.5, 14), (6.5, 12), (6.5, 8)], SKY)
    line(c, 1, 2, 15, 2, NAVY)


TAB_ICONS = [('startup.ico', icon_startup), ('quake2.ico', icon_quake2),
             ('layout.ico', icon_layout), ('filter.ico', icon_filter)]

# ---------------------------------------------------------------- the about box's portrait


def portrait():
    """Mireva, drawn: a head and shoulders on a sky gradient, 96x112."""
    w, h = 96, 112
    c = canvas(w, h, SKY)
    for y in range(h):
        shade = 150 + y // 2
        rect(c, 0, y, w - 1, y, (90 + y // 3, 140 + y // 4, min(255, shade)))
    hair = (70, 40, 20)
    skin = (236, 188, 150)
    shirt = (40, 110, 70)
    disc(c, 48, 44, 27, hair)                     # hair behind the head
    rect(c, 21, 44, 75, 80, hair)
    polygon(c, [(10, 112), (14, 92), (34, 82), (62, 82), (82, 92), (86, 112)], shirt)
    rect(c, 41, 68, 55, 86, skin)                 # neck
    disc(c, 48, 50, 20, skin)                     # face
    rect(c, 28, 26, 68, 34, hair)                 # fringe
    disc(c, 40, 48, 2.6, WHITE)
    disc(c, 56, 48, 2.6, WHITE)
    disc(c, 40, 48, 1.4, NAVY)
    disc(c, 56, 48, 1.4, NAVY)
    line(c, 48, 50, 46, 58, (200, 150, 120))      # nose
    line(c, 41, 62, 55, 62, DARKRED, 2)           # smile
    put(c, 40, 61, DARKRED)
    put(c, 56, 61, DARKRED)
    return c


def write_bmp8(path, c):
    """An 8-bit bitmap with its own colour table (every colour of the canvas)."""
    w, h = c['w'], c['h']
    colours = sorted({p for row in c['px'] for p in row})
    if len(colours) > 256:
        raise SystemExit('portrait has more than 256 colours')
    index = {p: i for i, p in enumerate(colours)}
    table = b''.join(bytes((b, g, r, 0)) for r, g, b in colours) + bytes(4 * (256 - len(colours)))
    stride = (w + 3) & ~3
    data = bytearray()
    for y in range(h - 1, -1, -1):
        data += bytes(index[p] for p in c['px'][y]) + bytes(stride - w)
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 8, 0, len(data), 2835, 2835, 256, 0)
    off = 14 + len(info) + len(table)
    with open(path, 'wb') as f:
        f.write(b'BM' + struct.pack('<IHHI', off + len(data), 0, 0, off) + info + table + bytes(data))


def write_jpeg(path, c):
    ppm = bytearray(b'P6 %d %d 255\n' % (c['w'], c['h']))
    for row in c['px']:
        for p in row:
            ppm += bytes(p)
    tmp = path + '.ppm'
    with open(tmp, 'wb') as f:
        f.write(ppm)
    subprocess.run(['convert', tmp, '-quality', '90', path], check=True)
    os.remove(tmp)


# The artwork scales: file name suffix and percent. 100 % is the files the
# program has always loaded; 150 % and 200 % are for screens of 144 and
# 192 DPI.
SCALES = [('', 100), ('150', 150), ('200', 200)]
# Toolbar buttons: 19 pixels at 100 %, 28 and 38 (19 * 1.5 rounded down, so
# the row stays within the button).
TOOLBAR_SIZES = {100: 19, 150: 28, 200: 38}
# Every icon holds these sizes: 16 and 32 at 100 %, 20 and 40 at 125 %, 24
# and 48 at 150 %, 32 and 64 at 200 %; Explorer shows 48 and 256.
ICON_SIZES = [256, 64, 48, 40, 32, 24, 20, 16]


def main():
    os.makedirs(OUT, exist_ok=True)
    for suffix, scale in SCALES:
        write_bmp(os.path.join(OUT, 'toolbar%s.bmp' % suffix), strip([tb(d, TOOLBAR_SIZES[scale]) for d in TOOLBAR]))
        write_bmp(os.path.join(OUT, 'listimages%s.bmp' % suffix), strip(list_images(16 * scale // 100)))
        frames, palette = refresh_frames(scale / 100)
        # The larger animations run-length encoded: a third of the size.
        write_avi(os.path.join(OUT, 'refresh%s.avi' % suffix), frames, palette, rle=scale != 100)
    write_ico(os.path.join(OUT, 'skovalt.ico'), [icon_image(size) for size in ICON_SIZES])
    write_cur(os.path.join(OUT, 'split.cur'), SPLIT_CURSOR, (7, 7))
    write_cur(os.path.join(OUT, 'dragrow.cur'), DRAG_CURSOR, (0, 0))
    for suffix, scale in SCALES[1:]:
        size = 32 * scale // 100
        write_cur(os.path.join(OUT, 'split%s.cur' % suffix), cursor_shape(size, split_cursor),
                  scaled_hotspot((7, 7), scale / 100), size)
        write_cur(os.path.join(OUT, 'dragrow%s.cur' % suffix), cursor_shape(size, drag_cursor),
                  scaled_hotspot((0, 0), scale / 100), size)
    write_wav(os.path.join(OUT, 'wait.wav'), [(440, 90, 0.5), (0, 60, 0), (440, 90, 0.5), (0, 400, 0)])
    write_wav(os.path.join(OUT, 'ready.wav'), [(523, 110, 0.6), (659, 110, 0.6), (784, 220, 0.6)])
    write_background(os.path.join(OUT, 'Bkgnd.jpg'))
    for name, draw in TAB_ICONS:
        write_ico(os.path.join(OUT, name), [tab_icon(size, draw) for size in ICON_SIZES])
    picture = portrait()
    write_bmp8(os.path.join(OUT, 'mireva.bmp'), picture)
    write_jpeg(os.path.join(OUT, 'Mireva.jpg'), picture)
    write_wav(os.path.join(OUT, 'mireva.wav'), [(659, 120, 0.5), (784, 120, 0.5), (988, 120, 0.5),
                                                (1319, 260, 0.5)])
    return 0


if __name__ == '__main__':
    sys.exit(main())
