#!/bin/bash
# The viewer under Wine, operated as a person would: the demo build (the
# simulated camera in-process) in a Wine virtual desktop of a known size,
# looked at and clicked by the window probe (tests/wine/common/), with screenshots
# under $ZEL_OUT/viewer/.
#
# Runs: a tour on a 1024x768 desktop (splash, window positions, live
# picture, Save/Print refusals, the three zoom levels, capture and release,
# image reads that time out and cost only their frames, a run of
# communication failures that recovers, then twelve in a row that end the
# program); an unplug; the Full refusal on an 800x600 desktop; and
# zelview.exe with no camera.
#
# Environment (set by tools/test): WINEPREFIX, DISPLAY, ZEL_BUILD_WIN, ZEL_OUT.
set -u
: "${WINEPREFIX:?}" "${DISPLAY:?}" "${ZEL_BUILD_WIN:?}" "${ZEL_OUT:?}"
export WINEDEBUG=${WINEDEBUG:--all}

DEMO=$ZEL_BUILD_WIN/viewer/zelview_demo.exe
REAL=$ZEL_BUILD_WIN/viewer/zelview.exe
PROBE=$ZEL_BUILD_WIN/tests/wine/common/viewer_probe.exe
OUT=$ZEL_OUT/viewer
RUN=$OUT/run
mkdir -p "$OUT" "$RUN"
for f in "$DEMO" "$REAL" "$PROBE"; do
  [ -f "$f" ] || { echo "viewer: missing $f"; exit 1; }
done

source "$(dirname "${BASH_SOURCE[0]}")/../common/viewer_checks.sh"

rect_of() { probe wait "$1" "${2:-5000}"; }
click() { probe click Veltrum "$1" || fail "button $1 of the mini panel could not be clicked"; }

use_desktop zelcheck 1024x768
read -r CAPTION WORK_W WORK_H < <(probe metrics)
echo "desktop 1024x768: caption $CAPTION, work area ${WORK_W}x${WORK_H}"

# --- Tour on 1024x768 -------------------------------------------------------
start "$DEMO"
splash=$(probe splash 15000) && shot splash
check "splash position" "$(( (WORK_W - 350) / 2 )) $(( (WORK_H - 159) / 2 - 50 )) $(( (WORK_W - 350) / 2 + 350 )) $(( (WORK_H - 159) / 2 - 50 + 159 ))" "$splash"
panel=$(rect_of Veltrum 20000)
main=$(rect_of "VIEW PANEL")
check "main window at half size" "180 100 712 $((100 + CAPTION + 404))" "$main"
check "mini panel at the main window's right edge" "712 100 862 $((100 + CAPTION + 201))" "$panel"
sleep 1
picture_changes "live"
shot live

click 204
box " Warning - Save " information "Can't save!  First, capture the picture"
click 205
box "Warning - Print" information "Can't print!  First, capture the picture"

click 208
rect_becomes "quarter size" "VIEW PANEL" "260 150 536 $((150 + CAPTION + 212))"
picture_changes "quarter"
shot zoom-quarter
click 206
fit_w=$(( WORK_W * 10 / WORK_H >= 13 ? WORK_H * 1024 / 768 : WORK_W ))
if [ "$fit_w" -gt 1024 ]; then expect_full="0 0 1044 $((CAPTION + 788))"; else expect_full="0 0 1024 768"; fi
rect_becomes "full size" "VIEW PANEL" "$expect_full"
picture_changes "full"
shot zoom-full
click 207
rect_becomes "back to half size" "VIEW PANEL" "180 100 712 $((100 + CAPTION + 404))"

click 203
probe gone "Image Capture" 5000 || fail "the capture notice stays"
picture_stands "captured"
shot captured
click 208
box "Warning - release Capture" question "Currently the image is captured.\nDo you want to release the capture ?" 7
picture_stands "No to the release question"
click 203; sleep 0.5
picture_changes "released"
shot released

