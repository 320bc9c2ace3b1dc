"""Clean hex-dump listings as magazines print them, in every checksum convention.

This generator is written apart from the reader and the proofreader: it
computes every sum from the layout rules of the listing format alone, so a
listing it makes is a listing an apply must accept in its convention.

A listing is kept as lines of tokens with the blanks before each token, so a
planted typo changes one token and leaves the rest of the file as it was.

    python3 listings.py [--seed S] [--conv NAME] [--width 8|16] [--no-sums]
"""

import argparse
import copy
import random

# Convention name -> the command-line options that select it.
CONVENTIONS = {
    "plain": [],
    "addr": ["--address-sum"],
    "lower": ["--address-sum", "--lower-address-only"],
    "ohmz": ["--ohmz"],
    "ohx": ["--ohx"],
    "none": ["--no-checksum"],
}

DASHES = "-" * 30


class Line:
    """One line of a listing: tokens, the blanks before each, and their roles.

    Roles: addr, data, colon (an Oh!X ':'), cs (the line checksum), sum (the
    SUM word), col (a column sum), total, crc, dashes, dtotal (a dashed
    total), text (a comment or title, kept whole in `text`).
    """

    def __init__(self, kind, toks=None, seps=None, roles=None, text=""):
        self.kind = kind  # data, sum, dash, text
        self.toks = list(toks or [])
        self.seps = list(seps or [])
        self.roles = list(roles or [])
        self.text = text
        self.tail = ""

    def render(self):
        if self.kind == "text":
            return self.text
        return "".join(s + t for s, t in zip(self.seps, self.toks)) + self.tail

    def indexes(self, role):
        return [i for i, r in enumerate(self.roles) if r == role]

    def data_toks(self):
        return [self.toks[i] for i in self.indexes("data")]

    def addr(self):
        return int(self.toks[0], 16) if self.kind == "data" else None


class Listing:
    def __init__(self, conv, width, lines, eol, layout):
        self.conv = conv
        self.width = width
        self.lines = lines
        self.eol = eol
        self.layout = layout  # what the generator chose, for reports

    def options(self):
        return list(CONVENTIONS[self.conv])

    def text(self):
        return "".join(l.render() + self.eol for l in self.lines)

    def copy(self):
        return copy.deepcopy(self)

    def data_lines(self):
        return [i for i, l in enumerate(self.lines) if l.kind == "data"]

    def check_lines(self):
        return [i for i, l in enumerate(self.lines) if l.kind in ("sum", "dash")]

    def blocks(self):
        """Indexes of the data lines of each block that ends with a check line."""
        out, cur = [], []
        for i, l in enumerate(self.lines):
            if l.kind == "data":
                cur.append(i)
            elif l.kind in ("sum", "dash"):
                out.append((cur, i))
                cur = []
        return out


# --- sums -------------------------------------------------------------------


def line_sum(conv, addr, data):
    s = sum(data)
    if conv in ("addr", "lower"):
        s += addr & 0xFF
        if conv == "addr":
            s += addr >> 8
    return s & (0xFFF if conv == "ohmz" else 0xFF)


def crc_step(crc, byte):
    """The listing CRC: shift left, 0x1021 on carry, data bit into bit 0."""
    for bit in range(7, -1, -1):
        top = crc & 0x8000
        crc = (crc << 1) & 0xFFFF
        if top:
            crc ^= 0x1021
        if (byte >> bit) & 1:
            crc ^= 0x0001
    return crc


def block_crc(rows):
    crc = 0
    for data in rows:
        for b in data:
            crc = crc_step(crc, b)
    return crc


def ohmz_text(v):
    return "(%X.%02X)" % (v >> 8, v & 0xFF)


# --- program-like bytes -----------------------------------------------------

ONE = [0x00, 0x77, 0x7E, 0x23, 0x2B, 0x13, 0x1B, 0x03, 0x0B, 0xC9, 0xAF, 0xB7,
       0x3C, 0x3D, 0x47, 0x4F, 0x78, 0x79, 0x7A, 0x7B, 0x7C, 0x7D, 0xE5, 0xE1,
       0xD5, 0xD1, 0xC5, 0xC1, 0xF5, 0xF1, 0xEB, 0x12, 0x1A, 0x09, 0x19, 0x87,
       0x37, 0xF3, 0xFB, 0xD9, 0x08, 0xC8, 0xC0, 0xD8, 0xE9, 0x05, 0x0D, 0x04]
IMM8 = [0x3E, 0x06, 0x0E, 0x16, 0x1E, 0x26, 0x2E, 0xFE, 0xE6, 0xF6, 0xC6,
        0xD6, 0xEE, 0xD3, 0xDB, 0x36]
