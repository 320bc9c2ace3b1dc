#!/usr/bin/python3
"""Renders hex-dump listings into page images, as a magazine page looks after
a scanner or a camera: a title, some prose, the listing with its sums, in a
packaged font, then (optionally) blur, noise, a slight rotation, uneven
lighting and JPEG compression. Next to each image goes the listing as text
(the truth, in the layout `tsypatch scan` writes) and a one-line description.

    make_pages.py OUTDIR COUNT [--seed N] [--clean] [--conventions a,b]
                  [--special stain|dropped-row|no-listing|blots]

Characters are about as large as a magazine listing scanned at 300 dpi.
Needs Debian's python3-pil (run with /usr/bin/python3)."""
import argparse
import io
import os
import random

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

import dot_matrix

FONTS = {
    "dejavu": "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf",
    "ocra": "/usr/share/fonts/truetype/ocr-a/OCRA.ttf",
    "terminus": "/usr/share/fonts/truetype/terminus/TerminusTTF-4.46.0.ttf",
    "dotgothic": "/usr/share/fonts/truetype/dotgothic16/DotGothic16-Regular.ttf",
}
# Dot-matrix printing (dot_matrix.py): the name and the font it prints in.
DOT_FONTS = {"dot5x7": "5x7", "dot7x9": "7x9"}
CONVENTIONS = ["plain", "address-sum", "ohmz", "ohx"]
OPTIONS = {"plain": [], "address-sum": ["--address-sum"], "ohmz": ["--ohmz"], "ohx": ["--ohx"]}

PROSE = [
    "Type in the listing below with the checker program, then save it to tape.",
    "The sums at the end of each block catch most typing mistakes.",
    "Run it with CALL from the monitor; the screen fills with letters.",
    "Enter the machine language part first and check every line carefully.",
]


def crc_byte(crc, byte):
    for bit in range(7, -1, -1):
        top = crc & 0x8000
        crc = (crc << 1) & 0xFFFF
        if top:
            crc ^= 0x1021
        if (byte >> bit) & 1:
            crc ^= 0x0001
    return crc


def program(rng, size):
    """Bytes that look like machine code: many small values, some repeats."""
    out = []
    while len(out) < size:
        r = rng.random()
        if r < 0.2:
            out.append(0)
        elif r < 0.35 and out:
            out.append(out[-1])
        else:
            out.append(rng.randrange(256))
    return bytes(out[:size])


def hexes(data):
    return " ".join("%02X" % b for b in data)


# How a page prints the sums of the plain conventions: the line checksum
# and the SUM line's total as they stand, and as the scan writes them (a
# form the listing reader reads).
FORMS = ["plain", "colon", "paren", "bracket", "two-digit"]


def sum_forms(form, address, data, checksum, columns, total):
    """(printed, written) data row and SUM line of a plain convention."""
    row = "%04X  %s  %02X" % (address, data, checksum)
    sums = "SUM  %s %04X" % (columns, total & 0xFFFF)
    if form == "colon":
        return ("%04X %s :%02X" % (address, data, checksum), row,
                "SUM: %s :%02X" % (columns, total & 0xFF), "SUM  %s :%02X" % (columns, total & 0xFF))
    if form in ("paren", "bracket"):
        left, right = "()" if form == "paren" else "[]"
        return ("%04X  %s %s%02X%s" % (address, data, left, checksum, right), row,
                "SUM  %s %s%04X%s" % (columns, left, total & 0xFFFF, right), sums)
    if form == "two-digit":
        return (row, row, "SUM  %s %02X" % (columns, total & 0xFF),
                "SUM  %s :%02X" % (columns, total & 0xFF))
    return row, row, sums, sums


def listing(convention, rng, rows, form="plain"):
    """(printed lines, written lines, header line) of one listing in
    `convention`, its sums printed in `form`."""
    width = 16 if convention == "ohmz" else 8
    block_rows = 4 if convention == "ohmz" else 8
    start = rng.randrange(0x10, 0xF0) * 0x100
    data = program(rng, rows * width)
    lines = []
    written = []
    block = []
    crc = 0
    for i in range(rows):
        addr = start + i * width
        row = data[i * width:(i + 1) * width]
        block.append(row)
        if convention == "ohmz":
            s = "%03X" % (sum(row) & 0xFFF)
            lines.append("%04X %s (%s.%s)" % (addr, hexes(row), s[0], s[1:]))
        elif convention == "ohx":
            for b in row:
                crc = crc_byte(crc, b)
            lines.append("%04X : %s : %02X" % (addr, hexes(row), sum(row) & 0xFF))
        else:
            s = sum(row)
            if convention == "address-sum":
                s += (addr & 0xFF) + (addr >> 8)
            printed, text, _, _ = sum_forms(form, addr, hexes(row), s & 0xFF, "", 0)
            lines.append(printed)
            written.append(text)
        if convention != "plain" and convention != "address-sum":
            written.append(lines[-1])
        if len(block) == block_rows or i == rows - 1:
            cols = [sum(r[c] for r in block) & 0xFF for c in range(width)]
            total = sum(sum(r) for r in block)
            if convention == "ohmz":
                lines.append("-" * 30 + " %04X" % (total & 0xFFFF))
            elif convention == "ohx":
                lines.append("SUM    %s %04X" % (hexes(cols), crc))
                crc = 0
            else:
                _, _, printed, text = sum_forms(form, 0, "", 0, hexes(cols), total)
                lines.append(printed)
                written.append(text)
            if convention != "plain" and convention != "address-sum":
                written.append(lines[-1])
            block = []
    if convention == "ohmz":
        header = "ADRS " + " ".join("+%X" % c for c in range(16)) + "  SUM"
    elif convention == "ohx":
        header = "ADRS   " + " ".join("+%X" % c for c in range(8)) + "   SUM"
    else:
        header = "ADRS  " + " ".join("+%X" % c for c in range(8)) + "  SUM"
    return lines, written, header


