"""What a page holds: program-like bytes, laid out as a hex-dump listing in
one of the checksum conventions, with the printed form and a form the
listing reader takes as it is.

Every listing is built from its bytes here and checked against the reading
rules again in `self_check`, so a page never carries a sum that does not
hold."""

import random

# Options a user passes for each convention.
OPTIONS = {
    "plain": [],
    "address-sum": ["--address-sum"],
    "lower-address": ["--address-sum", "--lower-address-only"],
    "ohmz": ["--ohmz"],
    "ohx": ["--ohx"],
    "none": ["--no-checksum"],
}

HEX = "0123456789ABCDEF"


def crc_step(crc, byte):
    """The block CRC register: polynomial 0x1021, data bits enter at bit 0
    after the shift, no augmentation and no final XOR."""
    for bit in range(7, -1, -1):
        top = crc & 0x8000
        crc = (crc << 1) & 0xFFFF
        if top:
            crc ^= 0x1021
        if (byte >> bit) & 1:
            crc ^= 0x0001
    return crc


# ---------------------------------------------------------------- bytes

_MESSAGES = ["GAME OVER", "SCORE", "HI-SCORE", "PUSH SPACE KEY", "READY",
             "STAGE", "PLAYER 1", "INSERT DISK", "LOADING", "BONUS",
             "TIME UP", "PAUSE", "REST", "THE END"]
_SPRITES = [[0x18, 0x3C, 0x7E, 0xFF, 0xFF, 0x7E, 0x3C, 0x18],
            [0x00, 0x66, 0xFF, 0xFF, 0x7E, 0x3C, 0x18, 0x00],
            [0x3C, 0x42, 0x81, 0xA5, 0x81, 0x99, 0x42, 0x3C],
            [0x10, 0x38, 0x7C, 0xFE, 0x38, 0x38, 0x38, 0x00]]


def program_bytes(rng, start, count):
    """Bytes that look like a small machine-code program: code with loads,
    calls into itself and short jumps first, then tables, text and zeros."""
    out = []
    code_end = int(count * rng.uniform(0.55, 0.8))
    work = (start + count + 0x100) & 0xFF00

    def small():
        r = rng.random()
        if r < 0.45:
            return rng.randrange(0, 0x10)
        if r < 0.7:
            return rng.randrange(0x10, 0x40)
        if r < 0.8:
            return 0xFF
        return rng.randrange(0, 0x100)

    def inside():
        a = start + rng.randrange(0, max(1, code_end))
        return [a & 0xFF, a >> 8]

    def workspace():
        a = work + rng.randrange(0, 0x40)
        return [a & 0xFF, a >> 8]

    table = [
        (9, lambda: [0x3E, small()]), (4, lambda: [0x06, small()]),
        (3, lambda: [0x0E, small()]), (5, lambda: [0x21] + inside()),
        (3, lambda: [0x11] + workspace()), (2, lambda: [0x01, small(), 0x00]),
        (5, lambda: [0xCD] + inside()), (2, lambda: [0xC3] + inside()),
        (5, lambda: [0xC9]), (3, lambda: [0x00]), (4, lambda: [0xAF]),
        (4, lambda: [0x77]), (4, lambda: [0x7E]), (5, lambda: [0x23]),
        (2, lambda: [0x2B]), (2, lambda: [0x13]), (2, lambda: [0x12]),
        (2, lambda: [0x1A]), (2, lambda: [0xE5]), (2, lambda: [0xE1]),
        (1, lambda: [0xD5]), (1, lambda: [0xD1]), (2, lambda: [0xC5]),
        (2, lambda: [0xC1]), (1, lambda: [0xF5]), (1, lambda: [0xF1]),
        (3, lambda: [0x18, rng.randrange(0xF0, 0x100)]),
        (4, lambda: [0x20, rng.choice([rng.randrange(2, 0x10),
                                       rng.randrange(0xF0, 0xFE)])]),
        (3, lambda: [0x28, rng.randrange(2, 0x12)]),
        (2, lambda: [0x10, rng.randrange(0xF4, 0xFE)]),
        (4, lambda: [0xFE, small()]), (2, lambda: [0xE6, small()]),
        (1, lambda: [0xC6, small()]), (3, lambda: [0x32] + workspace()),
        (3, lambda: [0x3A] + workspace()), (1, lambda: [0xED, 0xB0]),
        (1, lambda: [0xD3, rng.randrange(0, 0x20)]), (1, lambda: [0xCB, 0x3F]),
        (2, lambda: [0xB7]), (1, lambda: [0x47]), (1, lambda: [0x4F]),
        (1, lambda: [0x78]), (1, lambda: [0x7D]), (1, lambda: [0x3C]),
        (1, lambda: [0x3D]), (1, lambda: [0x05]), (1, lambda: [0x0D]),
        (2, lambda: [0x36, small()]), (1, lambda: [0xC8]), (1, lambda: [0xD0]),
        (1, lambda: [0xF3]), (1, lambda: [0xFB]),
    ]
    weights = [w for w, _ in table]
    makers = [m for _, m in table]
    while len(out) < code_end:
        out.extend(rng.choices(makers, weights)[0]())
        if rng.random() < 0.04:
            out.append(0xC9)
    while len(out) < count:
        kind = rng.random()
        if kind < 0.3:
            out.extend([0] * rng.randrange(4, 20))
        elif kind < 0.55:
            text = rng.choice(_MESSAGES)
            out.extend(ord(c) for c in text)
            out.append(rng.choice([0x00, 0x0D, 0xFF]))
        elif kind < 0.75:
            step = rng.randrange(1, 5)
            base = rng.randrange(0, 0x20)
            out.extend((base + step * i) & 0xFF
                       for i in range(rng.randrange(6, 16)))
        else:
            out.extend(rng.choice(_SPRITES))
    return out[:count]


