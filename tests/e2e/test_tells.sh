#!/usr/bin/env bash
# The dialog tells what the command line tells: the warnings of a completed
# apply in a second box, with line numbers; below a refused apply's report,
# the findings of the whole listing; a listing that gave nothing is an error,
# with its likely cause; a listing saved as UTF-16 or UTF-8 applies as in
# Shift-JIS; the format warning says what to check; a file error ends with
# the reason.
source "$(dirname "$0")/lib.sh"
e2e_need_wine

COMPLETED="完了しました"
state="$WORK/state.tsy"
make_state "$state"

# A data line of eight bytes from $2 on, with its checksum: line ADDRESS FIRST
line() {
  local i sum=0 bytes=""
  for i in 0 1 2 3 4 5 6 7; do
    bytes="$bytes $(printf '%02X' $((($2 + i) & 255)))"
    sum=$((sum + (($2 + i) & 255)))
  done
  printf '%s%s %02X\n' "$1" "$bytes" $((sum & 255))
}

# ---- A skipped line: the completion, then its warning ------------------------
skipped="$WORK/skipped.txt"
{
  echo "; a program typed in, one address mistyped"
  for a in $(seq $((0x3000)) 8 $((0x3168))); do
    address=$(printf '%04X' "$a")
    [ "$address" = 30B0 ] && address=3OB0
    line "$address" $((a & 255))
  done
} >"$skipped"
skipped_line=$(grep -n '^3OB0' "$skipped" | cut -d: -f1)

apply_listing() {  # PATH: browse the dump and apply it
  browse 102 "ダンプファイルの選択" "$1" || die "cannot pick $1"
  must click main 103 >/dev/null
}

app_start
browse 101 "ステートセーブデータファイルの選択" "$state" || die "cannot pick the state-save file"
apply_listing "$skipped"
drv wait "$MSGBOX" 10000 >/dev/null || die "no completion box"
expect_text "the completion box stays as it is" "$MSGBOX" 0xffff \
  $'完了しました\nアドレス:$3000 - $316F'
close_box "$MSGBOX" 1 || fail "the completion box did not close"
if drv wait "$MSGBOX" 5000 >/dev/null; then
  warnings=$(drv text "$MSGBOX" 0xffff)
  case "$warnings" in
    *"${skipped_line}行目 アドレス:3OB0 (読み飛ばし)"*) say "ok   the warning names line $skipped_line, 3OB0" ;;
    *) fail "the warnings box: [$warnings]" ;;
  esac
  # The gap the skipped line leaves is its own doing: one warning, as check
  # counts it.
  case "$warnings" in
    "反映は完了しましたが、確かめてほしい点が 1 件あります。"*) say "ok   one warning in all" ;;
    *) fail "not one warning: [$warnings]" ;;
  esac
  expect "the warnings box: warning icon" warning "$(icon_kind "$MSGBOX")"
  screenshot warnings-box "$MSGBOX"
  close_box "$MSGBOX" 1 || fail "the warnings box did not close"
else
  fail "no warnings box after the completion"
fi

# ---- A refused apply: the report, the findings below it ---------------------
typo="$WORK/typo.txt"
printf '%s\n' "C000 3E 01 02 03 44" "C004 21 00 C0 C8 AA" "SUM 5F 01 C2 CC 01EE" >"$typo"
apply_listing "$typo"
drv wait "$RESULT_BOX" 10000 >/dev/null || die "no ResultBox after the refused apply"
report=$'チェックサムエラー\r\n　アドレス:C004\r\n　指定チェックサム:AA\r\n　算出チェックサム:A9\r\n(E03)'
seen=$(drv hex "$RESULT_BOX" 205)
[[ "$seen" == "$(sjis_hex "$report")"* ]] && say "ok   the report as it stands, first" ||
  fail "field 205 does not begin with the report: [$(drv text "$RESULT_BOX" 205)]"
shown=$(drv text "$RESULT_BOX" 205)
for part in "▼ダンプリスト全体の検査結果" "2行目 アドレス:C004 (E03)" \
  "確定: +3 のデータ C8 は C9 の誤り" "検査結果: 3行を読み"; do
  [[ "$shown" == *"$part"* ]] && say "ok   below it: $part" || fail "no [$part] in [$shown]"
done
screenshot result-box-findings "$RESULT_BOX"
must scroll "$RESULT_BOX" 205 5 >/dev/null
screenshot result-box-findings-scrolled "$RESULT_BOX"
close_box "$RESULT_BOX" 1 || fail "OK did not close the ResultBox"
no_window "$MSGBOX" 0.5 && say "ok   no completion box after the ResultBox" ||
  fail "a box after the ResultBox: $(drv text "$MSGBOX" 0xffff)"

# ---- Encodings ---------------------------------------------------------------
good="$WORK/good.txt"
printf '%s\n' "; テスト" "C000 3E 01 02 03 44" "C004 21 00 C0 C9 AA" "SUM 5F 01 C2 CC 01EE" >"$good"
{ printf '\377\376'; iconv -f UTF-8 -t UTF-16LE "$good"; } >"$WORK/utf16.txt"
{ printf '\357\273\277'; cat "$good"; } >"$WORK/utf8bom.txt"
iconv -f UTF-8 -t CP932 "$good" >"$WORK/sjis.txt"
for listing in sjis utf8bom utf16; do
  apply_listing "$WORK/$listing.txt"
  drv wait "$MSGBOX" 10000 >/dev/null || { fail "$listing: no box"; continue; }
  expect_text "a listing in $listing applies as in Shift-JIS" "$MSGBOX" 0xffff \
    $'完了しました\nアドレス:$C000 - $C007'
  close_box "$MSGBOX" 1
  no_window "$MSGBOX" 0.5 || { fail "$listing: a second box"; close_box "$MSGBOX" 1; }
done

# ---- Nothing read: an error, with the likely cause ---------------------------
printf 'C\0000\0000\0000\000 \0003\000E\000\r\000\n\000' >"$WORK/utf16-no-mark.txt"
apply_listing "$WORK/utf16-no-mark.txt"
drv wait "$MSGBOX" 10000 >/dev/null || die "no box after a listing that gave nothing"
nothing=$(drv text "$MSGBOX" 0xffff)
[[ "$nothing" == *"1バイトも読めませんでした"*"BOM のない UTF-16"* ]] &&
  say "ok   nothing read, and why" || fail "the box says [$nothing]"
expect "nothing read: error icon" error "$(icon_kind "$MSGBOX")"
screenshot nothing-read "$MSGBOX"
close_box "$MSGBOX" 1

# ---- The format warning says what to check -----------------------------------
apply_listing "$state"  # the state-save file as the dump: the files swapped
drv wait "$MSGBOX" 10000 >/dev/null || die "no box for a state-save file as the dump"
swapped=$(drv text "$MSGBOX" 0xffff)
[[ "$swapped" == *"ステートセーブファイルのようです(先頭が TSRY)"* ]] &&
  say "ok   a state-save file as the dump is named as such" || fail "the box says [$swapped]"
close_box "$MSGBOX" 1

# ---- A file error ends with the reason ---------------------------------------
rm -f "$state"
must click main 103 >/dev/null
drv wait "$MSGBOX" 10000 >/dev/null || die "no box for a state-save file gone"
expect_text "the reload of a file gone says why" "$MSGBOX" 0xffff \
  $'ステートセーブデータがオープンできません。使用中、アクセス権などの確認をしてください。\nファイルが見つかりません(名前と場所を確かめてください)'
close_box "$MSGBOX" 1

e2e_finish
