#!/usr/bin/env python3
# Draws the genus pictures in data/images/: abstract korvels (a shaded
# mantle, vanes or frills, ocelli, tendrils) over a background that suits
# the habitat - sky, water or ground.
#
#   python3 tools/make_images.py
#
# Needs only the Python 3 standard library, plus cjpeg (Debian package
# libjpeg-turbo-progs) to turn the rendered PPM into JPEG. GIFs are written
# by the encoder below (median-cut palette, ordered dither, LZW).
#
#   python3 tools/make_images.py --server-only   (tools/velmora-images/ only)
#
# Which genus gets which picture comes from make_dataset.build(): most get a
# JPEG, some a GIF, a few none ("-"), and a few name a picture that is left
# out of data/ on purpose so that the viewer offers to download it. Those are
# drawn into tools/velmora-images/, which only the reference server serves,
# so that the download brings a real picture - except ABSENT_EVERYWHERE,
# whose picture exists nowhere and shows how a failed download looks.
# The showcase GIFs:
#   aurovelis     animated: several frames on sub-rectangles, delays, loop
#   limnonessa    interlaced
#   psammodrassa  transparent background
#   halodriva     GIF87a without a global colour table (local table only)
# Output is deterministic: drawing is seeded by the genus id.

import colorsys
import math
import os
import random
import subprocess
import sys
import tempfile
import zlib

import make_dataset

SIZES = [(160, 120), (200, 150), (200, 150), (240, 180), (240, 180), (280, 210), (320, 240)]


def hsv(h, s, v):
    return tuple(c * 255 for c in colorsys.hsv_to_rgb(h % 1.0, max(0, min(1, s)), max(0, min(1, v))))


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


class Canvas:
    def __init__(self, w, h):
        self.w, self.h = w, h
        n = w * h
        self.r, self.g, self.b = [0.0] * n, [0.0] * n, [0.0] * n
        self.a = [0.0] * n  # coverage by the creature, for transparent GIFs

    def put(self, i, col, cov, fg):
        self.r[i] += (col[0] - self.r[i]) * cov
        self.g[i] += (col[1] - self.g[i]) * cov
        self.b[i] += (col[2] - self.b[i]) * cov
        if fg:
            self.a[i] += (1 - self.a[i]) * cov

    def gradient(self, top, bottom):
        for y in range(self.h):
            col = mix(top, bottom, y / (self.h - 1))
            for x in range(self.w):
                self.put(y * self.w + x, col, 1.0, False)

    def ellipse(self, cx, cy, rx, ry, ang, col, alpha=1.0, shade=0.0, clip=None, fg=True):
        """Anti-aliased rotated ellipse; shade > 0 lights it from the upper left."""
        ca, sa = math.cos(ang), math.sin(ang)
        m = min(rx, ry)
        reach = max(rx, ry) + 1.5
        limit = (1 + 1.5 / m) ** 2
        light = (255, 255, 245)
        for y in range(max(0, int(cy - reach)), min(self.h, int(cy + reach) + 1)):
            dy = y + 0.5 - cy
            row = y * self.w
            for x in range(max(0, int(cx - reach)), min(self.w, int(cx + reach) + 1)):
                dx = x + 0.5 - cx
                u = (dx * ca + dy * sa) / rx
                v = (-dx * sa + dy * ca) / ry
                q = u * u + v * v
                if q > limit:
                    continue
                cov = 0.5 - (math.sqrt(q) - 1) * m
                if cov <= 0:
                    continue
                cov = min(1.0, cov) * alpha
                if clip is not None:
                    cov *= clip(x + 0.5, y + 0.5)
                    if cov <= 0:
                        continue
                c = col
                if shade:
                    hi = max(0.0, 1 - ((u + 0.35) ** 2 + (v + 0.45) ** 2) * 1.6)
                    c = mix(mix(col, (0, 0, 0), min(1, q) * 0.35 * shade), light, hi * 0.55 * shade)
                self.put(row + x, c, cov, fg)

    def tendril(self, p0, p1, p2, r0, r1, col, alpha=1.0):
        length = math.dist(p0, p1) + math.dist(p1, p2)
        steps = max(4, int(length / 1.2))
        for i in range(steps + 1):
            t = i / steps
            x = (1 - t) ** 2 * p0[0] + 2 * (1 - t) * t * p1[0] + t * t * p2[0]
            y = (1 - t) ** 2 * p0[1] + 2 * (1 - t) * t * p1[1] + t * t * p2[1]
            r = r0 + (r1 - r0) * t
            self.ellipse(x, y, r, r, 0, col, alpha)

    def eye(self, x, y, r):
        self.ellipse(x, y, r, r * 1.1, 0, (250, 248, 235), 1.0, 0.4)
        self.ellipse(x + r * 0.1, y + r * 0.15, r * 0.55, r * 0.6, 0, (25, 22, 30))
        self.ellipse(x - r * 0.15, y - r * 0.2, r * 0.2, r * 0.2, 0, (255, 255, 255))

    def pixels(self):
        return [(int(r + 0.5), int(g + 0.5), int(b + 0.5)) for r, g, b in zip(self.r, self.g, self.b)]


