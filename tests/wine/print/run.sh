#!/bin/bash
# Printing the frozen picture under Wine, operated with the real keyboard
# and mouse (xdotool) in the real Page Setup and Print dialogs of the demo
# viewer, onto a real printer: the platform's PostScript driver with
# test_printer.ppd (A4, 300 dpi, the whole page printable) on a pipe port
# whose command stores each job as a PostScript file. No daemon runs: the
# printer lives in the prefix from install to removal. Pages are rendered
# with Ghostscript at 100 dpi and checked: page count, the picture's
# bounding box against the rectangle the print job computes, the right way
# up, the full-size still fetched from the camera (the demo's wire trace).
#
# Runs: a document start that the printer refuses; a half-size display
# printed twice with the aspect ratio kept and a width of 200 mm typed; the
# full page without aspect ratio; Cancel in each dialog; no printer at all.
# Screenshots under $ZEL_OUT/print/.
#
# Environment (set by tools/test): WINEPREFIX, DISPLAY, ZEL_BUILD_WIN, ZEL_OUT,
# ZEL_SOURCE_DIR.
set -u
: "${WINEPREFIX:?}" "${DISPLAY:?}" "${ZEL_BUILD_WIN:?}" "${ZEL_OUT:?}" "${ZEL_SOURCE_DIR:?}"
export WINEDEBUG=${WINEDEBUG:--all}

DEMO=$ZEL_BUILD_WIN/viewer/zelview_demo.exe
PROBE=$(find "$ZEL_BUILD_WIN" -name viewer_probe.exe -print -quit)
PRINTER_TOOL=$(find "$ZEL_BUILD_WIN" -name test_printer.exe -print -quit)
FRAMES=$ZEL_SOURCE_DIR/build/native/tools/frames/demo_frames
HERE=$(cd "$(dirname "$0")" && pwd)
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

failures=0
pass() { echo "ok   $*"; }
fail() { echo "FAIL $*"; failures=$((failures + 1)); }
check() {  # check WHAT EXPECTED ACTUAL
  if [ "$2" == "$3" ]; then pass "$1"; else fail "$1: expected [$2], got [$3]"; fi
}
probe() { wine "$PROBE" "$@" 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }
shot() { import -window root -crop 1024x768+0+0 +repage "$OUT/$1.png" 2>/dev/null; }

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
if wine "$PRINTER_TOOL" install "$(winepath -w "$RUN/test_printer.ppd" 2>/dev/null)" "|$RUN/store-job.sh" "$PRINTER" \
    >"$RUN/printer.log" 2>&1; then
  pass "the test printer is installed and is the default"
else
  fail "the test printer cannot be installed: $(cat "$RUN/printer.log")"
fi

# The programs open in a 1024x768 virtual desktop (per-program settings,
# taken away at the end); a probe holds it open while the viewer runs.
for app in viewer_probe.exe zelview_demo.exe; do
  wine reg add "HKCU\\Software\\Wine\\AppDefaults\\$app\\Explorer" /v Desktop /d zelprint /f >/dev/null 2>&1
done
wine reg add "HKCU\\Software\\Wine\\Explorer\\Desktops" /v zelprint /d 1024x768 /f >/dev/null 2>&1
(exec wine "$PROBE" hold >"$RUN/holder.out" 2>/dev/null) &
HOLDER=$!
APP=
finish() {
  [ -n "$APP" ] && kill -0 "$APP" 2>/dev/null && wine taskkill /f /im zelview_demo.exe >/dev/null 2>&1
  kill "$HOLDER" 2>/dev/null
  wait "$HOLDER" 2>/dev/null
  for app in viewer_probe.exe zelview_demo.exe; do
    wine reg delete "HKCU\\Software\\Wine\\AppDefaults\\$app" /f >/dev/null 2>&1
  done
  remove_printer
}
trap finish EXIT
for i in $(seq 1 300); do grep -q ready "$RUN/holder.out" 2>/dev/null && break; sleep 0.1; done

# box CAPTION ICON TEXT [BUTTON]: a message box of that caption, icon and
# text is shown; it is answered with BUTTON (default OK).
box() {
  local seen
  if ! seen=$(probe box "$1" 25000); then
    fail "box [$1] not shown"
    shot "missing-box"
    return 1
  fi
  check "box [$1] icon" "icon=$2" "$(echo "$seen" | head -1)"
  check "box [$1] text" "$(printf '%b' "$3")" "$(echo "$seen" | tail -n +2)"
  probe answer "$1" "${4:-1}" || fail "box [$1] could not be answered"
}

# Real input: the mouse onto the centre of a control of a window, a click.
xclick() {  # TITLE ID
  local r
  r=$(probe item "$1" "$2") || { fail "no control $2 in [$1]"; return 1; }
  set -- $r
  # Wine takes the pointer's arrival before it takes a press there.
  xdotool mousemove $(( ($1 + $3) / 2 )) $(( ($2 + $4) / 2 ))
  sleep 0.3
  xdotool click 1
  sleep 0.3
}

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

job_count() { ls "$JOBS" | grep -c '^job-'; }

# Waits for the job after COUNT jobs, the printing over; renders it into
# $RUN/NAME-N.png and prints the number of pages.
rendered() {  # COUNT NAME
  local tries=300
  while [ "$(job_count)" -le "$1" ] && [ $tries -gt 0 ]; do sleep 0.1; tries=$((tries - 1)); done
  probe gone "Printing guidance" 15000 || fail "the Printing guidance window stays"
  local job
  job=$(ls "$JOBS"/job-* 2>/dev/null | sort | tail -n 1)
  [ "$(job_count)" -gt "$1" ] || { echo 0; return 1; }
  cp "$job" "$OUT/$2.ps"
  gs -q -dSAFER -dNOPAUSE -dBATCH -sDEVICE=png16m -r100 -sOutputFile="$OUT/$2-%d.png" "$job" >/dev/null 2>&1
  ls "$OUT" | grep -c "^$2-[0-9]*\.png$"
}

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

