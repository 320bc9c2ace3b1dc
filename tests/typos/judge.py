"""Judges `tsypatch check` against planted typos whose truth is known.

    python3 judge.py CLI_BINARY [--cases N] [--seed S] [--category C ...]
                     [--by-sub] [--show-wrong N] [--json FILE]
    python3 judge.py CLI_BINARY --verify-apply [--cases N] [--seed S]

For each case it runs `check OPTIONS LISTING` and, where the binary knows
it, `check --fix OUT OPTIONS LISTING`, and counts per category the cases,
the 確定 claims of the text output, the wrong 確定 (a token the fix set to a
value the clean listing does not have at that place) and the settled cases
(the fix output is the clean listing). Every case's clean listing is checked
too and must be clean: no error or warning line (notes are fine).

Without --fix (the binary answers it with exit status 2) the fix is rebuilt
from the 確定 lines of the text output: each correction it can read is
applied to the typed listing and judged the same way; a 確定 line that names
no correction it can read is counted as not judged.

--verify-apply instead applies every clean listing with `tsypatch --dry-run
--diff` to a blank state-save file and checks that it is accepted and that
exactly the listing's bytes are written.

Exit status: 1 when a 確定 is wrong or a clean listing is not clean (with
--verify-apply: when a clean listing is refused or written wrongly), else 0.
"""

import argparse
import collections
import json
import os
import re
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from plant import CATEGORIES, encode, make_cases  # noqa: E402
from rulings import (apply_edits, claims, decode, is_data, join_lines, judge_fix,  # noqa: E402
                     not_clean, parse_claim, reader_roles, same_tokens, settled,
                     split_lines, unclean_kind)


# --- running the binary -----------------------------------------------------


class Runner:
    def __init__(self, binary, tmp):
        self.binary, self.tmp = binary, tmp

    def check(self, opts, data, fix=False):
        path = os.path.join(self.tmp, "listing.txt")
        with open(path, "wb") as f:
            f.write(data)
        out_path = os.path.join(self.tmp, "fixed.txt")
        if os.path.exists(out_path):
            os.unlink(out_path)
        args = [self.binary, "check"] + (["--fix", out_path] if fix else []) + opts + [path]
        r = subprocess.run(args, capture_output=True, timeout=60)
        fixed = None
        if fix and os.path.exists(out_path):
            with open(out_path, "rb") as f:
                fixed = f.read()
        return r.returncode, r.stdout.decode("utf-8", "replace"), fixed

    def knows_fix(self):
        rc, _, fixed = self.check([], b"C000 00 00\n", fix=True)
        return rc != 2 and fixed is not None


# --- judging the cases ------------------------------------------------------


class Tally:
    FIELDS = ("cases", "claims", "wrong", "wrong_cases", "settled", "tokens",
              "unjudged", "sjis_differs", "hint")

    def __init__(self):
        self.n = collections.Counter()

    def add(self, **kw):
        for k, v in kw.items():
            self.n[k] += int(v)


