#!/bin/bash
# The control panel and its dialogs under Wine, operated with real mouse
# input (xdotool at the client points the layout gives, found through the
# probe) on the demo viewer in a 1024x768 virtual desktop. What reached the
# camera is read from the demo's traffic trace (zelview_demo.wire), what the
# panel shows from the screen (the probe compares the program's own bitmaps
# with the pixels at their places), the refusals from their message boxes.
# Screenshots under $ZEL_OUT/panel/.
#
# Environment (set by tools/test): WINEPREFIX, DISPLAY, ZEL_BUILD_WIN, ZEL_OUT.
set -u
: "${WINEPREFIX:?}" "${DISPLAY:?}" "${ZEL_BUILD_WIN:?}" "${ZEL_OUT:?}"
export WINEDEBUG=${WINEDEBUG:--all}

DEMO=$ZEL_BUILD_WIN/viewer/zelview_demo.exe
PROBE=$ZEL_BUILD_WIN/tests/wine/common/viewer_probe.exe
OUT=$ZEL_OUT/panel
RUN=$OUT/run
WIRE=$RUN/zelview_demo.wire
PANEL="ZEL Bx-Q. CONTROL PANEL (V.312)"
REFUSED="Sorry. This command is not available in present settings."
mkdir -p "$OUT" "$RUN"
for f in "$DEMO" "$PROBE"; do
  [ -f "$f" ] || { echo "panel: missing $f"; exit 1; }
done
command -v xdotool >/dev/null || { echo "panel: xdotool is missing"; exit 1; }
DEMO_W=$(winepath -w "$DEMO" 2>/dev/null)

source "$(dirname "${BASH_SOURCE[0]}")/../common/viewer_checks.sh"

use_desktop zelpanel 1024x768
read -r CAPTION _ _ < <(probe metrics)

# --- Real mouse input at a window's client point, or on a control's centre.
mouse_to() {  # TITLE X Y
  local at
  at=$(probe point "$1" "$2" "$3") || { fail "no window [$1] to point into"; return 1; }
  xdotool mousemove $at
}
press_at() { mouse_to "$@" && xdotool mousedown 1; }
click() {  # TITLE ID
  local r
  r=$(probe item "$1" "$2") || { fail "no control $2 in [$1]"; return 1; }
  set -- $r
  xdotool mousemove $(( ($1 + $3) / 2 )) $(( ($2 + $4) / 2 )) click 1
}

# --- The traffic trace: blocks since a mark, waited for by content.
mark() { MARK=$(wc -l <"$WIRE" 2>/dev/null || echo 0); }
since() { tail -n +$((MARK + 1)) "$WIRE" 2>/dev/null | tr -d '\r'; }
sent() {  # BLOCK: how often since the mark
  local n
  n=$(since | grep -c -x "$1")
  echo "${n:-0}"
}
wait_sent() {  # WHAT BLOCK [MS]: the block reaches the camera
  local limit=$(( ${3:-8000} / 100 ))
  while [ "$(sent "$2")" -eq 0 ] && [ $limit -gt 0 ]; do sleep 0.1; limit=$((limit - 1)); done
  if [ "$(sent "$2")" -gt 0 ]; then pass "$1: sent $2"; else fail "$1: $2 never sent"; fi
}
# Commands other than the picture loop's and the status refresh's queries.
commands_since() { since | grep -v -E '^A0 (3[123]|6[0-9A-F]) '; }

