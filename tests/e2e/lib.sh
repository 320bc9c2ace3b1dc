# Shared by the end-to-end tests (sourced). Runs tsypatch.exe under Wine and
# works it through the driver (tsy-driver.exe) and the XDND drop tool.
#
# From CTest: TSY_APP, TSY_DRIVER, TSY_XDND_DROP, TSY_E2E_WORK,
# TSY_SCREENSHOTS, TSY_SOURCE_DIR, TSY_OBJDUMP, and the build's Wine
# architecture and loader (TSY_WINE_ARCH, TSY_WINE). scripts/test provides the
# display and the Wine prefix; without them the test starts its own.
set -u -o pipefail

E2E_NAME=$(basename "$0" .sh)
WORK="$TSY_E2E_WORK/$E2E_NAME"
SHOTS="$TSY_SCREENSHOTS"
rm -rf "$WORK"
mkdir -p "$WORK" "$SHOTS"

PRODUCT="Tessaryステートセーブ メモリ書き換えツール"
MSGBOX="box:$PRODUCT"
RESULT_BOX="box:エラー発生"
ABOUT_BOX="box:About      "
FONT="ＭＳ Ｐゴシック"

# Window styles, for comparing with what the program's windows carry.
WS_POPUP=0x80000000 WS_CHILD=0x40000000 WS_VISIBLE=0x10000000 WS_DISABLED=0x08000000
WS_CAPTION=0x00C00000 WS_BORDER=0x00800000 WS_VSCROLL=0x00200000 WS_SYSMENU=0x00080000
WS_GROUP=0x00020000 WS_TABSTOP=0x00010000 WS_EX_CLIENTEDGE=0x200 WS_EX_ACCEPTFILES=0x10
WS_EX_CONTEXTHELP=0x400
DS_3DLOOK=0x4 DS_SETFONT=0x40 DS_MODALFRAME=0x80 DS_CENTER=0x800 DS_CONTEXTHELP=0x2000
SS_LEFT=0x0 SS_ICON=0x3 SS_ETCHEDFRAME=0x12
BS_PUSHBUTTON=0x0 BS_DEFPUSHBUTTON=0x1 BS_AUTOCHECKBOX=0x3 BS_GROUPBOX=0x7
BS_AUTORADIOBUTTON=0x9 BS_CENTER=0x300
ES_MULTILINE=0x4 ES_AUTOVSCROLL=0x40 ES_AUTOHSCROLL=0x80 ES_READONLY=0x800

FAILS=0
APP_PID=""
OWN_ENV=0

say() { printf '%s\n' "$*"; }

# A check that failed: the test goes on and fails at the end.
fail() {
  say "FAIL: $*"
  FAILS=$((FAILS + 1))
}

# A step that must work for the rest to make sense.
die() {
  say "FATAL: $*"
  exit 1
}

# expect LABEL EXPECTED ACTUAL
expect() {
  if [ "$2" == "$3" ]; then
    say "ok   $1"
  else
    fail "$1: expected [$2], saw [$3]"
  fi
}

# The driver, bounded in time. Prints what it read; fails like the driver.
drv() {
  timeout 30 "$TSY_WINE" "$TSY_DRIVER" "$@"
}

# Like drv, but the test cannot go on without it.
must() {
  local out
  out=$(drv "$@") || die "driver $* failed"
  printf '%s' "$out"
}

# Shift-JIS bytes of a UTF-8 text, as lower-case hex.
sjis_hex() {
  printf '%s' "$1" | iconv -f UTF-8 -t CP932 | od -An -v -tx1 | tr -d ' \n'
}

# expect_text LABEL SELECTOR ID TEXT: the control shows exactly these bytes.
expect_text() {
  local seen
  seen=$(drv hex "$2" "$3") || { fail "$1: cannot read $2 $3"; return; }
  if [ "$seen" == "$(sjis_hex "$4")" ]; then
    say "ok   $1"
  else
    fail "$1: expected [$4], saw [$(drv text "$2" "$3")] (bytes $seen)"
  fi
}

# wait_text SELECTOR ID TEXT: waits up to 5 s for the control to show TEXT.
wait_text() {
  local i
  for i in $(seq 1 25); do
    [ "$(drv hex "$1" "$2")" == "$(sjis_hex "$3")" ] && return 0
    sleep 0.2
  done
  return 1
}

# no_window SELECTOR [seconds]: nothing of that kind opens meanwhile.
no_window() {
  sleep "${2:-1}"
  ! drv wait "$1" 100 2>/dev/null
}

# The Windows form of a path, as the program sees it.
win_path() {
  "$TSY_WINE" winepath.exe -w "$1" 2>/dev/null | tr -d '\r'
}

# A state-save file: "TSRY", 1, 0, zeros up to emulated memory at 4096, 64 KiB
# of memory. make_state PATH [SIGNATURE]
make_state() {
  {
    printf '%s\001\000' "${2:-TSRY}"
    head -c $((4096 + 65536 - 6)) /dev/zero
  } >"$1"
}

# Bytes of a file as hex: file_hex PATH OFFSET COUNT
file_hex() {
  od -An -v -tx1 -j "$2" -N "$3" "$1" | tr -d ' \n'
}

