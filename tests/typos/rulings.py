"""The judge's rulings: what a fix changed against the clean listing, and the
corrections that 確定 lines of `tsypatch check` state, applied to a listing.

Lines are (body, eol) pairs; nothing here runs the program.
"""

import collections
import difflib
import re
import unicodedata

HEXSET = set("0123456789ABCDEF")

# --- files and lines --------------------------------------------------------


def decode(data, enc):
    """The text of a listing file, by its BOM first, then by its encoding."""
    if data.startswith(b"\xff\xfe") or data.startswith(b"\xfe\xff"):
        return data.decode("utf-16", "replace")
    if data.startswith(b"\xef\xbb\xbf"):
        return data[3:].decode("utf-8", "replace")
    return data.decode("cp932" if enc == "cp932" else "utf-8", "replace")


def split_lines(text):
    """[(body, eol)]: line bodies without their CR LF or LF."""
    out = []
    for part in re.findall(r"[^\n]*\n|[^\n]+$", text):
        body = part.rstrip("\n")
        eol = part[len(body):]
        if body.endswith("\r"):
            body, eol = body[:-1], "\r" + eol
        out.append((body, eol))
    return out


def join_lines(lines):
    return "".join(b + e for b, e in lines)


def nfkc(s):
    return unicodedata.normalize("NFKC", s).upper()


def is_data(body):
    return len(body) >= 4 and all(c in HEXSET for c in body[:4].upper())


def is_check(body):
    return body.upper().startswith("SUM") or body.startswith("-" * 30)


def tokens(body):
    """Tokens split at half-width blanks only: a full-width space joins."""
    return re.split(r"[ \t]+", body.strip(" \t")) if body.strip(" \t") else []


def keyed(lines):
    """Each line's place: a data line by its address (full width read as half
    width), a check line by its order; with the block it stands in."""
    out, checks = [], 0
    for body, _ in lines:
        toks, wide = tokens(body), nfkc(body)
        if is_check(body):
            out.append((("C", checks), checks, toks))
            checks += 1
        elif is_data(wide):
            out.append((("D", wide[:4]), checks, toks))
        else:
            out.append((None, checks, toks))
    return out


# --- what a fix changed, against the clean listing --------------------------


def judge_fix(clean, typed, fixed):
    """Wrong changes that `fixed` made to `typed`, as (line number, what).

    Lines are paired typed against fixed; a changed token is right when the
    clean listing has that value at the same place (the line with the fixed
    line's address, or the same check line, and the same token position).
    An inserted line is right when the clean listing has the same line at
    that address in the same block; a removed line is right when the clean
    listing holds that line fewer times than the typed one did.
    """
    ck = keyed(clean)
    by_key = collections.defaultdict(list)
    for key, block, toks in ck:
        if key:
            by_key[key].append((block, toks))
    tk, fk = keyed(typed), keyed(fixed)
    wrong = []

    def clean_line(key, block):
        cands = by_key.get(key, [])
        for b, toks in cands:
            if b == block:
                return toks
        return cands[0][1] if cands else None

    def changed(j, t_toks):
        key, block, f_toks = fk[j]
        if f_toks == t_toks:
            return
        want = clean_line(key, block) if key else None
        if want == f_toks:
            return
        if want is None:
            wrong.append((j + 1, "changed a line the clean listing lacks"))
            return
        n = 0
        for p, tok in enumerate(f_toks):
            if (p >= len(t_toks) or t_toks[p] != tok) and (
                    p >= len(want) or want[p] != tok):
                wrong.append((j + 1, "token %d set to %s, clean has %s" % (
                    p, tok, want[p] if p < len(want) else "nothing")))
                n += 1
        if not n and len(f_toks) != len(t_toks):
            wrong.append((j + 1, "tokens added or removed, not as the clean line"))

    def inserted(j):
        key, block, f_toks = fk[j]
        if not f_toks:
            return
        want = [t for b, t in by_key.get(key, []) if b == block] if key else []
        if f_toks not in want:
            wrong.append((j + 1, "inserted a line the clean listing lacks here"))

    clean_count = collections.Counter(tuple(t) for _, _, t in ck)
    fixed_count = collections.Counter(tuple(t) for _, _, t in fk)

    def removed(i):
        toks = tuple(tk[i][2])
        if toks and fixed_count[toks] < clean_count[toks]:
            wrong.append((i + 1, "removed a line the clean listing has"))

    sm = difflib.SequenceMatcher(None, [b for b, _ in typed],
                                 [b for b, _ in fixed], autojunk=False)
    for op, i1, i2, j1, j2 in sm.get_opcodes():
        if op == "equal":
            continue
        if op == "replace" and i2 - i1 == j2 - j1:
            for i, j in zip(range(i1, i2), range(j1, j2)):
                changed(j, tk[i][2])
            continue
        # Pair what keeps its address; the rest was inserted or removed.
        left = list(range(i1, i2))
        for j in range(j1, j2):
            match = next((i for i in left if tk[i][0] and tk[i][0] == fk[j][0]), None)
            if match is None:
                inserted(j)
            else:
                left.remove(match)
                changed(j, tk[match][2])
        for i in left:
            removed(i)
    return wrong


