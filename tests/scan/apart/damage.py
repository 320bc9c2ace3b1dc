"""Paper and what happens to a page between the press and the recogniser:
paper tint and fan-fold bars, speckle, scanner noise, uneven light, blur,
rotation, a phone's keystone, a page curving into the gutter and JPEG.

All randomness comes from the caller's random.Random, so a page renders
the same for the same seed (PIL's own noise generator is not seeded and is
not used)."""

import io

from PIL import Image, ImageChops, ImageDraw, ImageFilter


def _noise_tile(rng, sigma, size=128):
    data = bytes(max(0, min(255, int(128 + rng.gauss(0, sigma))))
                 for _ in range(size * size))
    return Image.frombytes("L", (size, size), data)


def noise_field(rng, width, height, sigma):
    """Grey noise centred on 128, tiled from a seeded tile that is flipped
    and turned at random so that no repeat lines up."""
    tile = _noise_tile(rng, sigma)
    ops = [None, Image.FLIP_LEFT_RIGHT, Image.FLIP_TOP_BOTTOM,
           Image.ROTATE_90, Image.ROTATE_180, Image.ROTATE_270,
           Image.TRANSPOSE]
    field = Image.new("L", (width, height), 128)
    n = tile.size[0]
    for y in range(0, height, n):
        for x in range(0, width, n):
            op = rng.choice(ops)
            field.paste(tile if op is None else tile.transpose(op), (x, y))
    return field


def add_noise(img, rng, sigma):
    field = noise_field(rng, img.size[0], img.size[1], sigma)
    if img.mode == "RGB":
        field = Image.merge("RGB", (field, field, field))
    return ImageChops.add(img, field, 1.0, -128)


