#!/usr/bin/python3
"""Runs `tsypatch scan` on every case rendered by render.py and compares
the bytes its listing puts into memory with the truth.

    judge.py OUTDIR TSYPATCH [--categories a,b] [--timeout S] [--keep DIR]
             [--verbose]

For each case: `tsypatch scan OPTIONS -o OUT.txt IMAGE...` (images in the
order the case hands them over), then `tsypatch --dry-run --diff OPTIONS
STATE OUT.txt` twice, on a state-save file whose memory is all 00 and on
one whose memory is all FF. A byte the listing writes reads the same in
both; an address it leaves alone reads 00 in one and FF in the other. So
the two diffs give exactly which addresses the written listing fills and
with what, whatever their values.

A page is exact when the apply succeeds and writes every truth byte and
nothing else. Prints per category: pages, pages exact, rows right (rows of
the written listing with the truth's address and bytes, whatever the apply
says), scan exit statuses and seconds per case. Which rows scan claims as
verified is not judged here."""

import argparse
import json
import os
import re
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # leave no caches in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import content  # noqa: E402

MEMORY_OFFSET = 4096
DIFF_ROW = re.compile(r"^([0-9A-F]{4}):((?: [0-9A-F]{2})+)\s*->"
                      r"((?: [0-9A-F]{2})+)\s*$")


def make_state(path, fill):
    with open(path, "wb") as f:
        f.write(b"TSRY\x01\x00" + bytes(MEMORY_OFFSET - 6) +
                bytes([fill]) * 0x10000)


def applied(binary, options, states, listing, timeout):
    """{address: byte} the listing writes, or None when the apply is
    refused, with the apply's message."""
    seen = []
    for state, fill in states:
        r = subprocess.run([binary, "--dry-run", "--diff",
                            "--no-format-check"] + options +
                           [state, listing], capture_output=True,
                           timeout=timeout)
        text = r.stdout.decode("utf-8", "replace")
        if r.returncode != 0:
            return None, (text + r.stderr.decode("utf-8", "replace"))[-400:]
        new = {}
        for line in text.splitlines():
            m = DIFF_ROW.match(line)
            if not m:
                continue
            a = int(m.group(1), 16)
            for k, v in enumerate(m.group(3).split()):
                new[a + k] = int(v, 16)
        seen.append((new, fill))
    (zero, zf), (ones, of) = seen
    out = {}
    for a in set(zero) | set(ones):
        z, f = zero.get(a, zf), ones.get(a, of)
        if z == f:
            out[a] = z
    return out, ""


def truth_bytes(case):
    want = {}
    for row in case["rows"]:
        a = int(row["address"], 16)
        for k, v in enumerate(row["bytes"].split()):
            want[a + k] = int(v, 16)
    return want


def judge_case(binary, outdir, case, tmp, states, timeout):
    out = os.path.join(tmp, case["case"] + ".txt")
    if os.path.exists(out):
        os.remove(out)
    images = [os.path.join(outdir, n) for n in case["images"]]
    t0 = time.monotonic()
    try:
        r = subprocess.run([binary, "scan"] + case["options"] +
                           ["-o", out] + images, capture_output=True,
                           timeout=timeout)
        rc = r.returncode
        report = r.stderr.decode("utf-8", "replace")
    except subprocess.TimeoutExpired:
        rc, report = "timeout", ""
    seconds = time.monotonic() - t0
    want = truth_bytes(case)
    got, why = (None, "no listing written")
    if os.path.exists(out):
        got, why = applied(binary, case["options"], states, out, timeout)
    # Rows as the written listing gives them, whatever its sums say, so
    # that a refused apply still shows how much was read right.
    rows_right = 0
    if os.path.exists(out):
        with open(out, encoding="utf-8", errors="replace") as f:
            written, _ = content.read_listing(f.read(), case["options"],
                                              strict=False)
        by_address = {}
        for a, vals in written:
            by_address.setdefault(a, vals)
        for row in case["rows"]:
            vals = [int(v, 16) for v in row["bytes"].split()]
            if by_address.get(int(row["address"], 16)) == vals:
                rows_right += 1
    exact = got is not None and got == want
    if got is not None and not exact:
        wrong = sum(1 for a in want if a in got and got[a] != want[a])
        missing = sum(1 for a in want if a not in got)
        extra = sum(1 for a in got if a not in want)
        why = "applied; bytes wrong %d, missing %d, extra %d" % (
            wrong, missing, extra)
    return {"case": case["case"], "category": case["category"], "rc": rc,
            "seconds": seconds, "exact": exact, "rows": len(case["rows"]),
            "rows_right": rows_right, "why": why, "report": report}


def main():
    ap = argparse.ArgumentParser(description=__doc__,
                                 formatter_class=argparse.RawTextHelpFormatter)
    ap.add_argument("outdir")
    ap.add_argument("tsypatch")
    ap.add_argument("--categories")
    ap.add_argument("--timeout", type=float, default=120)
    ap.add_argument("--keep", metavar="DIR",
                    help="keep the written listings in DIR")
    ap.add_argument("--verbose", action="store_true")
    a = ap.parse_args()
    with open(os.path.join(a.outdir, "index.json"), encoding="utf-8") as f:
        cases = json.load(f)["cases"]
    if a.categories:
        keep = set(a.categories.split(","))
        cases = [c for c in cases if c["category"] in keep]
    results = []
    with tempfile.TemporaryDirectory() as tmp:
        work = a.keep or tmp
        os.makedirs(work, exist_ok=True)
        states = [(os.path.join(tmp, "zero.tsy"), 0x00),
                  (os.path.join(tmp, "ones.tsy"), 0xFF)]
        for path, fill in states:
            make_state(path, fill)
        for case in cases:
            res = judge_case(a.tsypatch, a.outdir, case, work, states,
                             a.timeout)
            results.append(res)
            if a.verbose or not res["exact"]:
                print("%-14s %-5s rc=%-7s %5.1fs rows %d/%d %s" % (
                    res["case"], "exact" if res["exact"] else "WRONG",
                    res["rc"], res["seconds"], res["rows_right"],
                    res["rows"], res["why"].strip().replace("\n", " ")[:160]
                    if not res["exact"] else ""))
    print()
    print("%-10s %5s %6s %11s %10s %8s  %s" % (
        "category", "pages", "exact", "rows right", "s/page", "max s",
        "scan exit statuses"))
    cats = []
    for r in results:
        if r["category"] not in cats:
            cats.append(r["category"])
    for c in cats + ["all"]:
        rs = [r for r in results if c == "all" or r["category"] == c]
        if not rs:
            continue
        codes = {}
        for r in rs:
            codes[str(r["rc"])] = codes.get(str(r["rc"]), 0) + 1
        print("%-10s %5d %6d %5d/%-5d %10.2f %8.1f  %s" % (
            c, len(rs), sum(r["exact"] for r in rs),
            sum(r["rows_right"] for r in rs), sum(r["rows"] for r in rs),
            sum(r["seconds"] for r in rs) / len(rs),
            max(r["seconds"] for r in rs),
            " ".join("%s:%d" % kv for kv in sorted(codes.items()))))
    return 0


if __name__ == "__main__":
    sys.exit(main())
