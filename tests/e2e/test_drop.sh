#!/usr/bin/env bash
# Files dragged onto the main dialog by a real XDND drag: onto field 201
# (with and without the replace question), onto field 202 (several files at
# once, the field's edge), outside both fields; then the dropped Japanese
# path carried through apply and write-back.
source "$(dirname "$0")/lib.sh"
if [ -z "${TSY_XDND_DROP:-}" ] || [ ! -x "$TSY_XDND_DROP" ]; then
  say "SKIP: no XDND drop tool (needs a host C compiler and Xlib)"
  exit 77
fi
e2e_need_wine

REPLACE="ステートセーブデータを置き換えますか？"
FORMAT_WARNING=$'ステートセーブデータが不正の可能性があります。\n正常に書き換えられない可能性があります。\n選んだファイルが Tessary のステートセーブファイル(*.tsy)か、ダンプファイルと取り違えていないか確かめてください。'
japanese="$WORK/状態表.tsy" # 表 ends in the byte 0x5C in Shift-JIS
make_state "$japanese"
other="$WORK/other.tsy"
make_state "$other"
bad="$WORK/bad.tsy"
make_state "$bad" TSRX
dump="$WORK/ダンプ.txt"
printf '%s\n' "C000 3E 01 02 03 44" >"$dump"
second="$WORK/second.txt"
printf '%s\n' "C010 10 20 30" >"$second"

app_start
xwindow=$(must xwindow main)
[ "$xwindow" -gt 0 ] 2>/dev/null || die "no X window for the main dialog"
# A window property read back whole, a pointer-sized value on both builds.
tessary_windows=$(xdotool search --name "Tessary" 2>/dev/null)
if grep -qx "$xwindow" <<<"$tessary_windows"; then
  say "ok   the driver's X window is one of the dialog's"
else
  fail "the X window $xwindow is not among the dialog's: $(xdotool search --name Tessary | tr '\n' ' ')"
fi
read -r sl st sr sb <<<"$(must rect main 201)"
read -r dl dt dr db <<<"$(must rect main 202)"
read -r gl gt gr gb <<<"$(must rect main 301)"
STATE_AT="$(((sl + sr) / 2)) $(((st + sb) / 2))"
DUMP_AT="$(((dl + dr) / 2)) $(((dt + db) / 2))"
OUTSIDE_AT="$(((gl + gr) / 2)) $(((gt + gb) / 2))"

# drop "X Y" PATH...: one drag and drop at screen point X, Y.
drop() {
  local at=$1
  shift
  # shellcheck disable=SC2086
  timeout 20 "$TSY_XDND_DROP" "$xwindow" $at "$@" 2>"$WORK/xdnd.log" ||
    fail "the drop at $at was not finished: $(cat "$WORK/xdnd.log")"
}

# ---- Onto field 201 --------------------------------------------------------
drop "$STATE_AT" "$japanese"
wait_text main 201 "$(win_path "$japanese")" &&
  say "ok   a Japanese file name dropped on 201 is shown there" ||
  fail "201 after the drop: [$(drv text main 201)], want [$(win_path "$japanese")]"
no_window "$MSGBOX" && say "ok   no question while no state-save file is named" ||
  fail "a box after the first drop: $(drv text "$MSGBOX" 0xffff)"
expect_text "nothing lands in 202" main 202 ""

drop "$STATE_AT" "$japanese"
no_window "$MSGBOX" && say "ok   the same file again: no question" ||
  fail "a box after dropping the same file: $(drv text "$MSGBOX" 0xffff)"

drop "$STATE_AT" "$other"
if drv wait "$MSGBOX" 10000 >/dev/null; then
  expect_text "a different file asks first" "$MSGBOX" 0xffff "$REPLACE"
  # The box's buttons may be read a moment after its text under load.
  buttons=""
  for _ in $(seq 1 25); do
    buttons=$(drv controls "$MSGBOX" 10 "$FONT" |
      awk -F'\t' '$1 == 6 || $1 == 7 { printf "%s ", $1 }' | sed 's/ $//')
    [ -n "$buttons" ] && break
    sleep 0.2
  done
  expect "the question has Yes and No" "6 7" "$buttons"
  screenshot replace-question "$MSGBOX"
  close_box "$MSGBOX" 7 || fail "No did not close the question"
