"""Page images: a dot-matrix printout, a typeset listing sheet, a whole
magazine page, and a phone photo of any of them. Each builder returns the
image and a dict of what it chose, for the truth file."""

from PIL import Image, ImageDraw

import damage
import dotfont
import magazine
import typeset

PAPER_FILL = (246, 245, 240)


# ---------------------------------------------------------------- printout

def printout(rng, texts, font="8x8", zero="slashed", cap=20, line_pitch=None,
             strike=None, paper="fanfold", speckle=1.0, rotation=0.0,
             title=None, dot=None):
    """A listing from a dot-matrix printer: `texts` are the printed lines.
    Returns (image, info)."""
    f = dotfont.dot_font(font, zero)
    dot = dot if dot is not None else rng.uniform(0.7, 0.9)
    py = cap / (f.rows - 1 + dot)
    px = py * rng.uniform(0.85, 1.15)
    pr = dotfont.DotPrinter(rng, f, py, px, dot=dot, strike=strike,
                            ink=rng.uniform(0.85, 1.0))
    pitch = line_pitch or cap * rng.uniform(1.3, 1.6)
    lines = ([title, ""] if title else []) + list(texts)
    for t in lines:
        if not f.has(t):
            raise ValueError("dot font lacks a glyph of %r" % t)
    cw = pr.char_width()
    chars = max(len(t) for t in lines)
    side = int(cw * rng.uniform(6, 12))
    width = int(2 * side + cw * (chars + rng.randrange(4, 24)))
    top = int(pitch * rng.uniform(2.5, 5))
    height = int(top + pitch * (len(lines) + rng.uniform(2, 5)))
    ss = 3
    mask = dotfont.new_mask(width, height, ss)
    pr.draw_lines(mask, lines, side, top, pitch)
    mask = dotfont.shrink(mask, width, height)
    # A struck dot is dark at its centre; the shrink has spread it thin.
    mask = mask.point(lambda v: min(255, int(v * 1.45)))
    img = damage.paper(rng, width, height, paper, bar=3 * pitch)
    img = damage.ink_onto(img, mask, (rng.randrange(20, 50),) * 2 +
                          (rng.randrange(30, 60),))
    if speckle:
        img = damage.speckle(img, rng, int(width * height / 4000 * speckle))
    img = damage.blur(img, rng.uniform(0.2, 0.5))
    if rotation:
        img = damage.rotate(img, rotation, img.getpixel((2, 2)))
    info = {"kind": "printout", "dot_font": font, "zero": zero,
            "cap_height": round(pr.cap_height(), 1),
            "dot_pitch": [round(px, 2), round(py, 2)],
            "dot_share": round(dot, 2), "line_pitch": round(pitch, 1),
            "double_strike": list(strike) if strike else None,
            "paper": paper, "speckle": speckle, "rotation": round(rotation, 2)}
    return img, info


# ---------------------------------------------------------------- sheet

def sheet(rng, lines, font_name, cap, title=None, japanese=False,
          scan=True):
    """A typeset listing on a clean sheet, as a book or a magazine's listing
    page prints it. Returns (image, info)."""
    ft = typeset.font_for_cap(font_name, cap)
    adv = typeset.digit_advance(ft) * rng.uniform(1.0, 1.15)
    pitch = cap * rng.uniform(1.5, 1.9)
    chars = max(len(l.text) for l in lines)
    margin = int(cap * rng.uniform(3, 5))
    width = int(2 * margin + chars * adv + cap * rng.uniform(0, 10))
    head = pitch * 3 if title else 0
    height = int(2 * margin + head + len(lines) * pitch)
    img = damage.paper(rng, width, height, rng.choice(["white", "cream"]))
    draw = ImageDraw.Draw(img)
    y = margin
    if title:
        tf = typeset.font("ipa-gothic" if japanese else
                          "dejavu-sans-bold", int(cap * 1.5))
        draw.text((margin, y), title, font=tf, fill=(25, 25, 25))
        y += head
    typeset.draw_listing_grid(img, lines, ft, margin, y, pitch, adv=adv)
    rotation = 0.0
    if scan:
        rotation = rng.uniform(-0.4, 0.4)
        img = damage.blur(img, rng.uniform(0.3, 0.7))
        img = damage.rotate(img, rotation, img.getpixel((2, 2)))
        img = damage.add_noise(img, rng, rng.uniform(2, 5))
    info = {"kind": "sheet", "font": font_name, "cap_height": cap,
            "advance": round(adv, 2), "line_pitch": round(pitch, 1),
            "rotation": round(rotation, 2)}
    return img, info


# ---------------------------------------------------------------- magazine

def magazine_page(rng, make_listing, japanese, boxed, spaced,
                  listing_font, cap, size=(1800, 2540)):
    """A two-column magazine page with the listing in one column.
    `make_listing(rows)` builds the listing for the room found. Returns
    (image, listing, printed lines, info)."""
    img = damage.paper(rng, size[0], size[1], "white")
    p, cols = magazine.frame(rng, img, japanese)
    which = rng.randrange(2)
    lcol = cols[which]
    # Some prose above the listing now and then.
    if rng.random() < 0.5:
        p.paragraph(lcol, max_lines=rng.randrange(3, 8))
    setter = None
    if spaced:
        ft = typeset.font_for_cap(listing_font, cap)
        setter = typeset.SpacedSetter(ft, rng.uniform(0.35, 0.6),
                                      rng.uniform(0.9, 1.4))
    rows = min(40, max(6, magazine.listing_room(p, lcol, cap)))
    lst = make_listing(rows)
    while len(lst.lines) * cap * 1.85 + cap * 4 > lcol.room() - \
            p.body.size * 2 and rows > 4:
        rows -= 1
        lst = make_listing(rows)
    setter, cap = _fit_listing(lst, setter, listing_font, cap, lcol.width)
    printed = magazine.listing_block(p, lcol, lst, boxed, setter,
                                     listing_font, cap)
    p.fill(lcol)
    p.fill(cols[1 - which])
    rotation = rng.uniform(-0.7, 0.7)
    img = damage.blur(img, rng.uniform(0.3, 0.8))
    img = damage.rotate(img, rotation, img.getpixel((2, 2)))
    img = damage.add_noise(img, rng, rng.uniform(2, 6))
    info = {"kind": "magazine", "prose": "ja" if japanese else "en",
            "boxed": boxed, "spaced_digits": bool(spaced),
            "listing_font": listing_font, "cap_height": cap,
            "listing_column": ["left", "right"][which],
            "rotation": round(rotation, 2)}
    return img, lst, printed, info


