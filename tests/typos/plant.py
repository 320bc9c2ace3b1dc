"""Plants what users really do into clean listings, each case with its truth.

A case holds the clean listing, the typed listing (as the bytes of the file
the user saved), the options to check it with, the options the listing was
printed for, and what was planted: for each typo its line in the typed
listing, the address, the token's role and position, what was typed and the
right value.

    python3 plant.py [--cases N] [--seed S] [--category C ...] [--show]
"""

import argparse
import json
import random

from listings import CONVENTIONS, Line, make_listing

# --- how a key is mistyped --------------------------------------------------

KEY_ROWS = ["1234567890-", "QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM"]
ROW_SHIFT = [0.0, 0.5, 0.75, 1.25]
LOOK_ALIKES = {"0": "OD", "1": "Il", "5": "S", "8": "B", "B": "8", "D": "0",
               "6": "G", "2": "Z"}
HEX = "0123456789ABCDEF"


def _key_pos(c):
    for r, row in enumerate(KEY_ROWS):
        if c in row:
            return r, row.index(c) + ROW_SHIFT[r]
    return None


def neighbours(c):
    """Keys next to c on a full keyboard (the result may be no hex digit)."""
    pos = _key_pos(c.upper())
    if pos is None:
        return []
    out = []
    for r, row in enumerate(KEY_ROWS):
        for i, k in enumerate(row):
            dy, dx = r - pos[0], i + ROW_SHIFT[r] - pos[1]
            if k != c.upper() and abs(dy) <= 1 and (dy == 0 and abs(dx) == 1 or
                                                    dy != 0 and abs(dx) < 0.8):
                out.append(k)
    return out


def mistype(rng, tok, how, positions=None):
    """tok with one character mistyped: a neighbouring key or a look-alike."""
    positions = [i for i in (positions if positions is not None
                             else range(len(tok))) if tok[i] in HEX]
    rng.shuffle(positions)
    for i in positions:
        cands = neighbours(tok[i]) if how == "neighbour" else list(
            LOOK_ALIKES.get(tok[i], ""))
        if cands:
            return tok[:i] + rng.choice(cands) + tok[i + 1:]
    return None


def any_typo(rng, tok, positions=None):
    how = rng.choice(["neighbour", "neighbour", "lookalike"])
    return mistype(rng, tok, how, positions) or mistype(
        rng, tok, "neighbour", positions)


def full_width(s):
    """s as an IME types it in full-width mode: every ASCII character wide."""
    return "".join("\u3000" if c == " " else chr(ord(c) + 0xFEE0) if "!" <= c <= "~" else c
                   for c in s)


# --- the places a typo can go -----------------------------------------------


class Plants:
    """Collects the typos planted in one typed listing."""

    def __init__(self, typed):
        self.typed = typed
        self.items = []

    def token(self, line, i, new, what):
        right = line.toks[i]
        line.toks[i] = new
        role = line.roles[i]
        pos = line.indexes(role).index(i) if role in ("data", "col") else 0
        self.items.append(dict(what=what, line=line, role=role, pos=pos,
                               typed=new, right=right))

    def structural(self, what, line, **more):
        self.items.append(dict(what=what, line=line, **more))

    def records(self):
        """The typos with line numbers of the typed listing (1-based)."""
        out = []
        for it in self.items:
            r = dict(it)
            line = r.pop("line")
            r["addr"] = line.toks[0] if line.kind == "data" else None
            r["line"] = next((n + 1 for n, l in enumerate(self.typed.lines)
                              if l is line), None)
            out.append(r)
        return out


def pick(rng, seq):
    return rng.choice(seq) if seq else None


def data_line(rng, lst, idxs=None):
    idxs = lst.data_lines() if idxs is None else idxs
    i = pick(rng, idxs)
    return None if i is None else lst.lines[i]


def typo_in(rng, p, line, role, what, k=None):
    idx = line.indexes(role)
    if not idx:
        return False
    i = idx[k] if k is not None else rng.choice(idx)
    positions = [1, 3, 4] if line.toks[i].startswith("(") else None
    if role in ("total", "dtotal") and what == "total_high":
        positions = [0, 1]
    elif role in ("total", "dtotal") and what == "total_low":
        positions = [2, 3]
    new = any_typo(rng, line.toks[i], positions)
    if new is None:
        return False
    p.token(line, i, new, what)
    return True


def byte_typo(rng, p, line, how=None, k=None, what="byte"):
    idx = line.indexes("data")
    i = idx[k] if k is not None else rng.choice(idx)
    new = (mistype(rng, line.toks[i], how) if how else any_typo(rng, line.toks[i]))
    if new is None:
        return False
    p.token(line, i, new, what)
    return True


