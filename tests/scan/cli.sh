#!/usr/bin/env bash
# tsypatch scan as a process: its exit status, its output read back by
# tsypatch check, and its refusals.
#   cli.sh PATH-TO-tsypatch PAGES-DIR
set -u
tool=$1
pages=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8
passed=0
failed=0

# expect NAME STATUS ARGS...
expect() {
  local name=$1 want=$2
  shift 2
  "$tool" "$@" >"$work/out" 2>"$work/err"
  local got=$?
  if [ "$got" -eq "$want" ]; then
    passed=$((passed + 1))
  else
    echo "FAIL: $name: exit status $got, wanted $want"
    head -c 400 "$work/err"
    failed=$((failed + 1))
  fi
}

# holds MESSAGE COMMAND...: COMMAND succeeds; MESSAGE says what failed.
holds() {
  local message=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    echo "FAIL: $message"
    failed=$((failed + 1))
  fi
}

clean=$(ls "$pages"/clean/plain-*.png | head -n 1)
expect "clean page verifies" 0 scan -o "$work/listing.txt" "$clean"
expect "its listing passes check" 0 check "$work/listing.txt"
ohx=$(ls "$pages"/clean/ohx-*.png | head -n 1)
expect "Oh!X page to standard output" 0 scan --ohx "$ohx"
cp "$work/out" "$work/ohx.txt"
expect "its listing passes check --ohx" 0 check --ohx "$work/ohx.txt"
# The pages README shows: every row verified.
docs=$(dirname "$0")/../../docs
expect "README's example page" 0 scan -o "$work/example.txt" "$docs/scan-example.jpg"
expect "README's dot-matrix page" 0 scan --address-sum -o "$work/dots.txt" "$docs/scan-dot-matrix.jpg"
expect "a page of prose" 3 scan "$(ls "$pages"/prose/*.jpg | head -n 1)"
expect "a missing image" 3 scan "$work/none.png"
echo "not an image" >"$work/text.png"
expect "a file that is no image" 3 scan "$work/text.png"
expect "no image named" 2 scan
expect "an apply-only option" 2 scan --binary "$clean"
expect "an unwritable output" 3 scan -o "$work/no/such/dir/out.txt" "$clean"

# expect_said NAME STATUS TEXT ARGS...: the exit status, and TEXT on standard
# error, within 60 seconds (a guard against a hang, not a measure of speed:
# the tests run beside others on a busy machine).
expect_said() {
  local name=$1 want=$2 text=$3
  shift 3
  timeout 60 "$tool" "$@" >"$work/out" 2>"$work/err"
  local got=$?
  if [ "$got" -eq "$want" ] && grep -qF -- "$text" "$work/err"; then
    passed=$((passed + 1))
  else
    echo "FAIL: $name: exit status $got, wanted $want and \"$text\""
    head -c 400 "$work/err"
    failed=$((failed + 1))
  fi
}

# Images of every kind written by another program: small ones are read (and
# hold no listing), ones of more than 100 million pixels are refused by
# their header, before anything is decoded.
/usr/bin/python3 - "$work" <<'PY'
import sys
from PIL import Image
work = sys.argv[1]
small = Image.new("L", (300, 200), 255)
big = Image.new("1", (10001, 10000), 1)
for ext, fmt in (("png", "PNG"), ("jpg", "JPEG"), ("tif", "TIFF"), ("bmp", "BMP"), ("pgm", "PPM")):
    small.save(f"{work}/small.{ext}", fmt)
    (big.convert("L") if fmt == "JPEG" else big).save(f"{work}/big.{ext}", fmt)
PY
for ext in png jpg tif bmp pgm; do
  expect_said "a small $ext is read" 3 "ダンプリストが見つかりません" scan "$work/small.$ext"
  expect_said "a $ext of 10001 x 10000 pixels" 3 "画像が大きすぎます(10001×10000 ピクセル" \
    scan "$work/big.$ext"
done
# A whole PNG of 65 bytes whose header declares a million by a million
# pixels: refused at once, not decoded for a minute and gigabytes.
/usr/bin/python3 - "$work/million.png" <<'PY'
import struct, sys, zlib
def chunk(kind, data):
    return (struct.pack(">I", len(data)) + kind + data
            + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
header = struct.pack(">IIBBBBB", 1000000, 1000000, 8, 0, 0, 0, 0)
open(sys.argv[1], "wb").write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
                              + chunk(b"IDAT", zlib.compress(b"")) + chunk(b"IEND", b""))
PY
expect_said "a PNG header of a million by a million pixels" 3 "1000000×1000000" \
  scan "$work/million.png"