def judge_case(run, case, fix_mode, clean_seen):
    enc, opts = case["encoding"], case["options"]
    clean_text, typed_text = case["clean"], case["typed"]
    clean_bytes, typed_bytes = encode(clean_text, enc), encode(typed_text, enc)
    res = dict(id=case["id"], category=case["category"], sub=case["sub"], wrong=[],
               unjudged=[], clean_problem=None)

    rc, out, _ = run.check(opts, typed_bytes)
    res["output"] = out
    cl = claims(out)
    res["claims"] = len(cl)

    key = (clean_bytes, tuple(case["right_options"]))
    if key not in clean_seen:
        crc, cout, _ = run.check(case["right_options"], clean_bytes)
        clean_seen[key] = cout if not_clean(crc, cout) else None
    res["clean_problem"] = clean_seen[key]

    if enc in ("utf-16", "utf-8-sig"):
        # The same listings saved in Shift-JIS must read alike.
        src, sout, _ = run.check(opts, encode(typed_text, "cp932"))
        res["sjis_differs"] = (src, sout) != (rc, out)
        if res["clean_problem"] is None:
            crc, cout, _ = run.check(case["right_options"], clean_bytes)
            src, sout, _ = run.check(case["right_options"], encode(clean_text, "cp932"))
            if (crc, cout) != (src, sout):
                res["clean_problem"] = clean_seen[key] = (
                    "saved as %s it reads otherwise than in Shift-JIS:\n%s\n"
                    "in Shift-JIS:\n%s" % (enc, cout, sout))

    clean_l, typed_l = split_lines(clean_text), split_lines(typed_text)
    if fix_mode:
        _, _, fixed_bytes = run.check(opts, typed_bytes, fix=True)
        fixed_bytes = fixed_bytes if fixed_bytes is not None else typed_bytes
        fixed_text = decode(fixed_bytes, enc)
        fixed_l = split_lines(fixed_text)
        res["wrong"] = judge_fix(clean_l, typed_l, fixed_l)
    else:
        # The fix the text states: every readable correction, applied together
        # as --fix would apply them (a line rebuilt here and removed there).
        edits = []
        for n, text in cl:
            e = parse_claim(n, text)
            if e is None or e[0] == "explains":
                if typed_text == clean_text:
                    res["wrong"].append((n, "certain about a listing with no typo: " + text))
                elif e is None:
                    res["unjudged"].append((n, text))
            elif e not in edits:
                edits.append(e)
        fixed_l = list(typed_l)
        for e in apply_edits(fixed_l, edits, opts):
            res["unjudged"].append((e[1], "not placed: %r" % (e,)))
        res["wrong"] += judge_fix(clean_l, typed_l, fixed_l)
        fixed_text = join_lines(fixed_l)
        fixed_bytes = encode(fixed_text, enc)
    res["settled"] = settled(clean_bytes, clean_text, fixed_bytes, fixed_text) and not res.get(
        "sjis_differs")
    res["tokens"] = same_tokens(clean_l, split_lines(fixed_text))
    if case["category"] == "wrong_options":
        right = case["right_options"]
        tail = out.strip().splitlines()[-1] if out.strip() else ""
        named = sorted(t for t in tail.split() if t.startswith("--"))
        res["hint"] = "で読む" in tail and (
            tail.startswith("オプションなし") if not right else named == sorted(right))
    return res


def report(results, fix_mode, by_sub, out=sys.stdout):
    rows = collections.OrderedDict()
    for r in results:
        for key in [r["category"]] + (["  " + r["category"] + ": " + r["sub"]] if by_sub else []):
            t = rows.setdefault(key, Tally())
            t.add(cases=1, claims=r["claims"], wrong=len(r["wrong"]),
                  wrong_cases=bool(r["wrong"]), settled=r["settled"], tokens=r["tokens"],
                  unjudged=len(r["unjudged"]), sjis_differs=r.get("sjis_differs", False),
                  hint=r.get("hint", False))
    order = {c: i for i, c in enumerate(CATEGORIES)}
    keys = sorted(rows, key=lambda k: (order.get(k.split(":")[0].strip(), 99),
                                       k.startswith(" "), k))
    w = max(len(k) for k in keys) if keys else 10
    head = "%-*s %6s %7s %7s %9s %8s" % (w, "category", "cases", "確定", "wrong",
                                         "settled%", "tokens%")
    if not fix_mode:
        head += " %9s" % "unjudged"
    print(head, file=out)
    total = Tally()
    for k in keys:
        n = rows[k].n
        if not k.startswith(" "):
            total.add(**n)
        line = "%-*s %6d %7d %7d %8.1f%% %7.1f%%" % (
            w, k, n["cases"], n["claims"], n["wrong"], 100.0 * n["settled"] / n["cases"],
            100.0 * n["tokens"] / n["cases"])
        if not fix_mode:
            line += " %9d" % n["unjudged"]
        extra = []
        if k.strip().startswith("encoding"):
            extra.append("differs from Shift-JIS: %d" % n["sjis_differs"])
        if k.strip().startswith("wrong_options"):
            extra.append("right convention hinted: %d" % n["hint"])
        print(line + ("  (" + "; ".join(extra) + ")" if extra else ""), file=out)
    n = total.n
    if n["cases"]:
        line = "%-*s %6d %7d %7d %8.1f%% %7.1f%%" % (
            w, "all", n["cases"], n["claims"], n["wrong"], 100.0 * n["settled"] / n["cases"],
            100.0 * n["tokens"] / n["cases"])
        print(line + (" %9d" % n["unjudged"] if not fix_mode else ""), file=out)
    return n


# --- applying the clean listings --------------------------------------------

DIFF_ROW = re.compile(r"^([0-9A-F]{4,5}): [0-9A-F ]+ -> ([0-9A-F ]+)$")