def pick_start(rng, count):
    base = rng.choice([0xC000, 0x6000, 0x8000, 0x3000, 0xD000, 0x9000,
                       0xA000, 0x4000, 0xB000, 0x7000, 0x5000, 0xE000])
    base += rng.choice([0, 0, 0, 0x100, 0x200, 0x800, 0x40])
    return min(base, 0x10000 - count) & 0xFFF0


# ---------------------------------------------------------------- listing

class Line:
    """One printed line. `kind` is data, sum, dash, header or blank.
    `cells` holds (column, text) pieces for data, sum and header lines so
    that a renderer may place the bytes by column; `text` is the line as
    printed and `readable` as the listing reader takes it."""

    def __init__(self, kind, text, readable=None, address=None, cells=None,
                 values=None):
        self.kind = kind
        self.text = text
        self.readable = text if readable is None else readable
        self.address = address
        self.cells = cells or []
        self.values = values or []


class Listing:
    """A listing in one convention and print style, from its bytes.

    style keys: gap_addr (1..2), mid_gap (bool), gap_sum (1..2),
    line_sum (plain, colon, paren, bracket), sum_label (SUM, SUM:),
    total (four, colon2, colon4), block_rows (0: no check lines),
    header (bool: a +0 +1 ... header row), blank_after_block (bool)."""

    def __init__(self, rng, conv, start, per_row, rows, style=None,
                 data=None):
        self.conv = conv
        self.start = start
        self.per_row = per_row
        self.style = dict(default_style(rng, conv, per_row))
        self.style.update(style or {})
        count = per_row * rows
        self.data = data if data is not None else program_bytes(
            rng, start, count)
        self.rows = [(start + i, self.data[i:i + per_row])
                     for i in range(0, count, per_row)]
        self.lines = self._lay_out()

    @property
    def options(self):
        return list(OPTIONS[self.conv])

    def truth_rows(self):
        return [{"address": "%04X" % a,
                 "bytes": " ".join("%02X" % b for b in v)}
                for a, v in self.rows]

    def printed_text(self):
        return "".join(l.text + "\n" for l in self.lines)

    def readable_text(self):
        return "".join(l.readable + "\n" for l in self.lines)

    def printed_is_readable(self):
        return all(l.text == l.readable for l in self.lines)

    # Column of byte k in a data line, in characters.
    def byte_column(self, k):
        s = self.style
        col = 4 + s["gap_addr"] + (2 if self.conv == "ohx" else 0)
        col += 3 * k
        if s["mid_gap"] and k >= self.per_row // 2:
            col += 1
        return col

    def sum_column(self):
        s = self.style
        col = self.byte_column(self.per_row - 1) + 2 + s["gap_sum"]
        if self.conv == "ohx":
            col += 2
        return col

    def _place(self, cells):
        out = ""
        for col, text in cells:
            if len(out) < col:
                out += " " * (col - len(out))
            elif out and not out.endswith(" "):
                out += " "
            out += text
        return out

    def line_sum(self, address, values):
        total = sum(values)
        if self.conv in ("address-sum", "lower-address"):
            total += address & 0xFF
            if self.conv == "address-sum":
                total += address >> 8
        return total & (0xFFF if self.conv == "ohmz" else 0xFF)

    def _data_line(self, address, values):
        s = self.style
        cells = [(0, "%04X" % address)]
        if self.conv == "ohx":
            cells.append((4 + s["gap_addr"], ":"))
        for k, v in enumerate(values):
            cells.append((self.byte_column(k), "%02X" % v))
        readable_cells = list(cells)
        if self.conv != "none":
            ls = self.line_sum(address, values)
            col = self.sum_column()
            if self.conv == "ohmz":
                tok = "(%X.%02X)" % (ls >> 8, ls & 0xFF)
                rtok = tok
            elif self.conv == "ohx":
                cells.append((col - 2, ":"))
                readable_cells.append((col - 2, ":"))
                tok = rtok = "%02X" % ls
            else:
                form = s["line_sum"]
                rtok = "%02X" % ls
                tok = {"plain": "%s", "colon": ":%s", "paren": "(%s)",
                       "bracket": "[%s]"}[form] % rtok
                if form == "colon":
                    rtok = tok
            cells.append((col, tok))
            readable_cells.append((col, rtok))
        return Line("data", self._place(cells), self._place(readable_cells),
                    address, cells, values)

    def _sum_line(self, block):
        s = self.style
        cols = [sum(v[k] for _, v in block if k < len(v)) & 0xFF
                for k in range(self.per_row)]
        label = s["sum_label"]
        cells = [(0, label)]
        for k, c in enumerate(cols):
            cells.append((self.byte_column(k), "%02X" % c))
        if self.conv == "ohx":
            crc = 0
            for _, v in block:
                for b in v:
                    crc = crc_step(crc, b)
            tok = "%04X" % crc
        else:
            total = sum(sum(v) for _, v in block)
            tok = {"four": "%04X" % (total & 0xFFFF),
                   "colon2": ":%02X" % (total & 0xFF),
                   "colon4": ":%04X" % (total & 0xFFFF)}[s["total"]]
        col = self.sum_column() - (2 if self.conv == "ohx" else 0)
        cells.append((col, tok))
        text = self._place(cells)
        return Line("sum", text, text, None, cells, cols)

    def _dash_line(self, block):
        total = sum(sum(v) for _, v in block) & 0xFFFF
        text = "-" * 30 + " " + "%04X" % total
        return Line("dash", text, text)

    def header_line(self):
        """The ruled-box header: +0 +1 ... over the byte columns."""
        cells = [(0, "ADRS")]
        for k in range(self.per_row):
            cells.append((self.byte_column(k), "+%X" % k))
        if self.conv != "none":
            cells.append((self.sum_column(), "SUM"))
        return Line("header", self._place(cells), None, None, cells)

    def _lay_out(self):
        s = self.style
        lines = []
        if s.get("header"):
            lines.append(self.header_line())
        block = []
        every = s["block_rows"]
        for i, (address, values) in enumerate(self.rows):
            lines.append(self._data_line(address, values))
            block.append((address, values))
            last = i == len(self.rows) - 1
            if every and (len(block) == every or last):
                if self.conv == "ohmz":
                    lines.append(self._dash_line(block))
                elif self.conv != "none":
                    lines.append(self._sum_line(block))
                block = []
                if s.get("blank_after_block") and not last:
                    lines.append(Line("blank", ""))
        return lines


