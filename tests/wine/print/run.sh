#!/bin/bash
# Printing the frozen picture under Wine, operated with the real keyboard
# and mouse (xdotool) in the real Page Setup and Print dialogs of the demo
# viewer, onto a real printer: the platform's PostScript driver with
# test_printer.ppd (A4, 300 dpi, the whole page printable) on a pipe port
# whose command stores each job as a PostScript file. No daemon runs: the
# printer lives in the prefix from install to removal. Pages are rendered
# with Ghostscript at 100 dpi and checked: page count, the picture's
# bounding box against the rectangle the print job computes, the camera's
# picture the right way up; camera traffic through the demo's wire trace.
#
# Runs: a document start and a page start that the printer refuses; a
# half-size display printed twice with the aspect ratio kept and a width of
# 200 mm typed (a fresh full-size still from the camera); a full-size
# display printed with the opening layout (no camera traffic); the full page
# without aspect ratio; Cancel in each dialog; no printer at all.
# Screenshots under $ZEL_OUT/print/.
#
# Environment (set by tools/test): WINEPREFIX, DISPLAY, ZEL_BUILD_WIN, ZEL_OUT,
# ZEL_SOURCE_DIR. The reference picture comes from the native demo_frames.
set -u
: "${WINEPREFIX:?}" "${DISPLAY:?}" "${ZEL_BUILD_WIN:?}" "${ZEL_OUT:?}" "${ZEL_SOURCE_DIR:?}"
export WINEDEBUG=${WINEDEBUG:--all}

DEMO=$ZEL_BUILD_WIN/viewer/zelview_demo.exe
PROBE=$ZEL_BUILD_WIN/tests/wine/common/viewer_probe.exe
PRINTER_TOOL=$ZEL_BUILD_WIN/tests/wine/print/test_printer.exe
FRAMES=$ZEL_SOURCE_DIR/build/native/tools/frames/demo_frames
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
OUT=$ZEL_OUT/print
RUN=$OUT/run
JOBS=$RUN/jobs
WIRE=$RUN/zelview_demo.wire
PRINTER="ZEL Test Printer"
rm -rf "$RUN"
mkdir -p "$OUT" "$RUN" "$JOBS"
for f in "$DEMO" "$PROBE" "$PRINTER_TOOL" "$FRAMES"; do
  [ -f "$f" ] || { echo "print: missing $f"; exit 1; }
done
command -v gs >/dev/null || { echo "print: Ghostscript (gs) is missing"; exit 1; }

source "$HERE/../common/viewer_checks.sh"

# --- the test printer -------------------------------------------------------------
# The port command stores each job whole, under a new name once complete.
cat >"$RUN/store-job.sh" <<EOF
#!/bin/sh
part="$JOBS/.part.\$\$"
cat >"\$part" && mv "\$part" "$JOBS/job-\$(date +%s%N).ps"
EOF
chmod +x "$RUN/store-job.sh"
cp "$HERE/test_printer.ppd" "$RUN/test_printer.ppd"
remove_printer() { wine "$PRINTER_TOOL" remove "$PRINTER" >/dev/null 2>&1; }
finish() {
  [ -n "${APP:-}" ] && kill -0 "$APP" 2>/dev/null && wine taskkill /f /im zelview_demo.exe >/dev/null 2>&1
  forget_desktops
  remove_printer
}
trap finish EXIT
if wine "$PRINTER_TOOL" install "$(winepath -w "$RUN/test_printer.ppd" 2>/dev/null)" "|$RUN/store-job.sh" "$PRINTER" \
    >"$RUN/printer.log" 2>&1; then
  pass "the test printer is installed and is the default"
else
  fail "the test printer cannot be installed: $(cat "$RUN/printer.log")"
fi

# --- steps in the viewer's dialogs --------------------------------------------------
# Types a new text into an edit of a dialog: click, clear, type.
type_into() {  # TITLE ID TEXT
  xclick "$1" "$2" || return 1
  xdotool key End
  xdotool key --repeat 8 --delay 20 BackSpace
  xdotool type --delay 60 "$3"
  sleep 0.5
}

# Print on the mini panel: the Page Setup dialog opens.
open_page_setup() {
  probe click Veltrum 205 || fail "Print could not be clicked"
  probe wait "Page Setup" 15000 >/dev/null || { fail "the Page Setup dialog does not open"; shot missing-page-setup; return 1; }
  sleep 1
}