def ellipse_clip(cx, cy, rx, ry):
    def inside(x, y):
        q = ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2
        return max(0.0, min(1.0, 0.5 - (math.sqrt(q) - 1) * min(rx, ry)))
    return inside


# --- the creature ---------------------------------------------------------------

class Look:
    """Colours and proportions of one genus, fixed by its id."""
    def __init__(self, gid, hab):
        self.rng = random.Random(zlib.crc32(gid.encode()))
        r = self.rng
        self.hab = hab
        self.hue = r.random()
        self.body = hsv(self.hue, r.uniform(0.45, 0.75), r.uniform(0.55, 0.85))
        self.vane = hsv(self.hue + r.uniform(-0.12, 0.12), r.uniform(0.25, 0.5), r.uniform(0.8, 0.97))
        self.tend = hsv(self.hue + r.uniform(-0.1, 0.1), r.uniform(0.4, 0.7), r.uniform(0.35, 0.6))
        self.band = hsv(self.hue, 0.6, 0.3)
        self.pairs = r.choice([1, 2, 2, 3])
        self.eyes = r.choice([1, 2, 2, 2, 3, 4])
        self.tendrils = r.choice([2, 3, 4, 5, 6])
        self.bands = r.randint(2, 6)
        self.fat = r.uniform(0.85, 1.2)
        self.blobs = [(r.random(), r.random(), r.uniform(0.5, 1.2)) for _ in range(5)]


def background(cv, look, transparent):
    w, h, r = cv.w, cv.h, look.rng
    if transparent:
        cv.gradient((250, 250, 250), (250, 250, 250))
        return
    if look.hab == 'air':
        top = hsv(0.58 + r.uniform(-0.06, 0.1), 0.35, 0.95)
        cv.gradient(top, hsv(0.1 + r.uniform(-0.05, 0.05), 0.15, 0.98))
        for bx, by, bs in look.blobs[:3]:
            cv.ellipse(bx * w, by * h * 0.6, 30 * bs * w / 160, 10 * bs * w / 160, 0,
                       (255, 255, 255), 0.35, fg=False)
    elif look.hab == 'water':
        cv.gradient(hsv(0.47 + r.uniform(-0.04, 0.04), 0.35, 0.9), hsv(0.6, 0.75, 0.35))
        for bx, by, bs in look.blobs:
            s = 2.5 * bs * w / 160
            cv.ellipse(bx * w, by * h, s, s, 0, (235, 250, 255), 0.45, 0.5, fg=False)
    else:
        cv.gradient(hsv(0.11, 0.25, 0.92), hsv(0.08, 0.45, 0.55))
        gy = h * 0.78
        cv.ellipse(w / 2, gy + h * 0.5, w * 0.9, h * 0.5, 0, hsv(0.08, 0.5, 0.42), 1.0, fg=False)
        for bx, by, bs in look.blobs:
            cv.ellipse(bx * w, gy + 6 + by * (h - gy - 8), 5 * bs * w / 160, 3 * bs * w / 160, 0,
                       hsv(0.07, 0.2, 0.6 + by * 0.2), 1.0, 0.8, fg=False)


