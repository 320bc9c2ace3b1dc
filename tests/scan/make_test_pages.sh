#!/usr/bin/env bash
# Renders the pages the scan tests read: per convention clean and degraded
# pages, degraded pages in a second font (thin strokes of dots), pages with
# a coffee stain or a row left out, pages of prose, and clean pages with
# ink blots the sums cannot settle.
#   make_test_pages.sh OUTDIR
set -euo pipefail
out=$1
here=$(dirname "$0")
rm -rf "$out"
gen() { /usr/bin/python3 "$here/make_pages.py" "$@"; }
gen "$out/clean" 4 --clean --fonts dejavu --seed 11
gen "$out/degraded" 8 --fonts dejavu --seed 12
gen "$out/dotgothic" 4 --fonts dotgothic --seed 16
gen "$out/stain" 4 --fonts dejavu --seed 13 --special stain
gen "$out/dropped" 4 --fonts dejavu --seed 14 --special dropped-row
gen "$out/prose" 1 --fonts dejavu --seed 15 --special no-listing
gen "$out/blots" 2 --clean --fonts dejavu --seed 17 --special blots
