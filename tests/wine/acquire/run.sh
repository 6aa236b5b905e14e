#!/bin/bash
# A whole TWAIN acquisition under Wine, through Wine's own source manager
# (twain_32.dll), from acquire_app.exe (this folder): the demo data source
# (the simulated camera inside) is installed as a source Wine loads. The
# buttons of the source window are clicked with real mouse input (xdotool);
# screenshots under $ZEL_OUT.
#
# Demo data source, 1024x768 camera: the window and its live preview; Half
# with a native transfer whose pixels are the picture on the screen; Full
# with a file transfer (a 1024x768 BMP); a native and a memory transfer of
# the same (frozen) picture; EXIT, Esc and the close box ask for
# MSG_CLOSEDSREQ; MSG_DISABLEDS in the middle of the handshake; the cable
# pulled during the preview; 50 enable/disable cycles counted for threads,
# handles and memory. 1280x1024 camera: its title and window, native Full,
# memory Half, file Half and memory Full. The shipped data source through
# ZELB1's pipe-bind build and the simulated USB bus: live preview, native
# Half, file Full and memory Half.
#
# Environment (set by tools/test): WINEPREFIX, DISPLAY, ZEL_SOURCE_DIR, ZEL_BUILD_WIN, ZEL_OUT; the x64
# driver test build (build/driver-tests-x64, or ZEL_E2E_DRIVER_BUILD) for the run over ZELB1.
# ZEL_ACQUIRE_ZELB1_ONLY=1 runs the section over ZELB1 alone (to run it many
# times over).
set -u
: "${WINEPREFIX:?}" "${DISPLAY:?}" "${ZEL_BUILD_WIN:?}" "${ZEL_OUT:?}"
export WINEDEBUG=${WINEDEBUG:--all}

APP=$ZEL_BUILD_WIN/tests/wine/acquire/acquire_app.exe
PROBE=$ZEL_BUILD_WIN/tests/wine/common/viewer_probe.exe
OUT=$ZEL_OUT
RUN=$OUT/run
mkdir -p "$OUT" "$RUN"
for f in "$APP" "$PROBE" "$ZEL_BUILD_WIN/twain/TWZEL_32.ds" "$ZEL_BUILD_WIN/twain/TWZEL_32_demo.ds"; do
  [ -f "$f" ] || { echo "acquire: missing $f"; exit 1; }
done

failures=0
pass() { echo "ok   [${SECONDS}s] $*"; }
fail() { echo "FAIL [${SECONDS}s] $*"; failures=$((failures + 1)); }
check() {  # check WHAT EXPECTED ACTUAL
  if [ "$2" == "$3" ]; then pass "$1"; else fail "$1: expected [$2], got [$3]"; fi
}
probe() { wine "$PROBE" "$@" 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }

# --- The source Wine's manager loads: the demo library ----------------------
# twain_64 when Wine's manager and the programs are 64-bit (ZEL_WINE_BITS).
SOURCES="$WINEPREFIX/drive_c/windows/twain_${ZEL_WINE_BITS:-32}"
mkdir -p "$SOURCES"
cp "$ZEL_BUILD_WIN/twain/TWZEL_32_demo.ds" "$SOURCES/sane.ds"
for template in XGA_FULL XGA_HALF SXGA_FULL SXGA_HALF; do
  cp "$ZEL_BUILD_WIN/twain/$template.bmp" "$SOURCES/"
done

# The programs share a virtual desktop of a known size (Wine draws the
# window captions there); a probe holds it open while programs come and go.
DESK_W=1280 DESK_H=1024
HOLDER=
desktop_up() {
  for exe in acquire_app.exe viewer_probe.exe; do
    wine reg add "HKCU\\Software\\Wine\\AppDefaults\\$exe\\Explorer" /v Desktop /d zelacquire /f >/dev/null 2>&1
  done
  wine reg add "HKCU\\Software\\Wine\\Explorer\\Desktops" /v zelacquire /d ${DESK_W}x${DESK_H} /f >/dev/null 2>&1
  rm -f "$RUN/holder.out"
  (exec wine "$PROBE" hold >"$RUN/holder.out" 2>/dev/null) &
  HOLDER=$!
  for _ in $(seq 300); do grep -q ready "$RUN/holder.out" 2>/dev/null && break; sleep 0.1; done
  read -r CAPTION _ < <(probe metrics)
}
cleanup() {
  [ -n "${APP_PID:-}" ] && kill "$APP_PID" 2>/dev/null
  [ -n "$HOLDER" ] && { kill "$HOLDER" 2>/dev/null; wait "$HOLDER" 2>/dev/null; }
  HOLDER=
  for exe in acquire_app.exe viewer_probe.exe; do
    wine reg delete "HKCU\\Software\\Wine\\AppDefaults\\$exe" /f >/dev/null 2>&1
  done
}
trap cleanup EXIT
desktop_up