def creature(cv, look, phase=0.0):
    w, h = cv.w, cv.h
    s = min(w / 160, h / 120)
    cx, cy = w / 2, h * 0.5
    if look.hab == 'air':
        brx, bry = 15 * s * look.fat, 25 * s
        for k in reversed(range(look.pairs)):
            flap = 0.22 * math.sin(phase + k * 0.8)
            ang = 0.45 + k * 0.5 + flap
            vx, vy = 22 * s + k * 2 * s, -9 * s + k * 12 * s
            rx, ry = (34 - 7 * k) * s, (12 - 2 * k) * s
            for side in (-1, 1):
                cv.ellipse(cx + side * vx, cy + vy - math.sin(flap) * 6 * s, rx, ry, -side * ang,
                           look.vane, 0.8, 0.6)
        tips = [(cx + (i - (look.tendrils - 1) / 2) * 5 * s, cy + bry * 0.8)
                for i in range(look.tendrils)]
        for i, (tx, ty) in enumerate(tips):
            sway = math.sin(phase * 0.5 + i) * 6 * s
            cv.tendril((tx, ty), (tx + (tx - cx) * 1.2 + sway, ty + 18 * s),
                       (tx + (tx - cx) * 2.2 - sway, ty + 34 * s), 2.0 * s, 0.7 * s, look.tend)
        cv.ellipse(cx, cy, brx, bry, 0, look.body, 1.0, 1.0)
        clip = ellipse_clip(cx, cy, brx, bry)
        for i in range(look.bands):
            by = cy - bry * 0.2 + i * (bry * 1.1 / look.bands)
            cv.ellipse(cx, by, brx * 1.1, 1.1 * s, 0, look.band, 0.35, clip=clip)
        eye_y = cy - bry * 0.55
    elif look.hab == 'water':
        brx, bry = 36 * s, 13 * s * look.fat
        cv.ellipse(cx, cy, brx * 1.12, bry * 1.7, 0, look.vane, 0.5, 0.4)
        cv.tendril((cx - brx * 0.9, cy), (cx - brx * 1.4, cy + 12 * s * math.sin(phase)),
                   (cx - brx * 1.9, cy - 6 * s), 3 * s, 0.8 * s, look.tend)
        for i in range(look.tendrils):
            tx = cx + brx * 0.75 - i * 3 * s
            cv.tendril((tx, cy + bry * 0.6), (tx + 10 * s, cy + bry + 8 * s + i * 2 * s),
                       (tx + 4 * s + i * 4 * s, cy + bry + 18 * s), 1.6 * s, 0.6 * s, look.tend)
        for side in (-1, 1):
            cv.ellipse(cx + side * 8 * s, cy + bry * 0.9, 12 * s, 4 * s, side * 0.5, look.vane, 0.85, 0.5)
        cv.ellipse(cx, cy, brx, bry, 0, look.body, 1.0, 1.0)
        clip = ellipse_clip(cx, cy, brx, bry)
        for i in range(look.bands):
            bx = cx - brx * 0.6 + i * (brx * 1.2 / look.bands)
            cv.ellipse(bx, cy, 1.1 * s, bry * 1.1, 0, look.band, 0.35, clip=clip)
        eye_y = cy - bry * 0.3
        cx += brx * 0.55
    else:
        gy = h * 0.78
        brx, bry = 38 * s * look.fat, 24 * s
        bcy = gy - 10 * s
        for i in range(look.tendrils + 2):
            px = cx - brx * 0.8 + i * (brx * 1.6 / (look.tendrils + 1))
            cv.ellipse(px, gy - 1 * s, 5 * s, 3 * s, 0, look.tend, 1.0, 0.6)
        for i in range(look.bands + 3):
            px = cx - brx * 0.6 + i * (brx * 1.2 / (look.bands + 2))
            top = bcy - bry * math.sqrt(max(0.0, 1 - ((px - cx) / brx) ** 2))
            cv.ellipse(px, top + 1 * s, 3 * s, 7 * s, (px - cx) / brx * 0.6, look.vane, 1.0, 0.6)
        ground = lambda x, y: max(0.0, min(1.0, gy - y + 0.5))
        cv.ellipse(cx, bcy, brx, bry, 0, look.body, 1.0, 1.0, clip=ground)
        clip = ellipse_clip(cx, bcy, brx, bry)
        for i in range(look.bands):
            bx = cx - brx * 0.55 + i * (brx * 1.1 / max(1, look.bands - 1))
            cv.ellipse(bx, bcy, 1.0 * s, bry * 1.1, 0, look.band, 0.3,
                       clip=lambda x, y: clip(x, y) * ground(x, y))
        for i in range(min(3, look.tendrils)):
            tx = cx + brx * 0.8
            cv.tendril((tx, bcy), (tx + 12 * s, bcy - 6 * s + i * 6 * s),
                       (tx + 18 * s, bcy - 14 * s + i * 12 * s), 1.6 * s, 0.6 * s, look.tend)
        eye_y = bcy - bry * 0.45
        cx += brx * 0.5
    n = look.eyes
    for i in range(n):
        ex = cx + (i - (n - 1) / 2) * 7 * s
        cv.eye(ex, eye_y + abs(i - (n - 1) / 2) * 2 * s, (4.2 if n < 3 else 3.2) * s)


