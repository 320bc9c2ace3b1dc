#!/usr/bin/env bash
# Which Windows build the tests run under Wine: the 32-bit one where the
# host executes 32-bit programs, else the 64-bit one. Checked with probe
# programs that run and ones that cannot start, and with the override.
set -u
source_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fails=0

# A program that runs, and an ELF file no x86 kernel executes (its machine
# field names no architecture), which fails as a 32-bit program does on a
# host without 32-bit support: "Exec format error".
printf '#!/bin/sh\nexit 0\n' >"$work/runs"
printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000\002\000\377\377' >"$work/foreign"
head -c 64 /dev/zero >>"$work/foreign"
chmod +x "$work/runs" "$work/foreign"

arch_with() {  # env assignments...; prints the chosen arch and why, one line
  env -u TSY_HOST_32BIT -u TSY_PROBE_32BIT -u TSY_WINE_ARCH "$@" TSY_WINE_DIR="$work/wine" \
    bash -c 'source "$0/scripts/wine-env" >/dev/null 2>&1 && tsy_wine_arch | paste -sd "|"' \
    "$source_dir"
}

check() {  # label expected env...
  local label=$1 expected=$2
  shift 2
  local seen
  seen=$(arch_with "$@")
  if [ "$seen" == "$expected" ]; then
    echo "ok   $label"
  else
    echo "FAIL: $label: expected [$expected], saw [$seen]"
    fails=$((fails + 1))
  fi
}

no32="win64|this host runs no 32-bit programs"
check "a probe that runs" "win32|the program we ship" TSY_PROBE_32BIT="$work/runs"
check "a probe the kernel refuses" "$no32" TSY_PROBE_32BIT="$work/foreign"
check "no 32-bit Wine at all" "win64|32-bit Wine is not installed" TSY_PROBE_32BIT="$work/missing"
check "override no without 32-bit Wine" "$no32" TSY_HOST_32BIT=no TSY_PROBE_32BIT="$work/missing"
check "override yes" "win32|the program we ship" TSY_HOST_32BIT=yes TSY_PROBE_32BIT="$work/foreign"
check "override no" "$no32" TSY_HOST_32BIT=no TSY_PROBE_32BIT="$work/runs"
check "a wrong override is refused" "" TSY_HOST_32BIT=maybe

# The prefix and loader follow the architecture.
prefix=$(env TSY_WINE_DIR="$work/wine" TSY_WINE_ARCH=win64 \
  bash -c 'source "$0/scripts/wine-env" && echo "$WINEARCH $TSY_WINE $WINEPREFIX"' "$source_dir")
expected="win64 /usr/lib/wine/wine64 $work/wine/win64/prefix"
if [ "$prefix" == "$expected" ]; then
  echo "ok   the 64-bit prefix and loader"
else
  echo "FAIL: the 64-bit prefix and loader: expected [$expected], saw [$prefix]"
  fails=$((fails + 1))
fi

# Sourced as the scripts source it, under `set -euo pipefail`, many times
# over: no sourcing may die of a pipe closed early (SIGPIPE, status 141).
sourcings=400
died=0
statuses=""
for _ in $(seq "$sourcings"); do
  (
    unset TSY_WINE_ARCH
    export TSY_WINE_DIR="$work/wine" TSY_PROBE_32BIT="$work/runs"
    set -euo pipefail
    # shellcheck source=/dev/null
    source "$source_dir/scripts/wine-env" >/dev/null 2>&1
    [ "$TSY_WINE_ARCH" = win32 ]
  )
  status=$?
  if [ "$status" -ne 0 ]; then
    died=$((died + 1))
    statuses="$statuses $status"
  fi
done
if [ "$died" -eq 0 ]; then
  echo "ok   $sourcings sourcings under pipefail"
else
  echo "FAIL: $died of $sourcings sourcings under pipefail failed (statuses:$statuses)"
  fails=$((fails + 1))
fi

[ "$fails" -eq 0 ] || exit 1
echo "wine_arch: all checks passed"