def render(lines, font_name, rng, size_px):
    font = ImageFont.truetype(FONTS[font_name], size_px)
    prose_font = ImageFont.truetype(FONTS["dejavu"], int(size_px * 0.8))
    pitch = font.getlength("0")
    line_height = int(size_px * rng.uniform(1.25, 1.45))
    margin = int(size_px * 3)
    width = int(margin * 2 + pitch * max([len(t) for kind, t in lines if kind == "mono"] + [0]))
    width = max(width, int(size_px * 0.5 * max(len(t) for kind, t in lines)) + 2 * margin)
    height = margin * 2 + line_height * len(lines)
    page = Image.new("L", (width, height), 255)
    draw = ImageDraw.Draw(page)
    ink = rng.randrange(0, 60)
    y = margin
    for kind, text in lines:
        if kind == "mono":
            # One character at a time on the grid, as a printer sets them.
            for k, ch in enumerate(text):
                if ch != " ":
                    draw.text((margin + k * pitch, y), ch, font=font, fill=ink)
        elif kind == "title":
            draw.text((margin, y), text, font=font, fill=ink)
        else:
            draw.text((margin, y), text, font=prose_font, fill=ink)
        y += line_height
    return page, (margin, line_height, pitch)


def stain(page, rng, geometry, mono_rows):
    """A coffee stain: a dark, uneven blot over a few characters of a data row."""
    margin, line_height, pitch = geometry
    row = rng.choice(mono_rows)
    cx = margin + pitch * rng.uniform(8, 24)
    cy = margin + line_height * row + line_height * 0.5
    r = pitch * rng.uniform(1.3, 2.0)
    blot = Image.new("L", page.size, 0)
    d = ImageDraw.Draw(blot)
    d.ellipse((cx - r, cy - r * 0.8, cx + r, cy + r * 0.8), fill=230)
    blot = blot.filter(ImageFilter.GaussianBlur(pitch * 0.2))
    brown = Image.new("L", page.size, 40)
    return Image.composite(brown, page, blot)


def blots(page, geometry, lines, data_rows):
    """Ink blots over the first digit of bytes +0 and +1 in the first two data
    rows: four characters at the corners of a rectangle, which the line and
    column sums cannot settle between them."""
    margin, line_height, pitch = geometry
    draw = ImageDraw.Draw(page)
    for row in data_rows[:2]:
        text = lines[row][1]
        starts = [k for k, ch in enumerate(text) if ch != " " and (k == 0 or text[k - 1] == " ")]
        for k in starts[1:3]:
            cx = margin + pitch * (k + 0.5)
            cy = margin + line_height * row + line_height * 0.45
            draw.ellipse((cx - pitch * 0.6, cy - line_height * 0.42, cx + pitch * 0.6,
                          cy + line_height * 0.42), fill=0)
    return page


def degrade(page, rng):
    """Blur, lighting, rotation, noise and JPEG, each at a random strength."""
    w, h = page.size
    page = page.filter(ImageFilter.GaussianBlur(rng.uniform(0.6, 1.6)))
    # Uneven lighting: a gradient that darkens the page towards one side.
    depth = rng.uniform(0.2, 0.45)
    light = Image.linear_gradient("L").resize((w, h))
    light = light.transpose(rng.choice([Image.ROTATE_90, Image.ROTATE_180, Image.ROTATE_270,
                                        Image.FLIP_LEFT_RIGHT])).resize((w, h))
    spot = Image.radial_gradient("L").resize((w, h))
    light = ImageChops.lighter(light, spot).point(lambda v: 255 - int(v * depth))
    page = ImageChops.multiply(page, light)
    page = page.rotate(rng.uniform(-1.5, 1.5), resample=Image.BICUBIC, expand=True,
                       fillcolor=int(235 * (1 - depth / 2)))
    noise = Image.effect_noise(page.size, rng.uniform(30, 60))
    page = Image.blend(page, noise, 0.12)
    out = io.BytesIO()
    page.save(out, "JPEG", quality=rng.randrange(35, 75))
    out.seek(0)
    return Image.open(out).convert("L")


