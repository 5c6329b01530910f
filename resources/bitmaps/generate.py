#!/usr/bin/env python3
"""Draws the toolkit's bitmap resources (frames, button faces, arrows, title bar,
slider parts) as 24-bit .bmp files. Run from this folder after changing a look;
the files are committed and listed in ../resources.txt."""
import struct


class Image:
    def __init__(self, w, h, fill=(65, 65, 65)):
        self.w, self.h = w, h
        self.px = [[fill] * w for _ in range(h)]

    def rect(self, l, t, r, b, c):
        for y in range(max(t, 0), min(b, self.h)):
            for x in range(max(l, 0), min(r, self.w)):
                self.px[y][x] = c

    def bevel(self, inset, tl, br):
        l, t, r, b = inset, inset, self.w - 1 - inset, self.h - 1 - inset
        self.rect(l, t, r + 1, t + 1, tl)
        self.rect(l, t, l + 1, b + 1, tl)
        self.rect(l, b, r + 1, b + 1, br)
        self.rect(r, t, r + 1, b + 1, br)

    def vgradient(self, top, bottom, l=0, t=0, r=None, b=None):
        r = self.w if r is None else r
        b = self.h if b is None else b
        for y in range(t, b):
            f = (y - t) / max(b - t - 1, 1)
            c = tuple(int(top[i] + (bottom[i] - top[i]) * f) for i in range(3))
            self.rect(l, y, r, y + 1, c)

    def polygon(self, points, c):
        # Even-odd fill sampled at pixel centres.
        for y in range(self.h):
            for x in range(self.w):
                px, py, inside = x + 0.5, y + 0.5, False
                j = len(points) - 1
                for i in range(len(points)):
                    xi, yi = points[i]
                    xj, yj = points[j]
                    if (yi > py) != (yj > py) and px < (xj - xi) * (py - yi) / (yj - yi) + xi:
                        inside = not inside
                    j = i
                if inside:
                    self.px[y][x] = c

    def save(self, path):
        stride = (self.w * 3 + 3) & ~3
        data = bytearray()
        for y in range(self.h - 1, -1, -1):
            row = bytearray()
            for r, g, b in self.px[y]:
                row += bytes((b, g, r))
            row += bytes(stride - len(row))
            data += row
        header = struct.pack('<IiiHHIIiiII', 40, self.w, self.h, 1, 24, 0, len(data), 3780, 3780, 0, 0)
        with open(path, 'wb') as f:
            f.write(b'BM' + struct.pack('<IHHI', 54 + len(data), 0, 0, 54) + header + data)


LIGHT, MID, DARK, BLACK = (170, 170, 170), (110, 110, 110), (35, 35, 35), (0, 0, 0)
BG = (65, 65, 65)


def frame(path, rings):
    img = Image(16, 16, BG)
    for i, (tl, br) in enumerate(rings):
        img.bevel(i, tl, br)
    img.save(path)


frame('frame_style1.bmp', [(MID, MID)])
frame('frame_style2.bmp', [(DARK, DARK), (MID, MID)])
frame('frame_style3.bmp', [(LIGHT, DARK), (MID, (50, 50, 50)), ((80, 80, 80), (55, 55, 55))])
frame('frame_style4.bmp', [(DARK, LIGHT), ((50, 50, 50), MID), ((55, 55, 55), (80, 80, 80))])
frame('frame_style5.bmp', [(DARK, DARK), ((140, 140, 170), (90, 90, 120)), (DARK, DARK)])


def face(path, w, h, top, bottom, pressed):
    img = Image(w, h)
    img.vgradient(bottom if pressed else top, top if pressed else bottom)
    img.bevel(0, DARK if pressed else LIGHT, LIGHT if pressed else DARK)
    img.save(path)
    return img


face('button_up.bmp', 40, 20, (120, 120, 130), (70, 70, 80), False)
face('button_down.bmp', 40, 20, (120, 120, 130), (70, 70, 80), True)
face('button2_up.bmp', 40, 20, (100, 110, 140), (50, 55, 80), False)
face('button2_down.bmp', 40, 20, (100, 110, 140), (50, 55, 80), True)
# The small face of step, list and "Dismiss" buttons: dark enough for their grey
# labels and light arrows to read.
face('step_up.bmp', 15, 10, (105, 105, 112), (60, 60, 66), False)
face('step_down.bmp', 15, 10, (105, 105, 112), (60, 60, 66), True)


def title_button(path, glyph, pressed):
    img = face(path, 16, 16, (90, 90, 200), (40, 40, 140), pressed)
    o = 1 if pressed else 0
    white = (235, 235, 235)
    if glyph == 'min':
        img.rect(4 + o, 10 + o, 12 + o, 12 + o, white)
    elif glyph == 'max':
        img.bevel(4, white, white)
        img.rect(4, 4, 12, 6, white)
    else:
        for i in range(8):
            img.rect(4 + i + o, 4 + i + o, 6 + i + o, 5 + i + o, white)
            img.rect(10 - i + o, 4 + i + o, 12 - i + o, 5 + i + o, white)
    img.save(path)