shot() { import -window root -crop "${DESK_W}x${DESK_H}+0+0" +repage "$OUT/$1.png" 2>/dev/null; }

# --- The application and its commands ------------------------------------------
# The demo data source keeps its command file and traffic trace in the
# working folder of the application that loads it.
DEMO_FILES=$RUN
LOG=$RUN/app.log
start_app() {  # PRODUCT [--bind-pipes]
  rm -f "$RUN/acquire.cmd" "$DEMO_FILES/twzel_demo.cmd" "$RUN"/out_*.bmp
  # The log of the program before goes first: its "ready" would pass the
  # wait below before the new program has started, and the command sent
  # next would then meet the new program's start, which deletes any
  # command file it finds.
  : >"$LOG"
  (cd "$RUN" && exec wine "$APP" "$@" >"$LOG" 2>&1) &
  APP_PID=$!
  wait_line "^ready" 30 || fail "the application did not open \"$1\""
}

# Lines of the log matching a pattern (0 while there is no log yet).
log_count() { grep -c -E -- "$1" "$LOG" 2>/dev/null || true; }

# Waits until the log has more than $3 lines matching $1 (default: none).
wait_line() {  # PATTERN SECONDS [COUNT_BEFORE]
  local limit=$(($2 * 10)) before=${3:-0} seen
  for (( ; limit > 0; limit-- )); do
    seen=$(log_count "$1")
    [ "${seen:-0}" -gt "$before" ] && return 0
    sleep 0.1
  done
  return 1
}

# Sends a command and waits for its "done" line.
cmd() {  # COMMAND... (waits up to $CMD_WAIT seconds, default 20)
  local word=$1 before
  before=$(log_count "^done $word\s*\$")
  put "$*" "$RUN/acquire.cmd"
  wait_line "^done $word\s*\$" "${CMD_WAIT:-20}" "$before" || fail "command [$*] not done"
}

last() { grep -- "$1" "$LOG" | tail -1 | tr -d '\r'; }
# Puts a command file in place whole (the programs poll for it and must
# never find it empty, half written).
put() {  # TEXT FILE
  echo "$1" >"$2.part" && mv "$2.part" "$2"
}
# The file the last transfer wrote.
lastout() { echo "$RUN/$(last '^transferred' | awk '{print $3}')"; }
demo() { put "$1" "$DEMO_FILES/twzel_demo.cmd"; for _ in $(seq 50); do [ -f "$DEMO_FILES/twzel_demo.cmd" ] || return 0; sleep 0.1; done; fail "the demo did not take [$1]"; }

# Centre of a control of the source window, in desktop coordinates.
centre() {  # TITLE ID
  local l t r b
  read -r l t r b < <(probe item "$1" "$2")
  echo "$(((l + r) / 2)) $(((t + b) / 2))"
}
click() {  # TITLE ID
  local x y
  read -r x y < <(centre "$1" "$2")
  [ -n "$x" ] || { fail "control $2 of [$1] not found"; return 1; }
  # No --sync: it waits for a pointer motion, and there is none when the
  # pointer already rests on the button from the click before.
  xdotool mousemove "$x" "$y" sleep 0.1 mousedown 1 sleep 0.1 mouseup 1
}

# The preview area of the screen (client (44, 91), 512 wide) as a file.
preview_crop() {  # SHOT HEIGHT -> file
  local l t
  read -r l t _ < <(probe item "$TITLE" 1022)
  [ -n "$l" ] || read -r l t _ < <(probe item "$TITLE" 1030)
  convert "$OUT/$1.png" -crop "512x$2+$((l + 44))+$((t + 91))" +repage "$RUN/$1-preview.png"
  echo "$RUN/$1-preview.png"
}

# Pixels that differ between the screen's preview and a transferred bitmap,
# below the band where the preview's texts are written.
differing_pixels() {  # SHOT BMP
  local a="$RUN/a.png" b="$RUN/b.png"
  convert "$(preview_crop "$1" 384)" -crop 512x250+0+134 +repage "$a"
  convert "$2" -crop 512x250+0+134 +repage "$b"
  compare -metric AE "$a" "$b" null: 2>&1 | cut -d' ' -f1
}

