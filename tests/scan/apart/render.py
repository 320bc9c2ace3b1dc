#!/usr/bin/python3
"""Renders page images of hex-dump listings, each with a truth file, for
judging `tsypatch scan` with pages it has never seen.

    render.py OUTDIR [--categories a,b] [--per-category N] [--seed S]
                     [--verify-with TSYPATCH]

Categories: dotmatrix, typeset, magazine, boxed, photo, multi (README.md next to
this file describes each, and the truth format)."""

import argparse
import json
import os
import random
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True  # leave no caches in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import content  # noqa: E402
import pages  # noqa: E402
import typeset  # noqa: E402
from content import Listing  # noqa: E402

CATEGORIES = ["dotmatrix", "typeset", "magazine", "boxed", "photo",
              "multi"]
CONVENTIONS = ["plain", "address-sum", "lower-address", "ohmz", "ohx", "none"]

PRINTOUT_TITLES = ["* DUMP LIST *", "MEMORY DUMP", "** HEX DUMP **",
                   "PROGRAM: INVADE", "LIST 1", "OBJECT CODE LIST",
                   "-- MONITOR DUMP --"]


class Image_:
    """One rendered image and what it holds."""

    def __init__(self, img, info, listings, printed, fmt="png"):
        self.img = img
        self.info = info
        self.listings = listings   # [(Listing, first line, end line)]
        self.printed = printed     # printed lines, as drawn
        self.fmt = fmt


def _lines_of(parts):
    out = []
    for lst, a, b in parts:
        out.extend(lst.lines[a:b])
    return out


def _rows_of(parts):
    rows = []
    for lst, a, b in parts:
        for line in lst.lines[a:b]:
            if line.kind == "data":
                rows.append({"address": "%04X" % line.address,
                             "bytes": " ".join("%02X" % v
                                               for v in line.values)})
    return rows


# ---------------------------------------------------------------- categories