title_button('title_min_up.bmp', 'min', False)
title_button('title_min_down.bmp', 'min', True)
title_button('title_max_up.bmp', 'max', False)
title_button('title_max_down.bmp', 'max', True)
title_button('title_close_up.bmp', 'close', False)
title_button('title_close_down.bmp', 'close', True)


def arrow(path, right, pressed):
    img = face(path, 20, 20, (130, 130, 130), (80, 80, 80), pressed)
    o = 1 if pressed else 0
    pts = [(7 + o, 5 + o), (14 + o, 10 + o), (7 + o, 15 + o)] if right else \
          [(13 + o, 5 + o), (6 + o, 10 + o), (13 + o, 15 + o)]
    img.polygon(pts, (230, 230, 230))
    img.save(path)


arrow('select_prev_up.bmp', False, False)
arrow('select_prev_down.bmp', False, True)
arrow('select_next_up.bmp', True, False)
arrow('select_next_down.bmp', True, True)

# The animation panel's buttons (to start, step back, step, play, loop) and
# the transform tool's (translate, rotate, scale), each up and pressed.
GLYPH = (230, 230, 230)


def glyph_button(path, w, h, pressed, draw):
    img = face(path, w, h, (120, 120, 130), (70, 70, 80), pressed)
    draw(img, 1 if pressed else 0)
    img.save(path)


def tri(img, o, x0, x1, cy, half, right):
    pts = [(x0 + o, cy - half + o), (x1 + o, cy + o), (x0 + o, cy + half + o)] if right else \
          [(x1 + o, cy - half + o), (x0 + o, cy + o), (x1 + o, cy + half + o)]
    img.polygon(pts, GLYPH)


def to_start(img, o):
    img.rect(10 + o, 7 + o, 13 + o, 19 + o, GLYPH)
    tri(img, o, 13, 25, 13, 6, False)


def step_back(img, o):
    tri(img, o, 9, 19, 13, 6, False)
    tri(img, o, 17, 27, 13, 6, False)


def step_once(img, o):
    tri(img, o, 11, 22, 13, 6, True)
    img.rect(23 + o, 7 + o, 26 + o, 19 + o, GLYPH)


def play(img, o):
    tri(img, o, 12, 25, 13, 7, True)


def loop(img, o):
    img.bevel(6, GLYPH, GLYPH)
    img.rect(6 + o, 6 + o, 24 + o, 8 + o, GLYPH)
    img.rect(6 + o, 18 + o, 24 + o, 20 + o, GLYPH)
    tri(img, o, 16, 22, 7, 4, True)


def translate(img, o):
    img.rect(14 + o, 6 + o, 16 + o, 22 + o, GLYPH)
    img.rect(7 + o, 13 + o, 23 + o, 15 + o, GLYPH)
    img.polygon([(15 + o, 3 + o), (19 + o, 8 + o), (11 + o, 8 + o)], GLYPH)
    img.polygon([(15 + o, 25 + o), (11 + o, 20 + o), (19 + o, 20 + o)], GLYPH)
    img.polygon([(4 + o, 14 + o), (9 + o, 10 + o), (9 + o, 18 + o)], GLYPH)
    img.polygon([(26 + o, 14 + o), (21 + o, 18 + o), (21 + o, 10 + o)], GLYPH)


def rotate(img, o):
    for y in range(img.h):
        for x in range(img.w):
            d = ((x + 0.5 - 15 - o) ** 2 + (y + 0.5 - 14 - o) ** 2) ** 0.5
            if 6.5 <= d <= 9 and not (x > 15 + o and y < 14 + o):
                img.px[y][x] = GLYPH
    img.polygon([(15 + o, 2 + o), (21 + o, 6 + o), (15 + o, 10 + o)], GLYPH)


def scale(img, o):
    img.bevel(5, GLYPH, GLYPH)
    img.rect(5 + o, 12 + o, 18 + o, 23 + o, GLYPH)
    for i in range(9):
        img.rect(16 + i + o, 11 - i + o, 18 + i + o, 13 - i + o, GLYPH)
    img.polygon([(25 + o, 3 + o), (25 + o, 10 + o), (18 + o, 3 + o)], GLYPH)


for name, w, h, draw in (('anim_start', 36, 26, to_start), ('anim_back', 36, 26, step_back),
                         ('anim_step', 36, 26, step_once), ('anim_play', 36, 26, play),
                         ('anim_loop', 30, 26, loop), ('tool_translate', 30, 28, translate),
                         ('tool_rotate', 30, 28, rotate), ('tool_scale', 30, 28, scale)):
    glyph_button(name + '_up.bmp', w, h, False, draw)
    glyph_button(name + '_down.bmp', w, h, True, draw)