# One acquisition: arm, press the button, let the application transfer.
acquire() {  # MECHANISM W H BUTTON-ID
  local armed done
  armed=$(log_count "^armed $1")
  done=$(log_count "^done arm\s*$")
  put "arm $1 $2 $3" "$RUN/acquire.cmd"
  wait_line "^armed $1" 10 "$armed" || fail "the application was not armed for $1"
  click "$TITLE" "$4"
  wait_line "^done arm\s*$" 20 "$done" || fail "no $1 transfer after the click on $4"
}

# The demo's traffic trace: lines of one block, and the last size selection.
WIRE=$DEMO_FILES/twzel_demo.wire
wire_count() { grep -c "^$1\s*$" "$WIRE" 2>/dev/null; }
last_selection() { grep '^A0 31 ' "$WIRE" 2>/dev/null | tail -1 | tr -d '\r'; }

# Ends the application with its own checks counted.
quit_app() {
  cmd quit
  local limit=150
  while kill -0 "$APP_PID" 2>/dev/null && [ $limit -gt 0 ]; do sleep 0.1; limit=$((limit - 1)); done
  kill -0 "$APP_PID" 2>/dev/null && { fail "the application did not end"; kill "$APP_PID"; }
  wait "$APP_PID"
  local status=$?
  APP_PID=
  grep -E '^FAIL ' "$LOG" | sed 's/^/     app: /'
  check "the application's own checks" "0" "$status"
}

# The preview changes between two screenshots (a few looks: the first
# frames may still be on their way).
preview_changes() {  # FIRST-SHOT SECOND-SHOT
  local n
  for _ in 1 2 3 4; do
    sleep 0.7
    shot "$2"
    n=$(compare -metric AE "$(preview_crop "$1" 384)" "$(preview_crop "$2" 384)" null: 2>&1 | cut -d' ' -f1)
    [ "${n%.*}" -gt 0 ] 2>/dev/null && return 0
  done
  return 1
}

SMALL_TITLE="ZEL TWAIN Driver (ZEL-B200Q/B50/BxQ, 1024x768)"
LARGE_TITLE="ZEL TWAIN Driver (ZEL-A100, 1280x1024)"
FULL=1019 HALF=1018 EXIT=2

