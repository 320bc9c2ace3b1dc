#!/usr/bin/env bash
# Runs the built command line as a process on real files and checks exit
# status, output and the bytes on disk.
#   run.sh PATH-TO-tsypatch SOURCE-DIR
set -u
tool=$(readlink -f "$1")
src=$(readlink -f "$2")
ex=$src/examples
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8

passed=0
failed=0
fail() {
  echo "FAIL: $name: $*"
  echo "  stdout: $(head -c 600 "$work/out")"
  echo "  stderr: $(head -c 600 "$work/err")"
  failed=$((failed + 1))
}
ok() { passed=$((passed + 1)); }

# run NAME EXPECTED-STATUS ARGS...: runs the tool, output in $work/out, $work/err.
run() {
  name=$1
  want=$2
  shift 2
  "$tool" "$@" >"$work/out" 2>"$work/err"
  status=$?
  if [ "$status" -ne "$want" ]; then
    fail "exit status $status, wanted $want"
    return 1
  fi
  return 0
}
has() { grep -qF -- "$2" "$work/$1" || { fail "no '$2' in $1"; return 1; }; }
hasnt() { ! grep -qF -- "$2" "$work/$1" || { fail "unexpected '$2' in $1"; return 1; }; }
fresh_state() { bash "$src/scripts/make-state-file" "$work/s.tsy"; rm -f "$work/s.tsy.old"; cp "$work/s.tsy" "$work/orig.tsy"; }
# memory_is ADDRESS FILE: the state's emulated memory at ADDRESS (hex) holds FILE's bytes.
memory_is() {
  local n
  n=$(stat -c %s "$2")
  cmp -s <(tail -c +$((4096 + 16#$1 + 1)) "$work/s.tsy" | head -c "$n") "$2" ||
    { fail "memory at $1 differs from $(basename "$2")"; return 1; }
}
unchanged() { cmp -s "$work/s.tsy" "$work/orig.tsy" && [ ! -e "$work/s.tsy.old" ] ||
  { fail "state-save file changed"; return 1; }; }

# Each example listing with the options of its convention.
conventions='plain.txt
address-sum.txt --address-sum
lower-address.txt --address-sum --lower-address-only
ohmz.txt --ohmz
ohx.txt --ohx
no-checksum.txt --no-checksum'

# Every example listing in its convention, applied and written with the backup.
while read -r listing opts; do
  fresh_state
  # shellcheck disable=SC2086
  run "apply $listing" 0 $opts "$work/s.tsy" "$ex/$listing" &&
    has out '完了しました' && has out 'アドレス:$C000 - $C03F' && has out '書き込み完了' &&
    memory_is C000 "$ex/program.bin" && cmp -s "$work/s.tsy.old" "$work/orig.tsy" && ok ||
    fail "backup or bytes"
done <<<"$conventions"

fresh_state
run "binary dump" 0 -b -s C000 "$work/s.tsy" "$ex/program.bin" &&
  has out 'アドレス:$C000 - $C03F' && memory_is C000 "$ex/program.bin" && ok

# --start takes one to four hexadecimal digits and nothing else.
fresh_state
for start in C0001 ZZZZ '' 0x ' C000' 0x10; do
  run "start address '$start' refused" 2 --binary "--start=$start" "$work/s.tsy" "$ex/program.bin" &&
    has err '開始アドレスは1～4桁の16進数' && has err 'tsypatch --help' && unchanged && ok
done
run "start address in lower case" 0 -b -s c000 "$work/s.tsy" "$ex/program.bin" &&
  memory_is C000 "$ex/program.bin" && ok

fresh_state
run "dry run" 0 -n "$work/s.tsy" "$ex/plain.txt" && has out '完了しました' && hasnt out '書き込み完了' &&
  unchanged && ok

# A typo in the third line's checksum.
sed 's/^C010  \(.*\)  14$/C010  \1  15/' "$ex/plain.txt" >"$work/typo.txt"
fresh_state
run "check failure refuses" 1 "$work/s.tsy" "$work/typo.txt" && has err '(E03)' &&
  has err '指定チェックサム:15' && has err '書き換えていません' && unchanged && ok

fresh_state
run "write partial" 1 --write-partial "$work/s.tsy" "$work/typo.txt" && has out '書き込み完了' &&
  cmp -s "$work/s.tsy.old" "$work/orig.tsy" &&
  head -c 16 "$ex/program.bin" >"$work/first16" && head -c 8 /dev/zero >"$work/zero8" &&
  memory_is C000 "$work/first16" && memory_is C010 "$work/zero8" && ok

fresh_state
run "dump too large" 1 -b -s FFF0 "$work/s.tsy" "$ex/program.bin" && has err 'ダンプファイルサイズ:64' &&
  unchanged && ok

fresh_state
run "listing outside the image" 1 --offset=4294967295 "$work/s.tsy" "$ex/plain.txt" &&
  has err '(E09)' && unchanged && ok

# File errors name the file and the system's reason, in Japanese for the
# common cases.
fresh_state
while IFS='|' read -r label args reason; do
  # shellcheck disable=SC2086
  run "$label" 3 $args && has err "$reason" && unchanged && [ ! -e "$work/none.tsy" ] && ok
done <<EOF2
missing state file|$work/none.tsy $ex/plain.txt|$work/none.tsy: ファイルが見つかりません
missing listing|$work/s.tsy $work/none.txt|$work/none.txt: ファイルが見つかりません
missing binary dump|-b $work/s.tsy $work/none.bin|$work/none.bin: ファイルが見つかりません
a folder as the listing|$work/s.tsy $work|$work: フォルダです
EOF2

# No completion without bytes, and files that are not what they claim: each
# is refused with the likely cause, and nothing is written.
printf 'C\0000\0000\0000\000 \0003\000E\000\n\000' >"$work/utf16-no-mark.txt"
printf 'A listing of prose only\n  C000 3E 01 02 03 44\n' >"$work/prose.txt"
: >"$work/empty.txt"
printf '1C000 3E 01 02 03 44\n' >"$work/five-digits.txt"
head -c 18 "$ex/program.bin" >"$work/header-only.bin"
: >"$work/empty.bin"
truncate -s 5G "$work/huge.bin"
bash "$src/scripts/make-state-file" "$work/other.tsy"
head -c 70000 /dev/urandom >"$work/random.tsy"
cp "$ex/plain.txt" "$work/listing-as-state.txt"
while IFS='|' read -r label args cause; do
  fresh_state
  cp "$work/listing-as-state.txt" "$work/listing-orig.txt"
  # shellcheck disable=SC2086
  run "$label" 1 $args && has err "$cause" && unchanged &&
    cmp -s "$work/listing-as-state.txt" "$work/listing-orig.txt" &&
    [ ! -e "$work/listing-as-state.txt.old" ] && [ ! -e "$work/random.tsy.old" ] && ok
done <<EOF2
UTF-16 without its mark|$work/s.tsy $work/utf16-no-mark.txt|BOM のない UTF-16
no data line|$work/s.tsy $work/prose.txt|4桁の16進数で始まる行(データ行)がありません
an empty listing|$work/s.tsy $work/empty.txt|4桁の16進数で始まる行(データ行)がありません
data lines that store nothing|$work/s.tsy $work/five-digits.txt|データ行はありますが
nothing read, --write-partial|--write-partial $work/s.tsy $work/prose.txt|1バイトも読めませんでした
two state-save files|$work/s.tsy $work/other.tsy|ダンプファイルはステートセーブファイルのようです
the files swapped|$work/listing-as-state.txt $work/s.tsy|順番が逆ではありませんか
random bytes as the state-save file|$work/random.tsy $ex/plain.txt|--no-format-check を付けてください
random bytes, a dry run|-n $work/random.tsy $ex/plain.txt|不正の可能性
an empty binary dump|-b -s C000 $work/s.tsy $work/empty.bin|空(0バイト)です
a UNIX text of its header only|-b -u $work/s.tsy $work/header-only.bin|先頭18バイトを読み飛ばす
a 5 GB binary dump|-b -s 0 $work/s.tsy $work/huge.bin|ダンプファイルサイズ:5368709120
EOF2
rm -f "$work/huge.bin"
cp "$work/random.tsy" "$work/random-orig.tsy"
run "format check off" 0 --no-format-check "$work/random.tsy" "$ex/plain.txt" &&
  hasnt err '不正の可能性' && cmp -s "$work/random.tsy.old" "$work/random-orig.tsy" && ok

fresh_state
run "diff" 0 --diff -n "$work/s.tsy" "$ex/program.bin" -b -s C000 &&
  has out 'C000: 00 00 00 00 00 00 00 00 -> 21 00 D0 06 40 3E 41 77' &&
  has out '書き込んだバイト数: 64、変更されたバイト数: 58' && unchanged && ok
run "apply" 0 "$work/s.tsy" "$ex/plain.txt" && ok
run "diff of an apply that changes nothing" 0 --diff "$work/s.tsy" "$ex/plain.txt" &&
  has out '書き込んだバイト数: 64、メモリの変更はありません' && ok

fresh_state
for args in "" "$work/s.tsy" "-o x $work/s.tsy $ex/plain.txt" "-o -1 $work/s.tsy $ex/plain.txt" \
  "--offset=4294967296 $work/s.tsy $ex/plain.txt" "--bogus $work/s.tsy $ex/plain.txt" \
  "$work/s.tsy $ex/plain.txt extra" "-s"; do
  # shellcheck disable=SC2086
  run "usage error: '$args'" 2 $args && has err 'tsypatch --help' && unchanged && ok
done
run "offset at the top of its range" 1 -o 4294967295 -b "$work/s.tsy" "$ex/program.bin" && unchanged && ok

# Combinations the dialog's enable rules rule out, naming both options.
while IFS='|' read -r args message; do
  # shellcheck disable=SC2086
  run "usage error: '$args'" 2 $args && has err "$message" && unchanged && ok
done <<EOF2
--lower-address-only $work/s.tsy $ex/plain.txt|--lower-address-only は --address-sum と一緒に指定してください
-b --ohx $work/s.tsy $ex/program.bin|--ohx は --binary と一緒には使えません
--start=C000 $work/s.tsy $ex/plain.txt|--start は --binary と一緒に指定してください
-u $work/s.tsy $ex/plain.txt|--unix-text は --binary と一緒に指定してください
check --lower-address-only $ex/plain.txt|--lower-address-only は --address-sum と一緒に指定してください
check --detect --ohx $ex/ohx.txt|--ohx は --detect と一緒には使えません
EOF2

# A completed apply names the lines its reader skipped or that leave a gap,
# and still writes.
grep -v '^SUM' "$ex/skipped-line.txt" | sed '/^C028 /d' >"$work/unchecked.txt"
fresh_state
run "apply warns" 0 "$work/s.tsy" "$work/unchecked.txt" && has out '書き込み完了' &&
  has err '警告: 6行目 アドレス:CO18 (読み飛ばし)' &&
  has err '警告: 9行目 アドレス:C030 (アドレス) 前の行から続くアドレスは C028 で' &&
  has err "詳しくは tsypatch check $work/unchecked.txt で調べてください。" && ok
# A long listing whose addresses wrap: twenty warnings, then how many more.
for i in $(seq 0 29); do
  printf '3000 %02X %02X %02X %02X %02X\n' "$i" $((i + 1)) $((i + 2)) $((i + 3)) $(((4 * i + 6) & 255))
done >"$work/wrapping.txt"
fresh_state
run "at most 20 warnings" 0 -n "$work/s.tsy" "$work/wrapping.txt" &&
  [ "$(grep -c '^警告: ' "$work/err")" -eq 20 ] && has err '警告: 21行目 アドレス:3000' &&
  has err "ほかに警告が 9 件あります。すべて見るには tsypatch check $work/wrapping.txt で調べてください。" &&
  ok
run "a refused apply names the convention" 1 -n "$work/s.tsy" "$ex/ohx.txt" && has err '(E00)' &&
  has err '--ohx で読むと全行のサムが合います' && ok

run "help" 0 --help && has out '使い方' && has out '--write-partial' && ok
name="the manual page has check, scan, restore, the E codes"
grep -q '^\.SH ERROR CODES' "$src/docs/tsypatch.1.in" && grep -q '^\.B tsypatch scan' "$src/docs/tsypatch.1.in" &&
  grep -q '^\.B tsypatch restore' "$src/docs/tsypatch.1.in" && grep -q '^E09' "$src/docs/tsypatch.1.in" && ok ||
  fail "missing sections"
name="the guide writes the Oh!MZ sum as the dialog does"
grep -q 'x\.xx' "$src/docs/guide-ja.txt" && ! grep -q 'h\.hh' "$src/docs/guide-ja.txt" && ok || fail "(h.hh)"
# Every option of every command is in the README, the manual page and, but
# scan's, the guide.
for command in "" check scan restore; do
  # shellcheck disable=SC2086
  "$tool" $command --help >"$work/help.txt"
  for option in $(grep -oE -- '--[a-z-]+' "$work/help.txt" | sort -u); do
    name="'$option' of '$command' documented"
    grep -qF -- "\`$option" "$src/README.md" || { fail "not in README.md"; continue; }
    grep -qF -- "$(sed 's/-/\\-/g' <<<"$option")" "$src/docs/tsypatch.1.in" ||
      { fail "not in the manual page"; continue; }
    [ "$command" = scan ] || grep -qF -- "$option" "$src/docs/guide-ja.txt" ||
      { fail "not in the guide"; continue; }
    ok
  done
done
run "version" 0 -V && has out 'Tessaryステートセーブ メモリ書き換えツール' && has out 'Ver 20220105' && ok

# Proofreading: every clean example, the example with typos, a missing file,
# an option only an apply knows.
while read -r listing opts; do
  # shellcheck disable=SC2086
  run "check $listing" 0 check $opts "$ex/$listing" && has out 'エラー 0、警告 0' &&
    hasnt out '(E0' && hasnt out '(注記)' && ok
  phrase="$opts で読むと"
  [ -n "$opts" ] || phrase='オプションなしで読むと'
  run "detect $listing" 0 check --detect "$ex/$listing" && has out "$phrase" && ok
done <<<"$conventions"
run "check without check lines" 0 check --no-checksum "$ex/no-checksum.txt" &&
  has out 'データ行 4(チェック行なし)' && ok
run "detect a missing listing" 3 check --detect "$work/none.txt" &&
  has err 'ダンプファイルがオープンできません(2)' && ok
run "detect a listing with typos" 1 check --detect "$ex/typos.txt" &&
  has out 'どの形式でも誤りなく読めません' && ok
run "check in the wrong convention" 1 check "$ex/ohx.txt" &&
  [ "$(tail -n 1 "$work/out")" = '--ohx で読むと全行のサムが合います' ] && ok
run "check a skipped line in the wrong convention" 1 check --address-sum "$ex/skipped-line.txt" &&
  has out '6行目 アドレス:CO18 (読み飛ばし)' &&
  has out 'オプションなしで読むとエラーと警告が 9 件から 2 件に減ります' && ok
printf 'C000 01 02 03 04\nC004 05 06 07 08\nC013 09 0A 0B 0C\n' >"$work/gap.txt"
run "a gap of no whole rows" 1 check --no-checksum "$work/gap.txt" &&
  has out '3行目 アドレス:C013 (アドレス) 前の行から続くアドレスは C008 で、C008 - C012 の 11 バイトが抜けています' &&
  hasnt out '行分' && ok
# One example for each kind of finding beyond the E codes.
while IFS='|' read -r listing expected; do
  run "check $listing" 1 check "$ex/$listing" && has out "$expected" && ok
done <<EOF2
skipped-line.txt|確定: アドレス CO18 は C018 の誤り(この行のチェックサムが合います)
skipped-line.txt|確定: 6行目(アドレス CO18)が読み飛ばされたための差です
addresses.txt|確定: 抜けている行は C010 48 45 4C 4C 4F 2C 20 54(チェックサム 14)
addresses.txt|8行目 アドレス:D000 (注記)
addresses.txt|確定: 9行目の繰り返しです
look-alikes.txt|7行目 直前アドレス:C018 (読み違い) 合計 O876 を 76 と読みました
two-digit-total.txt|注意: 最後の 76 は2桁で書いた合計のようです。この形式では合計を3桁か4桁で読みます
two-typos.txt|確定: +1 のデータ 47 は 45 の誤り
two-typos.txt|確定: +5 のデータ 3C は 2C の誤り
EOF2
run "check with typos" 1 check "$ex/typos.txt" &&
  has out '5行目 アドレス:C010 (E03) チェックサムエラー 指定:14 算出:13' &&
  has out '確定: +4 のデータ 4E は 4F の誤り' &&
  has out '7行目 直前アドレス:C018 (E05) 縦チェックサムエラー +4 E3/E2' &&
  has out '9行目 アドレス:C020 (E00)' && has out '確定: +1 のデータ O1 は 01 の読み違い' &&
  has out '12行目 アドレス:C038 (E03)' && has out '確定: チェックサム C6 は C0 の誤り' &&
  has out '検査結果: 14行を読み、データ行 8、ブロック 2、エラー 4' && ok
run "check a missing listing" 3 check "$work/none.txt" &&
  has err 'ダンプファイルがオープンできません(2)' && ok
run "check refuses apply options" 2 check --dry-run "$ex/plain.txt" &&
  has err 'check で使えないオプションです: --dry-run' && has err 'tsypatch check --help' && ok
run "check without a listing" 2 check && has err '検査するダンプリストを指定してください' &&
  has err 'tsypatch check --help' && ok
# Each subcommand's help shows its own options.
while IFS='|' read -r command shown hidden; do
  # shellcheck disable=SC2086
  run "help of '$command'" 0 $command --help && has out "$shown" && hasnt out "$hidden" && ok
done <<EOF2
|--write-partial|--output
check|--detect|--binary
scan|-o, --output=FILE|--offset
restore|tsypatch restore ステートセーブファイル|--ohx
EOF2

# ---- Putting the backup back --------------------------------------------------
fresh_state
run "restore without a backup" 3 restore "$work/s.tsy" && has err 'バックアップ(.old)がありません' &&
  has err "$work/s.tsy.old" && unchanged && ok
run "apply before a restore" 0 "$work/s.tsy" "$ex/plain.txt" && ok
cp "$work/s.tsy" "$work/applied.tsy"
run "restore" 0 restore "$work/s.tsy" && has out 'バックアップ(.old)の内容に戻しました' &&
  cmp -s "$work/s.tsy" "$work/orig.tsy" && cmp -s "$work/s.tsy.old" "$work/orig.tsy" && ok
run "restore again" 0 restore "$work/s.tsy" && has out 'すでにバックアップ(.old)と同じ内容です' && ok
cp "$work/applied.tsy" "$work/s.tsy"
chmod 444 "$work/s.tsy"
run "restore over a read-only file" 3 restore "$work/s.tsy" && has err '読み取り専用' &&
  cmp -s "$work/s.tsy" "$work/applied.tsy" && ok
chmod 644 "$work/s.tsy"

# ---- Encodings ------------------------------------------------------------------
# A listing saved as UTF-16 (either order, with its mark) or UTF-8 (with or
# without it) applies and checks exactly as the same text in Shift-JIS.
for listing in plain.txt typos.txt skipped-line.txt addresses.txt look-alikes.txt; do
  { printf '; 打ち込み: テスト　ＤＦ ①\n'; cat "$ex/$listing"; } >"$work/utf8.txt"
  iconv -f UTF-8 -t CP932 "$work/utf8.txt" >"$work/enc-sjis.txt"
  cp "$work/utf8.txt" "$work/enc-utf8.txt"
  { printf '\357\273\277'; cat "$work/utf8.txt"; } >"$work/enc-utf8bom.txt"
  { printf '\377\376'; iconv -f UTF-8 -t UTF-16LE "$work/utf8.txt"; } >"$work/enc-utf16le.txt"
  { printf '\376\377'; iconv -f UTF-8 -t UTF-16BE "$work/utf8.txt"; } >"$work/enc-utf16be.txt"
  for enc in sjis utf8 utf8bom utf16le utf16be; do
    "$tool" check "$work/enc-$enc.txt" >"$work/check-$enc.out" 2>&1
    echo "status $?" >>"$work/check-$enc.out"
    fresh_state
    "$tool" --diff "$work/s.tsy" "$work/enc-$enc.txt" 2>&1 | sed "s|$work/enc-$enc.txt|LISTING|" >"$work/apply-$enc.out"
    cp "$work/s.tsy" "$work/applied-$enc.tsy"
  done
  for enc in utf8 utf8bom utf16le utf16be; do
    name="$listing in $enc reads as in Shift-JIS"
    if cmp -s "$work/check-sjis.out" "$work/check-$enc.out" &&
      cmp -s "$work/apply-sjis.out" "$work/apply-$enc.out" &&
      cmp -s "$work/applied-sjis.tsy" "$work/applied-$enc.tsy"; then
      ok
    else
      fail "$(diff "$work/check-sjis.out" "$work/check-$enc.out" | head -5)"
    fi
  done
done
name="a mark costs no line"
grep -q "^検査結果: $(wc -l <"$work/utf8.txt")行を読み" "$work/check-utf16le.out" && ok ||
  fail "$(tail -2 "$work/check-utf16le.out")"

# ---- What lies around the state-save file -----------------------------------
fresh_state
run "unknown option in a group" 2 -xb "$work/s.tsy" "$ex/plain.txt" &&
  has err '不明なオプションです: -x' && hasnt err "$tool" && unchanged && ok
run "empty dump path" 2 -b "$work/s.tsy" "" && has err '空のパス' && unchanged && ok
run "empty state path" 2 "" "$ex/plain.txt" && has err '空のパス' && ok

printf 'TSRX' | dd of="$work/s.tsy" conv=notrunc status=none
cp "$work/s.tsy" "$work/orig.tsy"
run "the format warning once" 1 "$work/s.tsy" "$ex/plain.txt" &&
  [ "$(grep -c '不正の可能性' "$work/err")" -eq 1 ] && unchanged && ok ||
  fail "warned $(grep -c '不正の可能性' "$work/err") times"

run "check of a folder: no summary" 3 check "$work" && hasnt out '検査結果' && ok

# Standard output that cannot be written: a file error, and no write-back.
fresh_state
name="standard output full"
"$tool" check "$ex/typos.txt" >/dev/full 2>"$work/err"
[ $? -eq 3 ] && has err '標準出力に書き込めませんでした' && ok || fail "exit status"
name="standard output full before the write-back"
"$tool" "$work/s.tsy" "$ex/plain.txt" >/dev/full 2>"$work/err"
[ $? -eq 3 ] && has err '書き換えていません' && unchanged && ok || fail "exit status or file"

# A file name with an escape and a C1 control (U+009B, the 8-bit CSI, as
# UTF-8) is shown with both escaped.
fresh_state
run "control characters in a file name shown escaped" 3 "$work/s.tsy" "$work/x$(printf '\302\233')31m$(printf '\033')[2J" &&
  has err 'x\xC2\x9B31m\x1B[2J: ' && ! grep -q $'\033' "$work/err" &&
  ! LC_ALL=C grep -q $'\302\233' "$work/err" && ok

printf 'C000  \033[  01\n' >"$work/escape.txt"
run "control characters from a listing shown escaped" 1 check "$work/escape.txt" &&
  has out 'データ:\x1B[' && ! grep -q $'\033' "$work/out" && ok || fail "raw ESC in the output"

fresh_state
chmod 444 "$work/s.tsy"
run "read-only state file" 3 "$work/s.tsy" "$ex/plain.txt" && has err '読み取り専用' &&
  [ "$(stat -c %a "$work/s.tsy")" = 444 ] && unchanged && ok
chmod 644 "$work/s.tsy"

mkfifo "$work/fifo.tsy"
for args in "" "-n"; do
  name="a FIFO as the state file $args"
  # shellcheck disable=SC2086
  timeout 10 "$tool" $args "$work/fifo.tsy" "$ex/plain.txt" >"$work/out" 2>"$work/err"
  [ $? -eq 3 ] && has err '通常のファイルではありません' && ok || fail "exit status or hang"
done

fresh_state
run "a binary dump from a pipe" 0 -b -s C000 "$work/s.tsy" <(cat "$ex/program.bin") &&
  has out 'アドレス:$C000 - $C03F' && memory_is C000 "$ex/program.bin" && ok
run "--diff counts a binary dump from a pipe" 0 --diff -n -b -s D000 "$work/s.tsy" \
  <(cat "$ex/program.bin") && has out '書き込んだバイト数: 64、変更されたバイト数: 58' && ok

# A dump that can be read only once (a FIFO, a pipe) or never ends: the
# apply, its warnings, --diff and check read it once; every run has a
# timeout, so that a second read or an endless one fails instead of hanging.
# Each row: name|status|what feeds the FIFO|arguments (FIFO for the dump)|stream|text
mkfifo "$work/dump.fifo"
endless_line() { head -c 3000000 /dev/zero | tr '\0' A; }
# Long lines keep the tool's per-line work small, so that the case measures
# the size limit and not the host's speed at 150 million short lines.
too_large() { yes "$(head -c 1000 /dev/zero | tr '\0' x)" | head -c 300000000; }
fed_cases="listing from a FIFO written|0|cat \$ex/plain.txt|STATE FIFO|out|書き込み完了
dry run of a FIFO with its warnings|0|cat \$ex/look-alikes.txt|-n STATE FIFO|err|合計 O876 を 76 と読みました
--diff of a FIFO|0|cat \$ex/plain.txt|--diff -n STATE FIFO|out|書き込んだバイト数: 64、変更されたバイト数: 58
refused listing from a FIFO|1|cat \$ex/typos.txt|-n STATE FIFO|err|(E03)
binary dump from a FIFO with --diff|0|cat \$ex/program.bin|--diff -b -s C000 STATE FIFO|out|書き込み完了
check of a FIFO|1|cat \$ex/look-alikes.txt|check FIFO|out|合計 O876 を 76 と読みました
check --fix of a FIFO|1|cat \$ex/typos.txt|check --fix \$work/fixed.txt FIFO|out|箇所を直して
detect from a FIFO|0|cat \$ex/ohx.txt|check --detect FIFO|out|--ohx
a FIFO with a line that never ends|1|endless_line|-n STATE FIFO|err|1MB を超える行
a FIFO larger than any listing|1|too_large|-n STATE FIFO|err|256MB を超えた
check of a FIFO that never ends a line|3|head -c 3000000 /dev/zero|check FIFO|err|1MB を超える行
/dev/zero as a listing|1||-n STATE /dev/zero|err|1MB を超える行
check of /dev/zero|3||check /dev/zero|err|1MB を超える行
--detect of /dev/zero|3||check --detect /dev/zero|err|1MB を超える行
/dev/zero as a binary dump|1||-b STATE /dev/zero|err|ダンプファイルが大きすぎる"
while IFS='|' read -r name want feed args stream text; do
  fresh_state
  args=${args//STATE/$work/s.tsy}
  args=${args//FIFO/$work/dump.fifo}
  args=${args//\$ex/$ex}
  args=${args//\$work/$work}
  feed=${feed//\$ex/$ex}
  # shellcheck disable=SC2086
  [ -n "$feed" ] && (eval "$feed" >"$work/dump.fifo" 2>/dev/null) &
  # shellcheck disable=SC2086
  timeout 30 "$tool" $args >"$work/out" 2>"$work/err"
  status=$?
  # A writer left waiting (the tool never opened the FIFO) is let go.
  timeout 1 cat "$work/dump.fifo" >/dev/null 2>&1
  wait
  [ "$status" -eq "$want" ] || { fail "exit status $status, wanted $want"; continue; }
  has "$stream" "$text" && ok
done <<<"$fed_cases"
rm -f "$work/dump.fifo" "$work/fixed.txt"

fresh_state
echo victim >"$work/victim.txt"
ln -s victim.txt "$work/s.tsy.new"
run "a planted link is not followed" 0 "$work/s.tsy" "$ex/plain.txt" &&
  [ "$(cat "$work/victim.txt")" = victim ] && [ ! -L "$work/s.tsy" ] && ok || fail "victim written"
rm -f "$work/s.tsy.new"

# A name the file system takes, but not with four characters more; given
# relative, within the command line's limit for a path.
long=$(printf 'n%.0s' $(seq 253))
cp "$work/orig.tsy" "$work/$long"
(cd "$work" && run "a name too long for the temporary file" 3 "$long" "$ex/plain.txt" &&
  has err '一時ファイルを作成できませんでした' && has err 'File name too long' &&
  cmp -s "$long" orig.tsy && [ ! -e "$long.old" ]) && ok || failed=$((failed + 1))
rm -f "$work/$long"

# A folder the user may not write, as a user: root writes anyway, so root
# runs the tool as nobody, in a folder of nobody's. The listing is copied
# where nobody can read it: the checkout may lie in a folder only its
# owner may enter.
as_user=""
[ "$(id -u)" -eq 0 ] && as_user="setpriv --reuid=65534 --regid=65534 --clear-groups"
ro=$(mktemp -d)
listing=$(mktemp -d)
cp "$work/orig.tsy" "$ro/s.tsy"
cp "$ex/plain.txt" "$listing/plain.txt"
chmod 755 "$listing"
[ -n "$as_user" ] && chown -R 65534:65534 "$ro"
chmod 555 "$ro"
name="a read-only folder"
$as_user "$tool" "$ro/s.tsy" "$listing/plain.txt" >"$work/out" 2>"$work/err"
[ $? -eq 3 ] && has err '一時ファイルを作成できませんでした' && has err 'アクセスが拒否されました' &&
  cmp -s "$ro/s.tsy" "$work/orig.tsy" && [ "$(ls "$ro")" = s.tsy ] && ok || fail "exit status or file"
chmod 755 "$ro"
rm -rf "$ro" "$listing"

echo "cli: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
