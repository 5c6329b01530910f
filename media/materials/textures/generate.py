#!/usr/bin/python3
"""Draws the textures of the built-in wheel meshes as JPEG files: the wheel's
outer face ("WheelSide5.jpg": tyre wall, rim, five spokes and the hub, mapped
flat onto the side of the wheel) and the tyre's tread ("TyreSRound2.jpg": tread
blocks across the band, wrapped once around the wheel); the sky's default
image ("clouds.jpg": soft clouds on blue, seamless in both directions, since
the sky dome tiles and scrolls it); and the normal map of the bump-map
materials ("gvBumps.png": rounded studs in tangent space, seamless). Run from
this folder after changing a look; the files are committed. Needs Pillow
(Debian's python3-pil)."""
import math
import random

from PIL import Image, ImageDraw, ImageFilter

SIZE = 256


def wheel_side():
    # The face mapping puts the wheel's centre at the image centre and the
    # tread's edge (radius 1.1 of the mesh) at the image border.
    img = Image.new('RGB', (SIZE, SIZE), (24, 24, 26))
    d = ImageDraw.Draw(img)
    c = SIZE / 2

    def disc(r, colour):
        d.ellipse((c - r, c - r, c + r, c + r), fill=colour)

    disc(c, (32, 32, 34))            # tyre wall
    disc(c * 0.80, (150, 152, 158))  # rim flange
    disc(c * 0.74, (70, 72, 78))     # rim well, seen between the spokes
    for k in range(5):
        a = 2 * math.pi * k / 5 - math.pi / 2
        for w in range(-7, 8):
            b = a + w * 0.012
            d.line((c + math.cos(b) * c * 0.18, c + math.sin(b) * c * 0.18,
                    c + math.cos(a) * c * 0.75, c + math.sin(a) * c * 0.75),
                   fill=(188, 190, 196), width=3)
    disc(c * 0.30, (200, 202, 208))  # hub
    for k in range(5):
        a = 2 * math.pi * (k + 0.5) / 5 - math.pi / 2
        x, y = c + math.cos(a) * c * 0.19, c + math.sin(a) * c * 0.19
        d.ellipse((x - 5, y - 5, x + 5, y + 5), fill=(90, 90, 96))  # wheel nuts
    disc(c * 0.08, (120, 122, 128))
    return img.filter(ImageFilter.SMOOTH)


def tyre_tread():
    # u runs once around the wheel, v across the band from the outer wall to
    # the inner one.
    w, h = SIZE * 2, SIZE // 2
    img = Image.new('RGB', (w, h), (30, 30, 32))
    d = ImageDraw.Draw(img)
    blocks = 32
    step = w / blocks
    for k in range(blocks):
        x = k * step
        shift = step * 0.3 if k % 2 else 0.0
        d.rectangle((x + 2, h * 0.12, x + step - 3, h * 0.45), fill=(52, 52, 56))
        d.rectangle((x + 2 + shift, h * 0.55, x + step - 3 + shift, h * 0.88), fill=(52, 52, 56))
    d.rectangle((0, h * 0.47, w, h * 0.53), fill=(20, 20, 22))  # centre groove
    return img.filter(ImageFilter.SMOOTH)


def periodic_noise(size, cells, seed):
    """Smooth value noise on a grid of cells x cells that wraps at the edges."""
    rnd = random.Random(seed)
    grid = [[rnd.random() for _ in range(cells)] for _ in range(cells)]
    out = [[0.0] * size for _ in range(size)]
    for y in range(size):
        gy = y * cells / size
        y0 = int(gy)
        fy = gy - y0
        fy = fy * fy * (3 - 2 * fy)
        for x in range(size):
            gx = x * cells / size
            x0 = int(gx)
            fx = gx - x0
            fx = fx * fx * (3 - 2 * fx)
            a = grid[y0 % cells][x0 % cells]
            b = grid[y0 % cells][(x0 + 1) % cells]
            c = grid[(y0 + 1) % cells][x0 % cells]
            d = grid[(y0 + 1) % cells][(x0 + 1) % cells]
            out[y][x] = (a * (1 - fx) + b * fx) * (1 - fy) + (c * (1 - fx) + d * fx) * fy
    return out


def clouds():
    size = 256
    layers = [(periodic_noise(size, 4, 11), 0.5), (periodic_noise(size, 8, 12), 0.3),
              (periodic_noise(size, 16, 13), 0.2)]
    img = Image.new('RGB', (size, size))
    px = img.load()
    for y in range(size):
        for x in range(size):
            n = sum(layer[y][x] * w for layer, w in layers)
            cover = min(1.0, max(0.0, (n - 0.45) * 3.0))
            sky = (70, 120, 200)
            px[x, y] = tuple(int(s * (1 - cover) + 245 * cover) for s in sky)
    return img.filter(ImageFilter.SMOOTH)


def bumps():
    size, studs = 128, 4
    img = Image.new('RGB', (size, size))
    px = img.load()
    cell = size / studs
    for y in range(size):
        for x in range(size):
            dx = ((x + 0.5) % cell) / cell * 2 - 1
            dy = ((y + 0.5) % cell) / cell * 2 - 1
            r2 = dx * dx + dy * dy
            nx = ny = 0.0
            if r2 < 0.64:
                # a spherical cap: the slope grows towards the rim
                h = math.sqrt(1.0 - r2)
                nx, ny = dx / h * 0.6, dy / h * 0.6
            nz = 1.0
            length = math.sqrt(nx * nx + ny * ny + nz * nz)
            px[x, y] = tuple(int((c / length * 0.5 + 0.5) * 255) for c in (nx, -ny, nz))
    return img


if __name__ == '__main__':
    wheel_side().save('WheelSide5.jpg', quality=90)
    tyre_tread().save('TyreSRound2.jpg', quality=90)
    clouds().save('clouds.jpg', quality=90)
    bumps().save('gvBumps.png')