# --- categories -------------------------------------------------------------
# Each plant function changes the typed copy through p and returns the
# sub-kind, or None when this listing has no place for it.


def one_byte(how):
    def plant(rng, lst, p):
        line = data_line(rng, lst)
        return how if byte_typo(rng, p, line, how) else None
    return plant


def one_token(role, what=None):
    def plant(rng, lst, p):
        cands = [l for l in lst.lines if role in l.roles]
        line = pick(rng, cands)
        return role if line and typo_in(rng, p, line, role, what or role) else None
    return plant


def two_same_line(rng, lst, p):
    line = pick(rng, [l for l in lst.lines if len(l.indexes("data")) >= 2])
    if not line:
        return None
    a, b = rng.sample(range(len(line.indexes("data"))), 2)
    return "same line" if byte_typo(rng, p, line, k=a) and byte_typo(
        rng, p, line, k=b) else None


def _block_with(lst, rng, n_rows):
    blocks = [b for b, _ in lst.blocks() if len(b) >= n_rows]
    if not blocks:  # no check lines: any rows of the listing
        rows = lst.data_lines()
        blocks = [rows] if len(rows) >= n_rows and not lst.blocks() else []
    return pick(rng, blocks)


def two_crossing(rng, lst, p):
    block = _block_with(lst, rng, 2)
    if not block:
        return None
    la, lb = (lst.lines[i] for i in rng.sample(block, 2))
    na, nb = len(la.indexes("data")), len(lb.indexes("data"))
    ka = rng.randrange(na)
    others = [k for k in range(nb) if k != ka]
    if not others:
        return None
    return "crossing lines" if byte_typo(rng, p, la, k=ka) and byte_typo(
        rng, p, lb, k=rng.choice(others)) else None


def byte_and(role):
    """A data byte together with the check token `role` that covers it."""

    def plant(rng, lst, p):
        if role == "cs":
            line = data_line(rng, lst)
            if not line.indexes("cs"):
                return None
            return "byte + own checksum" if byte_typo(rng, p, line) and typo_in(
                rng, p, line, "cs", "cs") else None
        blocks = [(b, c) for b, c in lst.blocks() if b and role in lst.lines[c].roles]
        if not blocks:
            return None
        rows, check = rng.choice(blocks)
        line, check = lst.lines[rng.choice(rows)], lst.lines[check]
        k = rng.randrange(len(line.indexes("data")))
        sub = "byte + " + role
        if role == "col":
            same = rng.random() < 0.5
            c = k if same else rng.choice([c for c in range(len(check.indexes("col")))
                                           if c != k])
            sub = "byte + SUM column (%s column)" % ("same" if same else "other")
            return sub if byte_typo(rng, p, line, k=k) and typo_in(
                rng, p, check, "col", "col", c) else None
        what = "total_low" if role == "total" else role
        return sub if byte_typo(rng, p, line, k=k) and typo_in(
            rng, p, check, role, what) else None

    return plant


def three_typos(rng, lst, p):
    block = _block_with(lst, rng, 2)
    if not block:
        return None
    spots = set()
    while len(spots) < 3:
        i = rng.choice(block)
        spots.add((i, rng.randrange(len(lst.lines[i].indexes("data")))))
    spots = sorted(spots)
    if rng.random() < 0.3:  # two bytes and a checksum or SUM column
        i, _ = spots.pop()
        line = lst.lines[i]
        if not line.indexes("cs"):
            return None
        ok = all(byte_typo(rng, p, lst.lines[j], k=k) for j, k in spots)
        return "two bytes + checksum" if ok and typo_in(rng, p, line, "cs", "cs") else None
    ok = all(byte_typo(rng, p, lst.lines[j], k=k) for j, k in spots)
    return "three bytes" if ok else None


def swapped_bytes(rng, lst, p):
    cands = []
    for l in lst.lines:
        idx = l.indexes("data")
        cands += [(l, idx[k], idx[k + 1]) for k in range(len(idx) - 1)
                  if l.toks[idx[k]] != l.toks[idx[k + 1]]]
    if not cands:
        return None
    line, i, j = rng.choice(cands)
    a, b = line.toks[i], line.toks[j]
    p.token(line, i, b, "swapped")
    p.token(line, j, a, "swapped")
    return "adjacent bytes"


