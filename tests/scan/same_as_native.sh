#!/usr/bin/env bash
# tsypatch-cli.exe scan under Wine against the native tsypatch scan: every
# page image is read by both with the page's own options, and their exit
# status, listing and report are compared (the Windows program's Shift-JIS
# and CR LF taken back to UTF-8 and LF). TIFF and BMP copies of a clean
# page and of a degraded one go through the same comparison.
#
# The engine's reading of a glyph that lies between two look-alikes (D and
# 0 in a dot font, 6 and B in OCR-A) can come out otherwise on Windows: the
# same engine sources and options built natively read as the system's
# libraries do, but the C libraries' exp, log, tan and the like differ in
# their last bits. Where the sums settle such glyphs the report names other
# characters as corrected; where they cannot, a row is in doubt, and its
# doubtful characters are written as each engine read them. So the exit
# status, the rows read and every row that neither report puts in doubt
# must be the same; a page that differs in anything else is named with its
# differences.
#   same_as_native.sh WINE-LOADER TSYPATCH-CLI.EXE NATIVE-TSYPATCH PAGES-DIR
set -u
wine=$1
# Both programs run from the pages' folders.
exe=$(realpath "$2")
native=$(realpath "$3")
pages=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export WINEDEBUG=-all

if [ ! -x "$native" ]; then
  echo "FAIL: no native tsypatch at $native (build it first: scripts/test does)"
  exit 1
fi

# The formats the generator does not write, converted from its pages.
mkdir -p "$work/formats"
for page in "$(ls "$pages"/clean/plain-*.png 2>/dev/null | head -n 1)" \
  "$(ls "$pages"/degraded/ohmz-*.jpg 2>/dev/null | head -n 1)"; do
  [ -f "$page" ] || continue
  base=${page%.*}
  name=$(basename "$base")
  cp "$base.args" "$work/formats/$name.args"
  convert "$page" -compress lzw "$work/formats/$name.tif"
  convert "$page" -type truecolor "BMP3:$work/formats/$name.bmp"
done

# The numbers of the rows a report names as in doubt.
doubt_rows() {
  sed -n -E 's/^([0-9]+)行目 .* は不確か 候補:.*/\1/p' "$1" | sort -un | tr '\n' ' '
}
# The number of rows a report says it read.
rows_read() {
  sed -n -E 's/^読み取り結果: ([0-9]+)行を読み.*/\1/p' "$1"
}
# A listing without the rows in ROWS (numbers from 1), and its row count.
settled_rows() {  # LISTING ROWS
  awk -v skip=" $2 " 'index(skip, " " FNR " ") == 0 { print } END { print NR " rows" }' "$1"
}

compared=0
differ=0
glyphs_differ=0
statuses=""
for image in "$pages"/*/*.png "$pages"/*/*.jpg "$work"/formats/*.tif "$work"/formats/*.bmp; do
  [ -f "$image" ] || continue
  dir=$(dirname "$image")
  file=$(basename "$image")
  args=$(cat "${image%.*}.args" 2>/dev/null)
  out=$work/out
  rm -rf "$out"
  mkdir -p "$out"
  # Both read the page by its bare name from its folder, so that a report
  # naming the image reads the same.
  # shellcheck disable=SC2086
  (cd "$dir" && LC_ALL=C.UTF-8 "$native" scan $args -o "$out/native.txt" "$file" \
    >"$out/native.stdout" 2>"$out/native.err")
  native_status=$?
  # Under a Japanese locale Wine's console code page is Shift-JIS.
  # shellcheck disable=SC2086
  (cd "$dir" && LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 "$wine" "$exe" scan $args \
    -o "Z:${out//\//\\}\\windows.txt" "$file" >"$out/windows.stdout" 2>"$out/windows.sjis")
  windows_status=$?
  for stream in windows.txt windows.stdout; do
    [ -f "$out/$stream" ] && tr -d '\r' <"$out/$stream" >"$out/$stream.lf"
  done
  iconv -f CP932 -t UTF-8 "$out/windows.sjis" | tr -d '\r' >"$out/windows.err"
  compared=$((compared + 1))
  statuses="$statuses $native_status"
  problem=""
  doubts="$(doubt_rows "$out/native.err") $(doubt_rows "$out/windows.err")"
  if [ "$native_status" -ne "$windows_status" ]; then
    problem="exit status $windows_status, native $native_status"
  elif [ -f "$out/native.txt" ] && [ ! -f "$out/windows.txt" ]; then
    problem="no listing written"
  elif [ ! -f "$out/native.txt" ] && [ -f "$out/windows.txt" ]; then
    problem="a listing written where the native one writes none"
  elif ! cmp -s "$out/native.stdout" "$out/windows.stdout.lf"; then
    problem="other standard output"
  elif [ "$(rows_read "$out/native.err")" != "$(rows_read "$out/windows.err")" ]; then
    problem="$(rows_read "$out/windows.err") rows read, native $(rows_read "$out/native.err")"
  elif [ -f "$out/native.txt" ] && ! cmp -s <(settled_rows "$out/native.txt" "$doubts") \
    <(settled_rows "$out/windows.txt.lf" "$doubts"); then
    problem="another listing: $(diff "$out/native.txt" "$out/windows.txt.lf" | head -n 6)"
  elif [ -z "$(rows_read "$out/native.err")" ] && ! cmp -s "$out/native.err" "$out/windows.err"; then
    problem="another message: $(diff "$out/native.err" "$out/windows.err" | head -n 4)"
  elif ! cmp -s "$out/native.err" "$out/windows.err" ||
    { [ -f "$out/native.txt" ] && ! cmp -s "$out/native.txt" "$out/windows.txt.lf"; }; then
    echo "note: ${image#"$pages"/}: alike but for glyphs the engines read otherwise:"
    cat <(diff "$out/native.txt" "$out/windows.txt.lf" 2>/dev/null) \
      <(diff "$out/native.err" "$out/windows.err") | grep '^[<>]' | sed 's/^/  /'
    glyphs_differ=$((glyphs_differ + 1))
  fi
  if [ -n "$problem" ]; then
    echo "FAIL: ${image#"$pages"/} $args: $problem"
    differ=$((differ + 1))
  fi
done

verified=$(tr ' ' '\n' <<<"$statuses" | grep -cx 0)
in_doubt=$(tr ' ' '\n' <<<"$statuses" | grep -cx 1)
echo "scan same as native: $compared pages ($verified verified, $in_doubt in doubt):" \
  "$((compared - differ - glyphs_differ)) alike, $glyphs_differ alike but for glyphs read" \
  "otherwise, $differ differ"
# A run that compared little, or only failures, proves nothing.
if [ "$compared" -lt 20 ] || [ "$verified" -eq 0 ]; then
  echo "FAIL: too few pages read to compare"
  exit 1
fi
[ "$differ" -eq 0 ]
