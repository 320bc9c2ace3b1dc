#!/usr/bin/env bash
# The typical road: pick the state-save file and a listing through the real
# open-file dialog, apply, write back; then a binary dump over the written
# file. Checks the completion boxes, the ".old" backup and the bytes on disk.
source "$(dirname "$0")/lib.sh"
e2e_need_wine

state="$WORK/state.tsy"
make_state "$state"
cp "$state" "$WORK/original.tsy"
listing="$WORK/listing.txt"
printf '%s\n' "C000 3E 01 02 03 44" "C004 21 00 C0 C9 AA" "SUM 5F 01 C2 CC 01EE" >"$listing"
binary="$WORK/program.bin"
printf '\xAA\xBB\xCC\xDD' >"$binary"
MEMORY=4096

app_start

# ---- Browse for the state-save file ----------------------------------------
STATE_TITLE="ステートセーブデータファイルの選択"
must click main 101 >/dev/null
drv wait "box:$STATE_TITLE" 10000 >/dev/null || die "no open-file dialog titled $STATE_TITLE"
expect_text "state-save file dialog: filter" "box:$STATE_TITLE" 0x470 "ステートセーブデータ (*.tsy)"
expect_text "state-save file dialog: no file preselected" "box:$STATE_TITLE" 0x47c ""
expect "the main dialog is disabled under the open-file dialog" 0 "$(drv enabled main self)"
must settext "box:$STATE_TITLE" 0x47c "$(win_path "$state")" >/dev/null
must command "box:$STATE_TITLE" 1 >/dev/null
drv gone "box:$STATE_TITLE" 10000 || fail "the open-file dialog stayed open"
expect_text "field 201 shows the chosen file" main 201 "$(win_path "$state")"
no_window "$MSGBOX" 0.5 && say "ok   a valid state-save file loads without a warning" ||
  fail "a message box after loading a valid file: $(drv text "$MSGBOX" 0xffff)"

# A cancelled choice changes nothing.
must click main 101 >/dev/null
drv wait "box:$STATE_TITLE" 10000 >/dev/null || die "no open-file dialog for the cancel"
must command "box:$STATE_TITLE" 2 >/dev/null
drv gone "box:$STATE_TITLE" 10000 || fail "the cancelled open-file dialog stayed open"
expect_text "a cancelled choice keeps field 201" main 201 "$(win_path "$state")"

# ---- Browse for the dump file ----------------------------------------------
DUMP_TITLE="ダンプファイルの選択"
must click main 102 >/dev/null
drv wait "box:$DUMP_TITLE" 10000 >/dev/null || die "no open-file dialog titled $DUMP_TITLE"
expect_text "dump file dialog: filter" "box:$DUMP_TITLE" 0x470 "ダンプファイル (*.*)"
must settext "box:$DUMP_TITLE" 0x47c "$(win_path "$listing")" >/dev/null
must command "box:$DUMP_TITLE" 1 >/dev/null
drv gone "box:$DUMP_TITLE" 10000 || fail "the open-file dialog stayed open"
expect_text "field 202 shows the chosen file" main 202 "$(win_path "$listing")"

# ---- Apply the listing -----------------------------------------------------
expect "write-back disabled before an apply" 0 "$(drv enabled main 104)"
must click main 103 >/dev/null
drv wait "$MSGBOX" 10000 >/dev/null || die "no completion box after the apply"
expect_text "listing completion" "$MSGBOX" 0xffff $'完了しました\nアドレス:$C000 - $C007'
expect "listing completion: information icon" information "$(icon_kind "$MSGBOX")"
expect "message boxes have no owner" none "$(drv owner "$MSGBOX")"
screenshot completion-box "$MSGBOX"
expect "the main dialog stays enabled under a message box" 1 "$(drv enabled main self)"
close_box "$MSGBOX" 1 || fail "the completion box did not close"
expect "write-back enabled after the apply" 1 "$(drv enabled main 104)"
cmp -s "$state" "$WORK/original.tsy" && say "ok   the file on disk is untouched before the write-back" ||
  fail "the apply changed the file on disk"