# --- What the screen shows.
shows() {  # WHAT TITLE BITMAP X Y: the bitmap is drawn there (waits for it)
  local seen try
  for try in $(seq 60); do
    seen=$(probe shows "$2" "$DEMO_W" "$3" "$4" "$5") && { pass "$1"; return 0; }
    sleep 0.1
  done
  fail "$1: bitmap $3 not at $4,$5 ($seen)"
}
refused() {  # WHAT ID: the button is refused with the warning, nothing is sent
  mark
  click "$PANEL" "$2"
  box "Warning" warning "$REFUSED"
  check "$1: nothing sent" "" "$(commands_since)"
}
# The input and resolution dialogs have no caption or frame: found by their
# size (129 x 49), their window is their client area.
opens_beside() {  # WHAT PANEL_BUTTON DX RAISE: the dialog opens beside the panel button
  local bl bb dialog
  read -r bl _ _ bb < <(probe item "$PANEL" "$2")
  click "$PANEL" "$2"
  dialog=$(probe sized 129 49 5000) || { fail "$1 does not open"; return 1; }
  check "$1 beside its button" "$((bl + $3)) $((bb - $4)) $((bl + $3 + 129)) $((bb - $4 + 49))" "$dialog"
}
choose() {  # X Y: a click at that client point of the open dialog
  local dx dy
  read -r dx dy _ _ < <(probe sized 129 49 5000)
  mark
  xdotool mousemove $((dx + $1)) $((dy + $2)) click 1
}
# No dialog of that size is left (waits up to MS): a dialog sends its
# command before it ends, so the block can be in the trace while it still
# goes away.
sized_gone() {  # W H MS
  local limit=$(( $3 / 100 ))
  while probe sized "$1" "$2" 0 >/dev/null; do
    [ $limit -gt 0 ] || return 1
    sleep 0.1
    limit=$((limit - 1))
  done
}
one_shot() {  # WHAT ID BLOCK
  mark
  click "$PANEL" "$2"
  wait_sent "$1" "$3"
}

# --- The panel opens from the mini panel ---------------------------------------
start "$DEMO"
probe wait Veltrum 30000 >/dev/null || { fail "the demo viewer does not come up"; exit 1; }
picture_changes "live"
[ -f "$WIRE" ] && pass "the traffic trace is written" || fail "no traffic trace in $RUN"
click Veltrum 202
panel=$(probe wait "$PANEL" 8000) || fail "the control panel does not open"
read -r ml _ _ mb < <(probe wait "VIEW PANEL")
check "panel below the main window" "$((ml + 2)) $mb $((ml + 2 + 476)) $((mb + CAPTION + 204))" "$panel"
shows "Zoom selected at start" "$PANEL" 1202 2 51
shows "lamp upper" "$PANEL" 1228 81 132
shows "positive" "$PANEL" 1302 211 36
shows "internal input" "$PANEL" 1303 271 34
shows "output XGA" "$PANEL" 1310 211 58
shows "upright" "$PANEL" 317 216 80
shows "aperture on" "$PANEL" 310 272 84
shot panel

# --- Iris, held right arrow ------------------------------------------------------
click "$PANEL" 303
shows "Iris selected" "$PANEL" 1206 64 51
shows "Zoom no longer selected" "$PANEL" 1201 2 51
mark
press_at "$PANEL" 175 29
wait_sent "right arrow pressed" "A0 21 00 05 00 00 00 AF"
shows "right arrow drawn pressed" "$PANEL" 1214 166 20
picture_stands "arrow held"
shot arrow-held
check "no stop while held" 0 "$(sent "A0 2F 00 05 00 00 00 AF")"
xdotool mouseup 1
wait_sent "right arrow released" "A0 2F 00 05 00 00 00 AF"
check "one start and one stop, in that order" "A0 21 00 05 00 00 00 AF
A0 2F 00 05 00 00 00 AF" "$(commands_since)"
picture_changes "arrow released"

# --- The level knob ---------------------------------------------------------------------
read -r ox _ < <(probe point "$PANEL" 0 0)
read -r kx _ _ _ < <(probe item "$PANEL" 313)
knob=$((kx - ox))
mark
press_at "$PANEL" $((knob + 9)) 29
mouse_to "$PANEL" 130 29
mouse_to "$PANEL" 96 29
shot knob-dragged
xdotool mouseup 1
# Dropped with its centre at 96: (96 - 27) x 120 / 139 = 59.
wait_sent "knob dropped" "A0 41 00 00 3B 00 00 AF"
for _ in $(seq 80); do
  read -r kx _ _ _ < <(probe item "$PANEL" 313)
  [ $((kx - ox)) -eq 86 ] && break
  sleep 0.1
