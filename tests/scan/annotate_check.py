#!/usr/bin/python3
"""Judges `tsypatch scan --annotate` on a page drawn here, apart from the
scan code: a plain listing of two blocks set in DejaVu Sans Mono on a known
grid, with ink blots over four digits of the first block that its sums
cannot settle between them (the corners of a rectangle), its data drawn
from SEED (default 1); or, unblotted, the same grid of data lines with no
sums at all, and their text. With `spaced`, the blotted page is set as
magazines set listings: the two digits of a byte apart and wider gaps
between bytes, with a column of prose beside it; with `spaced-alone`, so
set without the prose, as a user crops the listing out of its page.

    annotate_check.py render PAGE.png [SEED] [spaced | spaced-alone]
    annotate_check.py render-unsummed PAGE.png TRUTH.txt
    annotate_check.py judge PAGE.png ANNOTATED.png REPORT [spaced]

`judge` looks at the colours of the annotated page against the scan's
report (its standard error, UTF-8): a red frame around each character the
report names in doubt (some in each blotted row), an orange frame and no
green around each line holding one, a green frame and no red around every
other line, and no mark at all in the title. Needs Debian's python3-pil (run with /usr/bin/python3)."""
import random
import re
import sys

from PIL import Image, ImageDraw, ImageFont

FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf"
SIZE = 36
LINE = 50
MARGIN = 100
START = 0x4A00
BLOTTED = [(0, 0), (0, 1), (1, 0), (1, 1)]  # (data row, byte): its first digit
# Set spaced: the address as on the grid, then each character of a token
# this many pitches from the next and each blank this many.
SPACED = False
ALONE = False
WITHIN = 1.6
BLANK = 1.5


def listing(sums=True, seed=1):
    """The listing's lines; without `sums`, its data lines alone, with no
    checksum."""
    rng = random.Random(seed)
    lines = []
    if not sums:
        for r in range(16):
            data = [rng.randrange(256) for _ in range(8)]
            lines.append("%04X  %s" % (START + r * 8, " ".join("%02X" % d for d in data)))
        return lines
    for block in range(2):
        columns = [0] * 8
        for r in range(8):
            address = START + (block * 8 + r) * 8
            data = [rng.randrange(256) for _ in range(8)]
            columns = [c + d for c, d in zip(columns, data)]
            lines.append("%04X  %s  %02X" % (address, " ".join("%02X" % d for d in data),
                                               sum(data) & 0xFF))
        lines.append("SUM  %s %04X" % (" ".join("%02X" % (c & 0xFF) for c in columns),
                                        sum(columns) & 0xFFFF))
    return lines


def pitch():
    return ImageFont.truetype(FONT, SIZE).getlength("0")


def column_x(column, text):
    """The left of character `column` of line `text` as drawn."""
    if not SPACED:
        return MARGIN + column * pitch()
    x = MARGIN
    first = text.index(" ")
    for j in range(column):
        if j < first:
            x += pitch()
        elif j == first:  # the bytes from one place in every line
            x = MARGIN + 5.5 * pitch()
        elif text[j] == " ":
            x += BLANK * pitch()
        else:
            x += (WITHIN if text[j + 1] != " " else 1) * pitch()
    return x


def row_top(line):
    """The top of text line `line` (0: the title)."""
    return MARGIN + LINE * line


def data_line(row):
    """The text line of data row `row` (from 0): the title, a blank, then
    the listing with its SUM lines."""
    return 2 + row + row // 8


def cell_box(row, column):
    """The box of character `column` of data row `row`, as drawn."""
    p = pitch()
    left = column_x(column, listing()[data_line(row) - 2])
    top = row_top(data_line(row))
    return (int(left), top, int(left + p), top + LINE)


def byte_column(byte):
    return 6 + 3 * byte


PROSE_FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
PROSE = ("type the bytes in with the monitor, then save them to tape before you run "
         "the game; the sums at the end of each line and the totals below every eight "
         "lines show where a byte was typed wrong, so check them as you go along").split()