def settled(clean_bytes, clean_text, fixed_bytes, fixed_text):
    return fixed_bytes == clean_bytes or fixed_text == clean_text


def same_tokens(clean, fixed):
    strip = lambda ls: [tokens(b) for b, _ in ls if b.strip()]
    return strip(clean) == strip(fixed)


# --- reading the text output ------------------------------------------------

HEADER = re.compile(r"^(\d+)行目 .*?\((E0\d|[^()\s]+)\)")


def findings(out):
    """[(line number, tag, [detail lines])] of check's text output."""
    res = []
    for line in out.splitlines():
        m = HEADER.match(line)
        if m:
            res.append((int(m.group(1)), m.group(2), []))
        elif line.startswith("\u3000") and res:
            res[-1][2].append(line.strip("\u3000 "))
    return res


def unclean_kind(text):
    """What a clean listing was blamed for: its kinds of finding, in short."""
    if text.startswith("saved as"):
        return text.split(" it ")[0] + ": reads otherwise than in Shift-JIS"
    kinds = set()
    for line in text.splitlines():
        m = re.match(r"^\d+行目 .*?\((E0\d|[^()\s]+)\) (\S+)", line)
        if m and m.group(1) != "注記":
            kinds.add("(%s) %s" % (m.group(1), re.sub(r"[0-9A-F]{4}", "XXXX", m.group(2))))
    return ", ".join(sorted(kinds)) or "exit status without a finding"


def not_clean(rc, out):
    return rc != 0 or any(tag != "注記" for _, tag, _ in findings(out))


# Corrections a 確定 line can state, as edits of the typed listing.
R_DATA = re.compile(r"^確定: \+([0-9A-F]) のデータ (\S+) は (\S+) の(?:誤り|読み違い)")
R_REF = re.compile(r"^確定: (\d+)行目 \S+ の \+([0-9A-F]) のデータ\((\S+) → (\S+)\)")
R_SWAP = re.compile(r"^確定: (\d+)行目 \S+ の \+([0-9A-F]) と \+([0-9A-F]) の入れ替え")
R_COL = re.compile(r"^確定: \+([0-9A-F]) の (\S+) は (\S+) の(?:誤り|読み違い)")
R_NAMED = re.compile(r"^確定: (チェックサム|アドレス|合計|ＣＲＣ|CRC) (\S+) は (\S+) の(?:誤り|読み違い)")
R_ANY = re.compile(r"^確定: .*?(\S+) は (\S+) の(?:誤り|読み違い)")
R_MISSING = re.compile(r"^確定: 抜けている行は ([0-9A-F]{4})((?: [0-9A-F]{2})*)\(チェックサム ([0-9A-F]+)\)")
R_REPEAT = re.compile(r"^確定: \d+行目の繰り返しです")
R_COUNTED_TWICE = re.compile(r"^確定: (\d+)行目 \S+ を重ねて数えたための差です")
R_EXPLAINS = re.compile(r"^確定: .*(?:による差です|が読み飛ばされたための差です)")


def claims(out):
    """[(finding line, text of the 確定 line)] in output order."""
    return [(n, d) for n, _, details in findings(out) for d in details
            if d.startswith("確定")]


def parse_claim(n, text):
    """The edit a 確定 line states, or None when it states none we read."""
    m = R_REF.match(text)
    if m:
        return ("tok", int(m.group(1)), ("data", int(m.group(2), 16)), m.group(3), m.group(4))
    m = R_SWAP.match(text)
    if m:
        return ("swap", int(m.group(1)), int(m.group(2), 16), int(m.group(3), 16))
    m = R_DATA.match(text)
    if m:
        return ("tok", n, ("data", int(m.group(1), 16)), m.group(2), m.group(3))
    m = R_COL.match(text)
    if m:
        return ("tok", n, ("col", int(m.group(1), 16)), m.group(2), m.group(3))
    m = R_NAMED.match(text)
    if m:
        where = {"チェックサム": "cs", "アドレス": "addr"}.get(m.group(1), "total")
        return ("tok", n, (where,), m.group(2), m.group(3))
    m = R_MISSING.match(text)
    if m:
        return ("insert", n, m.group(1), m.group(2).split(), m.group(3))
    if R_REPEAT.match(text):  # this line repeats the one named
        return ("delete", n)
    m = R_COUNTED_TWICE.match(text)
    if m:
        return ("delete", int(m.group(1)))
    m = R_ANY.match(text)
    if m:
        return ("tok", n, ("any",), m.group(1), m.group(2))
    if R_EXPLAINS.match(text):
        return ("explains",)
    return None


# --- applying edits to the typed listing ------------------------------------


def spans(body):
    """(start, end) of each token as the reader splits them: on spaces only."""
    return [m.span() for m in re.finditer(r"[^ ]+", body)]