def verify_apply(binary, cases, tmp, out=sys.stdout):
    """Every clean listing is accepted by an apply in its convention and
    writes exactly its bytes (on a blank file, the non-zero ones show)."""
    state = os.path.join(tmp, "blank.tsy")
    with open(state, "wb") as f:
        f.write(b"TSRY\x01\x00" + bytes(4096 + 65536 - 6))
    bad = 0
    for case in cases:
        want = {}
        for body, _ in split_lines(case["clean"]):
            if is_data(body) and not body.startswith(" "):
                toks = [t for t in body.split(" ") if t]
                roles = reader_roles(body, case["right_options"])
                data = [int(toks[i], 16) for i in sorted(roles) if roles[i] == "data"]
                a = int(toks[0], 16)
                for k, v in enumerate(data):
                    want[a + k] = v
        path = os.path.join(tmp, "clean.txt")
        with open(path, "wb") as f:
            f.write(encode(case["clean"], "cp932"))
        r = subprocess.run([binary, "--dry-run", "--diff"] + case["right_options"] +
                           [state, path], capture_output=True, timeout=60)
        text = r.stdout.decode("utf-8", "replace")
        got = {}
        for line in text.splitlines():
            m = DIFF_ROW.match(line.strip())
            if m:
                a = int(m.group(1), 16)
                for k, v in enumerate(m.group(2).split()):
                    got[a + k] = int(v, 16)
        # A diff row shows 8 bytes; on a blank file only the non-zero ones are news.
        nonzero = {a: v for a, v in want.items() if v}
        got = {a: v for a, v in got.items() if v}
        m = re.search(r"書き込んだバイト数: (\d+)", text)
        written = int(m.group(1)) if m else -1
        span = "アドレス:$%04X - $%04X" % (min(want), max(want))
        if r.returncode != 0 or got != nonzero or written != len(want) or span not in text:
            bad += 1
            print("refused or written wrongly: %s (%s) exit %d, %d bytes written of %d" % (
                case["id"], " ".join(case["right_options"]) or "no options",
                r.returncode, written, len(want)), file=out)
    print("apply: %d clean listings, %d accepted with exactly their bytes" % (
        len(cases), len(cases) - bad), file=out)
    return bad


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("binary")
    ap.add_argument("--cases", type=int, default=len(CATEGORIES) * 20)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--category", nargs="*", choices=list(CATEGORIES))
    ap.add_argument("--by-sub", action="store_true", help="also a row per sub-kind")
    ap.add_argument("--show-wrong", type=int, default=5, metavar="N",
                    help="print the typed listing and output of N wrong cases")
    ap.add_argument("--json", help="write every case's result to this file")
    ap.add_argument("--verify-apply", action="store_true")
    a = ap.parse_args()

    cases = make_cases(a.cases, a.seed, a.category)
    with tempfile.TemporaryDirectory(prefix="typos-") as tmp:
        if a.verify_apply:
            return 1 if verify_apply(a.binary, cases, tmp) else 0
        run = Runner(a.binary, tmp)
        fix_mode = run.knows_fix()
        print("check --fix: %s" % ("judged from the fixed files" if fix_mode else
              "not understood by this binary (exit 2); judged from the text output, "
              "each readable 確定 correction applied to the typed listing"))
        clean_seen, results = {}, []
        for case in cases:
            results.append(judge_case(run, case, fix_mode, clean_seen))
    n = report(results, fix_mode, a.by_sub)
    unclean = [v for v in clean_seen.values() if v is not None]
    print("clean listings checked: %d, not clean: %d" % (len(clean_seen), len(unclean)))
    for kind, count in collections.Counter(map(unclean_kind, unclean)).most_common():
        print("  %5d  %s" % (count, kind))
    wrong = [r for r in results if r["wrong"]]
    print("wrong 確定: %d in %d cases" % (n["wrong"], len(wrong)))
    by_case = {c["id"]: c for c in cases}
    for r in wrong[:a.show_wrong]:
        c = by_case[r["id"]]
        print("\n== %s (%s) options: %s\n   planted: %s" % (
            r["id"], r["sub"], " ".join(c["options"]) or "none",
            json.dumps(c["plants"], ensure_ascii=False)))
        for w in r["wrong"]:
            print("   wrong: line %d: %s" % w)
        for i, (b, _) in enumerate(split_lines(c["typed"]), 1):
            print("   %3d| %s" % (i, b))
        print("   " + r["output"].replace("\n", "\n   "))
    for text in unclean[:a.show_wrong]:
        print("\n== a clean listing that is not clean:\n   " + text.replace("\n", "\n   "))
    if a.json:
        with open(a.json, "w", encoding="utf-8") as f:
            json.dump(results, f, ensure_ascii=False, indent=1)
    return 1 if n["wrong"] or unclean else 0


if __name__ == "__main__":
    sys.exit(main())
