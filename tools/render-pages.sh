#!/usr/bin/env bash
# Renders the pages of a PDF to PNG images for a reviewer:
#   tools/render-pages.sh FILE.pdf [OUT_DIR] [DPI]
# OUT_DIR defaults to the PDF's name without ".pdf" followed by "-pages",
# DPI to 100. Pages come out as OUT_DIR/page-1.png, page-2.png, ...
# (pdftoppm pads the numbers when the document has many pages).
#
# A sample client list of a few hundred rows is written by the print tests
# when DRAV_PRINT_SAMPLES names a folder:
#   DRAV_PRINT_SAMPLES=/tmp/samples build/asan/tests/print/print_tests \
#       --gtest_filter='*ClientList*'
#   tools/render-pages.sh /tmp/samples/clienti.pdf
set -euo pipefail
if [ $# -lt 1 ] || [ ! -f "$1" ]; then
  echo "usage: $0 FILE.pdf [OUT_DIR] [DPI]" >&2
  exit 2
fi
pdf=$1
out=${2:-${pdf%.pdf}-pages}
dpi=${3:-100}
command -v pdftoppm >/dev/null || { echo "pdftoppm missing: install poppler-utils" >&2; exit 1; }
mkdir -p "$out"
pdftoppm -png -r "$dpi" "$pdf" "$out/page"
ls "$out"/page-*.png