def reader_roles(body, opts):
    """Token index -> role (addr, data, cs) as the reader keeps the windows."""
    toks = body.split(" ")
    toks = [t for t in toks if t]
    roles = {0: "addr"}
    kept = []
    for i, t in enumerate(toks[1:], 1):
        window = t if len(t) <= 2 else (t[-2:] if "--ohmz" not in opts else
                                        "".join(t[p] for p in (1, 3, 4) if p < len(t)))
        if "--ohx" in opts and window.startswith(":"):
            continue
        kept.append(i)
        if len(kept) == 17:
            break
    if "--no-checksum" not in opts and kept:
        roles[kept.pop()] = "cs"
    for i in kept:
        roles[i] = "data"
    return roles


def replace_in(tok, old, new):
    """tok with the characters that read as `old` replaced by `new`."""
    if tok == old or nfkc(tok) == nfkc(old):
        return new
    if len(tok) >= 5 and tok[0] == "(" and tok[1] + tok[3] + tok[4] == old and len(new) == 3:
        return tok[0] + new[0] + tok[2] + new[1:] + tok[5:]
    if tok.endswith(old) and len(old) == len(new):
        return tok[:-len(old)] + new
    if tok.startswith(old) and len(old) == len(new):
        return new + tok[len(old):]
    return None


def apply_tok(lines, n, where, old, new, opts):
    if not 1 <= n <= len(lines):
        return False
    body, eol = lines[n - 1]
    sp = spans(body)
    toks = [body[a:b] for a, b in sp]
    if where[0] in ("data", "cs", "addr"):
        roles = reader_roles(body, opts)
        idx = [i for i in sorted(roles) if roles[i] == where[0]]
        cand = [idx[where[1]]] if where[0] == "data" and where[1] < len(idx) else (
            idx if where[0] != "data" else [])
    elif where[0] == "col":
        cand = [where[1] + 1] if where[1] + 1 < len(toks) else []
    elif where[0] == "total":
        # The token after the column sums: as many as there are 2-character tokens.
        n_cols = sum(1 for t in toks[1:] if len(t) == 2)
        cand = [n_cols + 1] if n_cols + 1 < len(toks) else []
    else:
        cand = [i for i, t in enumerate(toks) if replace_in(t, old, new) is not None]
        cand = cand if len(cand) == 1 else []
    for i in cand:
        if toks[i] == new and old != new:
            return True  # already applied by an earlier line
        rep = replace_in(toks[i], old, new)
        if rep is None and where[0] == "addr":
            rep = new  # the address as first read (O as 0) is named, not as typed
        if rep is not None:
            a, b = sp[i]
            lines[n - 1] = (body[:a] + rep + body[b:], eol)
            return True
    return False


def apply_swap(lines, n, ka, kb, opts):
    if not 1 <= n <= len(lines):
        return False
    body, eol = lines[n - 1]
    sp = spans(body)
    roles = reader_roles(body, opts)
    idx = [i for i in sorted(roles) if roles[i] == "data"]
    if max(ka, kb) >= len(idx):
        return False
    (a1, b1), (a2, b2) = sp[idx[ka]], sp[idx[kb]]
    t1, t2 = body[a1:b1], body[a2:b2]
    lines[n - 1] = (body[:a1] + t2 + body[b1:a2] + t1 + body[b2:], eol)
    return True


def render_like(lines, n, addr, data, cs):
    """A rebuilt data line laid out as the nearest data line above line n."""
    for body, eol in reversed(lines[:n - 1]):
        if is_data(body):
            break
    else:
        body, eol = "", "\n"
    sp = spans(body)
    toks = [body[a:b] for a, b in sp]
    colon = ":" in toks
    if len(toks) >= 2 and toks[-1].startswith("("):
        v = int(cs, 16)
        cs = "(%X.%02X)" % (v >> 8, v & 0xFF)
    parts = [addr] + ([":"] if colon else []) + data + ([":"] if colon else []) + [cs]
    return " ".join(parts), eol or "\n"


def apply_edits(lines, edits, opts):
    """Applies edits (token edits first, then lines from the bottom up);
    returns the edits that could not be placed."""
    failed = []
    for e in edits:
        ok = (apply_tok(lines, e[1], e[2], e[3], e[4], opts) if e[0] == "tok" else
              apply_swap(lines, e[1], e[2], e[3], opts) if e[0] == "swap" else True)
        if not ok:
            failed.append(e)
    structural = sorted((e for e in edits if e[0] in ("insert", "delete")),
                        key=lambda e: -e[1])
    for e in structural:
        n = e[1]
        if e[0] == "delete":
            if 1 <= n <= len(lines):
                del lines[n - 1]
            else:
                failed.append(e)
            continue
        # Insert in address order among the data lines above line n.
        at = n - 1
        while at > 0 and is_data(lines[at - 1][0]) and int(
                nfkc(lines[at - 1][0][:4]), 16) > int(e[2], 16):
            at -= 1
        lines.insert(at, render_like(lines, at + 1, e[2], e[3], e[4]))
    return failed