REL = [0x18, 0x20, 0x28, 0x30, 0x38, 0x10]
ABS = [0x21, 0x11, 0x01, 0x31, 0xC3, 0xCD, 0xCA, 0xC2, 0xDA, 0xD2, 0x32,
       0x3A, 0x22, 0x2A]
PREFIXED = [[0xED, 0xB0], [0xED, 0x52], [0xED, 0x79], [0xED, 0x78],
            [0xED, 0x44], [0xCB, 0x3F], [0xCB, 0x27], [0xCB, 0x7F],
            [0xDD, 0x23], [0xFD, 0x23], [0xED, 0x5B, None, None],
            [0xDD, 0x21, None, None], [0xDD, 0x7E, "d"], [0xDD, 0x77, "d"]]
WORDS = ["HELLO", "SCORE", "GAME OVER", "PUSH SPACE KEY", "HI-SCORE",
         "READY", "STAGE", "PLAYER", "LEFT", "TIME", "BONUS", "INSERT TAPE"]


def program_bytes(rng, n, base):
    """n bytes that look like a machine-code program: code, text, tables."""
    out = []

    def addr_near():
        if rng.random() < 0.2:
            return rng.choice([0x0005, 0x0018, 0x0038, 0x1000, 0x0BB9])
        return base + rng.randrange(max(n, 1))

    while len(out) < n:
        kind = rng.choices(["code", "text", "table", "zeros"], [7, 2, 1, 1])[0]
        if kind == "code":
            for _ in range(rng.randint(4, 24)):
                r = rng.random()
                if r < 0.35:
                    out.append(rng.choice(ONE))
                elif r < 0.6:
                    out += [rng.choice(IMM8), rng.randrange(256)]
                elif r < 0.7:
                    out += [rng.choice(REL), rng.randrange(-30, 30) & 0xFF]
                elif r < 0.9:
                    a = addr_near()
                    out += [rng.choice(ABS), a & 0xFF, (a >> 8) & 0xFF]
                else:
                    for p in rng.choice(PREFIXED):
                        if p is None:
                            a = addr_near()
                            out += [a & 0xFF, (a >> 8) & 0xFF]
                            break
                        out.append(rng.randrange(16) if p == "d" else p)
        elif kind == "text":
            out += [ord(c) for c in rng.choice(WORDS)]
            out.append(rng.choice([0x00, 0x0D, 0x24]))
        elif kind == "table":
            for _ in range(rng.randint(2, 8)):
                a = addr_near() if rng.random() < 0.5 else rng.randrange(40)
                out += [a & 0xFF, (a >> 8) & 0xFF]
        else:
            out += [0x00] * rng.randint(3, 20)
    return out[:n]


# --- layout -----------------------------------------------------------------

TITLES = ["; リスト1 マシン語ダンプ", "; 本体プログラム", "リスト2 データ部",
          "; MAIN PROGRAM", "＊ 入力したら必ずセーブしてください",
          "; ワークエリア初期化ルーチン", "; SOUND DRIVER"]


def _data_line(conv, width, addr, data, style, partial_pad):
    toks, seps, roles = ["%04X" % addr], [""], ["addr"]
    gap_addr = "  " if style == "wide" else " "
    if conv == "ohx":
        toks.append(":"), seps.append(" "), roles.append("colon")
        gap_addr = " "
    for k, b in enumerate(data):
        toks.append("%02X" % b)
        if k == 0:
            seps.append(gap_addr)
        elif style == "wide" and width == 16 and k == 8:
            seps.append("  ")
        else:
            seps.append(" ")
        roles.append("data")
    if conv == "none":
        return Line("data", toks, seps, roles)
    cs = line_sum(conv, addr, data)
    pad = "   " * partial_pad
    if conv == "ohx":
        toks += [":", "%02X" % cs]
        seps += [" " + pad, " "]
        roles += ["colon", "cs"]
    elif conv == "ohmz":
        toks.append(ohmz_text(cs))
        seps.append(" " + pad)
        roles.append("cs")
    else:
        toks.append("%02X" % cs)
        seps.append(("  " if style == "wide" else " ") + pad)
        roles.append("cs")
    return Line("data", toks, seps, roles)


