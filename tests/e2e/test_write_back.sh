#!/usr/bin/env bash
# The write-back of a file that changed on disk after the apply read it (an
# emulator saving it meanwhile): an error box, in the style of the other
# write-back errors, and the file as the other program left it; the next
# apply starts from that file, and its write-back keeps both changes.
source "$(dirname "$0")/lib.sh"
e2e_need_wine

STATE_TITLE="ステートセーブデータファイルの選択"
DUMP_TITLE="ダンプファイルの選択"
CHANGED=$'ステートセーブデータが読み込んだ後に変更されています。\n書き戻しは行いませんでした。もう一度反映してから書き戻してください。'
MEMORY=4096
state="$WORK/state.tsy"
make_state "$state"
listing="$WORK/listing.txt"
printf '%s\n' "C000 3E 01 02 03 44" >"$listing"

# expect_error_box LABEL TEXT: an error box shows TEXT; OK closes it.
expect_error_box() {
  if ! drv wait "$MSGBOX" 10000 >/dev/null; then
    fail "$1: no message box"
    return
  fi
  expect_text "$1" "$MSGBOX" 0xffff "$2"
  expect "$1: error icon" error "$(icon_kind "$MSGBOX")"
  expect "$1: no owner" none "$(drv owner "$MSGBOX")"
  close_box "$MSGBOX" 1 || fail "$1: OK did not close the box"
}

# apply_and_close: the apply's completion box, closed.
apply_and_close() {
  must click main 103 >/dev/null
  drv wait "$MSGBOX" 10000 >/dev/null || die "no completion box after the apply"
  close_box "$MSGBOX" 1 || fail "the completion box did not close"
}

app_start
browse 101 "$STATE_TITLE" "$state" || die "cannot pick the state-save file"
browse 102 "$DUMP_TITLE" "$listing" || die "cannot pick the listing"
apply_and_close

# Another program saves the file after the apply read it.
printf '\x55' | dd of="$state" bs=1 seek=$((MEMORY + 0xD000)) conv=notrunc status=none
cp "$state" "$WORK/saved.tsy"
must click main 104 >/dev/null
drv wait "$MSGBOX" 10000 >/dev/null && screenshot changed-since-load "$MSGBOX"
expect_error_box "write-back of a file changed since the apply" "$CHANGED"
cmp -s "$state" "$WORK/saved.tsy" && say "ok   the other program's file stays as it saved it" ||
  fail "the refused write-back changed the file"
[ ! -e "$state.old" ] && say "ok   no backup made by the refused write-back" ||
  fail "a backup after the refused write-back"

# The next apply starts from the saved file; its write-back keeps both.
apply_and_close
must click main 104 >/dev/null
drv wait "$MSGBOX" 10000 >/dev/null || die "no box after the second write-back"
expect_text "write-back after a new apply" "$MSGBOX" 0xffff "書き込み完了"
close_box "$MSGBOX" 1 || fail "the write-back box did not close"
expect "the listing's bytes are written" "3e010203" "$(file_hex "$state" $((MEMORY + 0xC000)) 4)"
expect "the other program's byte stays" "55" "$(file_hex "$state" $((MEMORY + 0xD000)) 1)"
cmp -s "$state.old" "$WORK/saved.tsy" && say "ok   the backup is the file as the other program saved it" ||
  fail "the backup differs from the saved file"

e2e_finish
