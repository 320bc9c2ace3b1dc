#!/usr/bin/env bash
# A page image as the dump: a clean generated page dropped on field 202 is
# read while the dialog stays responsive under the busy cursor, its listing
# written beside it and applied as the typed listing is (the state-save
# file compared with one the command line wrote from the page's own truth);
# the same page with ink blots applies nothing and shows the scan's report
# in the ResultBox.
source "$(dirname "$0")/lib.sh"
e2e_need_wine

python=/usr/bin/python3
"$python" -c 'import PIL' 2>/dev/null || { say "SKIP: no python3-pil"; exit 77; }
gen() { "$python" "$TSY_SOURCE_DIR/tests/scan/make_pages.py" "$@" >/dev/null; }
# The same listing twice: once clean, once with blots on its first two rows.
gen "$WORK/clean" 1 --clean --fonts dejavu --conventions plain --seed 31 ||
  die "cannot render the pages"
gen "$WORK/blots" 1 --clean --fonts dejavu --conventions plain --seed 31 --special blots ||
  die "cannot render the pages"
page="$WORK/ページ.png"
cp "$WORK/clean/plain-dejavu-000.png" "$page"
truth="$WORK/clean/plain-dejavu-000.txt"
blotted="$WORK/blotted.png"
cp "$WORK/blots/plain-dejavu-000.png" "$blotted"
first=$(head -c 4 "$truth")
second=$(sed -n 2p "$truth" | head -c 4)

state="$WORK/state.tsy"
make_state "$state"
# What the typed listing gives: the command line applies the page's truth.
typed="$WORK/typed.tsy"
make_state "$typed"
"$TSY_WINE" "$TSY_CLI" "$(win_path "$typed")" "$(win_path "$truth")" >"$WORK/cli.out" 2>&1 ||
  die "the command line did not apply the truth: $(cat "$WORK/cli.out")"

app_start
browse 101 "ステートセーブデータファイルの選択" "$state" || die "cannot pick the state-save file"

# ---- A clean page: dropped, read, applied ----------------------------------
if [ -n "${TSY_XDND_DROP:-}" ] && [ -x "$TSY_XDND_DROP" ]; then
  read -r dl dt dr db <<<"$(must rect main 202)"
  timeout 20 "$TSY_XDND_DROP" "$(must xwindow main)" $(((dl + dr) / 2)) $(((dt + db) / 2)) \
    "$page" 2>"$WORK/xdnd.log" || fail "the drop was not finished: $(cat "$WORK/xdnd.log")"
  wait_text main 202 "$(win_path "$page")" && say "ok   the page dropped on 202" ||
    fail "202 after the drop: [$(drv text main 202)]"
else
  browse 102 "ダンプファイルの選択" "$page" || die "cannot pick the page"
fi

read -r ml mt mr mb <<<"$(must rect main self)"
xdotool mousemove $(((ml + mr) / 2)) $(((mt + mb) / 2))
sleep 0.2
idle_cursor=$(drv cursor main)
must click main 103 >/dev/null
# While the page is read (some seconds): another command is refused, the
# dialog answers, the cursor is another one.
sleep 0.3
if ! drv wait "$MSGBOX" 100 >/dev/null 2>&1; then
  must click main 105 >/dev/null
  start=$(date +%s%N)
  drv text main 201 >/dev/null && say "ok   the dialog answers while the page is read" ||
    fail "the dialog did not answer while the page was read"
  took=$((($(date +%s%N) - start) / 1000000))
  say "     (a read of its field took $took ms, Wine's start included)"
  xdotool mousemove $(((ml + mr) / 2 + 3)) $(((mt + mb) / 2 + 3))
  sleep 0.2
  cursor=$(drv cursor main)
  if ! drv wait "$MSGBOX" 100 >/dev/null 2>&1; then
    [ -n "$cursor" ] && [ "$cursor" != "$idle_cursor" ] &&
      say "ok   another cursor while the page is read" ||
      fail "the cursor while the page is read: [$cursor], before it [$idle_cursor]"
    screenshot page-reading main
  fi
  no_window "$ABOUT_BOX" 1 && say "ok   About, clicked while the page is read, is refused" ||
    { fail "About opened while the page was read"; close_box "$ABOUT_BOX" 1; }
