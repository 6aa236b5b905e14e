#!/bin/bash
# Saving the frozen picture under Wine, operated with the real keyboard and
# mouse (xdotool) in the real Save As dialog of the demo viewer: a quarter
# BMP fetched fresh from the camera, a BMP at the displayed size without
# camera traffic, a JPEG from a name ending in .JPG, the question before a
# file is replaced, Cancel after a size click, and the refusal of .png with
# the progress window standing at 80 behind it. Files are checked with
# ImageMagick, camera traffic with the demo's wire trace, boxes for text,
# caption and icon; screenshots under $ZEL_OUT/save/.
#
# Environment (set by tools/test): WINEPREFIX, DISPLAY, ZEL_BUILD_WIN, ZEL_OUT,
# ZEL_SOURCE_DIR. The reference picture comes from the native demo_frames.
set -u
: "${WINEPREFIX:?}" "${DISPLAY:?}" "${ZEL_BUILD_WIN:?}" "${ZEL_OUT:?}" "${ZEL_SOURCE_DIR:?}"
export WINEDEBUG=${WINEDEBUG:--all}

DEMO=$ZEL_BUILD_WIN/viewer/zelview_demo.exe
PROBE=$ZEL_BUILD_WIN/tests/wine/common/viewer_probe.exe
FRAMES=$ZEL_SOURCE_DIR/build/native/tools/frames/demo_frames
OUT=$ZEL_OUT/save
RUN=$OUT/run
WIRE=$RUN/zelview_demo.wire
rm -rf "$RUN"
mkdir -p "$OUT" "$RUN"
for f in "$DEMO" "$PROBE" "$FRAMES"; do
  [ -f "$f" ] || { echo "save: missing $f"; exit 1; }
done

source "$(dirname "${BASH_SOURCE[0]}")/../common/viewer_checks.sh"
finish() {
  [ -n "${APP:-}" ] && kill -0 "$APP" 2>/dev/null && wine taskkill /f /im zelview_demo.exe >/dev/null 2>&1
  forget_desktops
}
trap finish EXIT

# The Save As dialog: Save on the mini panel, wait for the dialog.
open_save_as() {
  probe click Veltrum 204 || fail "Save could not be clicked"
  probe wait "Save As" 10000 >/dev/null || { fail "the Save As dialog does not open"; return 1; }
  sleep 0.5
}

# Types a file name into the dialog's name field and presses Enter.
type_name() {  # NAME
  xclick "Save As" 1148 || xclick "Save As" 1152
  xdotool key End
  xdotool key --repeat 40 --delay 10 BackSpace
  xdotool type --delay 40 "$1"
  xdotool key Return
}

# Waits until FILE exists and the saving is over (no Saving guidance window).
saved() {  # FILE
  local tries=200
  while [ ! -f "$RUN/$1" ] && [ $tries -gt 0 ]; do sleep 0.1; tries=$((tries - 1)); done
  probe gone "Saving guidance" 10000 || fail "the Saving guidance window stays"
  [ -f "$RUN/$1" ]
}

# --- the simulated camera's own quarter picture, fetched natively --------------
"$FRAMES" "$OUT" >/dev/null || fail "reference frames"

use_desktop zelsave 1024x768
start "$DEMO"
probe wait Veltrum 20000 >/dev/null || fail "the viewer does not start"
sleep 1
probe click Veltrum 203
probe gone "Image Capture" 5000 || fail "the capture notice stays"
# (the notice may not be up yet when the click is taken late: the picture
# standing is what tells that it is captured)
picture_stands "captured"

# --- 1. Quarter while the display is at half size: a fresh still at size 2 -------
open_save_as
check "Half is checked when the dialog opens" 1 "$(probe checked "Save As" 802)"
shot save-as-dialog
before=$(wire_lines)
xclick "Save As" 803
check "Quarter is checked after the click" 1 "$(probe checked "Save As" 803)"
type_name quarter
if saved quarter.bmp; then
  pass "quarter.bmp written (the dialog added .bmp)"
  check "quarter.bmp format (40-byte header, 24 bits)" "BMP3 256 192 24" \
    "$(identify -format '%m %w %h ' "$RUN/quarter.bmp")$(od -An -tu2 -j28 -N2 "$RUN/quarter.bmp" | tr -d ' ')"
  # The same picture as the camera's, the same way up: only the marker that
  # moves at every hold differs.
  diff=$(compare -metric AE -fuzz 2% "$RUN/quarter.bmp" "$OUT/xga_256x192.bmp" null: 2>&1)
  flipped=$(convert "$RUN/quarter.bmp" -flip bmp:- | compare -metric AE -fuzz 2% - "$OUT/xga_256x192.bmp" null: 2>&1)
  if [ "${diff%%.*}" -lt 1000 ] && [ "${flipped%%.*}" -gt 10000 ]; then
    pass "quarter.bmp is the camera's picture upright ($diff pixels differ; upside down $flipped)"
  else
    fail "quarter.bmp is not the camera's picture upright ($diff pixels differ; upside down $flipped)"
  fi
