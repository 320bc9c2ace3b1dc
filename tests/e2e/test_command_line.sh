#!/usr/bin/env bash
# The Windows command line, tsypatch-cli.exe, under Wine: it names itself as
# it is called, tells the reason of a file error in Japanese, reads a
# listing saved as UTF-16, refuses what gave nothing, and restores a backup.
# Its output is in the console's code page (932 here), read back as UTF-8.
source "$(dirname "$0")/lib.sh"
e2e_need_wine

# cli STATUS ARGS...: runs the command line; its output, as UTF-8, in $OUT.
cli() {
  local want=$1
  shift
  timeout 60 "$TSY_WINE" "$TSY_CLI" "$@" >"$WORK/out.sjis" 2>&1
  STATUS=$?
  OUT=$(iconv -f CP932 -t UTF-8 "$WORK/out.sjis" | tr -d '\r')
  [ "$STATUS" -eq "$want" ]
}

# check LABEL STATUS TEXT ARGS...: the status, and TEXT in the output.
check() {
  local label=$1 want=$2 text=$3
  shift 3
  if cli "$want" "$@" && [[ "$OUT" == *"$text"* ]]; then
    say "ok   $label"
  else
    fail "$label: status $STATUS (wanted $want), output [$OUT]"
  fi
}

state="$WORK/state.tsy"
make_state "$state"
cp "$state" "$WORK/original.tsy"
listing="$WORK/listing.txt"
printf '%s\n' "; テスト" "C000 3E 01 02 03 44" "C004 21 00 C0 C9 AA" "SUM 5F 01 C2 CC 01EE" >"$listing"
{ printf '\377\376'; iconv -f UTF-8 -t UTF-16LE "$listing"; } >"$WORK/utf16.txt"
printf 'C\0000\0000\0000\000\n\000' >"$WORK/no-mark.txt"
w() { win_path "$1"; }

check "the help names the program as it is called" 0 "使い方: tsypatch-cli [オプション]" --help
check "check's help has its own options" 0 "--detect" check --help
check "a missing file: the reason in Japanese" 3 "ファイルが見つかりません" \
  "$(w "$WORK/none.tsy")" "$(w "$listing")"
check "a start address of five digits is refused" 2 "開始アドレスは1～4桁の16進数" \
  -b -s C0001 "$(w "$state")" "$(w "$listing")"
check "a listing in UTF-16 applies" 0 'アドレス:$C000 - $C007' "$(w "$state")" "$(w "$WORK/utf16.txt")"
check "UTF-16 without its mark gives nothing" 1 "BOM のない UTF-16" \
  "$(w "$state")" "$(w "$WORK/no-mark.txt")"
check "the backup goes back" 0 "バックアップ(.old)の内容に戻しました" restore "$(w "$state")"
cmp -s "$state" "$WORK/original.tsy" && say "ok   the file is the original again" ||
  fail "the restored file differs from the original"

e2e_finish
