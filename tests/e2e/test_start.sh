#!/usr/bin/env bash
# The main dialog at start: where it opens, its controls with ids, texts,
# positions and states; the enable rules of the option controls; the
# commands that react only to clicks; the exit button.
source "$(dirname "$0")/lib.sh"
e2e_need_wine
app_start

# ---- The window ------------------------------------------------------------
expect_text "caption" main self "$PRODUCT"
read -r left top _ _ <<<"$(must rect main self)"
expect "opens at the top-left corner of the screen" "0 0" "$left $top"
read -r _ exstyle <<<"$(must style main self)"
expect "accepts dropped files" 1 $(((0x$exstyle & WS_EX_ACCEPTFILES) != 0))

# ---- The controls, in template order ---------------------------------------
# id class x y w h (dialog units) enabled check text
expected_controls() {
  cat <<'EOF_CONTROLS'
-1 Static 12 9 72 8 1 - ステートセーブファイル
201 Edit 12 17 216 12 1 -
101 Button 200 4 28 13 1 - 参照
504 Button 20 32 76 9 1 1 フォーマットチェック
-1 Static 12 47 72 8 1 - ダンプイメージファイル
202 Edit 12 57 216 12 1 -
102 Button 200 43 28 14 1 - 参照
301 Button 8 73 216 112 1 - ダンプ詳細
401 Button 16 81 60 12 1 1 テキスト
402 Button 128 81 60 12 1 0 バイナリ
501 Button 24 94 60 12 1 1 チェックサム
502 Button 24 107 60 12 1 0 アドレスサム
503 Button 32 121 96 12 0 0 下位アドレスのみ加算
-1 Static 16 168 44 14 1 - オフセット
204 Edit 60 168 44 12 1 - 4096
-1 Static 136 94 44 13 1 - 開始アドレス
203 Edit 184 94 28 12 0 - 8000
506 Button 136 108 80 12 0 0 UNIX版テキスト変換
-1 Static 8 190 224 1 1 - Frame1
103 Button 12 198 52 26 1 - ダンプ反映
104 Button 76 198 52 26 0 - 書き戻し
105 Button 180 198 46 14 1 - About...
2 Button 180 215 46 14 1 - 終了
505 Button 24 134 96 12 1 0 Oh!MZ形式サム(x.xxタイプ)
507 Button 24 146 88 12 1 0 Oh!X CRCタイプ
EOF_CONTROLS
}

listing=$(must controls main 10 "$FONT")
read -r _ bx by <<<"$(sed -n 1p <<<"$listing")"
read -r _ cw ch <<<"$(sed -n 2p <<<"$listing")"
say "     dialog base units of 10 pt $FONT: $bx x $by"
# Dialog units to pixels, rounded as MapDialogRect rounds.
px_x() { echo $((($1 * bx + 2) / 4)); }
px_y() { echo $((($1 * by + 4) / 8)); }
expect "client area is 237 x 237 dialog units" "$(px_x 237) $(px_y 237)" "$cw $ch"

expected=$(expected_controls | while read -r id class x y w h enabled check text; do
  printf '%s %s %s %s %s %s 1 %s %s %s\n' "$id" "$class" "$(px_x "$x")" "$(px_y "$y")" \
    "$(px_x "$w")" "$(px_y "$h")" "$enabled" "$check" "$(sjis_hex "$text")"
done)
actual=$(sed -n '3,$p' <<<"$listing" |
  while IFS=$'\t' read -r id class _ x y w h visible enabled check hex _; do
    [ "$hex" == "-" ] && hex=""
    printf '%s %s %s %s %s %s %s %s %s %s\n' "$id" "$class" "$x" "$y" "$w" "$h" "$visible" \
      "$enabled" "$check" "$hex"
  done)
if [ "$expected" == "$actual" ]; then
  say "ok   25 controls: order, ids, kinds, texts (Shift-JIS), positions, sizes, states"
else
  fail "controls at start differ (id class x y w h visible enabled check text-bytes)"
  diff <(printf '%s\n' "$expected") <(printf '%s\n' "$actual") | sed 's/^/     /'
  sed -n '3,$p' <<<"$listing" | cut -f1,12 | sed 's/^/     seen: /'