def _fit_listing(lst, setter, listing_font, cap, width):
    """The setter and cap height at which the listing fits a column
    `width` wide."""
    if setter:
        # Narrower gaps first, then smaller type, until the listing fits
        # the column.
        gaps = [(setter.dgap / setter.ft.size, setter.bgap / setter.ft.size),
                (0.4, 0.9), (0.3, 0.75)]
        k = 0
        while setter.width(lst.per_row, lst.conv != "none") > \
                width - cap * 2 and cap > 12:
            k += 1
            if k >= len(gaps):
                cap -= 1
            ft = typeset.font_for_cap(listing_font, cap)
            setter = typeset.SpacedSetter(ft, *gaps[min(k, len(gaps) - 1)])
    else:
        # Smaller type until the listing at its widest advance, with the
        # margins around it, fits the column: a magazine never prints a
        # listing past its column into the gutter.
        while cap > 12 and magazine.grid_listing_width(
                lst, listing_font, cap) > width:
            cap -= 1
    return setter, cap


def boxed_crop(rng, make_listing, japanese, spaced, listing_font, cap,
               above="box", size=(1800, 2540)):
    """A listing's ruled box cut out of a magazine page by hand, as a user
    crops it: the box alone (`above` "box"), with its caption ("caption"),
    or with the caption and a few lines of prose above ("para"); no prose
    beside it. Returns (image, listing, printed lines, info)."""
    img = damage.paper(rng, size[0], size[1], "white")
    p, cols = magazine.frame(rng, img, japanese)
    col = cols[rng.randrange(2)]
    top = col.y
    if above == "para":
        p.paragraph(col, max_lines=rng.randrange(2, 5))
    caption_top = col.y
    setter = None
    if spaced:
        ft = typeset.font_for_cap(listing_font, cap)
        setter = typeset.SpacedSetter(ft, rng.uniform(0.35, 0.6),
                                      rng.uniform(0.9, 1.4))
    lst = make_listing(rng.randrange(10, 30))
    setter, cap = _fit_listing(lst, setter, listing_font, cap, col.width)
    printed = magazine.listing_block(p, col, lst, True, setter,
                                     listing_font, cap)
    left, box_top, right, bottom = p.listing_box
    first = {"box": box_top, "caption": caption_top, "para": top}[above]
    if above == "para":
        right = max(right, col.x + col.width)
    margin = [rng.randrange(6, 40) for _ in range(4)]
    img = img.crop((max(0, left - margin[0]), max(0, int(first) - margin[1]),
                    min(size[0], right + margin[2]),
                    min(size[1], bottom + margin[3])))
    rotation = rng.uniform(-1.0, 1.0)
    img = damage.blur(img, rng.uniform(0.3, 0.8))
    img = damage.rotate(img, rotation, img.getpixel((2, 2)))
    img = damage.add_noise(img, rng, rng.uniform(2, 6))
    info = {"kind": "boxed", "above": above, "prose": "ja" if japanese
            else "en", "spaced_digits": bool(spaced),
            "listing_font": listing_font, "cap_height": cap,
            "rotation": round(rotation, 2)}
    return img, lst, printed, info


# ---------------------------------------------------------------- photo

def photo(rng, page, keystone=0.05, rotation=0.0, curve=False, light=0.65,
          blur=0.8, noise=6.0, frame=1.0):
    """A phone photo of `page`: the sheet lies on a desk, seen at an angle
    (keystone), turned, curving into the gutter, unevenly lit, soft and
    noisy. Returns (image, info)."""
    w, h = page.size
    border = int(max(w, h) * 0.06 * frame)
    desk = tuple(rng.randrange(60, 120) for _ in range(3))
    if curve:
        side = rng.choice(["left", "right"])
        page = damage.gutter_curve(page, side, rng.uniform(0.012, 0.025) * h,
                                   rng.uniform(0.15, 0.25), desk)
    canvas = Image.new("RGB", (w + 2 * border, h + 2 * border), desk)
    canvas = damage.add_noise(canvas, rng, 8)
    canvas.paste(page, (border, border))
    canvas, edge = damage.keystone(canvas, keystone, rng, desk)
    canvas = damage.rotate(canvas, rotation, desk)
    canvas = damage.uneven_light(canvas, rng, low=light)
    canvas = damage.blur(canvas, blur)
    canvas = damage.add_noise(canvas, rng, noise)
    info = {"keystone": keystone, "keystone_edge": edge,
            "rotation": round(rotation, 2),
            "gutter_curve": side if curve else None,
            "light_low": round(light, 2), "blur": round(blur, 2),
            "noise": round(noise, 1)}
    return canvas, info