app_start() {
  "$TSY_WINE" "$TSY_APP" >"$WORK/app.log" 2>&1 &
  APP_PID=$!
  drv wait main 30000 >/dev/null || die "the main dialog did not open"
}

app_running() {
  [ -n "$APP_PID" ] && kill -0 "$APP_PID" 2>/dev/null
}

# Waits up to 10 s for the program to end; its exit status in APP_STATUS.
app_wait_end() {
  local i
  for i in $(seq 1 50); do
    if ! app_running; then
      wait "$APP_PID" 2>/dev/null
      APP_STATUS=$?
      APP_PID=""
      return 0
    fi
    sleep 0.2
  done
  return 1
}

app_stop() {
  app_running || return 0
  drv command main 2 >/dev/null 2>&1
  app_wait_end && return 0
  kill "$APP_PID" 2>/dev/null
  wait "$APP_PID" 2>/dev/null
  APP_PID=""
}

# Picks a file through the program's open-file dialog, typing its path.
# browse BUTTON_ID DIALOG_TITLE PATH
browse() {
  drv click main "$1" || { fail "cannot click $1"; return 1; }
  drv wait "box:$2" 10000 >/dev/null || { fail "no open-file dialog titled $2"; return 1; }
  # The dialog's window can exist a moment before its file-name field does.
  local path i typed=1
  path=$(win_path "$3")
  for i in $(seq 1 25); do
    drv settext "box:$2" 0x47c "$path" >/dev/null 2>&1 && { typed=0; break; }
    sleep 0.2
  done
  [ "$typed" -eq 0 ] || { fail "cannot type the path"; return 1; }
  drv command "box:$2" 1 || return 1
  drv gone "box:$2" 10000 || { fail "the open-file dialog stayed open"; return 1; }
}

# Answers a message box: close_box SELECTOR BUTTON_ID
close_box() {
  drv press "$1" "$2" >/dev/null
}

# The class of a message box's icon, by its colours on the screen: error
# (red), warning (yellow), information (blue), or none when it shows none.
icon_kind() {
  local visible rect l t r b
  visible=$(drv controls "$1" 10 "$FONT" | awk -F'\t' '$1 == 1088 { print $8 }')
  [ "$visible" == 1 ] || { echo none; return; }
  rect=$(drv rect "$1" 1088) || { echo unknown; return; }
  read -r l t r b <<<"$rect"
  sleep 0.3
  import -window root "$WORK/icon-screen.png" || { echo unknown; return; }
  convert "$WORK/icon-screen.png" -crop "$((r - l))x$((b - t))+$l+$t" +repage -depth 8 \
    -format %c histogram:info:- |
    sed -n -E 's/^ *([0-9]+): \( *([0-9]+), *([0-9]+), *([0-9]+).*/\1 \2 \3 \4/p' |
    awk '{ n = $1; r = $2; g = $3; b = $4
           if (r > 150 && g < 110 && b < 110) red += n
           else if (r > 150 && g > 150 && b < 110) yellow += n
           else if (b > 150 && r < 110) blue += n }
         END { kind = "none"; best = 20
               if (red > best) { kind = "error"; best = red }
               if (yellow > best) { kind = "warning"; best = yellow }
               if (blue > best) { kind = "information" }
               print kind }'
}

# screenshot NAME SELECTOR: the window as it shows on the screen, in
# $TSY_SCREENSHOTS/NAME.png. Cut to the window's own rectangle (no -trim,
# which would take the frame's one-colour edge away with the background).
screenshot() {
  local rect l t r b
  rect=$(drv rect "$2" self) || { fail "no window $2 for the screenshot $1"; return; }
  read -r l t r b <<<"$rect"
  sleep 0.3  # let the last paint reach the screen
  if import -window root "$WORK/screen.png" &&
    convert "$WORK/screen.png" -crop "$((r - l))x$((b - t))+$l+$t" +repage "$SHOTS/$1.png"; then
    say "shot $SHOTS/$1.png"
  else
    fail "screenshot $1"
  fi
}

e2e_cleanup() {
  app_stop
  if [ "$OWN_ENV" -eq 1 ]; then
    tsy_stop_wine
    tsy_stop_xvfb
  fi
}

e2e_finish() {
  if [ "$FAILS" -gt 0 ]; then
    say "$E2E_NAME: $FAILS check(s) failed"
    exit 1
  fi
  say "$E2E_NAME: all checks passed"
  exit 0
}

# The display and the Wine prefix; outside scripts/test, ones of our own.
e2e_need_wine() {
  if [ -z "${DISPLAY:-}" ] || [ -z "${WINEPREFIX:-}" ]; then
    OWN_ENV=1
    : "${TSY_WINE_DIR:=$TSY_SOURCE_DIR/build/wine}"
    export TSY_WINE_DIR
    # shellcheck source=/dev/null
    source "$TSY_SOURCE_DIR/scripts/wine-env"
    tsy_start_xvfb || exit 1
    tsy_start_wine
  fi
}

trap e2e_cleanup EXIT
