#!/usr/bin/env bash
# tsypatch scan as a process: its exit status, its output read back by
# tsypatch check, and its refusals.
#   cli.sh PATH-TO-tsypatch PAGES-DIR
set -u
tool=$1
pages=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8
passed=0
failed=0

# expect NAME STATUS ARGS...
expect() {
  local name=$1 want=$2
  shift 2
  "$tool" "$@" >"$work/out" 2>"$work/err"
  local got=$?
  if [ "$got" -eq "$want" ]; then
    passed=$((passed + 1))
  else
    echo "FAIL: $name: exit status $got, wanted $want"
    head -c 400 "$work/err"
    failed=$((failed + 1))
  fi
}

clean=$(ls "$pages"/clean/plain-*.png | head -n 1)
expect "clean page verifies" 0 scan -o "$work/listing.txt" "$clean"
expect "its listing passes check" 0 check "$work/listing.txt"
ohx=$(ls "$pages"/clean/ohx-*.png | head -n 1)
expect "Oh!X page to standard output" 0 scan --ohx "$ohx"
cp "$work/out" "$work/ohx.txt"
expect "its listing passes check --ohx" 0 check --ohx "$work/ohx.txt"
expect "a page of prose" 3 scan "$(ls "$pages"/prose/*.jpg | head -n 1)"
expect "a missing image" 3 scan "$work/none.png"
echo "not an image" >"$work/text.png"
expect "a file that is no image" 3 scan "$work/text.png"
expect "no image named" 2 scan
expect "an apply-only option" 2 scan --binary "$clean"
expect "an unwritable output" 3 scan -o "$work/no/such/dir/out.txt" "$clean"

echo "scan cli: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
