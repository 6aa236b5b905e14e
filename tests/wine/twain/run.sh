#!/usr/bin/env bash
# TWZEL_32 under Wine's own TWAIN source manager: the library is installed as
# the source Wine loads (twain_32/sane.ds) with the template bitmaps beside
# it, then the TWAIN test application runs against it.
# Needs WINEPREFIX (wineserver up), DISPLAY, ZEL_BUILD_WIN; ZEL_OUT for logs.
set -euo pipefail

: "${WINEPREFIX:?}" "${ZEL_BUILD_WIN:?}"
OUT="${ZEL_OUT:-/tmp}"
# Wine's manager loads sources from twain_32, or from twain_64 when it and
# the programs are 64-bit (ZEL_WINE_BITS=64, set by tools/test).
SOURCE_DIR="$WINEPREFIX/drive_c/windows/twain_${ZEL_WINE_BITS:-32}"
mkdir -p "$SOURCE_DIR"

cp "$ZEL_BUILD_WIN/twain/TWZEL_32.ds" "$SOURCE_DIR/sane.ds"
for template in XGA_FULL XGA_HALF SXGA_FULL SXGA_HALF; do
  cp "$ZEL_BUILD_WIN/twain/$template.bmp" "$SOURCE_DIR/"
done

status=0
wine "$ZEL_BUILD_WIN/tests/wine/twain/twain_app.exe" >"$OUT/twain_app.log" 2>&1 || status=$?
cat "$OUT/twain_app.log"
exit "$status"