# Three image reads in a row time out: only those frames are lost, the live
# picture goes on, with no USB notice and no box.
rm -f "$RUN/zelview_demo.done"
demo_command "readstall 3"
tries=300
while [ ! -f "$RUN/zelview_demo.done" ] && [ $tries -gt 0 ]; do sleep 0.1; tries=$((tries - 1)); done
check "three image-read time-outs, then a read that goes through" "readstall 3" \
  "$(tr -d '\r' <"$RUN/zelview_demo.done" 2>/dev/null)"
probe gone "ERROR USB..!!!" 0 && pass "no USB check notice after the time-outs" || fail "USB check notice after the time-outs"
kill -0 "$APP" 2>/dev/null && pass "the program runs on after the time-outs" || fail "the program ended after the time-outs"
picture_changes "after the image-read time-outs"
shot after-read-timeouts

demo_command "failrun 2"
if probe wait "ERROR USB..!!!" 5000 >/dev/null; then
  pass "USB check notice shown"
  shot usb-check
  probe gone "ERROR USB..!!!" 15000 && pass "USB check notice gone after recovery" || fail "USB check notice stays"
else
  fail "USB check notice not shown"
fi
sleep 0.5
picture_changes "after recovery"

demo_command "failrun 11"
probe wait "ERROR USB..!!!" 5000 >/dev/null && shot usb-check-run
box "Error - USB communication" error \
  "There is a problem in communication of USB.\nPlease disconnect the plug of USB and reconnect it."
ended 15 "twelve failures in a row end the program"
# The demo's traffic trace holds the live loop's hold and transfer blocks.
hold=$(grep -c '^A0 32 00 05 00 00 00 AF$' "$RUN/zelview_demo.wire" 2>/dev/null)
transfer=$(grep -c '^A0 33 00 05 00 00 00 AF$' "$RUN/zelview_demo.wire" 2>/dev/null)
if [ "${hold:-0}" -gt 0 ] && [ "${transfer:-0}" -gt 0 ]; then
  pass "traffic trace: $hold holds and $transfer transfers of the live loop"
else
  fail "traffic trace: no live loop in $RUN/zelview_demo.wire (holds ${hold:-none}, transfers ${transfer:-none})"
fi

# --- Unplug ---------------------------------------------------------------------
start "$DEMO"
rect_of Veltrum 20000 >/dev/null
picture_changes "live before the unplug"
demo_command "unplug"
box "Error - Device Driver" error \
  "Fail to find USB device driver.\nCheck the USB plug or the power of ZEL Bx-Q Series set."
ended 15 "unplug ends the program"

# --- Full refused on 800x600 ------------------------------------------------------
use_desktop zelsmall 800x600
read -r CAPTION WORK_W WORK_H < <(probe metrics)
start "$DEMO"
rect_of Veltrum 20000 >/dev/null
check "main window on 800x600" "60 40 592 $((40 + CAPTION + 404))" "$(rect_of "VIEW PANEL")"
picture_changes "live on 800x600"
click 203
probe gone "Image Capture" 5000 || fail "the capture notice stays"
picture_stands "captured on 800x600"
click 206
box "Warning - release Capture" question "Currently the image is captured.\nDo you want to release the capture ?" 6
box "Error - Mode selection" error "It is impossible to set the Full mode under 1024X768 mode or below."
picture_changes "released before the Full refusal"
check "still half size" "60 40 592 $((40 + CAPTION + 404))" "$(rect_of "VIEW PANEL")"
shot full-refused
probe close "VIEW PANEL"
ended 15 "close ends the program"

# --- zelview.exe without a camera -------------------------------------------------
use_desktop zelcheck 1024x768
start "$REAL"
box "Error - Device Driver" error \
  "Fail to find USB device driver.\nCheck the USB plug or the power of ZEL Bx-Q Series set."
ended 15 "zelview without a camera ends"

echo "viewer: $failures failure(s); screenshots in $OUT"
[ "$failures" -eq 0 ]