else
  fail "quarter.bmp not written"
fi
traffic=$(wire_since "$before" | tr '\n' ';')
case "$traffic" in
  *"A0 31 00 02 00 00 00 AF;A0 32 00 05 00 00 00 AF;A0 33 00 05 00 00 00 AF;"*) pass "a still fetched at size 2" ;;
  *) fail "no fetch at size 2 in the wire trace: [$traffic]" ;;
esac

# --- 2. At the displayed size: no camera traffic ------------------------------------
before=$(wire_lines)
open_save_as
type_name half.bmp
saved half.bmp && check "half.bmp format" "BMP3 512 384" "$(identify -format '%m %w %h' "$RUN/half.bmp")"
sleep 0.5
check "no camera traffic for the displayed size" "" "$(wire_since "$before")"

# --- 3. A name ending in .JPG: a JPEG of the chosen size ------------------------------
open_save_as
xclick "Save As" 801
type_name photo.JPG
saved photo.JPG && check "photo.JPG is a colour JPEG of full size" "JPEG 1024 768 sRGB" \
  "$(identify -format '%m %w %h %[colorspace]' "$RUN/photo.JPG")"

# --- 4. Replacing a file asks first ---------------------------------------------------
touch -d '2001-01-01' "$RUN/half.bmp"
open_save_as
type_name half.bmp
# (the platform dialog's own question: Wine captions it "Error")
if seen=$(probe box Error 10000); then
  pass "replacing half.bmp asks first"
  check "the question's icon" icon=warning "$(echo "$seen" | head -1)"
  echo "$seen" | grep -q "already exists" || fail "the question does not say the file exists: [$seen]"
  shot replace-question
  probe answer Error 7 || fail "No could not be clicked"
  sleep 0.5
  check "No leaves the file" "2001" "$(date -r "$RUN/half.bmp" +%Y)"
  type_name half.bmp
  probe box Error 10000 >/dev/null && probe answer Error 6 || fail "Yes could not be clicked"
  saved half.bmp
  check "Yes replaces the file" "$(date +%Y)" "$(date -r "$RUN/half.bmp" +%Y)"
else
  fail "no question before replacing half.bmp"
fi

# --- 5. Cancel after a size click: no file, no progress window -------------------------
files_before=$(ls "$RUN" | tr '\n' ' ')
open_save_as
xclick "Save As" 801
xclick "Save As" 2
probe gone "Save As" 5000 || fail "Cancel does not close the dialog"
probe wait "Saving guidance" 1500 >/dev/null && fail "a progress window after Cancel"
check "Cancel writes nothing" "$files_before" "$(ls "$RUN" | tr '\n' ' ')"

# --- 6. .png is refused; the progress window stands at 80 behind the box ----------------
open_save_as
type_name pic.png
if probe wait "Saving guidance" 10000 >/dev/null; then
  probe box "Error - Save format" 10000 >/dev/null
  check "progress window text" "It is in the process of saving a image file." "$(probe text "Saving guidance" 752)"
  check "progress bar at 80 while the refusal shows" 80 "$(probe progress "Saving guidance" 851)"
  shot refusal
fi
box "Error - Save format" error "Sorry, Can't save the 'png'  format.\nOnly support bitmap or jpeg format."
probe gone "Saving guidance" 5000 || fail "the progress window stays after the refusal"
[ -f "$RUN/pic.png" ] && fail "pic.png was written"
check "no temporary files left" "" "$(ls "$RUN" | grep -iE '\.tmp$')"

probe close "VIEW PANEL"
ended 15 "close ends the program"

echo "save: $failures failure(s); screenshots in $OUT"
[ "$failures" -eq 0 ]