wire_lines() { if [ -f "$WIRE" ]; then wc -l <"$WIRE"; else echo 0; fi; }
wire_since() { tail -n +"$(($1 + 1))" "$WIRE" 2>/dev/null; }

# --- the camera's own full-size picture, fetched natively --------------------------
"$FRAMES" "$OUT" >/dev/null || fail "reference frames"

(cd "$RUN" && exec wine "$DEMO" >"$RUN/program.log" 2>&1) &
APP=$!
probe wait Veltrum 20000 >/dev/null || fail "the viewer does not start"
sleep 1
probe click Veltrum 203
sleep 0.5
probe gone "Image Capture" 10000 || fail "the capture notice stays"
sleep 0.5

# --- 1. A document start that the printer refuses ------------------------------------
echo "failprint startdoc" >"$RUN/zelview_demo.cmd"
jobs_before=$(job_count)
if open_page_setup && open_print_dialog; then
  xclick Print 1
  if probe wait "Printing guidance" 15000 >/dev/null; then
    probe box "Error - API" 15000 >/dev/null
    check "progress text while the refusal shows" "It is in the process of transmitting an image with the printer." \
      "$(probe text "Printing guidance" 752)"
    check "progress bar at 80 while the refusal shows" 80 "$(probe progress "Printing guidance" 751)"
    shot refused-document
  else
    fail "no Printing guidance window"
  fi
  box "Error - API" error "Windows API can't operate correctly"
  probe gone "Printing guidance" 10000 || fail "the progress window stays after the refusal"
  sleep 1
  check "a refused document prints nothing" "$jobs_before" "$(job_count)"
fi

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
  pages=$(rendered "$jobs_before" aspect)
  check "two copies print two pages" 2 "$pages"
  want=$(expected_box 1500 8100 200 150)
  for n in 1 2; do
    [ -f "$OUT/aspect-$n.png" ] || continue
    got=$(painted_box "$OUT/aspect-$n.png")
    if close_enough "$got" "$want" 3; then pass "page $n: the picture at [$got] where the job puts it [$want]"
    else fail "page $n: the picture at [$got], expected [$want]"; fi
  done
  if [ -f "$OUT/aspect-1.png" ]; then
    # The camera's full-size picture scaled to the rectangle (cut at the
    # page's right edge like the page), upright against upside down.
    set -- $want
    full_w=$(( ((200 + 6) * 2480 / 210) * 827 / 2480 ))
    convert "$OUT/aspect-1.png" -crop "${3}x${4}+${1}+${2}" +repage "$RUN/printed.png"
    convert "$OUT/xga_1024x768.bmp" -resize "${full_w}x${4}!" -crop "${3}x${4}+0+0" +repage "$RUN/reference.png"
    convert "$RUN/reference.png" -flip "$RUN/reference-flipped.png"
    upright=$(compare -metric RMSE "$RUN/printed.png" "$RUN/reference.png" null: 2>&1 | sed 's/.*(\(.*\))/\1/')
    flipped=$(compare -metric RMSE "$RUN/printed.png" "$RUN/reference-flipped.png" null: 2>&1 | sed 's/.*(\(.*\))/\1/')
    if awk "BEGIN { exit !($upright < 0.2 && $flipped > 2 * $upright) }"; then
      pass "the printed picture is the camera's, upright (difference $upright; upside down $flipped)"
    else
      fail "the printed picture is not the camera's upright (difference $upright; upside down $flipped)"
    fi
  fi
  traffic=$(wire_since "$before" | tr '\n' ';')
  case "$traffic" in
    *"A0 31 00 00 00 00 00 AF;A0 32 00 05 00 00 00 AF;A0 33 00 05 00 00 00 AF;"*)
      pass "the full-size still was fetched from the camera" ;;
    *) fail "no full-size fetch in the wire trace: [$traffic]" ;;
  esac
fi

# --- 3. Use full page without aspect ratio: the whole printable area ---------------------
jobs_before=$(job_count)
if open_page_setup; then
  xclick "Page Setup" 1006
  check "full page: the paper's width" 210 "$(probe text "Page Setup" 1004)"
  check "full page: the paper's height" 297 "$(probe text "Page Setup" 1005)"
  shot page-setup-full-page
  if open_print_dialog; then
    xclick Print 1
    check "full page prints one page" 1 "$(rendered "$jobs_before" full)"
    got=$(painted_box "$OUT/full-1.png")
    if close_enough "$got" "0 0 827 1169" 2; then pass "full page: the picture covers the page [$got]"
    else fail "full page: the picture covers [$got], not the page"; fi
  fi
fi

# --- 4. Cancel in either dialog prints nothing ------------------------------------------
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

# --- 5. No printer at all: the platform's notice, and the viewer goes on ---------------
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
probe click Veltrum 203
probe gone "Image Capture" 10000 || fail "the viewer does not freeze the picture after printing failed"

probe close "VIEW PANEL"
for i in $(seq 1 150); do kill -0 "$APP" 2>/dev/null || break; sleep 0.1; done
kill -0 "$APP" 2>/dev/null && fail "the viewer does not close"

echo "print: $failures failure(s); screenshots in $OUT"
[ "$failures" -eq 0 ]