def printout(page, rng):
    """A printout under a scanner: tilted a little, slightly soft, with
    specks of dirt, as a PNG or a good JPEG."""
    page = dot_matrix.speckle(page, rng, rng.randrange(20, 120))
    page = page.rotate(rng.uniform(-1.0, 1.0), resample=Image.BICUBIC, expand=True,
                       fillcolor=rng.randrange(225, 255))
    page = page.filter(ImageFilter.GaussianBlur(rng.uniform(0.2, 0.6)))
    noise = Image.effect_noise(page.size, rng.uniform(10, 30))
    page = Image.blend(page, noise, 0.06)
    if rng.random() < 0.5:
        return page
    out = io.BytesIO()
    page.save(out, "JPEG", quality=rng.randrange(70, 92))
    out.seek(0)
    return Image.open(out).convert("L")


def make_page(rng, convention, font_name, clean, special, rows=None, form="plain", zero="plain",
              cap=None):
    rows = rows or {"ohmz": 16, "ohx": 24, "plain": 24, "address-sum": 24}[convention]
    printed, truth, header = listing(convention, rng, rows, form)
    dots = font_name in DOT_FONTS
    title = "LIST %d  %s" % (rng.randrange(1, 9), rng.choice(dot_matrix.TITLE_WORDS))
    if dots:
        lines = [("title", title)] + ([("mono", header)] if rng.random() < 0.6 else [])
    else:
        lines = [("title", title), ("prose", rng.choice(PROSE)), ("blank", ""), ("mono", header)]
    data_rows = []
    dropped = None
    for i, text in enumerate(printed):
        if special == "dropped-row" and dropped is None and i > 2 and text[0] != "S" \
                and text[0] != "-" and rng.random() < 0.3:
            dropped = text
            continue
        if text[0] not in "S-":
            data_rows.append(len(lines))
        lines.append(("mono", text))
    if not dots:
        lines += [("blank", ""), ("prose", rng.choice(PROSE))]
    if special == "no-listing":
        lines = [("title", "CHAPTER 2")] + [("prose", rng.choice(PROSE)) for _ in range(12)]
        truth = []
    if dots:
        font = dot_matrix.DotFont(DOT_FONTS[font_name], zero)
        page, geometry = dot_matrix.render_lines([text for _, text in lines], font, rng, cap)
        return page if clean else printout(page, rng), truth, dropped
    size_px = rng.randrange(34, 42)
    page, geometry = render(lines, font_name, rng, size_px)
    if special == "stain":
        page = stain(page, rng, geometry, data_rows)
    if special == "blots":
        page = blots(page, geometry, lines, data_rows)
    if not clean:
        page = degrade(page, rng)
    return page, truth, dropped


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("outdir")
    parser.add_argument("count", type=int)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--clean", action="store_true")
    parser.add_argument("--conventions", default=",".join(CONVENTIONS))
    parser.add_argument("--fonts", default=",".join(FONTS))
    parser.add_argument("--special", choices=["stain", "dropped-row", "no-listing", "blots"])
    parser.add_argument("--rows", type=int, help="data rows per page")
    parser.add_argument("--forms", default="plain",
                        help="how the plain conventions print their sums: " + ",".join(FORMS))
    parser.add_argument("--zeros", default="plain", help="dot fonts' zero: plain,slashed,dotted")
    parser.add_argument("--caps", default="20", help="dot fonts' cap heights in pixels")
    args = parser.parse_args()
    os.makedirs(args.outdir, exist_ok=True)
    conventions = args.conventions.split(",")
    fonts = args.fonts.split(",")
    forms = args.forms.split(",")
    zeros = args.zeros.split(",")
    caps = [int(c) for c in args.caps.split(",")]
    for n in range(args.count):
        convention = conventions[n % len(conventions)]
        font_name = fonts[(n // len(conventions)) % len(fonts)]
        rng = random.Random(args.seed * 100003 + n)
        # Drawn from a generator of their own, so that the pages of the
        # fonts above stay as they were.
        pick = random.Random(args.seed * 7919 + n)
        form = pick.choice(forms) if convention in ("plain", "address-sum") else "plain"
        page, truth, dropped = make_page(rng, convention, font_name, args.clean, args.special,
                                          args.rows, form, pick.choice(zeros), pick.choice(caps))
        name = "%s-%s-%03d" % (convention, font_name, n)
        page.save(os.path.join(args.outdir, name + (".png" if args.clean else ".jpg")))
        with open(os.path.join(args.outdir, name + ".txt"), "w") as f:
            f.write("".join(line + "\n" for line in truth))
        with open(os.path.join(args.outdir, name + ".args"), "w") as f:
            f.write(" ".join(OPTIONS[convention]) + "\n")
        if dropped:
            with open(os.path.join(args.outdir, name + ".dropped"), "w") as f:
                f.write(dropped + "\n")


if __name__ == "__main__":
    main()
