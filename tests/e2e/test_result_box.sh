#!/usr/bin/env bash
# A listing that stops at an E code: the ResultBox with the exact report,
# owned by the main dialog, deaf to Esc and to its close box. The About box:
# its texts, no close box, deaf to Esc, closed by Enter.
source "$(dirname "$0")/lib.sh"
e2e_need_wine

state="$WORK/state.tsy"
make_state "$state"
listing="$WORK/e05.txt"
# Columns 1 and 3 of the SUM line disagree with the data lines above.
printf '%s\n' "C000 3E 01 02 03 44" "C004 21 00 C0 C9 AA" "SUM 5F 02 C2 CD 01EE" >"$listing"

app_start
browse 101 "ステートセーブデータファイルの選択" "$state" || die "cannot pick the state-save file"
browse 102 "ダンプファイルの選択" "$listing" || die "cannot pick the listing"

# ---- The ResultBox ---------------------------------------------------------
must click main 103 >/dev/null
drv wait "$RESULT_BOX" 10000 >/dev/null || die "no ResultBox after the apply"
expect_text "ResultBox caption" "$RESULT_BOX" self "エラー発生"
report=$'縦チェックサムエラー\r\n　直前アドレス:C004\r\n　　+1　02/01\n　　+3　CD/CC\n\r\n(E05)'
# The report as it stands, then the findings of the whole listing below it.
seen=$(drv hex "$RESULT_BOX" 205)
[[ "$seen" == "$(sjis_hex "$report")"* ]] && say "ok   E05 report first in field 205" ||
  fail "field 205 does not begin with the E05 report: [$(drv text "$RESULT_BOX" 205)]"
[[ "$(drv text "$RESULT_BOX" 205)" == *"3行目 直前アドレス:C004 (E05)"* ]] &&
  say "ok   the findings below the report" || fail "no finding below the report"
expect "ResultBox is owned by the main dialog" main "$(drv owner "$RESULT_BOX")"
expect "the main dialog is disabled under the ResultBox" 0 "$(drv enabled main self)"
expect "the focus is on OK" 1 "$(drv focus "$RESULT_BOX")"
read -r style _ <<<"$(must style "$RESULT_BOX" self)"
# (Wine keeps DS_CONTEXTHELP but, unlike Windows, draws no help button for it.)
expect "ResultBox has a close box and the context-help style" "1 1" \
  "$(((0x$style & WS_SYSMENU) != 0)) $(((0x$style & DS_CONTEXTHELP) != 0))"
read -r style _ <<<"$(must style "$RESULT_BOX" 205)"
expect "field 205: read-only, multi-line, vertical scroll bar, no auto scroll" "1 1 1 0 0" \
  "$(((0x$style & ES_READONLY) != 0)) $(((0x$style & ES_MULTILINE) != 0)) $(((0x$style & WS_VSCROLL) != 0)) $(((0x$style & ES_AUTOHSCROLL) != 0)) $(((0x$style & ES_AUTOVSCROLL) != 0))"
# 24-point font: the geometry in that font's dialog units.
listing_out=$(must controls "$RESULT_BOX" 24 "$FONT")
read -r _ bx by <<<"$(sed -n 1p <<<"$listing_out")"
read -r _ cw ch <<<"$(sed -n 2p <<<"$listing_out")"
px_x() { echo $((($1 * bx + 2) / 4)); }
px_y() { echo $((($1 * by + 4) / 8)); }
expect "ResultBox client area is 118 x 85 units of 24 pt $FONT" \
  "$(px_x 118) $(px_y 85)" "$cw $ch"
expect "ResultBox controls: OK, then 205, at their places" \
  "1 $(px_x 32) $(px_y 66) $(px_x 50) $(px_y 14)|205 $(px_x 8) $(px_y 8) $(px_x 104) $(px_y 54)|" \
  "$(sed -n '3,$p' <<<"$listing_out" | awk -F'\t' '{ printf "%s %s %s %s %s|", $1, $4, $5, $6, $7 }')"
screenshot result-box "$RESULT_BOX"

xdotool key Escape
sleep 1
drv wait "$RESULT_BOX" 100 >/dev/null && say "ok   Esc leaves the ResultBox open" ||
  fail "Esc closed the ResultBox"
app_running || die "Esc ended the program"
read -r cx cy <<<"$(must closebox "$RESULT_BOX")"
xdotool mousemove "$cx" "$cy" click 1
sleep 1
drv wait "$RESULT_BOX" 100 >/dev/null && say "ok   the close box leaves the ResultBox open" ||
  fail "the close box closed the ResultBox"
close_box "$RESULT_BOX" 1 && say "ok   OK closes the ResultBox" || fail "OK did not close the ResultBox"
expect "the main dialog is enabled again" 1 "$(drv enabled main self)"
no_window "$MSGBOX" 0.5 && say "ok   no completion box after an error" ||
  fail "a message box after the ResultBox: $(drv text "$MSGBOX" 0xffff)"
expect "write-back enabled after a failed listing" 1 "$(drv enabled main 104)"

# Lines accepted before the error stay in the image: write it back.
must click main 104 >/dev/null
drv wait "$MSGBOX" 10000 >/dev/null || die "no box after the write-back"
close_box "$MSGBOX" 1 || fail "the write-back box did not close"
expect "data lines before the E05 line reached the file" "3e0102032100c0c9" \
  "$(file_hex "$state" $((4096 + 0xC000)) 8)"

# ---- The About box ---------------------------------------------------------
must click main 105 >/dev/null
drv wait "$ABOUT_BOX" 10000 >/dev/null || die "no About box"
expect_text "About caption: About and six blanks" "$ABOUT_BOX" self "About      "
about=$(must controls "$ABOUT_BOX" 10 "$FONT")
# id, text bytes and size of each control; the icon's text is its resource
# name, so only its kind and size count.
about_rows=$(sed -n '3,$p' <<<"$about" | while IFS=$'\t' read -r id _ style _ _ w h _ _ _ hex _; do
  if [ $((0x$style & 0x1F)) -eq $((SS_ICON)) ]; then
    printf '%s icon %sx%s|' "$id" "$w" "$h"
  else
    printf '%s %s|' "$id" "$hex"
  fi
done)
expect "About controls: version, OK, the icon at 32 x 32, the title" \
  "-1 $(sjis_hex "Ver 20220105")|1 $(sjis_hex OK)|-1 icon 32x32|-1 $(sjis_hex "$PRODUCT")|" \
  "$about_rows"
expect "About box is owned by the main dialog" main "$(drv owner "$ABOUT_BOX")"
expect "the main dialog is disabled under the About box" 0 "$(drv enabled main self)"
read -r style _ <<<"$(must style "$ABOUT_BOX" self)"
expect "About box has no system menu, so no close box" 0 $(((0x$style & WS_SYSMENU) != 0))
screenshot about-box "$ABOUT_BOX"
xdotool key Escape
sleep 1
drv wait "$ABOUT_BOX" 100 >/dev/null && say "ok   Esc leaves the About box open" ||
  fail "Esc closed the About box"
app_running || die "Esc ended the program"
xdotool key Return
drv gone "$ABOUT_BOX" 5000 && say "ok   Enter (the default OK) closes the About box" ||
  fail "Enter did not close the About box"
expect "the main dialog is enabled again" 1 "$(drv enabled main self)"

e2e_finish
