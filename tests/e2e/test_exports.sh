#!/usr/bin/env bash
# The built tsypatch.exe as a file: the exported dialog procedures, and the
# resources read back from it (template names, styles, geometry, texts, the
# icon), with every text checked to be representable in Shift-JIS.
source "$(dirname "$0")/lib.sh"

exe="$TSY_APP"
[ -f "$exe" ] || die "no $exe"

# The tools speak English (their output is parsed) whatever the locale.
# ---- Exports: About and MessageProc, without stdcall decoration -------------
exports=$(LC_ALL=C "$TSY_OBJDUMP" -p "$exe" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  sed -n 's/^[[:space:]]*\[ *[0-9]*\] //p' | sort | tr '\n' ' ')
expect "exported names" "About MessageProc " "$exports"

# ---- Resources, read back by the resource compiler ------------------------
LC_ALL=C "$TSY_WINDRES" -i "$exe" -O rc -o "$WORK/readback.rc" || die "cannot read the resources back"
rc="$WORK/readback.rc"

# windres writes UTF-16 texts as L"\xHHHH..."; turn them into UTF-8.
decode() {
  local s=${1//\\x/\\u}
  LC_ALL=C.UTF-8 printf "%b" "$s"
}

# The lines of one dialog, from its header to END.
dialog_block() {
  sed -n "/^\"$1\" DIALOG/,/^END/p" "$rc"
}

# One line per control: "id class style x y w h text".
controls_of() {
  dialog_block "$1" | sed -n -E \
    's/^ *CONTROL L?"(.*)", (-?[0-9]+), "([A-Z]+)", (0x[0-9a-f]+), ([0-9]+), ([0-9]+), ([0-9]+), ([0-9]+)$/\2|\3|\4|\5|\6|\7|\8|\1/p' |
    while IFS='|' read -r id class style x y w h text; do
      printf '%s %s 0x%08x %s %s %s %s %s\n' "$id" "$class" "$((style))" "$x" "$y" "$w" "$h" \
        "$(decode "$text")"
    done
}

# check_dialog NAME "x, y, w, h" STYLE CAPTION POINTS < expected control lines
check_dialog() {
  local name=$1 block header style caption font
  block=$(dialog_block "$name")
  [ -n "$block" ] || { fail "no dialog $name"; return; }
  header=$(sed -n 1p <<<"$block")
  expect "$name: position and size" "\"$name\" DIALOG $2" "$header"
  style=$(sed -n 's/^STYLE //p' <<<"$block")
  expect "$name: style" "$(printf '0x%x' "$3")" "$(printf '0x%x' "$((style))")"
  caption=$(sed -n -E 's/^CAPTION L?"(.*)"$/\1/p' <<<"$block")
  expect "$name: caption" "$4" "$(decode "$caption")"
  font=$(sed -n -E 's/^FONT ([0-9]+), L?"(.*)"$/\1 \2/p' <<<"$block")
  expect "$name: font" "$5 $FONT" "$(decode "$font")"
  local expected actual
  expected=$(while read -r id class style x y w h text; do
    printf '%s %s 0x%08x %s %s %s %s %s\n' "$id" "$class" "$((style))" "$x" "$y" "$w" "$h" "$text"
  done)
  actual=$(controls_of "$name")
  if [ "$expected" == "$actual" ]; then
    say "ok   $name: $(wc -l <<<"$actual") controls in order, with ids, styles, geometry, texts"
  else
    fail "$name: controls differ"
    diff <(printf '%s\n' "$expected") <(printf '%s\n' "$actual") | sed 's/^/     /'
  fi
  # Every text must survive the way to Shift-JIS.
  while read -r line; do
    printf '%s' "$line" | iconv -f UTF-8 -t CP932 >/dev/null 2>&1 ||
      fail "$name: not representable in Shift-JIS: $line"
  done <<<"$actual$(printf '\n%s' "$(decode "$caption")")"
}

C=$((WS_CHILD | WS_VISIBLE))
TAB=$WS_TABSTOP
check_dialog MAINDIALOG "0, 0, 237, 237" \
  $((WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT)) \
  "$PRODUCT" 10 <<EOF_CONTROLS
65535 STATIC $((C | SS_LEFT)) 12 9 72 8 ステートセーブファイル
201 EDIT $((C | WS_BORDER | TAB | ES_AUTOHSCROLL)) 12 17 216 12
101 BUTTON $((C | BS_PUSHBUTTON | BS_CENTER | TAB)) 200 4 28 13 参照
504 BUTTON $((C | BS_AUTOCHECKBOX | TAB)) 20 32 76 9 フォーマットチェック
65535 STATIC $((C | SS_LEFT)) 12 47 72 8 ダンプイメージファイル
202 EDIT $((C | WS_BORDER | TAB)) 12 57 216 12
102 BUTTON $((C | BS_DEFPUSHBUTTON | BS_CENTER | TAB)) 200 43 28 14 参照
301 BUTTON $((C | BS_GROUPBOX)) 8 73 216 112 ダンプ詳細
401 BUTTON $((C | BS_AUTORADIOBUTTON | WS_GROUP | TAB)) 16 81 60 12 テキスト
402 BUTTON $((C | BS_AUTORADIOBUTTON | TAB)) 128 81 60 12 バイナリ
501 BUTTON $((C | BS_AUTOCHECKBOX | TAB)) 24 94 60 12 チェックサム
502 BUTTON $((C | BS_AUTOCHECKBOX | TAB)) 24 107 60 12 アドレスサム
503 BUTTON $((C | BS_AUTOCHECKBOX | TAB)) 32 121 96 12 下位アドレスのみ加算
65535 STATIC $((C | SS_LEFT)) 16 168 44 14 オフセット
204 EDIT $((C | WS_BORDER | TAB)) 60 168 44 12 4096
65535 STATIC $((C | SS_LEFT)) 136 94 44 13 開始アドレス
203 EDIT $((C | WS_BORDER | TAB)) 184 94 28 12 8000
506 BUTTON $((C | BS_AUTOCHECKBOX | TAB)) 136 108 80 12 UNIX版テキスト変換
65535 STATIC $((C | SS_ETCHEDFRAME)) 8 190 224 1 Frame1
103 BUTTON $((C | BS_DEFPUSHBUTTON | BS_CENTER | TAB)) 12 198 52 26 ダンプ反映
104 BUTTON $((C | BS_DEFPUSHBUTTON | BS_CENTER | TAB)) 76 198 52 26 書き戻し
105 BUTTON $((C | BS_DEFPUSHBUTTON | BS_CENTER | TAB)) 180 198 46 14 About...
2 BUTTON $((C | BS_PUSHBUTTON | TAB)) 180 215 46 14 終了
505 BUTTON $((C | BS_AUTOCHECKBOX | TAB)) 24 134 96 12 Oh!MZ形式サム(x.xxタイプ)
507 BUTTON $((C | BS_AUTOCHECKBOX | TAB)) 24 146 88 12 Oh!X CRCタイプ
EOF_CONTROLS

check_dialog ABOUTBOX "0, 0, 130, 90" $((WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT)) \
  "About      " 10 <<EOF_CONTROLS
65535 STATIC $((C | SS_LEFT | WS_GROUP)) 8 39 80 10 Ver 20220105
1 BUTTON $((C | BS_DEFPUSHBUTTON | WS_GROUP | TAB)) 40 65 48 15 OK
65535 STATIC $((C | SS_ICON)) 4 9 18 20 MainIcon
65535 STATIC $((C | SS_LEFT | WS_GROUP)) 32 13 84 17 $PRODUCT
EOF_CONTROLS

check_dialog RESULTBOX "0, 0, 118, 85" \
  $((WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_CONTEXTHELP | DS_MODALFRAME | DS_3DLOOK | DS_SETFONT)) \
  "エラー発生" 24 <<EOF_CONTROLS
1 BUTTON $((C | BS_PUSHBUTTON | BS_CENTER | TAB)) 32 66 50 14 OK
205 EDIT $((C | WS_BORDER | WS_VSCROLL | TAB | ES_READONLY | ES_MULTILINE)) 8 8 104 54
EOF_CONTROLS

# Japanese resources (17 = LANG_JAPANESE, 1 = SUBLANG_DEFAULT). The read-back
# names the language only where it changes.
expect "every resource is Japanese" "LANGUAGE 17, 1" "$(grep '^LANGUAGE' "$rc" | sort -u)"

# ---- The icon: the only icon group, one 32 x 32 image in 16 colours --------
groups=$(grep -c 'RT_GROUP_ICON' "$rc")
expect "one icon group, so it is the executable's icon" 1 "$groups"
expect "the icon group is MainIcon" '"MAINICON" 14 /* RT_GROUP_ICON */' \
  "$(grep 'RT_GROUP_ICON' "$rc")"
entry=$(sed -n '/RT_GROUP_ICON/,/^END/p' "$rc" | grep 'Element no 1')
expect "the icon is 32 x 32, 16 colours, 4 bits" '"\040\040\020\000", 1, 4,' \
  "$(sed -E 's/^ *("[^"]*", [0-9]+, [0-9]+,).*/\1/' <<<"$entry")"
expect "the icon group has one image" "0, 1, 1," \
  "$(sed -n '/RT_GROUP_ICON/,/^END/p' "$rc" | sed -n -E 's/^ *(0, 1, [0-9]+,).*/\1/p')"

# The committed icon is what its pixel map gives.
if command -v python3 >/dev/null; then
  python3 "$TSY_SOURCE_DIR/resources/make_icon.py" "$WORK/icon.ico" &&
    cmp -s "$WORK/icon.ico" "$TSY_SOURCE_DIR/resources/main_icon.ico" &&
    say "ok   main_icon.ico matches its pixel map" ||
    fail "resources/main_icon.ico differs from make_icon.py's output"
fi

e2e_finish