def _check_line(conv, width, rows, total_digits, style):
    total = sum(sum(d) for d in rows) & 0xFFFF
    if conv == "ohmz":
        return Line("dash", [DASHES, "%04X" % total], ["", " "],
                    ["dashes", "dtotal"])
    cols = [sum(d[c] for d in rows if c < len(d)) & 0xFF for c in range(width)]
    toks, seps, roles = ["SUM"], [""], ["sum"]
    first = "    " if conv == "ohx" else ("  " if style == "wide" else " ")
    for c, v in enumerate(cols):
        toks.append("%02X" % v)
        if c == 0:
            seps.append(first)
        elif style == "wide" and width == 16 and c == 8:
            seps.append("  ")
        else:
            seps.append(" ")
        roles.append("col")
    if conv == "ohx":
        toks.append("%04X" % block_crc(rows))
        roles.append("crc")
    else:
        fmt = "%%0%dX" % total_digits
        toks.append(fmt % (total & (0xFFFF if total_digits == 4 else 0xFF)))
        roles.append("total")
    seps.append(" ")
    return Line("sum", toks, seps, roles)


def make_listing(rng, conv=None, width=None, sums=None, total_digits=4,
                 regions=None, single_first=None, partial_last=None,
                 rows=None, block_rows=None):
    """A clean listing; every choice left as None is drawn from rng."""
    conv = conv or rng.choice(list(CONVENTIONS))
    width = width or rng.choice([8, 8, 16] if conv != "ohmz" else [8, 16, 16])
    if conv == "none":
        sums = False
    elif sums is None:
        sums = rng.random() < 0.75
    rows = rows or rng.randint(4, 24 if width == 8 else 14)
    block_rows = block_rows or rng.choice([4, 8, 8, 16] if width == 8 else [4, 4, 8])
    regions = regions or rng.choice([1, 1, 1, 2, 2, 3])
    if single_first is None:
        single_first = regions > 1 and rng.random() < 0.3
    regions = max(regions, 2) if single_first else regions
    if partial_last is None:
        partial_last = rng.random() < 0.25
    style = rng.choice(["wide", "narrow"]) if conv not in ("ohmz", "ohx") else "narrow"
    eol = rng.choice(["\n", "\r\n"])

    # Rows per region: the first may be a single row, the rest share the rows.
    counts = []
    left = rows
    for r in range(regions):
        if r == 0 and single_first:
            n = 1
        elif r == regions - 1:
            n = max(left, 1)
        else:
            n = max(1, rng.randint(1, max(1, left - (regions - r - 1))))
        counts.append(n)
        left -= n

    lines = []
    if rng.random() < 0.7:
        lines.append(Line("text", text=rng.choice(TITLES)))
        lines.append(Line("text", text=""))
    addr = rng.choice([0x3000, 0x6000, 0x8000, 0x9000, 0xA000, 0xB000, 0xC000])
    starts = []
    for r, n in enumerate(counts):
        if r > 0:
            # An aligned jump: to the next 0x100 (or 0x1000) boundary or past it.
            align = rng.choice([0x100, 0x100, 0x1000])
            addr = (addr + align) // align * align + align * rng.randint(0, 2)
            if addr + n * width > 0x10000:
                addr = (starts[-1] + counts[r - 1] * width + 0xFF) // 0x100 * 0x100
        starts.append(addr)
        region_bytes = program_bytes(rng, n * width, addr)
        block = []
        for i in range(n):
            data = region_bytes[i * width:(i + 1) * width]
            last = r == regions - 1 and i == n - 1
            if last and partial_last and width > 1:
                data = data[:rng.randint(1, width - 1)]
            line = _data_line(conv, width, addr + i * width, data, style,
                              width - len(data))
            lines.append(line)
            block.append(data)
            end_block = len(block) == block_rows or i == n - 1
            if sums and end_block:
                lines.append(_check_line(conv, width, block, total_digits, style))
                block = []
                if not last:
                    lines.append(Line("text", text=""))
        addr += n * width
        if r < regions - 1 and not sums:
            lines.append(Line("text", text=""))
    layout = dict(conv=conv, width=width, sums=sums, rows=rows,
                  block_rows=block_rows, regions=counts, starts=starts,
                  partial_last=partial_last, total_digits=total_digits,
                  style=style, eol="CRLF" if eol == "\r\n" else "LF")
    return Listing(conv, width, lines, eol, layout)


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--conv", choices=list(CONVENTIONS))
    ap.add_argument("--width", type=int, choices=[8, 16])
    ap.add_argument("--no-sums", action="store_true")
    ap.add_argument("--total-digits", type=int, choices=[2, 4], default=4)
    a = ap.parse_args()
    lst = make_listing(random.Random(a.seed), a.conv, a.width,
                       False if a.no_sums else None, a.total_digits)
    print("; options: %s" % (" ".join(lst.options()) or "(none)"))
    print(lst.text().replace("\r\n", "\n"), end="")


if __name__ == "__main__":
    main()
