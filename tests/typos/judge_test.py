"""Tests of the judge's own rulings, and that every planted truth is true.

    python3 tests/typos/judge_test.py
"""

import os
import stat
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import judge  # noqa: E402
import rulings  # noqa: E402
from listings import block_crc  # noqa: E402
from plant import CATEGORIES, make_cases  # noqa: E402

CLEAN = """; title
C000  21 00 D0 06 40 3E 41 77  2D
C008  23 10 FC C9 00 00 00 00  F8
C010  48 45 4C 4C 4F 2C 20 54  14
SUM  8C 55 70 1B 8F 6A 61 CB 01E0

D000  3E 01 02 03 21 00 C0 C9  EE
SUM  3E 01 02 03 21 00 C0 C9 01EE
"""


def lines(text):
    return rulings.split_lines(text)


def edit(text, old, new, count=1):
    assert old in text, old
    return text.replace(old, new, count)


class JudgeFix(unittest.TestCase):
    def test_rulings(self):
        typo = edit(CLEAN, "4C 4C 4F", "4C 4E 4F")
        doubled = edit(CLEAN, "C010 ", "C008  23 10 FC C9 00 00 00 00  F8\nC010 ")
        missing = edit(CLEAN, "C008  23 10 FC C9 00 00 00 00  F8\n", "")
        moved = edit(edit(CLEAN, "C008  23 10 FC C9 00 00 00 00  F8\n", ""),
                     "D000", "C008  23 10 FC C9 00 00 00 00  F8\nD000")
        swapped = edit(edit(CLEAN, "C000  21", "Cxxx  21"), "C008  23", "C000  21")
        swapped = edit(edit(swapped, "Cxxx  21", "C008  23"), "D0 06 40 3E 41 77  2D",
                       "FC C9 00 00 00 00  F8")
        swapped = edit(swapped, "10 FC C9 00 00 00 00  F8", "00 D0 06 40 3E 41 77  2D")
        rows = [  # typed, fixed, wrong changes
            (typo, CLEAN, 0),
            (typo, typo, 0),                                     # left as typed
            (typo, edit(typo, "4C 4E 4F", "4C 4D 4F"), 1),       # set to a third value
            (typo, edit(typo, "D0 06", "D0 07"), 1),             # changed a right byte
            (typo, edit(typo, "  14\n", "  16\n"), 1),           # the checksum instead
            (typo, edit(typo, "01E0", "01E2"), 1),               # the total instead
            (doubled, CLEAN, 0),                                 # the repeat removed
            (CLEAN, edit(CLEAN, "C010  48 45 4C 4C 4F 2C 20 54  14\n", ""), 1),
            (missing, CLEAN, 0),                                 # the line rebuilt
            (missing, edit(missing, "C010", "C008 23 10 FC C9 00 00 00 01 F9\nC010"), 1),
            (moved, CLEAN, 0),                                   # moved back
            (moved, edit(moved, "C010", "C008  23 10 FC C9 00 00 00 00  F8\nC010"), 0),
            (swapped, CLEAN, 0),
            (edit(CLEAN, "C010 ", "CO10 "), CLEAN, 0),           # address corrected
            (edit(CLEAN, "C010 ", "CO10 "), edit(CLEAN, "C010 ", "C018 "), 1),
            (edit(CLEAN, "C010  48", "Ｃ０１０　４８"), CLEAN, 0),  # full width read
        ]
        for n, (typed, fixed, want) in enumerate(rows):
            got = rulings.judge_fix(lines(CLEAN), lines(typed), lines(fixed))
            self.assertEqual(len(got), want, "row %d: %s" % (n, got))

    def test_claims_become_edits(self):
        typed = edit(edit(CLEAN, "4C 4C 4F", "4C 4E 4F"), "01E0", "09E0")
        typed = edit(typed, "C008  23", "C008  23 23")
        out = ("4行目 アドレス:C010 (E03) チェックサムエラー 指定:14 算出:16\n"
               "\u3000確定: +3 のデータ 4E は 4C の誤り\n"
               "5行目 直前アドレス:C010 (E05) 縦チェックサムエラー +3 1B/1D\n"
               "\u3000確定: 4行目 C010 の +3 のデータ(4E → 4C)の誤りによるもの\n"
               "\u3000確定: 合計 09E0 は 01E0 の誤り\n"
               "3行目 アドレス:C008 (E03) ...\n"
               "\u3000確定: 未知の形の主張\n")
        cl = rulings.claims(out)
        self.assertEqual(len(cl), 4)
        edits = [e for e in (rulings.parse_claim(n, t) for n, t in cl) if e]
        self.assertEqual(len(edits), 3)
        fixed = lines(typed)
        self.assertEqual(rulings.apply_edits(fixed, edits, []), [])
        want = edit(CLEAN, "C008  23", "C008  23 23")
        self.assertEqual(rulings.join_lines(fixed), want)

    def test_clean_output(self):
        self.assertFalse(rulings.not_clean(0, "5行目 アドレス:D000 (注記) ...\n検査結果: ..."))
        self.assertTrue(rulings.not_clean(0, "3行目 アドレス:C000 (アドレス) ...\n"))
        self.assertTrue(rulings.not_clean(1, "検査結果: ..."))


class Truth(unittest.TestCase):
    def test_planted_values_stand_where_recorded(self):
        for case in make_cases(len(CATEGORIES) * 6, 4):
            typed = lines(case["typed"])
            self.assertEqual(case["typed"] == case["clean"], not case["plants"], case["id"])
            for p in case["plants"]:
                body = typed[p["line"] - 1][0]
                if "typed" in p:
                    self.assertIn(p["typed"], rulings.tokens(body), case["id"])
                    self.assertNotEqual(p["typed"], p["right"], case["id"])
                    self.assertIn(p["right"], case["clean"], case["id"])

    def test_crc_of_the_format(self):
        self.assertEqual(block_crc([[0x3E, 1, 2, 3], [0x21, 0, 0xC0, 0xC9]]), 0x4458)


MOCK = """#!/usr/bin/python3
import sys
a = sys.argv[1:]
if "--fix" in a:
    out = a[a.index("--fix") + 1]
    data = open(a[-1], "rb").read()
    open(out, "wb").write(data.replace(b"%s", b"%s"))
print("1行目 アドレス:C000 (E03) x\\n\\u3000確定: y")
sys.exit(1)
"""


class FixMode(unittest.TestCase):
    def run_mock(self, old, new):
        with tempfile.TemporaryDirectory() as tmp:
            path = os.path.join(tmp, "tsypatch")
            with open(path, "w") as f:
                f.write(MOCK % (old, new))
            os.chmod(path, stat.S_IRWXU)
            run = judge.Runner(path, tmp)
            self.assertTrue(run.knows_fix())
            case = dict(id="t", category="byte_neighbour", sub="", options=[],
                        right_options=[], encoding="cp932", plants=[1], clean=CLEAN,
                        typed=edit(CLEAN, "4C 4C 4F", "4C 4E 4F"))
            return judge.judge_case(run, case, True, {})

    def test_fixed_file_is_judged(self):
        right = self.run_mock("4C 4E 4F", "4C 4C 4F")
        self.assertEqual((right["wrong"], right["settled"], right["claims"]), ([], True, 1))
        wrong = self.run_mock("4C 4E 4F", "4C 4D 4F")
        self.assertEqual((len(wrong["wrong"]), wrong["settled"]), (1, False))


if __name__ == "__main__":
    unittest.main()