done
check "knob placed for 59 by the next refresh" 86 $((kx - ox))

# --- Rotate four times ---------------------------------------------------------------
turn=0
for parameter in 08 0A 0D 05; do
  turn=$((turn + 1))
  before=$(probe picture "VIEW PANEL")
  one_shot "rotate $turn" 345 "A0 11 00 $parameter 00 00 00 AF"
  shows "rotation indicator $turn" "$PANEL" $((317 + turn % 4)) 216 80
  changed=
  for _ in $(seq 50); do
    [ "$(probe picture "VIEW PANEL")" != "$before" ] && { changed=1; break; }
    sleep 0.1
  done
  [ -n "$changed" ] && pass "rotate $turn: the picture turns" || fail "rotate $turn: the picture stays"
  sleep 0.5  # a whole turned frame for the screenshot
  shot "rotate-$turn"
done

# --- Pos/Neg -----------------------------------------------------------------------------
one_shot "negative" 332 "A0 05 00 0A 00 00 00 AF"
shows "negative shown" "$PANEL" 1301 211 36
sleep 0.8
shot negative
one_shot "positive" 332 "A0 05 00 05 00 00 00 AF"
shows "positive shown" "$PANEL" 1302 211 36

# --- Mode: the resolution dialog ---------------------------------------------------------
opens_beside "the resolution dialog" 336 20 58
sleep 0.5
shot resolution-dialog
choose 64 32
wait_sent "SVGA" "A0 06 00 0A 00 00 00 AF"
sized_gone 129 49 5000 && pass "the resolution dialog ends" || fail "the resolution dialog stays"
shows "SVGA shown" "$PANEL" 1309 211 58
opens_beside "the resolution dialog" 336 20 58
choose 22 32
wait_sent "XGA" "A0 06 00 08 00 00 00 AF"
shows "XGA shown" "$PANEL" 1310 211 58

# --- Ext: the input dialog ---------------------------------------------------------------
opens_beside "the input dialog" 334 10 59
sleep 0.5
shot input-dialog
choose 62 33
wait_sent "EXT2" "A0 04 00 0A 00 00 00 AF"
shows "no sync on input 2" "$PANEL" 1307 271 34
sleep 0.8
shot external-2
one_shot "internal input" 333 "A0 04 00 05 00 00 00 AF"
shows "internal input again" "$PANEL" 1303 271 34

# --- Preset Save, No.3 ---------------------------------------------------------------------
click "$PANEL" 341
probe wait "Select Number" 5000 >/dev/null || fail "the number dialog does not open for Preset Save"
shows "Preset Save title" "Select Number" 1423 68 0
shows "No.1 in the raised row" "Select Number" 1401 10 27
# Exit is raised to y 19 (where the title strip's corner overlaps it).
read -r nx ny < <(probe point "Select Number" 0 0)
read -r el et _ _ < <(probe item "Select Number" 430)
check "Exit raised" "261 19" "$((el - nx)) $((et - ny))"
check "No.5 to No.8 hidden" "hidden hidden hidden hidden" \
  "$(for id in 405 406 407 408; do probe visible "Select Number" $id; done | xargs)"
sleep 0.3
shot number-dialog-preset
mark
click "Select Number" 403
wait_sent "preset 3 saved" "A0 17 00 03 00 00 00 AF"
probe gone "Select Number" 5000 && pass "the number dialog ends" || fail "the number dialog stays"

