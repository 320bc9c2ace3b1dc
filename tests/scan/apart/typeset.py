"""Typeset listings: TrueType fonts from this machine, sized by cap height,
the listing laid on a fixed character grid or, for magazines that set
listings in proportional type, with the two digits of each byte standing
apart and wider gaps between the bytes."""

import os

from PIL import ImageDraw, ImageFont

_DIRS = ["/usr/share/fonts/truetype", "/usr/share/fonts/opentype"]

# name: (file, proportional)
FONT_FILES = {
    "dejavu-mono": ("dejavu/DejaVuSansMono.ttf", False),
    "dejavu-mono-bold": ("dejavu/DejaVuSansMono-Bold.ttf", False),
    "dejavu-sans": ("dejavu/DejaVuSans.ttf", True),
    "dejavu-serif": ("dejavu/DejaVuSerif.ttf", True),
    "dejavu-sans-bold": ("dejavu/DejaVuSans-Bold.ttf", True),
    "ocr-a": ("ocr-a/OCRA.ttf", False),
    "terminus": ("terminus/TerminusTTF-4.46.0.ttf", False),
    "dotgothic": ("dotgothic16/DotGothic16-Regular.ttf", False),
    "ipa-gothic": ("ipafont-gothic/ipag.ttf", False),
    "ipa-pgothic": ("ipafont-gothic/ipagp.ttf", True),
}

LISTING_FONTS = ["dejavu-mono", "dejavu-mono-bold", "dejavu-sans",
                 "dejavu-serif", "ocr-a", "terminus", "dotgothic",
                 "ipa-gothic"]


def font_path(name):
    rel = FONT_FILES[name][0]
    for d in _DIRS:
        p = os.path.join(d, rel)
        if os.path.exists(p):
            return p
    raise FileNotFoundError("font %s (%s) is not installed" % (name, rel))


def available(names):
    out = []
    for n in names:
        try:
            font_path(n)
            out.append(n)
        except FileNotFoundError:
            pass
    return out


_cache = {}


def font(name, size):
    key = (name, int(size))
    if key not in _cache:
        _cache[key] = ImageFont.truetype(font_path(name), int(size))
    return _cache[key]


def font_for_cap(name, cap):
    """The font at the size whose capital H is `cap` px tall."""
    probe = font(name, 200)
    top, bottom = probe.getbbox("H")[1], probe.getbbox("H")[3]
    size = max(6, round(cap * 200 / (bottom - top)))
    return font(name, size)


def cap_top(ft):
    """Offset from the draw origin to the top of a capital."""
    return ft.getbbox("H")[1]


def digit_advance(ft):
    return max(ft.getlength(c) for c in "0123456789ABCDEF")


class GridSetter:
    """Places characters on a fixed grid: column c at x0 + c * adv, each
    glyph centred in its cell (so proportional faces line up too)."""

    def __init__(self, ft, adv):
        self.ft = ft
        self.adv = adv

    def draw(self, draw, text, x0, y, fill):
        top = cap_top(self.ft)
        for c, ch in enumerate(text):
            if ch == " ":
                continue
            w = self.ft.getlength(ch)
            draw.text((x0 + c * self.adv + (self.adv - w) / 2, y - top), ch,
                      font=self.ft, fill=fill)

    def width(self, text):
        return len(text) * self.adv


class SpacedSetter:
    """Magazine type: a proportional face, the two digits of each byte set
    apart by `digit_gap` and the bytes by `byte_gap` (both in em). Works on
    a line's cells: the address and labels are set as words, every
    two-digit cell as two digits standing apart."""

    def __init__(self, ft, digit_gap=0.45, byte_gap=1.1, addr_gap=1.4):
        self.ft = ft
        em = ft.size
        self.dadv = digit_advance(ft)
        self.dgap = digit_gap * em
        self.bgap = byte_gap * em
        self.agap = addr_gap * em
        self.slot = 2 * self.dadv + self.dgap + self.bgap
        self.addr_w = max(ft.getlength("ADRS"), 4 * self.dadv)

    def slot_x(self, k):
        return self.addr_w + self.agap + k * self.slot

    def width(self, per_row, with_sum):
        """Width of a row; with sums, room for a four-digit total set
        compact in the sum column."""
        if not with_sum:
            return self.slot_x(per_row) - self.bgap
        return self.slot_x(per_row) + 4 * self.dadv

    def draw_line(self, draw, line, x0, y, fill, per_row):
        top = cap_top(self.ft)
        for i, (_, text) in enumerate(line.cells):
            if i == 0:
                draw.text((x0, y - top), text, font=self.ft, fill=fill)
                continue
            k = i - 1
            x = x0 + self.slot_x(k)
            if line.kind == "header":
                w = self.ft.getlength(text)
                cx = x + self.dadv + self.dgap / 2
                draw.text((cx - w / 2, y - top), text, font=self.ft,
                          fill=fill)
            elif len(text) == 2 and k <= per_row:
                for j, ch in enumerate(text):
                    w = self.ft.getlength(ch)
                    dx = j * (self.dadv + self.dgap) + (self.dadv - w) / 2
                    draw.text((x + dx, y - top), ch, font=self.ft,
                              fill=fill)
            else:
                draw.text((x, y - top), text, font=self.ft, fill=fill)


def spaced_text(line, per_row):
    """The printed text of a line set by SpacedSetter: digits of a byte
    one blank apart, bytes two blanks apart."""
    parts = []
    for i, (_, text) in enumerate(line.cells):
        if i > 0 and len(text) == 2 and line.kind != "header" and \
                i - 1 <= per_row:
            parts.append(text[0] + " " + text[1])
        else:
            parts.append(text)
    return "  ".join(parts)


def draw_listing_grid(img, lines, ft, x0, y0, pitch, fill=(20, 20, 24),
                      adv=None):
    """Draws the listing's printed lines on a character grid; returns the
    grid (x0, y0, adv, pitch) and the bottom y."""
    adv = adv or digit_advance(ft) * 1.05
    setter = GridSetter(ft, adv)
    draw = ImageDraw.Draw(img)
    y = y0
    for line in lines:
        setter.draw(draw, line.text, x0, y, fill)
        y += pitch
    return adv, y


def text_block(draw, x, y, text, ft, fill):
    draw.text((x, y - cap_top(ft)), text, font=ft, fill=fill)