expect_said "a missing image says why" 3 "ファイルが見つかりません" scan "$work/none.png"
expect_said "an endless device" 3 "画像ファイルとして読めません" scan /dev/zero
expect_said "a text file" 3 "画像ファイルとして読めません" scan "$work/text.png"
# A FIFO whose writer comes late reads as the file does.
mkfifo "$work/page.fifo"
(sleep 1 && cat "$clean" >"$work/page.fifo") &
expect "a page through a FIFO" 0 scan -o "$work/fifo-listing.txt" "$work/page.fifo"
wait
holds "the FIFO's listing differs from the file's" \
  cmp -s "$work/listing.txt" "$work/fifo-listing.txt"

# --annotate: the marks drawn where the report says, on a page drawn apart
# from the scan (annotate_check.py); its judge fails on the page unmarked.
# Several pages get their number before the extension.
check=$(dirname "$0")/annotate_check.py
/usr/bin/python3 "$check" render "$work/blots.png"
expect "a page with blots, annotated" 1 scan --annotate "$work/marked.png" "$work/blots.png"
cp "$work/err" "$work/blots-report.txt"
judge() {  # NAME WANT PAGE ANNOTATED REPORT [spaced]
  /usr/bin/python3 "$check" judge "$3" "$4" "$5" ${6:+"$6"} >"$work/judged"
  if [ $? -eq "$2" ]; then
    passed=$((passed + 1))
  else
    echo "FAIL: $1"
    cat "$work/judged"
    failed=$((failed + 1))
  fi
}
judge "the annotation marks rows and doubts where the report says" 0 "$work/blots.png" \
  "$work/marked.png" "$work/blots-report.txt"
judge "the judge sees a page without marks" 1 "$work/blots.png" "$work/blots.png" \
  "$work/blots-report.txt"
# Other data under the same blots: whichever digits the blots are read as,
# neither blotted row is called verified.
for seed in 2 7 12; do
  /usr/bin/python3 "$check" render "$work/blots-$seed.png" "$seed"
  expect "blots over other data ($seed), annotated" 1 scan --annotate "$work/marked-$seed.png" \
    "$work/blots-$seed.png"
  judge "blots over other data ($seed): the annotation or the report" 0 "$work/blots-$seed.png" \
    "$work/marked-$seed.png" "$work/err"
done
# The same listing set as magazines set it, digits apart beside prose: its
# rows are read from glyphs moved onto one pitch, and marked where they stand.
/usr/bin/python3 "$check" render "$work/spaced.png" 1 spaced
expect "a listing with digits apart, annotated" 1 scan --annotate "$work/marked-spaced.png" \
  "$work/spaced.png"
judge "a listing with digits apart: the annotation marks rows and doubts" 0 "$work/spaced.png" \
  "$work/marked-spaced.png" "$work/err" spaced
# The same listing cropped out of its page, no prose beside it.
/usr/bin/python3 "$check" render "$work/alone.png" 1 spaced-alone
expect "a cropped listing with digits apart, annotated" 1 scan --annotate \
  "$work/marked-alone.png" "$work/alone.png"
judge "a cropped listing with digits apart: the annotation marks rows and doubts" 0 \
  "$work/alone.png" "$work/marked-alone.png" "$work/err" spaced
expect "two pages annotated" 1 scan --annotate "$work/two.png" -o "$work/two.txt" "$clean" \
  "$work/blots.png"
if [ -s "$work/two-1.png" ] && [ -s "$work/two-2.png" ] && [ ! -e "$work/two.png" ]; then
  passed=$((passed + 1))
else
  echo "FAIL: two pages' annotations are not two-1.png and two-2.png"
  failed=$((failed + 1))
fi
expect "an unwritable annotation" 3 scan --annotate "$work/no/such/dir/a.png" "$clean"
cp "$work/blots.png" "$work/blots-copy.png"
ln -s blots.png "$work/link.png"
expect "an annotation over the page read" 2 scan --annotate "$work/blots.png" "$work/blots.png"
expect "an annotation over the page through a link" 2 scan --annotate "$work/link.png" \
  "$work/blots.png"
expect "an annotation over the listing" 2 scan --annotate "$work/two.txt" -o "$work/two.txt" \
  "$work/blots.png"
holds "the page read was written over" cmp -s "$work/blots.png" "$work/blots-copy.png"

# Listings without sums: read and written, nothing verified, never status 0.
/usr/bin/python3 "$check" render-unsummed "$work/unsummed.png" "$work/unsummed-truth.txt"
while IFS='|' read -r name want text options; do
  # shellcheck disable=SC2086
  expect_said "$name" "$want" "$text" scan $options "$work/unsummed.png"
done <<'TABLE'
a listing without sums, read as such|1|何も検証していません|--no-checksum
a listing without sums, read as with them|1|検証できない行があります|
TABLE
expect "a listing without sums is written as printed" 1 scan --no-checksum -o "$work/unsummed.txt" \
  "$work/unsummed.png"
holds "the listing without sums differs from its text" \
  cmp -s "$work/unsummed.txt" "$work/unsummed-truth.txt"

echo "scan cli: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