# --- 3X3 Multi, No.2 --------------------------------------------------------------------------
mark
click "$PANEL" 350
probe wait "Select Number" 5000 >/dev/null || fail "the number dialog does not open for 3X3 Multi"
wait_sent "multi screen opened with the dialog" "A0 15 00 09 00 00 00 AF"
shows "3X3 Multi title" "Select Number" 1422 68 0
shows "No.8 in the second row" "Select Number" 1415 196 42
check "No.5 shown" visible "$(probe visible "Select Number" 405)"
sleep 0.3
shot number-dialog-multi
check "nothing chosen yet" "A0 15 00 09 00 00 00 AF" "$(commands_since)"
click "Select Number" 402
wait_sent "memory 2 into the multi screen" "A0 14 00 02 00 00 00 AF"
shows "3X3 Multi shown" "$PANEL" 309 274 68
sleep 0.8
shot multi

# --- Refusals ----------------------------------------------------------------------------------
refused "Pos/Neg in the multi screen" 332
refused "Ext in the multi screen" 334
refused "Mode in the multi screen" 336
refused "Preset Exe in the multi screen" 342
one_shot "Free leaves the multi screen" 343 "A0 1F 00 05 00 00 00 AF"
shows "memory mode cleared" "$PANEL" 1312 274 68
one_shot "camera frozen" 331 "A0 12 00 05 00 00 00 AF"
shows "freeze shown" "$PANEL" 1311 271 51
picture_stands "camera frozen"
refused "Mode while frozen" 336
one_shot "camera live" 331 "A0 12 00 0A 00 00 00 AF"
picture_changes "camera live again"
opens_beside "the input dialog" 334 10 59
choose 17 33
wait_sent "EXT1" "A0 04 00 08 00 00 00 AF"
shows "external 1 shown" "$PANEL" 1304 271 34
refused "Save on an external input" 346
one_shot "internal input" 333 "A0 04 00 05 00 00 00 AF"

# --- Locked presets: the memory buttons do nothing, Rotate and Shift look locked
demo_command "presetlock on"
click Veltrum 202
probe gone "$PANEL" 5000 >/dev/null || fail "Control does not close the panel"
click Veltrum 202
probe wait "$PANEL" 8000 >/dev/null || fail "Control does not open the panel again"
shows "Rotate locked" "$PANEL" 1270 268 120
shows "3X3 Multi locked" "$PANEL" 1275 400 166
shows "rotation hidden" "$PANEL" 1312 216 80
mark
for id in 346 348 349 350; do click "$PANEL" $id; done
probe wait "Select Number" 1500 >/dev/null && fail "a number dialog opens while the presets are locked" \
  || pass "no number dialog while the presets are locked"
probe wait "Warning" 1500 >/dev/null && fail "a warning while the presets are locked" || pass "no warning while locked"
check "nothing sent for the locked buttons" "" "$(commands_since)"
shot presets-locked
demo_command "presetlock off"

# --- Capture closes the panel; the close box ---------------------------------------------------
click Veltrum 203
box " Warning - Remove Control Panel " information \
  "Sorry, can't capture the image. \nPlease, close the 'Control Panel' Window becomes the Capture."
probe gone "$PANEL" 5000 && pass "Capture closes the panel" || fail "the panel stays after Capture"
probe gone "Image Capture" 5000 || fail "the capture notice stays"
picture_stands "captured"
click Veltrum 203
picture_changes "released"
click Veltrum 202
probe wait "$PANEL" 8000 >/dev/null || fail "the control panel does not open again"
shows "Iris still selected" "$PANEL" 1206 64 51
read -r pl pt pr _ < <(probe wait "$PANEL")
xdotool mousemove $((pr - 12)) $((pt + CAPTION / 2 + 3)) click 1
probe gone "$PANEL" 5000 && pass "the close box closes the panel" || fail "the close box leaves the panel"
click Veltrum 202
probe wait "$PANEL" 8000 >/dev/null && pass "one Control click opens it again" || fail "the mini panel still takes the panel for open"
shot panel-again

probe close "VIEW PANEL"
ended 15 "close ends the program"
cp "$WIRE" "$OUT/" 2>/dev/null
echo "panel: $failures failure(s); screenshots in $OUT"
[ "$failures" -eq 0 ]