# OK in the Page Setup dialog: the Print dialog opens.
open_print_dialog() {
  xclick "Page Setup" 1
  probe wait Print 15000 >/dev/null || { fail "the Print dialog does not open"; shot missing-print; return 1; }
  sleep 0.5
}

# Capture on the mini panel: the picture freezes.
freeze() {
  probe click Veltrum 203
  probe gone "Image Capture" 10000 || fail "the capture notice stays"
  sleep 0.5
}

job_count() { ls "$JOBS" | grep -c '^job-'; }

# Waits until the printing is over and a job follows the COUNT jobs there
# were; renders it into $OUT/NAME-N.png and prints the number of pages.
rendered() {  # COUNT NAME
  probe gone "Printing guidance" 30000 || fail "the Printing guidance window stays"
  local tries=300
  while [ "$(job_count)" -le "$1" ] && [ $tries -gt 0 ]; do sleep 0.1; tries=$((tries - 1)); done
  [ "$(job_count)" -gt "$1" ] || { echo 0; return 1; }
  local job
  job=$(ls "$JOBS"/job-* | sort | tail -n 1)
  cp "$job" "$OUT/$2.ps"
  rm -f "$OUT/$2"-*.png
  gs -q -dSAFER -dNOPAUSE -dBATCH -sDEVICE=png16m -r100 -sOutputFile="$OUT/$2-%d.png" "$job" >/dev/null 2>&1
  ls "$OUT" | grep -c "^$2-[0-9]*\.png$"
}

# --- the printed page ----------------------------------------------------------------
# The picture's place on the page at 100 dpi, from the print job's own
# arithmetic (device pixels at 300 dpi: A4 is 2480 x 3507), clipped to the
# page (827 x 1170 at 100 dpi): "x y width height".
expected_box() {  # LEFT TOP WIDTH_MM HEIGHT_MM  (margins in hundredths of mm)
  local L=$1 T=$2 W=$3 H=$4 K=$(($3 / 30))
  local dx=$(( (L - L / 30) * 2480 / 21000 )) dy=$(( (T - T / 30) * 3507 / 29700 ))
  local dw=$(( (W + K) * 2480 / 210 )) dh=$(( (H + K) * 3507 / 297 ))
  local x=$((dx * 827 / 2480)) y=$((dy * 1170 / 3507))
  local r=$(( (dx + dw) * 827 / 2480 )) b=$(( (dy + dh) * 1170 / 3507 ))
  [ $r -gt 827 ] && r=827
  [ $b -gt 1169 ] && b=1169
  echo "$x $y $((r - x)) $((b - y))"
}

# The width at 100 dpi of the whole picture of WIDTH_MM, uncut.
expected_width() { echo $(( (($1 + $1 / 30) * 2480 / 210) * 827 / 2480 )); }