def doubled_byte(rng, lst, p):
    full16 = [l for l in lst.lines if len(l.indexes("data")) == 16 and l.indexes("cs")]
    last16 = full16 and rng.random() < 0.4
    line = rng.choice(full16) if last16 else data_line(rng, lst)
    idx = line.indexes("data")
    k = len(idx) - 1 if last16 else rng.randrange(len(idx))
    i = idx[k]
    line.toks.insert(i + 1, line.toks[i])
    line.seps.insert(i + 1, " ")
    line.roles.insert(i + 1, "data")
    p.structural("doubled byte", line, pos=k, right=line.toks[i])
    return "last byte of a 16-byte row" if last16 else "a byte"


def dropped_byte(rng, lst, p):
    line = pick(rng, [l for l in lst.lines if len(l.indexes("data")) >= 2])
    if not line:
        return None
    idx = line.indexes("data")
    k = rng.randrange(len(idx))
    right = line.toks[idx[k]]
    for arr in (line.toks, line.seps, line.roles):
        del arr[idx[k]]
    p.structural("dropped byte", line, pos=k, right=right)
    return "a byte"


def missing_line(rng, lst, p):
    rows = lst.data_lines()
    if len(rows) < 3:
        return None
    sub = rng.choice(["first", "second", "middle", "last"])
    i = {"first": rows[0], "second": rows[1], "last": rows[-1],
         "middle": rng.choice(rows[2:-1] or rows[1:2])}[sub]
    gone = lst.lines.pop(i)
    nxt = lst.lines[i] if i < len(lst.lines) else lst.lines[-1]
    p.structural("missing line", nxt, right=gone.render(), missing=gone.toks[0])
    return sub


def doubled_line(rng, lst, p):
    i = rng.choice(lst.data_lines())
    dup = Line("data", lst.lines[i].toks, lst.lines[i].seps, lst.lines[i].roles)
    lst.lines.insert(i + 1, dup)
    p.structural("doubled line", dup, right=None)
    return "a line"


def swapped_lines(rng, lst, p):
    rows = lst.data_lines()
    pairs = [(a, b) for a, b in zip(rows, rows[1:]) if b == a + 1]
    if not pairs:
        return None
    a, b = rng.choice(pairs)
    lst.lines[a], lst.lines[b] = lst.lines[b], lst.lines[a]
    p.structural("swapped lines", lst.lines[a], right=lst.lines[b].toks[0])
    return "adjacent lines"


def moved_line(rng, lst, p):
    blocks = [b for b, _ in lst.blocks() if b]
    if len(blocks) < 2:
        return None
    src, dst = rng.sample(range(len(blocks)), 2)
    line = lst.lines[rng.choice(blocks[src])]
    # Into the other block: before one of its data lines or before its check line.
    targets = blocks[dst] + [blocks[dst][-1] + 1]
    at = lst.lines[rng.choice(targets)]
    lst.lines.remove(line)
    lst.lines.insert(lst.lines.index(at), line)
    p.structural("moved line", line, right=None)
    return "to a later block" if dst > src else "to an earlier block"


def address_typo(rng, lst, p):
    rows = lst.data_lines()
    last = rng.random() < 0.3
    line = lst.lines[rows[-1]] if last else data_line(rng, lst)
    new = any_typo(rng, line.toks[0])
    if new is None:
        return None
    p.token(line, 0, new, "address")
    return "last data line" if last else "a data line"


def fullwidth(rng, lst, p):
    line = data_line(rng, lst)
    sub = rng.choice(["a byte", "a space", "whole line", "whole line, half-width spaces"])
    if sub == "a byte":
        i = rng.choice(line.indexes("data"))
        p.token(line, i, full_width(line.toks[i]), "full-width")
    elif sub == "a space":
        i = rng.choice(line.indexes("data")[1:] or line.indexes("data"))
        line.seps[i] = "\u3000"
        p.structural("full-width space", line, pos=i, right=" ")
    else:
        right = line.render()
        line.toks = [full_width(t) for t in line.toks]
        if sub == "whole line":
            line.seps = [full_width(s) for s in line.seps]
        p.structural("full-width line", line, right=right)
    return sub


def encoded(rng, lst, p):
    return rng.choice(["one byte", "none"])


def wrong_options(rng, lst, p):
    return "none"


def clean(rng, lst, p):
    return "none"


