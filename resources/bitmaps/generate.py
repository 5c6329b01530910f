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