# The bounding box of what is not white on a rendered page: "x y width height"
# (a white frame first, so that a picture reaching the edges is not taken
# for a border).
painted_box() {
  local box
  box=($(convert "$1" -bordercolor white -border 1 -fuzz 4% -trim -format '%X %Y %w %h' info: 2>/dev/null | tr -d '+'))
  [ ${#box[@]} -eq 4 ] && echo "$((box[0] - 1)) $((box[1] - 1)) ${box[2]} ${box[3]}"
}

close_enough() {  # "x y w h" "x y w h" TOLERANCE
  local a=($1) b=($2) i
  [ ${#a[@]} -eq 4 ] && [ ${#b[@]} -eq 4 ] || return 1
  for i in 0 1 2 3; do
    local d=$(( a[i] - b[i] ))
    [ ${d#-} -le "$3" ] || return 1
  done
}

# PNG holds the picture at BOX ("x y w h"): checks the place, and that the
# picture there is the camera's full-size one, scaled to FULL_W pixels wide
# (cut at the page's right edge like the page), upright and not upside down.
check_page() {  # WHAT PNG "BOX" FULL_W
  local what=$1 png=$2 want=$3 full_w=$4 got
  got=$(painted_box "$png")
  if close_enough "$got" "$want" 3; then pass "$what: the picture at [$got] where the job puts it [$want]"
  else fail "$what: the picture at [$got], expected [$want]"; fi
  set -- $want
  convert "$png" -crop "${3}x${4}+${1}+${2}" +repage "$RUN/printed.png"
  convert "$OUT/xga_1024x768.bmp" -resize "${full_w}x${4}!" -crop "${3}x${4}+0+0" +repage "$RUN/reference.png"
  convert "$RUN/reference.png" -flip "$RUN/reference-flipped.png"
  local upright flipped
  upright=$(compare -metric RMSE "$RUN/printed.png" "$RUN/reference.png" null: 2>&1 | sed 's/.*(\(.*\))/\1/')
  flipped=$(compare -metric RMSE "$RUN/printed.png" "$RUN/reference-flipped.png" null: 2>&1 | sed 's/.*(\(.*\))/\1/')
  if awk "BEGIN { exit !($upright < 0.2 && $flipped > 2 * $upright) }"; then
    pass "$what: the camera's picture, upright (difference $upright; upside down $flipped)"
  else
    fail "$what: not the camera's picture upright (difference $upright; upside down $flipped)"
  fi
}

# A job the printer refuses at the start named by FAULT (startdoc or
# startpage): the API box over the progress window, which stands at 80
# with the transmitting text; then the window goes.
refused() {  # FAULT
  demo_command "failprint $1"
  open_page_setup && open_print_dialog || return 1
  xclick Print 1
  if probe wait "Printing guidance" 15000 >/dev/null; then
    probe box "Error - API" 15000 >/dev/null
    check "$1 refused: the progress text behind the box" \
      "It is in the process of transmitting an image with the printer." "$(probe text "Printing guidance" 752)"
    check "$1 refused: the progress bar at 80 behind the box" 80 "$(probe progress "Printing guidance" 751)"
    shot "refused-$1"
  else
    fail "$1 refused: no Printing guidance window"
  fi
  box "Error - API" error "Windows API can't operate correctly"
  probe gone "Printing guidance" 10000 || fail "$1 refused: the progress window stays"
}

# --- the camera's own full-size picture, fetched natively --------------------------
"$FRAMES" "$OUT" >/dev/null || fail "reference frames"

use_desktop zelprint 1024x768
start "$DEMO"
probe wait Veltrum 20000 >/dev/null || fail "the viewer does not start"
sleep 1
freeze

# --- 1. A document start, then a page start, that the printer refuses ---------------
jobs_before=$(job_count)
refused startdoc
sleep 1
check "a refused document start prints nothing" "$jobs_before" "$(job_count)"
refused startpage
# The document was started: it is ended, with no page in it.
pages=$(rendered "$jobs_before" refused-page)
check "a refused page start ends the document with no page" 0 "$pages"

# --- 2. Half-size display, aspect kept, Width 200, two copies --------------------------
open_page_setup
shot page-setup-opened
for pair in "1004 180" "1005 135" "1155 15mm" "1157 15mm" "1156 81mm" "1158 81mm"; do
  set -- $pair
  check "Page Setup opens with control $1 showing $2" "$2" "$(probe text "Page Setup" "$1")"
done
xclick "Page Setup" 1003
check "Maintain aspect ratio is ticked" 1 "$(probe checked "Page Setup" 1003)"
type_into "Page Setup" 1004 200
check "Width 200 shows Height 150" 150 "$(probe text "Page Setup" 1005)"
check "the right margin takes up the width" "0mm" "$(probe text "Page Setup" 1157)"
sleep 1
shot page-setup-aspect
# The sample page shows the picture: mostly not white within the sample.
if r=$(probe item "Page Setup" 1080); then
  set -- $r
  white=$(convert "$OUT/page-setup-aspect.png" -crop "$(($3 - $1))x$(($4 - $2))+$1+$2" +repage \
    -fuzz 4% -fill black +opaque white -fill white -opaque white -format '%[fx:mean]' info: 2>/dev/null)
  if awk "BEGIN { exit !($white < 0.75) }"; then pass "the sample page shows the picture (white $white)"
  else fail "the sample page shows no picture (white $white)"; fi
fi
before=$(wire_lines)
jobs_before=$(job_count)
if open_print_dialog; then
  type_into Print 1154 2
  check "two copies typed" 2 "$(probe text Print 1154)"
  shot print-dialog
  xclick Print 1
  check "two copies print two pages" 2 "$(rendered "$jobs_before" aspect)"
  check "the document's name" "%%Title: ZEL-B50 Printing Picture" "$(grep -a -m1 '^%%Title:' "$OUT/aspect.ps" | tr -d '\r')"
  for n in 1 2; do
    [ -f "$OUT/aspect-$n.png" ] && check_page "aspect page $n" "$OUT/aspect-$n.png" "$(expected_box 1500 8100 200 150)" \
      "$(expected_width 200)"
  done
  traffic=$(wire_since "$before" | tr '\n' ';')
  case "$traffic" in
    *"A0 31 00 00 00 00 00 AF;A0 32 00 05 00 00 00 AF;A0 33 00 05 00 00 00 AF;"*)
      pass "half-size display: a fresh full-size still fetched from the camera" ;;
    *) fail "half-size display: no full-size fetch in the wire trace: [$traffic]" ;;
  esac
fi

# --- 3. Full-size display, the opening layout: no camera traffic ------------------------
probe click Veltrum 203  # live again
sleep 0.5
probe click Veltrum 206
probe wait "VIEW PANEL" 5000 >/dev/null
sleep 2
freeze
sleep 1
before=$(wire_lines)
jobs_before=$(job_count)
if open_page_setup && open_print_dialog; then
  xclick Print 1
  check "full-size display prints one page" 1 "$(rendered "$jobs_before" full-size)"
  # 180 x 135 mm centred: from 14.5 mm and 78.3 mm, 186 x 141 mm.
  [ -f "$OUT/full-size-1.png" ] && check_page "full-size display" "$OUT/full-size-1.png" \
    "$(expected_box 1500 8100 180 135)" "$(expected_width 180)"
  sleep 0.5
  check "full-size display: no camera traffic" "" "$(wire_since "$before")"
fi

# --- 4. Use full page without aspect ratio: the whole printable area ---------------------
jobs_before=$(job_count)
if open_page_setup; then
  xclick "Page Setup" 1006
  check "full page: the paper's width" 210 "$(probe text "Page Setup" 1004)"
  check "full page: the paper's height" 297 "$(probe text "Page Setup" 1005)"
  check "full page: margins of 0mm" "0mm 0mm 0mm 0mm" \
    "$(for id in 1155 1157 1156 1158; do probe text "Page Setup" $id; done | tr '\n' ' ' | sed 's/ $//')"
  shot page-setup-full-page
  if open_print_dialog; then
    xclick Print 1
    check "full page prints one page" 1 "$(rendered "$jobs_before" full)"
    got=$(painted_box "$OUT/full-1.png")
    if close_enough "$got" "0 0 827 1169" 2; then pass "full page: the picture covers the page [$got]"
    else fail "full page: the picture covers [$got], not the page"; fi
  fi
fi

# --- 5. Cancel in either dialog prints nothing ------------------------------------------
jobs_before=$(job_count)
if open_page_setup; then
  xclick "Page Setup" 2
  probe gone "Page Setup" 10000 || fail "Cancel does not close the Page Setup dialog"
  probe wait Print 1500 >/dev/null && fail "the Print dialog opens after Cancel"
  probe wait "Printing guidance" 1500 >/dev/null && fail "a progress window after Cancel in Page Setup"
fi
if open_page_setup && open_print_dialog; then
  xclick Print 2
  probe gone Print 10000 || fail "Cancel does not close the Print dialog"
  probe wait "Printing guidance" 1500 >/dev/null && fail "a progress window after Cancel in Print"
fi
sleep 1
check "Cancel in either dialog prints nothing" "$jobs_before" "$(job_count)"

# --- 6. No printer at all: the platform's notice, and the viewer goes on ---------------
remove_printer
jobs_before=$(job_count)
probe click Veltrum 205 || fail "Print could not be clicked"
if seen=$(probe box Error 15000); then
  pass "without a printer the dialog says so: [$(echo "$seen" | tail -n +2)]"
  shot no-printer
  probe answer Error 1 || fail "the notice could not be answered"
else
  fail "no notice without a printer"
  shot no-printer
fi
probe wait "Page Setup" 2000 >/dev/null && fail "a Page Setup dialog without a printer"
probe wait "Printing guidance" 1500 >/dev/null && fail "a progress window without a printer"
check "nothing printed without a printer" "$jobs_before" "$(job_count)"
# The viewer goes on: the picture goes live and freezes again.
probe click Veltrum 203
sleep 1
freeze

probe close "VIEW PANEL"
ended 15 "close ends the program"

echo "print: $failures failure(s); screenshots in $OUT"
[ "$failures" -eq 0 ]