def render(path, sums=True, seed=1):
    lines = listing(sums, seed)
    font = ImageFont.truetype(FONT, SIZE)
    width = int(MARGIN + max(column_x(len(t) - 1, t) + pitch() for t in lines))
    prose_left = width + MARGIN
    if SPACED and not ALONE:
        width = prose_left + 480 + MARGIN
    page = Image.new("L", (width, MARGIN * 2 + LINE * (len(lines) + 3)), 255)
    draw = ImageDraw.Draw(page)
    draw.text((MARGIN, row_top(0)), "LIST 3  MUSIC", font=font, fill=0)
    for i, text in enumerate(lines):
        for k, ch in enumerate(text):
            if ch != " ":
                draw.text((column_x(k, text), row_top(2 + i)), ch, font=font, fill=0)
    if SPACED and not ALONE:
        prose = ImageFont.truetype(PROSE_FONT, 24)
        words = list(PROSE)
        for line in range(len(lines)):
            text = ""
            while words and prose.getlength(text + " " + words[0]) < 480:
                text = (text + " " + words.pop(0)).strip()
            words = words or list(PROSE)
            draw.text((prose_left, row_top(2 + line) + 4), text, font=prose, fill=0)
    for row, byte in BLOTTED if sums else []:
        left, top, right, bottom = cell_box(row, byte_column(byte))
        draw.ellipse((left - 2, top + 4, right + 2, top + 40), fill=0)
    page.save(path)


def count(pixels, box, kind):
    left, top, right, bottom = box
    n = 0
    for y in range(max(top, 0), bottom):
        for x in range(max(left, 0), right):
            r, g, b = pixels[x, y][:3]
            if kind == "red":
                n += r > 170 and g < 70 and b < 70
            elif kind == "green":
                n += g > 110 and r < 70 and b < 70
            elif kind == "orange":
                n += r > 200 and 100 < g < 180 and b < 60
            elif kind == "any":
                n += max(r, g, b) - min(r, g, b) > 60
    return n


DOUBT = re.compile(r"(\d+)行目 アドレス:\S+ (.+) の(\d+)文字目 . は不確か")


def doubts(report):
    """(line, column) of each character the report names in doubt, the line
    from 0 in the listing, the column in its text."""
    found = set()
    for text in open(report, encoding="utf-8", errors="replace"):
        m = DOUBT.search(text)
        if not m:
            continue
        line, field, char = int(m.group(1)) - 1, m.group(2), int(m.group(3)) - 1
        is_sum = listing()[line].startswith("SUM")
        if field == "アドレス":
            column = 0
        elif field == "チェックサム":
            column = 31
        elif field == "合計":
            column = 29
        else:
            column = (5 if is_sum else 6) + 3 * int(field.split("+")[1], 16)
        found.add((line, column + char))
    return found


def judge(page_path, annotated_path, report):
    page = Image.open(page_path)
    annotated = Image.open(annotated_path).convert("RGB")
    if annotated.size != page.size:
        print("annotate: size %s, the page's %s" % (annotated.size, page.size))
        return False
    pixels = annotated.load()
    width = annotated.size[0]
    p = int(pitch())
    named = doubts(report)
    failures = []
    # Each blotted row holds two blots that the sums cannot tell from those
    # of the other row: neither may be called verified.
    for row in sorted({row for row, _ in BLOTTED}):
        if not any(line == data_line(row) - 2 for line, _ in named):
            failures.append("the report names nothing in blotted line %d" % (data_line(row) - 1))
    for line, column in sorted(named):
        left = int(column_x(column, listing()[line]))
        top = row_top(2 + line)
        # The frame's edges left and right of the character, at its middle.
        for x in (left - p // 3, left + p - p // 3):
            if count(pixels, (x, top + 15, x + 2 * p // 3, top + 25), "red") == 0:
                failures.append("no red frame at line %d, column %d" % (line + 1, column + 1))
                break
    for line in range(len(listing())):
        # The ink of the line, inside its row frame's top and bottom.
        top = row_top(2 + line)
        band = (0, top + 10, width, top + 30)
        if any(l == line for l, _ in named):
            if count(pixels, band, "green") > 0 or count(pixels, band, "orange") < 40:
                failures.append("line %d in doubt not framed orange alone" % (line + 1))
        elif count(pixels, band, "red") > 0 or count(pixels, band, "green") < 40:
            failures.append("line %d not framed green alone" % (line + 1))
    if count(pixels, (0, 0, width, row_top(1)), "any") > 0:
        failures.append("marks in the title")
    for failure in failures:
        print("annotate:", failure)
    return not failures


if __name__ == "__main__":
    if sys.argv[-1] in ("spaced", "spaced-alone"):
        SPACED = True
        ALONE = sys.argv.pop() == "spaced-alone"
    if sys.argv[1] == "render":
        render(sys.argv[2], seed=int(sys.argv[3]) if len(sys.argv) > 3 else 1)
    elif sys.argv[1] == "render-unsummed":
        render(sys.argv[2], sums=False)
        with open(sys.argv[3], "w") as truth:
            # In the layout the scan writes: one space after the address.
            truth.write("".join(line.replace("  ", " ", 1) + "\n" for line in listing(False)))
    else:
        sys.exit(0 if judge(sys.argv[2], sys.argv[3], sys.argv[4]) else 1)