fi
for id in 201 202 203 204; do
  read -r style _ <<<"$(must style main $id)"
  autoscroll=$(((0x$style & ES_AUTOHSCROLL) != 0))
  [ $id -eq 201 ] && want=1 || want=0
  expect "field $id auto horizontal scroll: $want" $want $autoscroll
done
screenshot main-dialog main

# ---- Enable rules ----------------------------------------------------------
# "id:enabled:check" for the option controls and the fields and buttons that
# are never disabled.
OPTION_IDS="501 502 503 505 507 203 506 504 101 102 201 202 204 103 105 2"
states() {
  drv controls main 10 "$FONT" | awk -F'\t' -v ids=" $OPTION_IDS " \
    'NR > 2 && index(ids, " " $1 " ") { out = out $1 ":" $9 ":" $10 " " } END { print out }'
}
# expect_states LABEL "501:1:1 ..." — waits up to 3 s for the posted clicks.
expect_states() {
  local seen i
  for i in $(seq 1 15); do
    seen=$(states)
    [ "$seen" == "$2 " ] && break
    sleep 0.2
  done
  expect "$1" "$2 " "$seen"
}
ALWAYS="504:1:1 101:1:- 102:1:- 201:1:- 202:1:- 204:1:- 103:1:- 105:1:- 2:1:-"
# Ids in the order of the dialog: 504 101 201 202 102 ... as listed above.
order() { # reorder "id:e:c" words into template order
  local words=" $* " id out=""
  for id in 201 101 504 202 102 501 502 503 204 203 506 103 105 2 505 507; do
    out+=$(grep -o " $id:[^ ]*" <<<"$words" | tr -d ' ')" "
  done
  printf '%s' "${out% }"
}

expect_states "text mode at start" \
  "$(order 501:1:1 502:1:0 503:0:0 505:1:0 507:1:0 203:0:- 506:0:0 $ALWAYS)"

must click main 502 >/dev/null
expect_states "address sum checked: 503 enabled" \
  "$(order 501:1:1 502:1:1 503:1:0 505:1:0 507:1:0 203:0:- 506:0:0 $ALWAYS)"
must click main 503 >/dev/null
must click main 502 >/dev/null
expect_states "address sum unchecked: 503 disabled, still checked" \
  "$(order 501:1:1 502:1:0 503:0:1 505:1:0 507:1:0 203:0:- 506:0:0 $ALWAYS)"

must click main 505 >/dev/null
must click main 402 >/dev/null
expect_states "binary mode: listing options disabled, marks kept; 203 and 506 enabled" \
  "$(order 501:0:1 502:0:0 503:0:1 505:0:1 507:0:0 203:1:- 506:1:0 $ALWAYS)"
expect "binary mode: radio 401 unchecked" 0 "$(drv check main 401)"
expect "binary mode: radio 402 checked" 1 "$(drv check main 402)"
screenshot binary-mode main

must click main 506 >/dev/null
must click main 401 >/dev/null
expect_states "back to text mode: 503 stays disabled (502 unchecked); 506 keeps its mark" \
  "$(order 501:1:1 502:1:0 503:0:1 505:1:1 507:1:0 203:0:- 506:0:1 $ALWAYS)"
must click main 502 >/dev/null
expect_states "address sum again: 503 enabled with its mark" \
  "$(order 501:1:1 502:1:1 503:1:1 505:1:1 507:1:0 203:0:- 506:0:1 $ALWAYS)"

# ---- Only click notifications run commands ---------------------------------
BN_DOUBLECLICKED=5
must notify main 402 $BN_DOUBLECLICKED >/dev/null
must notify main 2 $BN_DOUBLECLICKED >/dev/null
must notify main 103 $BN_DOUBLECLICKED >/dev/null
sleep 1
expect_states "a double-click notification of 402 changes nothing" \
  "$(order 501:1:1 502:1:1 503:1:1 505:1:1 507:1:0 203:0:- 506:0:1 $ALWAYS)"
no_window "$MSGBOX" 0.5 && say "ok   a double-click notification of 103 applies nothing" ||
  fail "a notification other than a click ran the apply"
app_running && say "ok   a double-click notification of 2 does not exit" ||
  fail "the program ended on a notification other than a click"

# ---- Exit ------------------------------------------------------------------
must click main 2 >/dev/null
if app_wait_end; then
  say "ok   終了 ends the program (status $APP_STATUS)"
else
  fail "the program is still running after 終了"
fi

e2e_finish