title = Image(64, 20)
title.vgradient((40, 40, 210), (0, 0, 120))
title.save('title_bar.bmp')

# The knob's body spans its whole width (height) across the groove's band, so no
# background from the bitmap's corners cuts into the groove beside it.
for name, vertical in (('slider_knob.bmp', False), ('slider_knob_v.bmp', True)):
    knob = Image(21, 21, BG)
    outline = [(0, 0), (21, 0), (21, 15), (10.5, 21), (0, 15)]
    body = [(1, 1), (20, 1), (20, 14.5), (10.5, 19.8), (1, 14.5)]
    flip = (lambda pts: [(y, x) for x, y in pts]) if vertical else (lambda pts: pts)
    knob.polygon(flip(outline), (110, 110, 120))
    knob.polygon(flip(body), (200, 200, 210))
    knob.save(name)

groove = Image(32, 21, BG)
groove.rect(0, 9, 32, 10, DARK)
groove.rect(0, 10, 32, 12, (30, 30, 30))
groove.rect(0, 12, 32, 13, LIGHT)
groove.save('slider_groove.bmp')
groove_v = Image(21, 32, BG)
groove_v.rect(9, 0, 10, 32, DARK)
groove_v.rect(10, 0, 12, 32, (30, 30, 30))
groove_v.rect(12, 0, 13, 32, LIGHT)
groove_v.save('slider_groove_v.bmp')

separator = Image(32, 3, BG)
separator.rect(0, 0, 32, 1, DARK)
separator.rect(0, 2, 32, 3, MID)
separator.save('separator.bmp')



# The editor selector bar's faces, 30 x 30: a glyph per editor over a face,
# the pressed one darker with the glyph one pixel down and right.
def disc(img, cx, cy, r, c):
    for y in range(img.h):
        for x in range(img.w):
            if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r:
                img.px[y][x] = c


def line(img, x0, y0, x1, y1, c, w=1):
    n = max(abs(x1 - x0), abs(y1 - y0), 1)
    for i in range(n + 1):
        x = x0 + (x1 - x0) * i / n
        y = y0 + (y1 - y0) * i / n
        img.rect(int(x), int(y), int(x) + w, int(y) + w, c)


GLYPH, ACCENT, SOFT = (225, 230, 235), (250, 200, 70), (120, 200, 190)


def lattice(img, o, n=3, step=6, x0=9, y0=9, c=GLYPH):
    for i in range(n):
        line(img, x0 + o, y0 + i * step + o, x0 + (n - 1) * step + o, y0 + i * step + o, c)
        line(img, x0 + i * step + o, y0 + o, x0 + i * step + o, y0 + (n - 1) * step + o, c)
    for i in range(n):
        for j in range(n):
            img.rect(x0 + i * step - 1 + o, y0 + j * step - 1 + o, x0 + i * step + 2 + o, y0 + j * step + 2 + o, c)


def g_initial(img, o):
    lattice(img, o, x0=6, y0=11, step=5)
    line(img, 18 + o, 8 + o, 25 + o, 8 + o, ACCENT, 2)
    img.polygon([(24 + o, 4 + o), (28 + o, 9 + o), (24 + o, 13 + o)], ACCENT)


def g_matter(img, o):
    for i, k in enumerate((10, 18, 13)):
        y = 8 + i * 7 + o
        line(img, 5 + o, y, 24 + o, y, GLYPH)
        img.rect(k - 2 + o, y - 3, k + 3 + o, y + 4, ACCENT)


def g_structure(img, o):
    lattice(img, o, n=4, step=5, x0=7, y0=7)


def g_parts(img, o):
    img.rect(8 + o, 8 + o, 15 + o, 15 + o, ACCENT)
    lattice(img, o, n=4, step=5, x0=7, y0=7)


def g_group(img, o):
    img.bevel(6, GLYPH, GLYPH)
    for b in range(2):
        img.rect(5 + o + b, 5 + o, 6 + o + b, 19 + o, SOFT)
    img.rect(11 + o, 11 + o, 24 + o, 24 + o, SOFT)
    img.rect(13 + o, 13 + o, 22 + o, 22 + o, ACCENT)


def g_glue(img, o):
    img.rect(4 + o, 9 + o, 12 + o, 21 + o, SOFT)
    img.rect(18 + o, 9 + o, 26 + o, 21 + o, SOFT)
    for y in (11, 15, 19):
        line(img, 12 + o, y + o, 18 + o, y + o, ACCENT)


def g_geo(img, o):
    img.polygon([(15 + o, 4 + o), (26 + o, 24 + o), (4 + o, 24 + o)], SOFT)
    line(img, 15 + o, 4 + o, 15 + o, 24 + o, GLYPH)
    line(img, 9 + o, 14 + o, 21 + o, 14 + o, GLYPH)