def default_style(rng, conv, per_row):
    style = {
        "gap_addr": rng.choice([1, 2]),
        "mid_gap": per_row == 8 and rng.random() < 0.25,
        "gap_sum": rng.choice([1, 2]),
        "line_sum": "plain",
        "sum_label": "SUM",
        "total": "four",
        "block_rows": rng.choice([8, 16]) if per_row == 8 else rng.choice(
            [4, 8]),
        "header": False,
        "blank_after_block": rng.random() < 0.3,
    }
    if conv == "ohx":
        style["gap_addr"] = 1
    return style


# ---------------------------------------------------------------- checks

def _tokens(line):
    return [t for t in line.replace("\n", " ").split(" ") if t]


def read_listing(text, options, strict=True):
    """Reads a listing by the reading rules (tokens split at blanks only,
    windows, per-line and block checks). Returns (rows, errors): rows as
    (address, bytes) and a list of error strings. Used to make sure a
    generated listing is valid in its convention before it is drawn, and
    (not strict: a line with a non-hex byte is skipped, not the end) to
    read the rows of a listing someone else wrote."""
    checksum = "--no-checksum" not in options
    addr_sum = "--address-sum" in options
    lower = "--lower-address-only" in options
    ohmz = "--ohmz" in options
    ohx = "--ohx" in options
    rows, errors = [], []
    block_sum, cols, crc = 0, [0] * 16, 0

    def val(t):
        digits = ""
        for c in t:
            if c in HEX:
                digits += c
            else:
                break
        return int(digits, 16) if digits else 0

    def ispair(t):
        return len(t) >= 2 and t[0] in HEX and t[1] in HEX

    for n, raw in enumerate(text.split("\n"), 1):
        line = raw.upper()
        if len(line) + 1 < 4:
            continue
        if all(c in HEX for c in line[:4]) and len(line) >= 4:
            toks = _tokens(line)
            address = val(toks[0][:5])
            wins = []
            for t in toks[1:]:
                if len(t) <= 2:
                    w = t
                elif ohmz:
                    w = "".join(t[i] for i in (1, 3, 4) if i < len(t))
                else:
                    w = t[-2:]
                if ohx and w.startswith(":"):
                    continue
                wins.append(w)
                if len(wins) == 17:
                    break
            count = len(wins) - (1 if checksum else 0)
            line_sum, values = 0, []
            if not all(ispair(w) for w in wins[:count]):
                errors.append("%d: E00" % n)
                if strict:
                    return rows, errors
                continue
            for k in range(count):
                v = val(wins[k][:3]) if ohmz and len(wins[k]) == 3 and \
                    wins[k][2] in HEX else val(wins[k][:2])
                line_sum += v
                values.append(v & 0xFF)
                if k < 16:
                    cols[k] += v
                block_sum += v
                if ohx:
                    crc = crc_step(crc, v & 0xFF)
            if checksum:
                if addr_sum:
                    line_sum += address & 0xFF
                    if not lower:
                        line_sum += address >> 8
                line_sum &= 0xFFF if ohmz else 0xFF
                if val(wins[count]) != line_sum:
                    errors.append("%d: line sum %s, computed %X" %
                                  (n, wins[count], line_sum))
            rows.append((address, values))
        elif checksum and line.startswith("SUM"):
            toks = _tokens(line)[1:]
            n_cols = sum(1 for t in toks if len(t) == 2)
            for c in range(n_cols):
                if c >= len(cols) or not ispair(toks[c]) or val(toks[c]) != cols[c] & 0xFF:
                    errors.append("%d: column %d %s" % (n, c, toks[c]))
            if n_cols >= len(toks):
                errors.append("%d: no total" % n)
            else:
                t = toks[n_cols]
                if ohx:
                    if val(t[:4]) != crc:
                        errors.append("%d: crc %s" % (n, t))
                elif val(t if len(t) <= 2 else t[-2:]) != block_sum & 0xFF:
                    errors.append("%d: total %s" % (n, t))
            block_sum, cols, crc = 0, [0] * 16, 0
        elif ohmz and line.startswith("-" * 30):
            tail = line[-4:]
            if val(tail) != block_sum & 0xFFFF:
                errors.append("%d: dashed total %s" % (n, tail))
            block_sum, cols = 0, [0] * 16
    return rows, errors


def self_check(listing):
    """The readable text must read back to exactly the listing's rows."""
    rows, errors = read_listing(listing.readable_text(), listing.options)
    want = [(a, list(v)) for a, v in listing.rows]
    if errors or rows != want:
        raise AssertionError("generated listing does not read back: %s" %
                             (errors[:3] or "rows differ"))


if __name__ == "__main__":
    crc = 0
    for b in (0x3E, 0x01, 0x02, 0x03, 0x21, 0x00, 0xC0, 0xC9):
        crc = crc_step(crc, b)
    assert crc == 0x4458, hex(crc)
    rng = random.Random(1)
    for conv in OPTIONS:
        lst = Listing(rng, conv, 0xC000, 8, 6)
        self_check(lst)
        print(lst.printed_text())