# ---- Write back ------------------------------------------------------------
must click main 104 >/dev/null
drv wait "$MSGBOX" 10000 >/dev/null || die "no box after the write-back"
expect_text "write-back completion" "$MSGBOX" 0xffff "書き込み完了"
expect "write-back completion: no icon" none "$(icon_kind "$MSGBOX")"
close_box "$MSGBOX" 1 || fail "the write-back box did not close"
[ -f "$state.old" ] && cmp -s "$state.old" "$WORK/original.tsy" &&
  say "ok   the backup state.tsy.old holds the original file" ||
  fail "no backup, or the backup differs from the original"
expect "listing bytes at C000 in the written file" "3e010203" \
  "$(file_hex "$state" $((MEMORY + 0xC000)) 4)"
expect "listing bytes at C004 in the written file" "2100c0c9" \
  "$(file_hex "$state" $((MEMORY + 0xC004)) 4)"
cp "$WORK/original.tsy" "$WORK/expected.tsy"
printf '\x3E\x01\x02\x03\x21\x00\xC0\xC9' |
  dd of="$WORK/expected.tsy" bs=1 seek=$((MEMORY + 0xC000)) conv=notrunc status=none
cmp -s "$state" "$WORK/expected.tsy" && say "ok   nothing else in the file changed" ||
  fail "the written file differs elsewhere: $(cmp "$state" "$WORK/expected.tsy")"

# ---- A binary dump over the written file -----------------------------------
# The start address field passes its first four characters only.
must click main 402 >/dev/null
must settext main 203 "C1009" >/dev/null
must click main 102 >/dev/null
drv wait "box:$DUMP_TITLE" 10000 >/dev/null || die "no open-file dialog for the binary dump"
must settext "box:$DUMP_TITLE" 0x47c "$(win_path "$binary")" >/dev/null
must command "box:$DUMP_TITLE" 1 >/dev/null
drv gone "box:$DUMP_TITLE" 10000 || fail "the open-file dialog stayed open"
must click main 103 >/dev/null
drv wait "$MSGBOX" 10000 >/dev/null || die "no completion box after the binary apply"
expect_text "binary completion at C100 (first four characters of C1009)" "$MSGBOX" 0xffff \
  $'完了しました\nアドレス:$C100 - $C103'
close_box "$MSGBOX" 1 || fail "the completion box did not close"
must click main 104 >/dev/null
drv wait "$MSGBOX" 10000 >/dev/null || die "no box after the second write-back"
close_box "$MSGBOX" 1 || fail "the write-back box did not close"
printf '\xAA\xBB\xCC\xDD' |
  dd of="$WORK/expected.tsy" bs=1 seek=$((MEMORY + 0xC100)) conv=notrunc status=none
cmp -s "$state" "$WORK/expected.tsy" &&
  say "ok   the second apply started from the written file; both dumps are on disk" ||
  fail "after the second write-back: $(cmp "$state" "$WORK/expected.tsy")"
cmp -s "$state.old" "$WORK/original.tsy" && say "ok   the backup stays the original" ||
  fail "the second write-back replaced the backup"

# An offset that is not a number counts as 0: the dump lands at file offset
# 0x10 + the start address.
must settext main 204 "x1" >/dev/null
must settext main 203 "0010" >/dev/null
must click main 103 >/dev/null
drv wait "$MSGBOX" 10000 >/dev/null || die "no completion box for offset 0"
close_box "$MSGBOX" 1 || fail "the completion box did not close"
must click main 104 >/dev/null
drv wait "$MSGBOX" 10000 >/dev/null || die "no box after the third write-back"
close_box "$MSGBOX" 1 || fail "the write-back box did not close"
expect "offset x1 placed the dump at file offset 0x10" "aabbccdd" "$(file_hex "$state" 16 4)"

e2e_finish