# The demo data source: both camera models (skipped with ZEL_ACQUIRE_ZELB1_ONLY=1).
demo_sections() {
  # === Demo data source, 1024x768 camera ==========================================
  echo "=== demo data source, 1024x768 camera"
  start_app "ZEL TWAIN (simulated camera)"
  cmd enable
  check "enable opens the window" "enable succeeded, window \"$SMALL_TITLE\"" "$(last '^enable ')"
  TITLE=$SMALL_TITLE
  read -r l t r b < <(probe wait "$TITLE" 10000)
  check "window size" "606 $((506 + CAPTION))" "$((r - l)) $((b - t))"
  check "window centred" "$(((DESK_W - 606) / 2))" "$l"

  # The live preview changes (a few looks: the first frames may be on their way).
  sleep 1
  shot live-1
  preview_changes live-1 live-2 && pass "the live preview changes" || fail "the live preview does not change"

  # Half: native transfer of the picture the window shows.
  acquire native 512 384 $HALF
  shot handshake-half
  check "Full and Half disabled during the transfer" "buttons full=0 half=0" "$(cmd buttons; last '^buttons')"
  check "native transfer = the captured picture on the screen" "0" "$(differing_pixels handshake-half "$(lastout)")"
  cmd end
  sleep 0.5
  check "Full and Half enabled after MSG_ENDXFER" "buttons full=1 half=1" "$(cmd buttons; last '^buttons')"

  # Full: file transfer, then back to half size by itself (the camera is
  # asked for half-size frames again: the traffic trace's last size selection).
  acquire file 1024 768 $FULL
  shot handshake-full
  check "file transfer writes a 1024x768 BMP" "BMP3 1024x768" "$(identify -format '%m %wx%h' "$(lastout)" 2>/dev/null)"
  check "the capture ran at full size" "A0 31 00 00 00 00 00 AF" "$(last_selection)"
  cmd end
  sleep 0.8
  check "Full and Half enabled after the Full transfer" "buttons full=1 half=1" "$(cmd buttons; last '^buttons')"
  check "back to half size after MSG_ENDXFER" "A0 31 00 01 00 00 00 AF" "$(last_selection)"

  # The hold buttons: their command while pressed, the stop at the release
  # (none for A), on the traffic trace.
  for spec in "1026 26 05" "1027 26 0A" "1028 21 05" "1029 21 0A" "1025 01 05"; do
    read -r id code parameter <<<"$spec"
    commands=$(wire_count "A0 $code 00 $parameter 00 00 00 AF")
    stops=$(wire_count "A0 2F 00 05 00 00 00 AF")
    click "$TITLE" "$id"
    sleep 0.3
    want_stops=$((stops + 1))
    [ "$id" == 1025 ] && want_stops=$stops
    check "button $id: A0 $code 00 $parameter, then the stop" "$((commands + 1)) $want_stops" \
      "$(wire_count "A0 $code 00 $parameter 00 00 00 AF") $(wire_count "A0 2F 00 05 00 00 00 AF")"
  done

  # The same frozen picture by native and by memory transfer.
  demo freeze
  acquire native 512 384 $HALF
  native=$(lastout)
  cmd end
  sleep 0.5
  acquire memory 512 384 $HALF
  cmd end
  if cmp -s -i 54:54 "$native" "$(lastout)"; then pass "memory strips put together = the native bitmap"
  else fail "memory strips differ from the native bitmap"; fi
  demo live

  # EXIT, Esc and the close box ask the application to close the source.
  click "$TITLE" $EXIT
  wait_line "^closedsreq 1" 5 || fail "EXIT: no MSG_CLOSEDSREQ"
  read -r l t r b < <(probe wait "$TITLE" 1000)
  xdotool mousemove $(((l + r) / 2)) $((t + 8)) sleep 0.1 click 1 key Escape
  wait_line "^closedsreq 2" 5 || fail "Esc: no MSG_CLOSEDSREQ"
  xdotool mousemove $((r - 12)) $((t + CAPTION / 2 + 3)) sleep 0.1 click 1
  wait_line "^closedsreq 3" 5 || fail "close box: no MSG_CLOSEDSREQ"
  shot after-close-requests
  probe wait "$TITLE" 500 >/dev/null && pass "the window stays after the close requests" || fail "the window went"

  # MSG_DISABLEDS in the middle of the handshake.
  acquire disable 512 384 $HALF
  ms=$(last '^disable in the handshake' | sed 's/.* in \([0-9]*\) ms/\1/')
  [ -n "$ms" ] && [ "$ms" -lt 1000 ] && pass "MSG_DISABLEDS in the handshake ends in $ms ms (no forced stop)" ||
    fail "MSG_DISABLEDS in the handshake took ${ms:-?} ms"
  probe gone "$TITLE" 3000 && pass "the window is gone" || fail "the window stays after MSG_DISABLEDS"

  # The cable pulled during the preview.
  cmd enable
  sleep 0.8
  before=$(log_count '^closedsreq')
  demo unplug
  if probe box "Error - USB communication" 10000 >"$RUN/box.txt"; then
    shot unplug-box
    check "USB box icon" "icon=error" "$(head -1 "$RUN/box.txt")"
    check "USB box text" "$(printf 'There is a problem in communication of USB.\nPlease disconnect the plug of USB and reconnect it.')" \
      "$(tail -n +2 "$RUN/box.txt")"
    probe answer "Error - USB communication" 1 || fail "the USB box could not be answered"
  else
    fail "no USB box after the unplug"
  fi
  wait_line "^closedsreq" 5 "$before" && pass "MSG_CLOSEDSREQ after the USB box" || fail "no MSG_CLOSEDSREQ after the unplug"
  demo replug
  cmd disable

  # Resources over 50 enable/disable cycles.
  CMD_WAIT=150 cmd cycles 50
  grep '^resources' "$LOG" | sed 's/^/     /'

  # === Demo data source, 1280x1024 camera ==========================================
  echo "=== demo data source, 1280x1024 camera"
  cmd enable
  demo large
  cmd disable
  cmd enable
  check "the large model's title" "enable succeeded, window \"$LARGE_TITLE\"" "$(last '^enable ')"
  TITLE=$LARGE_TITLE
  read -r l t r b < <(probe wait "$TITLE" 10000)
  check "large model window size" "606 $((532 + CAPTION))" "$((r - l)) $((b - t))"
  sleep 1
  shot large-live
  acquire native 1280 1024 $FULL
  native=$(lastout)
  cmd end
  sleep 0.6
  acquire memory 640 512 $HALF
  memory=$(lastout)
  shot large-handshake-half
  cmd end
  sleep 0.6
  acquire file 640 512 $HALF
  file=$(lastout)
  cmd end
  sleep 0.6
  acquire memory 1280 1024 $FULL
  cmd end
  check "large model transfers: native full, memory half, file half, memory full" \
    "1280x1024 640x512 640x512 1280x1024" \
    "$(identify -format '%wx%h ' "$native" "$memory" "$file" "$(lastout)" 2>/dev/null | sed 's/ $//')"
  quit_app
}
if [ "${ZEL_ACQUIRE_ZELB1_ONLY:-0}" != 1 ]; then demo_sections; fi