else
  fail "no question for a different file"
fi
sleep 0.5
expect_text "No keeps 201" main 201 "$(win_path "$japanese")"

drop "$STATE_AT" "$other"
if drv wait "$MSGBOX" 10000 >/dev/null; then
  close_box "$MSGBOX" 6 || fail "Yes did not close the question"
else
  fail "no question for a different file"
fi
wait_text main 201 "$(win_path "$other")" && say "ok   Yes replaces the state-save file" ||
  fail "201 after Yes: [$(drv text main 201)]"

# ---- Onto field 202 --------------------------------------------------------
drop "$DUMP_AT" "$dump" "$other"
wait_text main 202 "$(win_path "$dump")" && say "ok   two files dropped on 202: the first is used" ||
  fail "202 after dropping two files: [$(drv text main 202)]"
expect_text "201 keeps its file" main 201 "$(win_path "$other")"
no_window "$MSGBOX" 0.5 && say "ok   no question for the dump field" ||
  fail "a box after the drop on 202: $(drv text "$MSGBOX" 0xffff)"

# The field's outer rectangle counts with its edges; one pixel beyond does not.
drop "$dr $db" "$second"
wait_text main 202 "$(win_path "$second")" && say "ok   a drop on the bottom-right edge of 202 hits it" ||
  fail "202 after a drop on its edge: [$(drv text main 202)]"
drop "$((dr + 1)) $((db + 1))" "$dump"
sleep 1
expect_text "a drop just beyond the edge misses 202" main 202 "$(win_path "$second")"
drop "$DUMP_AT" "$dump"
wait_text main 202 "$(win_path "$dump")" || fail "202 after a drop: [$(drv text main 202)]"

# ---- Outside both fields ---------------------------------------------------
drop "$OUTSIDE_AT" "$japanese"
sleep 1
expect_text "a drop outside both fields leaves 201" main 201 "$(win_path "$other")"
expect_text "and 202" main 202 "$(win_path "$dump")"
no_window "$MSGBOX" 0.5 && say "ok   a drop outside both fields asks nothing" ||
  fail "a box after a drop outside the fields: $(drv text "$MSGBOX" 0xffff)"

# ---- A doubtful file dropped: the format warning ---------------------------
drop "$STATE_AT" "$bad"
drv wait "$MSGBOX" 10000 >/dev/null && close_box "$MSGBOX" 6 || fail "no question for bad.tsy"
if drv wait "$MSGBOX" 10000 >/dev/null; then
  expect_text "a dropped file without TSRY gets the format warning" "$MSGBOX" 0xffff \
    "$FORMAT_WARNING"
  close_box "$MSGBOX" 1 || fail "the warning did not close"
else
  fail "no format warning after dropping bad.tsy"
fi

# ---- The dropped Japanese path through apply and write-back ----------------
drop "$STATE_AT" "$japanese"
drv wait "$MSGBOX" 10000 >/dev/null && close_box "$MSGBOX" 6 || fail "no question for 状態表.tsy"
wait_text main 201 "$(win_path "$japanese")" || fail "201: [$(drv text main 201)]"
must click main 103 >/dev/null
if drv wait "$MSGBOX" 10000 >/dev/null; then
  expect_text "apply with dropped paths" "$MSGBOX" 0xffff $'完了しました\nアドレス:$C000 - $C003'
  close_box "$MSGBOX" 1
fi
must click main 104 >/dev/null
drv wait "$MSGBOX" 10000 >/dev/null && close_box "$MSGBOX" 1
expect "the listing reached 状態表.tsy" "3e010203" "$(file_hex "$japanese" $((4096 + 0xC000)) 4)"
[ -f "$japanese.old" ] && say "ok   状態表.tsy.old was made" || fail "no 状態表.tsy.old"

e2e_finish