def paper(rng, width, height, kind="white", bar=None):
    """A sheet: white (scanned magazine), cream (aged) or fanfold
    (continuous form with pale green bars `bar` px high, tractor holes and
    perforation)."""
    base = {"white": (247, 246, 242), "cream": (243, 238, 222),
            "fanfold": (246, 248, 240)}[kind]
    jitter = [max(0, min(255, v + rng.randrange(-4, 5))) for v in base]
    img = Image.new("RGB", (width, height), tuple(jitter))
    if kind == "fanfold":
        draw = ImageDraw.Draw(img)
        bar = int(bar or height / rng.uniform(12, 20))
        phase = rng.randrange(0, 2 * bar)
        green = (rng.randrange(212, 226), rng.randrange(234, 242),
                 rng.randrange(212, 224))
        y = -phase
        while y < height:
            draw.rectangle([0, y, width, y + bar - 1], fill=green)
            y += 2 * bar
        margin = max(24, width // 28)
        hole = margin * 0.32
        step = margin * 1.05
        y = rng.uniform(0, step)
        while y < height:
            for cx in (margin * 0.5, width - margin * 0.5):
                draw.ellipse([cx - hole, y - hole, cx + hole, y + hole],
                             fill=(70, 70, 72))
            y += step
        for px in (margin, width - margin):
            for yy in range(0, height, 9):
                draw.line([px, yy, px, yy + 4], fill=(205, 205, 198))
    return add_noise(img, rng, 3)


def ink_onto(page, mask, color=(28, 26, 30)):
    """Lays ink (L-mode mask, 255 = full ink) on the page."""
    ink = Image.new("RGB", page.size, color)
    return Image.composite(ink, page, mask)


def speckle(img, rng, count, big=0.02):
    """Dirt, paper fibres and ribbon spatter: small dark specks, a few
    larger ones."""
    draw = ImageDraw.Draw(img)
    w, h = img.size
    for _ in range(count):
        x, y = rng.uniform(0, w), rng.uniform(0, h)
        r = rng.uniform(0.5, 1.6) if rng.random() > big else \
            rng.uniform(2, 4)
        g = rng.randrange(20, 140)
        draw.ellipse([x - r, y - r * rng.uniform(0.6, 1.3), x + r, y + r],
                     fill=(g, g, g))
    return img


def uneven_light(img, rng, low=0.7, grid=3):
    """Multiplies the page by a smooth field of light between `low` and 1,
    as a lamp or window lights a page unevenly."""
    field = Image.new("L", (grid, grid))
    field.putdata([int(255 * rng.uniform(low, 1.0))
                   for _ in range(grid * grid)])
    field = field.resize(img.size, Image.BICUBIC)
    if img.mode == "RGB":
        warm = field.point(lambda v: min(255, int(v * 1.02)))
        field = Image.merge("RGB", (warm, field, field.point(
            lambda v: int(v * 0.96))))
    return ImageChops.multiply(img, field)


def blur(img, radius):
    return img.filter(ImageFilter.GaussianBlur(radius)) if radius > 0 \
        else img


def rotate(img, degrees, fill):
    return img.rotate(degrees, resample=Image.BICUBIC, expand=False,
                      fillcolor=fill)


def _solve(a, b):
    n = len(b)
    m = [row[:] + [b[i]] for i, row in enumerate(a)]
    for c in range(n):
        p = max(range(c, n), key=lambda r: abs(m[r][c]))
        m[c], m[p] = m[p], m[c]
        for r in range(n):
            if r != c and m[r][c]:
                f = m[r][c] / m[c][c]
                for k in range(c, n + 1):
                    m[r][k] -= f * m[c][k]
    return [m[i][n] / m[i][i] for i in range(n)]


def perspective_coeffs(out_pts, in_pts):
    """Coefficients for Image.transform(PERSPECTIVE) that take each output
    point to its input point."""
    a, b = [], []
    for (x, y), (u, v) in zip(out_pts, in_pts):
        a.append([x, y, 1, 0, 0, 0, -u * x, -u * y])
        b.append(u)
        a.append([0, 0, 0, x, y, 1, -v * x, -v * y])
        b.append(v)
    return _solve(a, b)


def keystone(img, share, rng, fill):
    """A page photographed from below or from one side: one edge is shorter
    than the opposite one by `share` (0.05 = 5%) of its length."""
    w, h = img.size
    s = share / 2
    edge = rng.choice(["top", "top", "bottom", "left", "right"])
    if edge == "top":
        out = [(w * s, 0), (w * (1 - s), 0), (w, h), (0, h)]
    elif edge == "bottom":
        out = [(0, 0), (w, 0), (w * (1 - s), h), (w * s, h)]
    elif edge == "left":
        out = [(0, h * s), (w, 0), (w, h), (0, h * (1 - s))]
    else:
        out = [(0, 0), (w, h * s), (w, h * (1 - s)), (0, h)]
    inp = [(0, 0), (w, 0), (w, h), (0, h)]
    coeffs = perspective_coeffs(out, inp)
    return img.transform(img.size, Image.PERSPECTIVE, coeffs,
                         Image.BICUBIC, fillcolor=fill), edge


def gutter_curve(img, side, depth, reach, fill):
    """The page bends down into the gutter on `side` (left or right): over
    the last `reach` share of the width, the lines sink by up to `depth` px
    and the paper is foreshortened."""
    w, h = img.size
    zone = max(1, int(w * reach))
    mesh = []
    strip = 6
    for x0 in range(0, w, strip):
        x1 = min(w, x0 + strip)

        def shape(x):
            d = (x - (w - zone)) / zone if side == "right" else \
                (zone - x) / zone
            d = max(0.0, min(1.0, d))
            sink = depth * d * d
            squeeze = 0.35 * zone * d * d * d / 3
            src_x = x + squeeze if side == "right" else x - squeeze
            return src_x, sink

        sx0, dy0 = shape(x0)
        sx1, dy1 = shape(x1)
        # The source quad for this output strip: upper-left, lower-left,
        # lower-right, upper-right.
        quad = (sx0, -dy0, sx0, h - dy0, sx1, h - dy1, sx1, -dy1)
        mesh.append(((x0, 0, x1, h), quad))
    return img.transform(img.size, Image.MESH, mesh, Image.BICUBIC,
                         fillcolor=fill)


def jpeg(img, quality):
    """The page after a round trip through JPEG at `quality`."""
    buf = io.BytesIO()
    img.save(buf, "JPEG", quality=quality)
    buf.seek(0)
    return Image.open(buf).convert(img.mode)
