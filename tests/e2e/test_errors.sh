#!/usr/bin/env bash
# What the user is told when something is missing or doubtful: the two
# empty-path errors, the format warning and when it is sampled; commands
# refused while a message box of a running command is open; Esc and the
# close box ending the program.
source "$(dirname "$0")/lib.sh"
e2e_need_wine

STATE_TITLE="ステートセーブデータファイルの選択"
DUMP_TITLE="ダンプファイルの選択"
NEED_STATE="ステートセーブデータを指定してください。"
NEED_DUMP="ダンプファイルを指定してください。"
FORMAT_WARNING=$'ステートセーブデータが不正の可能性があります。\n正常に書き換えられない可能性があります。\n選んだファイルが Tessary のステートセーブファイル(*.tsy)か、ダンプファイルと取り違えていないか確かめてください。'
state="$WORK/state.tsy"
make_state "$state"
bad="$WORK/bad.tsy"
make_state "$bad" TSRX
listing="$WORK/listing.txt"
printf '%s\n' "C000 3E 01 02 03 44" >"$listing"

# expect_box LABEL TEXT ICON: a message box shows TEXT with that icon; OK
# closes it.
expect_box() {
  if ! drv wait "$MSGBOX" 10000 >/dev/null; then
    fail "$1: no message box"
    return
  fi
  expect_text "$1" "$MSGBOX" 0xffff "$2"
  expect "$1: $3 icon" "$3" "$(icon_kind "$MSGBOX")"
  close_box "$MSGBOX" 1 || fail "$1: OK did not close the box"
}

app_start

# ---- Empty paths -----------------------------------------------------------
# What is typed into the path fields is never used.
must settext main 201 "$(win_path "$state")" >/dev/null
must settext main 202 "$(win_path "$listing")" >/dev/null
must click main 103 >/dev/null
expect_box "both paths empty (typed paths ignored)" "$NEED_STATE" error
no_window "$MSGBOX" && say "ok   only the state-save error when both are empty" ||
  fail "a second box: $(drv text "$MSGBOX" 0xffff)"
expect "write-back stays disabled after a path error" 0 "$(drv enabled main 104)"

browse 101 "$STATE_TITLE" "$state" || die "cannot pick the state-save file"
must click main 103 >/dev/null
expect_box "dump path empty" "$NEED_DUMP" error
expect "write-back stays disabled after a path error" 0 "$(drv enabled main 104)"

# ---- Format warning --------------------------------------------------------
browse 101 "$STATE_TITLE" "$bad" || die "cannot pick the doubtful file"
drv wait "$MSGBOX" 10000 >/dev/null && screenshot format-warning "$MSGBOX"
expect_box "format warning after browsing a file without TSRY" "$FORMAT_WARNING" warning
expect_text "the doubtful file stays chosen" main 201 "$(win_path "$bad")"
screenshot main-dialog-with-path main

# The check mark counts when the next browse starts, not at the apply.
browse 102 "$DUMP_TITLE" "$listing" || die "cannot pick the listing"
must click main 504 >/dev/null
sleep 0.3
expect "504 unchecked" 0 "$(drv check main 504)"
must click main 103 >/dev/null
expect_box "apply after unchecking 504 still warns (sampled at the browse)" \
  "$FORMAT_WARNING" warning
expect_box "the apply goes on after the warning" $'完了しました\nアドレス:$C000 - $C003' \
  information

browse 101 "$STATE_TITLE" "$bad" || die "cannot pick the doubtful file again"
no_window "$MSGBOX" && say "ok   no warning when 504 is unchecked at the browse" ||
  fail "a box after browsing with 504 unchecked: $(drv text "$MSGBOX" 0xffff)"
must click main 103 >/dev/null
expect_box "nor at the apply that follows" $'完了しました\nアドレス:$C000 - $C003' information

# ---- Commands wait for the open box ----------------------------------------
must click main 504 >/dev/null
browse 101 "$STATE_TITLE" "$bad" || die "cannot pick the doubtful file once more"
drv wait "$MSGBOX" 10000 >/dev/null || die "no format warning"
for id in 103 101 102 104 105; do
  must click main $id >/dev/null
done
sleep 1
expect "clicks under an open box start nothing" "1 0 0 0" \
  "$(drv count "$MSGBOX") $(drv count "box:$STATE_TITLE") $(drv count "box:$DUMP_TITLE") $(drv count "$ABOUT_BOX")"
close_box "$MSGBOX" 1 || fail "the warning did not close"
no_window "$MSGBOX" && say "ok   nothing ran after the box closed" ||
  fail "a box after the refused clicks: $(drv text "$MSGBOX" 0xffff)"

# ---- Ending the program ----------------------------------------------------
xdotool key Escape
app_wait_end && say "ok   Esc ends the program (status $APP_STATUS)" ||
  fail "the program is still running after Esc"

app_start
read -r cx cy <<<"$(must closebox main)"
xdotool mousemove "$cx" "$cy" click 1
app_wait_end && say "ok   the close box ends the program (status $APP_STATUS)" ||
  fail "the program is still running after a click on the close box"

e2e_finish