else
  fail "the page was read in less than 0.3 s: nothing to see of the busy state"
fi
drv wait "$MSGBOX" 120000 >/dev/null || die "no box after the page's apply"
last=$(grep -E '^[0-9A-F]{4} ' "$truth" | tail -n 1)
last_address=$(printf '%04X' $((0x${last:0:4} + $(wc -w <<<"${last:5}") - 2)))
expect_text "the page's completion names its listing" "$MSGBOX" 0xffff \
  "完了しました"$'\n'"アドレス:\$$first - \$$last_address"$'\n'"ページから読み取ったダンプリスト:$(win_path "$page").txt"
screenshot page-applied "$MSGBOX"
close_box "$MSGBOX" 1 || fail "the completion box did not close"
xdotool mousemove $(((ml + mr) / 2)) $(((mt + mb) / 2))
sleep 0.2
expect "the cursor of before once the page is read" "$idle_cursor" "$(drv cursor main)"
expect "the listing beside the page is the page's listing" \
  "$(sed 's/$/\r/' "$truth" | od -An -tx1)" "$(od -An -tx1 <"$page.txt")"
must click main 104 >/dev/null
drv wait "$MSGBOX" 10000 >/dev/null && close_box "$MSGBOX" 1 || fail "no box after the write-back"
cmp -s "$state" "$typed" && say "ok   the page applied exactly as its typed listing" ||
  fail "the state-save file differs from the typed listing's: $(cmp "$state" "$typed")"

# ---- The same page with blots: nothing applied, the report shown ------------
fresh="$WORK/fresh.tsy"
make_state "$fresh"
cp "$fresh" "$WORK/fresh-before.tsy"
browse 101 "ステートセーブデータファイルの選択" "$fresh" || die "cannot pick the second state-save file"
browse 102 "ダンプファイルの選択" "$blotted" || die "cannot pick the blotted page"
must click main 103 >/dev/null
if drv wait "$RESULT_BOX" 120000 >/dev/null; then
  shown=$(drv text "$RESULT_BOX" 205)
  head="ページの読み取りで確かめられない行があるため、反映していません。"$'\r\n'"　読み取ったダンプリスト:$(win_path "$blotted").txt"
  [[ "$shown" == "$head"* ]] && say "ok   the report says nothing was applied and where the listing is" ||
    fail "the ResultBox begins otherwise: [${shown:0:300}]"
  for row in "1行目 アドレス:$first +" "2行目 アドレス:$second +"; do
    [[ "$shown" == *"$row"*"は不確か 候補:"* ]] && say "ok   the report names $row... with candidates" ||
      fail "no doubt named on ${row}: [$shown]"
  done
  [[ "$shown" == *"不確かな文字は紙のその位置を見て"* ]] && say "ok   and says how to mend it" ||
    fail "no word on mending the listing"
  screenshot page-in-doubt "$RESULT_BOX"
  drv scroll "$RESULT_BOX" 205 6 >/dev/null
  screenshot page-in-doubt-scrolled "$RESULT_BOX"
  close_box "$RESULT_BOX" 1 || fail "the ResultBox did not close"
else
  fail "no ResultBox for the blotted page"
  drv wait "$MSGBOX" 100 >/dev/null 2>&1 && fail "a box instead: $(drv text "$MSGBOX" 0xffff)"
fi
no_window "$MSGBOX" 0.5 && say "ok   no completion for the blotted page" ||
  fail "a box after the report: $(drv text "$MSGBOX" 0xffff)"
[ -f "$blotted.txt" ] && say "ok   the blotted page's listing is kept beside it" ||
  fail "no listing beside the blotted page"
# The write-back stays enabled from the apply before; it writes the file as
# loaded, with nothing of the page in it.
must click main 104 >/dev/null
drv wait "$MSGBOX" 10000 >/dev/null && close_box "$MSGBOX" 1
cmp -s "$fresh" "$WORK/fresh-before.tsy" && say "ok   nothing of the blotted page was applied" ||
  fail "the blotted page changed the state-save file"

e2e_finish