# name -> (plant, what the listing must have, file encoding)
ANY, SUMS = {}, {"sums": True}
COLS = lambda r: dict(conv=r.choice(["plain", "addr", "lower", "ohx"]), sums=True)
CATEGORIES = {
    "clean": (clean, lambda r: ANY),
    "byte_neighbour": (one_byte("neighbour"), lambda r: ANY),
    "byte_lookalike": (one_byte("lookalike"), lambda r: ANY),
    "checksum": (one_token("cs"),
                 lambda r: dict(conv=r.choice(["plain", "addr", "lower", "ohmz", "ohx"]))),
    "sum_column": (one_token("col"), COLS),
    "total_low": (one_token("total", "total_low"),
                  lambda r: dict(conv=r.choice(["plain", "addr", "lower"]), sums=True)),
    "total_high": (one_token("total", "total_high"),
                   lambda r: dict(conv=r.choice(["plain", "addr", "lower"]), sums=True)),
    "crc": (one_token("crc"), lambda r: dict(conv="ohx", sums=True)),
    "dashed_total": (one_token("dtotal"), lambda r: dict(conv="ohmz", sums=True)),
    "two_same_line": (two_same_line, lambda r: ANY),
    "two_crossing": (two_crossing, lambda r: ANY),
    "byte_checksum": (byte_and("cs"),
                      lambda r: dict(conv=r.choice(["plain", "addr", "lower", "ohmz", "ohx"]))),
    "byte_column": (byte_and("col"), COLS),
    "byte_total": (byte_and("total"),
                   lambda r: dict(conv=r.choice(["plain", "addr", "lower"]), sums=True)),
    "byte_crc": (byte_and("crc"), lambda r: dict(conv="ohx", sums=True)),
    "byte_dashed": (byte_and("dtotal"), lambda r: dict(conv="ohmz", sums=True)),
    "three_typos": (three_typos, COLS),
    "swapped_bytes": (swapped_bytes, lambda r: ANY),
    "doubled_byte": (doubled_byte, lambda r: ANY),
    "dropped_byte": (dropped_byte, lambda r: ANY),
    "missing_line": (missing_line, lambda r: ANY),
    "doubled_line": (doubled_line, lambda r: ANY),
    "swapped_lines": (swapped_lines, lambda r: ANY),
    "moved_line": (moved_line, lambda r: dict(sums=True, conv=r.choice(
        ["plain", "addr", "lower", "ohmz", "ohx"]), rows=r.randint(8, 20), block_rows=4)),
    "address_typo": (address_typo, lambda r: ANY),
    "fullwidth": (fullwidth, lambda r: ANY),
    "encoding": (encoded, lambda r: ANY),
    "wrong_options": (wrong_options, lambda r: ANY),
}


def make_case(rng, category, n):
    plant, needs = CATEGORIES[category]
    for _ in range(50):
        lst = make_listing(rng, **needs(rng))
        if category == "encoding" and rng.random() < 0.5:
            while lst.lines[0].kind == "text":  # the first line a data line
                lst.lines.pop(0)
        typed = lst.copy()
        p = Plants(typed)
        sub = plant(rng, typed, p)
        if sub is None:
            continue
        enc, options = "cp932", lst.options()
        if category == "encoding":
            enc = rng.choice(["utf-16", "utf-8-sig"])
            if sub == "one byte" and not byte_typo(rng, p, data_line(rng, typed),
                                                   "neighbour"):
                continue
            sub = "%s, %s" % ("UTF-16 with BOM" if enc == "utf-16" else
                              "UTF-8 with BOM", sub)
        elif category == "fullwidth":
            enc = "utf-8"
        elif category == "wrong_options":
            other = rng.choice([c for c in CONVENTIONS if c != lst.conv])
            options = CONVENTIONS[other]
            sub = "%s read as %s" % (lst.conv, other)
        return dict(id="%s-%d" % (category, n), category=category, sub=sub,
                    conv=lst.conv, options=options, right_options=lst.options(),
                    layout=lst.layout, encoding=enc, clean=lst.text(),
                    typed=typed.text(), plants=p.records())
    raise RuntimeError("no listing fits category " + category)


def make_cases(n, seed, categories=None):
    """n cases spread evenly over the categories, the same for the same seed."""
    cats = categories or list(CATEGORIES)
    rng = random.Random(seed)
    return [make_case(rng, cats[i % len(cats)], i // len(cats)) for i in range(n)]


def encode(text, enc):
    """The file a user saves: UTF-16 as Notepad writes it (little-endian, BOM)."""
    if enc == "utf-16":
        return b"\xff\xfe" + text.encode("utf-16-le")
    return text.encode(enc)


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--cases", type=int, default=len(CATEGORIES))
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--category", nargs="*", choices=list(CATEGORIES))
    ap.add_argument("--show", action="store_true", help="print the typed listings")
    a = ap.parse_args()
    for c in make_cases(a.cases, a.seed, a.category):
        if a.show:
            print("== %s (%s) %s %s" % (c["id"], c["sub"], c["encoding"],
                                        " ".join(c["options"])))
            print(json.dumps(c["plants"], ensure_ascii=False))
            print(c["typed"].replace("\r\n", "\n"))
        else:
            print(json.dumps(c, ensure_ascii=False))


if __name__ == "__main__":
    main()