# === Shipped data source through ZELB1 and the simulated USB bus ===================
echo "=== shipped data source through ZELB1"
ROOT="${ZEL_SOURCE_DIR:-$(cd "$(dirname "$0")/../../.." && pwd)}"
DRIVER_BUILD="${ZEL_E2E_DRIVER_BUILD:-$ROOT/build/driver-tests-x64}"
STAGE="$DRIVER_BUILD/tests/wine/common/install"
INSTALLER="$DRIVER_BUILD/tests/wine/common/driver_wine_check.exe"
CAMERA_CHECK="$ZEL_BUILD_WIN/tests/wine/driver_e2e/driver_e2e_check.exe"
if [ ! -f "$STAGE/ZELB1-pipe-bind.sys" ] || [ ! -f "$INSTALLER" ]; then
  (cd "$ROOT" && cmake --preset driver-tests-x64 >/dev/null && cmake --build "$DRIVER_BUILD" -j2) >"$RUN/driver-build.log" 2>&1 ||
    fail "the x64 driver could not be built (log: $RUN/driver-build.log)"
fi
# Our own 64-bit prefix: the drivers stay loaded while its server is kept up.
cleanup
trap - EXIT
TEST_PREFIX=$WINEPREFIX
export WINEPREFIX="$OUT/prefix64" WINEARCH=win64
cleanup_e2e() {
  [ -n "${APP_PID:-}" ] && kill "$APP_PID" 2>/dev/null
  wineserver -k >/dev/null 2>&1
}
trap cleanup_e2e EXIT
wineserver -k >/dev/null 2>&1
rm -rf "$WINEPREFIX"
timeout 180 /usr/lib/wine/wine64 wineboot -i >"$RUN/wineboot64.log" 2>&1
timeout 60 wineserver -w
wineserver -p
DIR="$WINEPREFIX/drive_c/zeltest"
SOURCES="$WINEPREFIX/drive_c/windows/twain_${ZEL_WINE_BITS:-32}"
mkdir -p "$DIR" "$SOURCES"
cp "$STAGE/sim_bus.inf" "$STAGE/zelsimbus.sys" "$INSTALLER" "$CAMERA_CHECK" "$DIR/"
cp "$STAGE/ZELB1-pipe-bind.sys" "$DIR/ZELB1.sys"
cp "$ZEL_BUILD_WIN/twain/TWZEL_32.ds" "$SOURCES/sane.ds"
for template in XGA_FULL XGA_HALF SXGA_FULL SXGA_HALF; do
  cp "$ZEL_BUILD_WIN/twain/$template.bmp" "$SOURCES/"
done
if timeout 120 /usr/lib/wine/wine64 'C:\zeltest\driver_wine_check.exe' install 'C:\zeltest\sim_bus.inf' \
     >"$RUN/install.log" 2>&1 && timeout 60 wine 'C:\zeltest\driver_e2e_check.exe' plug 0 1 >>"$RUN/install.log" 2>&1; then
  pass "ZELB1 and the simulated USB bus installed, camera plugged as \\\\.\\ZELBxQ001"
  desktop_up
  start_app "ZEL TWAIN Data Source" --bind-pipes
  cmd enable
  check "the shipped library opens the camera through ZELB1" "enable succeeded, window \"$SMALL_TITLE\"" \
    "$(last '^enable ')"
  TITLE=$SMALL_TITLE
  sleep 1
  shot zelb1-live-1
  preview_changes zelb1-live-1 zelb1-live-2 && pass "the live preview changes (through ZELB1)" ||
    fail "the live preview does not change through ZELB1"
  acquire native 512 384 $HALF
  shot zelb1-handshake-half
  check "native transfer through ZELB1 = the captured picture on the screen" "0" \
    "$(differing_pixels zelb1-handshake-half "$(lastout)")"
  cmd end
  sleep 0.6
  acquire file 1024 768 $FULL
  check "file transfer through ZELB1 writes a 1024x768 BMP" "BMP3 1024x768" \
    "$(identify -format '%m %wx%h' "$(lastout)" 2>/dev/null)"
  cmd end
  sleep 0.6
  acquire memory 512 384 $HALF
  cmd end
  quit_app
else
  cat "$RUN/install.log"
  fail "the drivers could not be installed"
fi
cleanup_e2e
trap - EXIT
export WINEPREFIX=$TEST_PREFIX

echo "acquire: $failures failure(s); screenshots in $OUT"
[ "$failures" -eq 0 ]