def dotmatrix(rng, i):
    fonts = ["5x7", "7x9", "8x8"]
    caps = [16, 20, 28]
    sums = ["colon", "paren", "bracket", "plain"]
    totals = [("SUM:", "colon2"), ("SUM:", "colon4"), ("SUM", "four"),
              ("SUM:", "four")]
    vintage = i % 5 == 4
    if vintage:
        # The 1980s printout: 8x8 font, slashed zeros, speckle, 22 px row
        # pitch, ':21' line sums and 'SUM:' lines with a colon total.
        font, zero, cap, pitch = "8x8", "slashed", 16, 22.0
        style = {"line_sum": "colon", "sum_label": "SUM:",
                 "total": rng.choice(["colon2", "colon4"]), "gap_addr": 1,
                 "mid_gap": False, "blank_after_block": False}
        conv, speck = "plain", rng.uniform(1.5, 2.5)
        strike = None
    else:
        font = fonts[i % 3]
        cap = caps[(i // 3) % 3]
        zero = ["slashed", "dotted"][i % 2]
        pitch = None
        label, total = totals[(i // 2) % 4]
        style = {"line_sum": sums[i % 4], "sum_label": label,
                 "total": total}
        conv = "address-sum" if i % 7 == 6 else "plain"
        speck = rng.uniform(0.3, 1.5)
        strike = (round(rng.uniform(0.25, 0.5), 2),
                  round(rng.uniform(0.0, 0.15), 2)) \
            if (i // 2) % 2 == 1 else None
    per_row = 16 if (not vintage and font == "5x7" and cap == 16 and
                     rng.random() < 0.5) else 8
    rows = rng.randrange(14, 34) if per_row == 8 else rng.randrange(8, 16)
    start = content.pick_start(rng, rows * per_row)
    lst = Listing(rng, conv, start, per_row, rows, style)
    title = rng.choice(PRINTOUT_TITLES) if rng.random() < 0.6 else None
    img, info = pages.printout(
        rng, [l.text for l in lst.lines], font=font, zero=zero, cap=cap,
        line_pitch=pitch, strike=strike,
        paper=rng.choice(["fanfold", "fanfold", "cream", "white"]),
        speckle=speck, rotation=rng.uniform(-1.5, 1.5), title=title)
    info["vintage_look"] = vintage
    return [Image_(img, info, [(lst, 0, len(lst.lines))],
                   [l.text for l in lst.lines])]


def typeset_listing(rng, i):
    """The listing, font and title of typeset page `i`: fonts and
    conventions taken in turn, 8 and 16 bytes a row."""
    fonts = typeset.available(typeset.LISTING_FONTS)
    font = fonts[i % len(fonts)]
    conv = CONVENTIONS[i % len(CONVENTIONS)]
    per_row = [8, 16][(i // len(CONVENTIONS)) % 2]
    if conv == "ohmz" and rng.random() < 0.5:
        per_row = 16
    rows = rng.randrange(12, 40) if per_row == 8 else rng.randrange(6, 20)
    start = content.pick_start(rng, rows * per_row)
    lst = Listing(rng, conv, start, per_row, rows)
    japanese = rng.random() < 0.5
    title = rng.choice(["リスト1 ダンプリスト", "リスト2 マシン語部分",
                        "ダンプリスト"]) if japanese else \
        rng.choice(["List 1: machine code", "Hex dump", "Listing 2"])
    return lst, font, title, japanese


def typeset_page(rng, i):
    lst, font, title, japanese = typeset_listing(rng, i)
    cap = rng.choice([18, 20, 22, 24, 26])
    img, info = pages.sheet(rng, lst.lines, font, cap, title, japanese)
    return [Image_(img, info, [(lst, 0, len(lst.lines))],
                   [l.text for l in lst.lines])]


def magazine_page(rng, i):
    kinds = ["jp-grid", "en-boxed", "spaced-none", "none-grid",
             "jp-boxed", "en-grid", "spaced-sum"]
    kind = kinds[i % len(kinds)]
    japanese = kind.startswith("jp") or (not kind.startswith("en") and
                                         rng.random() < 0.6)
    spaced = kind.startswith("spaced")
    boxed = "boxed" in kind or (spaced and rng.random() < 0.7)
    if kind in ("spaced-none", "none-grid"):
        conv = "none"
    elif spaced:
        conv = "plain"
    else:
        conv = rng.choice(["plain", "plain", "address-sum", "ohx", "ohmz",
                           "lower-address"])
    if spaced:
        font = rng.choice(typeset.available(["ipa-pgothic", "dejavu-sans",
                                             "dejavu-serif"]))
    else:
        font = rng.choice(typeset.available(["dejavu-mono", "ipa-gothic",
                                             "ocr-a", "dejavu-sans",
                                             "terminus"]))
    cap = rng.choice([18, 20, 22, 24])
    start = content.pick_start(rng, 0x200)
    style = {"header": boxed, "mid_gap": False, "blank_after_block": False,
             "gap_addr": 2 if boxed else rng.choice([1, 2])}
    if conv == "ohx":
        style["gap_addr"] = 1
    seed = rng.random()

    def make(rows):
        return Listing(random.Random(seed), conv, start, 8, rows, style)

    img, lst, printed, info = pages.magazine_page(
        rng, make, japanese, boxed, spaced, font, cap)
    info["layout"] = kind
    return [Image_(img, info, [(lst, 0, len(lst.lines))], printed)]


def boxed_page(rng, i):
    kinds = [("spaced", "sum", "box"), ("grid", "sum", "caption"),
             ("spaced", "none", "para"), ("spaced", "sum", "caption"),
             ("grid", "none", "box"), ("spaced", "sum", "para"),
             ("grid", "sum", "para"), ("spaced", "none", "box")]
    setting, sums, above = kinds[i % len(kinds)]
    spaced = setting == "spaced"
    japanese = rng.random() < 0.6
    if sums == "none":
        conv = "none"
    elif spaced:
        conv = "plain"
    else:
        conv = rng.choice(["plain", "plain", "address-sum", "ohx"])
    if spaced:
        font = rng.choice(typeset.available(["ipa-pgothic", "dejavu-sans",
                                             "dejavu-serif"]))
    else:
        font = rng.choice(typeset.available(["dejavu-mono", "ipa-gothic",
                                             "ocr-a", "dejavu-sans"]))
    cap = rng.choice([18, 20, 22, 24, 26])
    start = content.pick_start(rng, 0x200)
    style = {"header": True, "mid_gap": False, "blank_after_block": False,
             "gap_addr": 2}
    if conv == "ohx":
        style["gap_addr"] = 1
    seed = rng.random()

    def make(rows):
        return Listing(random.Random(seed), conv, start, 8, rows, style)

    img, lst, printed, info = pages.boxed_crop(
        rng, make, japanese, spaced, font, cap, above)
    info["layout"] = "-".join((setting, sums, above))
    return [Image_(img, info, [(lst, 0, len(lst.lines))], printed)]


def photo_page(rng, i):
    keystones = [0.02, 0.05, 0.08]
    if i % 4 == 3:
        sub = dotmatrix(rng, rng.choice([3, 5, 6, 7, 8]))[0]
        page, parts, printed, base = sub.img, sub.listings, sub.printed, \
            sub.info
    else:
        lst, font, title, japanese = typeset_listing(rng, rng.randrange(60))
        cap = rng.choice([20, 22, 24, 26, 28])
        page, base = pages.sheet(rng, lst.lines, font, cap,
                                 title if rng.random() < 0.5 else None,
                                 japanese, scan=False)
        parts, printed = [(lst, 0, len(lst.lines))], \
            [l.text for l in lst.lines]
    img, info = pages.photo(
        rng, page, keystone=keystones[i % 3],
        rotation=rng.choice([-1, 1]) * rng.uniform(0.5, 5.0),
        curve=i % 2 == 1, light=rng.uniform(0.55, 0.8),
        blur=rng.uniform(0.5, 1.3), noise=rng.uniform(4, 10))
    info["page"] = base
    jpeg = 50 if i % 3 != 2 else rng.choice([60, 75, 90])
    info["jpeg_quality"] = jpeg
    return [Image_(img, info, parts, printed, fmt="jpg:%d" % jpeg)]


def _split_points(lst, parts, mid_block):
    """Line indexes where a listing is cut into `parts` pieces: after a
    check line, or (mid_block) after any data line."""
    ok = []
    for k, line in enumerate(lst.lines[:-1]):
        nxt = lst.lines[k + 1]
        if mid_block and line.kind == "data" and nxt.kind == "data":
            ok.append(k + 1)
        elif not mid_block and line.kind in ("sum", "dash") or \
                (lst.conv == "none" and line.kind == "data" and
                 nxt.kind == "data"):
            ok.append(k + 1)
    n = len(lst.lines)
    cuts = []
    for p in range(1, parts):
        want = n * p / parts
        cuts.append(min(ok, key=lambda k: abs(k - want)))
    return sorted(set(cuts))


def multi(rng, i):
    conv = rng.choice(["plain", "plain", "address-sum", "ohx", "ohmz",
                       "none"])
    dot = rng.random() < 0.35 and conv in ("plain", "address-sum")
    font = rng.choice(typeset.available(typeset.LISTING_FONTS))
    cap = rng.choice([20, 22, 24])
    per_row = 8
    if i % 2 == 0:
        # One listing over 2 or 3 images, handed over in shuffled order.
        parts = rng.choice([2, 3])
        rows = rng.randrange(14 * parts, 22 * parts)
        start = content.pick_start(rng, rows * per_row)
        lst = Listing(rng, conv, start, per_row, rows,
                      {"block_rows": 8, "blank_after_block": False})
        mid = rng.random() < 0.35
        cuts = [0] + _split_points(lst, parts, mid) + [len(lst.lines)]
        images = []
        for k in range(len(cuts) - 1):
            a, b = cuts[k], cuts[k + 1]
            texts = [l.text for l in lst.lines[a:b]]
            if dot:
                img, info = pages.printout(
                    rng, texts, font="8x8", zero="slashed", cap=20,
                    rotation=rng.uniform(-1, 1), speckle=0.8)
            else:
                title = "LIST 1 (%d/%d)" % (k + 1, len(cuts) - 1) \
                    if rng.random() < 0.5 else None
                img, info = pages.sheet(rng, lst.lines[a:b], font, cap,
                                        title)
            info["split_mid_block"] = mid
            images.append(Image_(img, info, [(lst, a, b)], texts))
        return images
    # Two listings on one page, one under the other.
    first = Listing(rng, conv, content.pick_start(rng, 0x100), per_row,
                    rng.randrange(6, 14), {"blank_after_block": False})
    start2 = content.pick_start(rng, 0x100)
    while abs(start2 - first.start) < 0x400:
        start2 = (start2 + 0x1000) & 0xFFFF
    second = Listing(rng, conv, start2, per_row, rng.randrange(6, 14),
                     first.style)
    gap = content.Line("blank", "")
    lines = list(first.lines) + [gap, gap] + list(second.lines)
    if dot:
        img, info = pages.printout(rng, [l.text for l in lines], font="7x9",
                                   zero="dotted", cap=20, speckle=0.5)
    else:
        img, info = pages.sheet(rng, lines, font, cap, None)
    printed = [l.text for l in lines]
    return [Image_(img, info, [(first, 0, len(first.lines)),
                               (second, 0, len(second.lines))], printed)]


BUILDERS = {"dotmatrix": dotmatrix, "typeset": typeset_page,
            "magazine": magazine_page, "boxed": boxed_page,
            "photo": photo_page, "multi": multi}


# ---------------------------------------------------------------- output

def _save(img, path, fmt):
    if fmt.startswith("jpg"):
        img.save(path, "JPEG", quality=int(fmt.split(":")[1]))
    else:
        img.save(path, "PNG", optimize=False)


def render_case(outdir, category, index, seed):
    rng = random.Random("%s:%s:%d" % (seed, category, index))
    images = BUILDERS[category](rng, index)
    case = "%s-%03d" % (category, index)
    order = list(range(len(images)))
    given = list(order)
    if len(images) > 1:
        while given == order:
            rng.shuffle(given)
    names = []
    for k, im in enumerate(images):
        ext = "jpg" if im.fmt.startswith("jpg") else "png"
        names.append(case + ("-%c" % "abc"[k] if len(images) > 1 else "")
                     + "." + ext)
    for lst, _, _ in [p for im in images for p in im.listings]:
        content.self_check(lst)
    truths = []
    for k, im in enumerate(images):
        lines = _lines_of(im.listings)
        printed = "".join(t + "\n" for t in im.printed)
        readable = "".join(l.readable + "\n" for l in lines)
        lst = im.listings[0][0]
        truth = {
            "image": names[k],
            "case": case,
            "category": category,
            "convention": lst.conv,
            "options": lst.options,
            "per_row": lst.per_row,
            "printed": printed,
            "readable": readable,
            "printed_is_readable": [t for t in im.printed if t.strip()] == [
                l.readable for l in lines if l.readable.strip()],
            "rows": _rows_of(im.listings),
            "render": im.info,
        }
        if len(images) > 1:
            truth["set"] = {"part": k + 1, "of": len(images),
                            "images_given": [names[j] for j in given],
                            "images_in_order": names}
        _save(im.img, os.path.join(outdir, names[k]), im.fmt)
        base = os.path.splitext(names[k])[0]
        with open(os.path.join(outdir, base + ".json"), "w",
                  encoding="utf-8") as f:
            json.dump(truth, f, ensure_ascii=False, indent=1)
        truths.append(truth)
    rows = [r for t in truths for r in t["rows"]]
    return {"case": case, "category": category,
            "options": truths[0]["options"],
            "images": [names[j] for j in given],
            "images_in_order": names,
            "truth": [os.path.splitext(n)[0] + ".json" for n in names],
            "readable": "".join(t["readable"] for t in truths),
            "printed_is_readable": all(t["printed_is_readable"]
                                       for t in truths),
            "rows": rows}


def verify(outdir, cases, binary):
    """Runs `tsypatch check` on every case's listing (in a form the reader
    takes, a split set in its right order), applies it with a dry run to
    see that memory gets exactly the truth bytes, and checks the printed
    form too where that differs. Prints what it saw; returns the number of
    failures."""
    import judge
    bad = 0
    tally = {}
    with tempfile.TemporaryDirectory() as tmp:
        states = [(os.path.join(tmp, "zero.tsy"), 0x00),
                  (os.path.join(tmp, "ones.tsy"), 0xFF)]
        for path, fill in states:
            judge.make_state(path, fill)
        path = os.path.join(tmp, "listing.txt")
        for c in cases:
            t = tally.setdefault(c["category"], [0, 0, 0, 0, 0])
            t[0] += 1
            with open(path, "w", encoding="utf-8") as f:
                f.write(c["readable"])
            r = subprocess.run([binary, "check"] + c["options"] + [path],
                               capture_output=True)
            got, why = judge.applied(binary, c["options"], states, path, 60)
            ok_check = r.returncode == 0
            ok_apply = got == judge.truth_bytes(c)
            t[1] += ok_check
            t[2] += ok_apply
            if not (ok_check and ok_apply):
                bad += 1
                print("%s (%s): check exit %d, apply %s\n%s%s" % (
                    c["case"], " ".join(c["options"]) or "no options",
                    r.returncode, "exact" if ok_apply else "WRONG",
                    r.stdout.decode("utf-8", "replace")[:600], why))
            if not c["printed_is_readable"]:
                printed = ""
                for name in c["truth"]:
                    with open(os.path.join(outdir, name),
                              encoding="utf-8") as f:
                        printed += json.load(f)["printed"]
                with open(path, "w", encoding="utf-8") as f:
                    f.write(printed)
                r2 = subprocess.run([binary, "check"] + c["options"] +
                                    [path], capture_output=True)
                t[3] += 1
                t[4] += r2.returncode == 0
    for k, (n, ok, ap, np_, pok) in tally.items():
        print("%-10s listings %3d  check clean %3d  applied exactly %3d  "
              "printed form differs %3d (check clean as printed %d)" %
              (k, n, ok, ap, np_, pok))
    return bad


def main():
    ap = argparse.ArgumentParser(description=__doc__,
                                 formatter_class=argparse.RawTextHelpFormatter)
    ap.add_argument("outdir")
    ap.add_argument("--categories", default=",".join(CATEGORIES))
    ap.add_argument("--per-category", type=int, default=4)
    ap.add_argument("--seed", default="1")
    ap.add_argument("--verify-with", metavar="TSYPATCH")
    a = ap.parse_args()
    cats = [c for c in a.categories.split(",") if c]
    for c in cats:
        if c not in BUILDERS:
            ap.error("unknown category %s (known: %s)" %
                     (c, ", ".join(CATEGORIES)))
    os.makedirs(a.outdir, exist_ok=True)
    cases = []
    for c in cats:
        for i in range(a.per_category):
            cases.append(render_case(a.outdir, c, i, a.seed))
            print("rendered %s" % cases[-1]["case"], file=sys.stderr)
    index = {"seed": a.seed, "cases": [
        {k: v for k, v in c.items() if k not in ("readable",)}
        for c in cases]}
    with open(os.path.join(a.outdir, "index.json"), "w",
              encoding="utf-8") as f:
        json.dump(index, f, ensure_ascii=False, indent=1)
    if a.verify_with:
        return 1 if verify(a.outdir, cases, a.verify_with) else 0
    return 0


if __name__ == "__main__":
    sys.exit(main())