def render(gid, hab, size, phase=0.0, transparent=False):
    look = Look(gid, hab)
    cv = Canvas(*size)
    background(cv, look, transparent)
    creature(cv, look, phase)
    return cv


# --- GIF ------------------------------------------------------------------------

BAYER = [[0, 8, 2, 10], [12, 4, 14, 6], [3, 11, 1, 9], [15, 7, 13, 5]]


def median_cut(colours, n):
    boxes = [list(colours)]
    while len(boxes) < n:
        best, best_score = None, -1
        for i, box in enumerate(boxes):
            if len(box) < 2:
                continue
            spans = [max(c[k] for c in box) - min(c[k] for c in box) for k in range(3)]
            score = max(spans) * math.sqrt(len(box))
            if score > best_score:
                best, best_score, axis = i, score, spans.index(max(spans))
        if best is None or best_score == 0:
            break
        box = sorted(boxes.pop(best), key=lambda c: c[axis])
        half = len(box) // 2
        boxes += [box[:half], box[half:]]
    return [tuple(int(sum(c[k] for c in box) / len(box) + 0.5) for k in range(3)) for box in boxes]


class Quantizer:
    def __init__(self, samples, n):
        self.palette = median_cut(samples, n)
        self.cache = {}

    def index(self, c):
        i = self.cache.get(c)
        if i is None:
            i = min(range(len(self.palette)),
                    key=lambda k: sum((a - b) ** 2 for a, b in zip(c, self.palette[k])))
            self.cache[c] = i
        return i

    def map(self, pixels, w, amount=10):
        out = bytearray(len(pixels))
        for i, (r, g, b) in enumerate(pixels):
            d = (BAYER[(i // w) % 4][(i % w) % 4] / 16 - 0.47) * amount
            c = (min(255, max(0, int(r + d))) >> 2 << 2, min(255, max(0, int(g + d))) >> 2 << 2,
                 min(255, max(0, int(b + d))) >> 2 << 2)
            out[i] = self.index(c)
        return out


def lzw_encode(indices, min_size):
    clear, eoi = 1 << min_size, (1 << min_size) + 1
    out = bytearray()
    acc = bits = 0
    size, next_code, table = min_size + 1, eoi + 1, {}

    def emit(code):
        nonlocal acc, bits
        acc |= code << bits
        bits += size
        while bits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            bits -= 8

    emit(clear)
    prefix = indices[0]
    for k in indices[1:]:
        key = prefix << 8 | k
        code = table.get(key)
        if code is not None:
            prefix = code
            continue
        emit(prefix)
        if next_code < 4096:
            table[key] = next_code
            next_code += 1
            # the decoder adds its entries one code later, so widen one later too
            if next_code > (1 << size) and size < 12:
                size += 1
        else:
            emit(clear)
            size, next_code, table = min_size + 1, eoi + 1, {}
        prefix = k
    emit(prefix)
    emit(eoi)
    if bits:
        out.append(acc & 0xFF)
    return bytes(out)


def sub_blocks(data):
    out = bytearray()
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        out += bytes([len(chunk)]) + chunk
    return bytes(out + b'\x00')


def palette_bits(palette):
    bits = 1
    while (1 << bits) < len(palette):
        bits += 1
    return bits


def palette_bytes(palette, bits):
    padded = list(palette) + [(0, 0, 0)] * ((1 << bits) - len(palette))
    return b''.join(bytes(c) for c in padded)


def write_gif(path, w, h, frames, palette=None, loop=False, version=b'89a'):
    """frames: dicts with x, y, w, h, pixels (indices) and optional delay,
    transparent, disposal, palette (local) and interlaced."""
    out = bytearray(b'GIF' + version)
    if palette:
        bits = palette_bits(palette)
        out += bytes([w & 255, w >> 8, h & 255, h >> 8, 0x80 | 0x70 | (bits - 1), 0, 0])
        out += palette_bytes(palette, bits)
    else:
        out += bytes([w & 255, w >> 8, h & 255, h >> 8, 0, 0, 0])
    if loop:
        out += b'\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00'
    for f in frames:
        if version == b'89a' and ('delay' in f or 'transparent' in f):
            t = f.get('transparent')
            flags = (f.get('disposal', 0) << 2) | (1 if t is not None else 0)
            d = f.get('delay', 0)
            out += bytes([0x21, 0xF9, 4, flags, d & 255, d >> 8, t or 0, 0])
        local = f.get('palette')
        fw, fh, pix = f['w'], f['h'], f['pixels']
        flags = 0
        if local:
            lbits = palette_bits(local)
            flags |= 0x80 | (lbits - 1)
        if f.get('interlaced'):
            flags |= 0x40
            rows = [y for start, step in ((0, 8), (4, 8), (2, 4), (1, 2))
                    for y in range(start, fh, step)]
            pix = b''.join(pix[y * fw:(y + 1) * fw] for y in rows)
        out += bytes([0x2C, f['x'] & 255, f['x'] >> 8, f['y'] & 255, f['y'] >> 8,
                      fw & 255, fw >> 8, fh & 255, fh >> 8, flags])
        if local:
            out += palette_bytes(local, lbits)
        min_size = max(2, palette_bits(local or palette))
        out += bytes([min_size]) + sub_blocks(lzw_encode(bytes(pix), min_size))
    out += b'\x3B'
    with open(path, 'wb') as fh_:
        fh_.write(out)


def crop(pixels, w, box):
    x0, y0, x1, y1 = box
    return bytes(b for y in range(y0, y1) for b in pixels[y * w + x0:y * w + x1])


def changed_box(a, b, w, h):
    xs, ys = [], []
    for i in range(w * h):
        if a[i] != b[i]:
            xs.append(i % w)
            ys.append(i // w)
    if not xs:
        return 0, 0, 1, 1
    return min(xs), min(ys), max(xs) + 1, max(ys) + 1


def gif_picture(path, gid, hab, size, kind):
    w, h = size
    if kind == 'gif-animated':
        canvases = [render(gid, hab, size, phase=2 * math.pi * k / 6) for k in range(6)]
        pix = [c.pixels() for c in canvases]
        q = Quantizer([p for frame in pix for p in frame[::3]], 64)
        idx = [q.map(p, w) for p in pix]
        frames = [dict(x=0, y=0, w=w, h=h, pixels=idx[0], delay=14, disposal=1)]
        for k in range(1, 6):
            x0, y0, x1, y1 = changed_box(idx[k - 1], idx[k], w, h)
            frames.append(dict(x=x0, y=y0, w=x1 - x0, h=y1 - y0, pixels=crop(idx[k], w, (x0, y0, x1, y1)),
                               delay=10 if k % 3 else 20, disposal=1))
        write_gif(path, w, h, frames, q.palette, loop=True)
        return
    transparent = kind == 'gif-transparent'
    cv = render(gid, hab, size, transparent=transparent)
    pix = cv.pixels()
    if transparent:
        fg = [p for p, a in zip(pix, cv.a) if a >= 0.5]
        q = Quantizer(fg, 31)
        idx = q.map(pix, w, 6)
        clear = len(q.palette)
        for i, a in enumerate(cv.a):
            if a < 0.5:
                idx[i] = clear
        palette = q.palette + [(250, 250, 250)]
        write_gif(path, w, h, [dict(x=0, y=0, w=w, h=h, pixels=idx, transparent=clear, delay=0)], palette)
        return
    q = Quantizer(pix[::2], 64 if kind != 'gif' else 32)
    idx = q.map(pix, w)
    frame = dict(x=0, y=0, w=w, h=h, pixels=idx, interlaced=kind == 'gif-interlaced')
    if kind == 'gif87-local':
        frame['palette'] = q.palette
        write_gif(path, w, h, [frame], None, version=b'87a')
    else:
        write_gif(path, w, h, [frame], q.palette)


def jpeg_picture(path, gid, hab, size):
    cv = render(gid, hab, size)
    data = bytes(v for p in cv.pixels() for v in p)
    with tempfile.NamedTemporaryFile(suffix='.ppm', delete=False) as tmp:
        tmp.write(b'P6\n%d %d\n255\n' % size + data)
    try:
        subprocess.run(['cjpeg', '-quality', '85', '-optimize', '-outfile', path, tmp.name], check=True)
    finally:
        os.unlink(tmp.name)


SERVER_IMAGES = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'velmora-images')
ABSENT_EVERYWHERE = 'scotothren'


def draw(folder, g):
    size = random.Random(zlib.crc32(g.id.encode()) ^ 0x5A5A).choice(SIZES)
    if g.picture_kind == 'gif-animated':
        size = (160, 120)
    path = os.path.join(folder, g.image)
    if g.picture_kind == 'jpg':
        jpeg_picture(path, g.id, g.hab, size)
    else:
        gif_picture(path, g.id, g.hab, size, g.picture_kind)
    print(os.path.basename(folder), g.image, g.picture_kind, size, file=sys.stderr)


def main(argv):
    shipped = os.path.join(make_dataset.DATA, 'images')
    folders = [SERVER_IMAGES] if '--server-only' in argv else [shipped, SERVER_IMAGES]
    roots, forgotten = make_dataset.build()
    genera = [t for root in roots for t in root.walk() if t.level == 5 and not t.planned] + forgotten
    missing = [g for g in genera if g.image != '-' and g.missing]
    if ABSENT_EVERYWHERE not in [g.id for g in missing]:
        raise SystemExit(f'{ABSENT_EVERYWHERE} is not among the genera whose picture is left out: '
                         + ', '.join(g.id for g in missing))
    for folder in folders:
        os.makedirs(folder, exist_ok=True)
        server = folder == SERVER_IMAGES
        wanted = set()
        for g in genera:
            if g.image == '-' or g.missing != server or g.id == ABSENT_EVERYWHERE:
                continue
            wanted.add(g.image)
            draw(folder, g)
        for name in os.listdir(folder):
            if name not in wanted:
                os.unlink(os.path.join(folder, name))


if __name__ == '__main__':
    main(sys.argv[1:])