def g_transform(img, o):
    line(img, 5 + o, 15 + o, 25 + o, 15 + o, GLYPH, 2)
    line(img, 15 + o, 5 + o, 15 + o, 25 + o, GLYPH, 2)
    for pts in ([(15, 2), (19, 7), (11, 7)], [(15, 28), (19, 23), (11, 23)],
                [(2, 15), (7, 11), (7, 19)], [(28, 15), (23, 11), (23, 19)]):
        img.polygon([(x + o, y + o) for x, y in pts], ACCENT)


def g_render(img, o):
    disc(img, 15 + o, 15 + o, 10, (70, 110, 160))
    disc(img, 13 + o, 13 + o, 7, (110, 160, 210))
    disc(img, 11 + o, 11 + o, 3, (230, 240, 250))


def g_walls(img, o):
    img.polygon([(4 + o, 22 + o), (10 + o, 16 + o), (26 + o, 16 + o), (20 + o, 22 + o)], SOFT)
    line(img, 10 + o, 4 + o, 10 + o, 16 + o, GLYPH)
    line(img, 10 + o, 4 + o, 26 + o, 4 + o, GLYPH)
    line(img, 26 + o, 4 + o, 26 + o, 16 + o, GLYPH)
    line(img, 4 + o, 10 + o, 4 + o, 22 + o, GLYPH)
    line(img, 4 + o, 10 + o, 10 + o, 4 + o, GLYPH)


def g_logic(img, o):
    for i, (a, b) in enumerate(((5, 22), (9, 25), (9, 19), (5, 16))):
        y = 6 + i * 6 + o
        img.rect(a + o, y, b + o, y + 2, ACCENT if i == 1 else GLYPH)


def g_vehicle(img, o):
    img.polygon([(3 + o, 19 + o), (3 + o, 14 + o), (9 + o, 13 + o), (12 + o, 8 + o), (20 + o, 8 + o),
                 (23 + o, 13 + o), (27 + o, 14 + o), (27 + o, 19 + o)], SOFT)
    disc(img, 9 + o, 20 + o, 3.5, (30, 30, 30))
    disc(img, 21 + o, 20 + o, 3.5, (30, 30, 30))


EDITOR_FACES = [(169, 'editor_initial', g_initial), (171, 'editor_matter', g_matter),
                (173, 'editor_structure', g_structure), (175, 'editor_parts', g_parts),
                (177, 'editor_group', g_group), (179, 'editor_glue', g_glue),
                (181, 'editor_geo', g_geo), (183, 'editor_transform', g_transform),
                (185, 'editor_render', g_render), (187, 'editor_walls', g_walls),
                (189, 'editor_logic', g_logic), (191, 'editor_vehicle', g_vehicle)]

for first, name, glyph in EDITOR_FACES:
    for pressed in (False, True):
        img = Image(30, 30)
        top, bottom = (95, 100, 115), (55, 58, 70)
        img.vgradient(bottom if pressed else top, top if pressed else bottom)
        img.bevel(0, DARK if pressed else LIGHT, LIGHT if pressed else DARK)
        glyph(img, 1 if pressed else 0)
        img.save('%s_%s.bmp' % (name, 'down' if pressed else 'up'))

def save_icon(img, path):
    # One 32-bit image with its AND mask, as an .ico file; the mask is clear
    # everywhere because the alpha channel carries the shape.
    xor = bytearray()
    for y in range(img.h - 1, -1, -1):
        for r, g, b, a in img.px[y]:
            xor += bytes((b, g, r, a))
    mask_stride = ((img.w + 31) // 32) * 4
    mask = bytes(mask_stride * img.h)
    header = struct.pack('<IiiHHIIiiII', 40, img.w, img.h * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    body = header + xor + mask
    entry = struct.pack('<BBBBHHII', img.w, img.h, 0, 0, 1, 32, len(body), 6 + 16)
    with open(path, 'wb') as f:
        f.write(struct.pack('<HHH', 0, 1, 1) + entry + body)


# The application icon: a wobbling block of jelly with its lattice nodes.
icon = Image(32, 32, (0, 0, 0, 0))
icon.polygon([(4, 9), (9, 4), (23, 3), (28, 8), (29, 23), (24, 28), (9, 29), (3, 24)], (40, 150, 140, 255))
icon.polygon([(7, 10), (11, 6), (22, 6), (25, 10), (26, 14), (6, 14)], (110, 210, 190, 255))
for gy in (9, 16, 23):
    for gx in (9, 16, 23):
        icon.rect(gx - 1, gy - 1, gx + 1, gy + 1, (240, 250, 245, 255))
save_icon(icon, 'app_icon.ico')
