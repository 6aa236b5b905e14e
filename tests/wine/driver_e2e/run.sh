#!/bin/bash
# The whole system end to end under Wine, on its own deliverables: the x64
# build of ZELB1 (its pipe-bind test build, installed as ZELB1.sys) under
# Wine's kernel, a test-only bus driver reporting simulated USB cameras, and
# the 32-bit user-mode programs reaching the driver through the device paths.
#
#   1. driver_e2e_check link: the device link over the driver (open,
#      waitReady, exchanges, frames through the frame pipeline, the 5 s
#      time-out as error 121 and transact's direction swaps for a read and
#      a write the camera does not serve, one open per pipe, unplug and
#      replug).
#   2. zelview_driver (the viewer with the pipe-bind seam): live picture
#      through ZELB1 (screenshots, not blank, changing), then the camera
#      unplugged during the live picture: the link recovery fails with the
#      device-driver message, then the communication message, and the
#      program ends.
#   3. The viewer again, picture captured (no camera traffic), camera
#      unplugged and the system's device-change notice delivered: the
#      device-change handling shows the device-driver message and the
#      program ends.
#
# Wine's PnP manager sends no device-change notice to windows when a device
# goes away; driver_e2e_check notify stands in for the system's broadcast.
#
# Uses the driver test build build/driver-tests-x64 (built when missing, as
# tests/wine/driver/run.sh does; ZEL_E2E_DRIVER_BUILD names another driver
# test build folder) and the
# Windows build $ZEL_BUILD_WIN. The prefix is the script's own (64-bit,
# $ZEL_E2E_PREFIX or $ZEL_OUT/prefix). ZEL_E2E_ARCH=x86 runs the x86 driver
# in a 32-bit prefix instead. Screenshots and logs in $ZEL_OUT.
set -u
ROOT="${ZEL_SOURCE_DIR:-$(cd "$(dirname "$0")/../../.." && pwd)}"
OUT="${ZEL_OUT:-$ROOT/build/wine-out/driver_e2e}"
BUILD_WIN="${ZEL_BUILD_WIN:-$ROOT/build/windows}"
ARCH="${ZEL_E2E_ARCH:-x64}"
case "$ARCH" in
  x64) LOADER=/usr/lib/wine/wine64 WINE_ARCH=win64 ;;
  x86) LOADER=wine WINE_ARCH=win32 ;;
  *) echo "driver_e2e: ZEL_E2E_ARCH must be x64 or x86"; exit 1 ;;
esac
DRIVER_BUILD="${ZEL_E2E_DRIVER_BUILD:-$ROOT/build/driver-tests-$ARCH}"
mkdir -p "$OUT"
export WINEDEBUG="${ZEL_DRIVER_WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="
: "${DISPLAY:?driver_e2e: DISPLAY must name an X display}"

failures=0
pass() { echo "ok   $*"; }
fail() { echo "FAIL $*"; failures=$((failures + 1)); }
check() {  # check WHAT EXPECTED ACTUAL
  if [ "$2" == "$3" ]; then pass "$1"; else fail "$1: expected [$2], got [$3]"; fi
}

STAGE="$DRIVER_BUILD/tests/wine/common/install"
INSTALLER="$DRIVER_BUILD/tests/wine/common/driver_wine_check.exe"
CHECK="$BUILD_WIN/tests/wine/driver_e2e/driver_e2e_check.exe"
VIEWER="$BUILD_WIN/tests/wine/driver_e2e/zelview_driver.exe"
PROBE="$BUILD_WIN/tests/wine/common/viewer_probe.exe"
if [ ! -f "$STAGE/ZELB1-pipe-bind.sys" ] || [ ! -f "$INSTALLER" ]; then
  (cd "$ROOT" && cmake --preset "driver-tests-$ARCH" >/dev/null && cmake --build "$DRIVER_BUILD" -j2) >"$OUT/build.log" 2>&1 || {
    echo "driver_e2e: could not build the $ARCH driver (log: $OUT/build.log)"
    exit 1
  }
fi
for f in "$STAGE/ZELB1-pipe-bind.sys" "$STAGE/zelsimbus.sys" "$STAGE/sim_bus.inf" "$INSTALLER" "$CHECK" "$VIEWER" \
         "$PROBE"; do
  [ -f "$f" ] || { echo "driver_e2e: missing $f"; exit 1; }
done

# --- The prefix: drivers installed, server kept up ----------------------------------------
export WINEPREFIX="${ZEL_E2E_PREFIX:-$OUT/prefix}" WINEARCH=$WINE_ARCH
# Ends every program of the prefix, the desktop holder too.
cleanup() { wineserver -k >/dev/null 2>&1 || true; }
trap cleanup EXIT
wineserver -k >/dev/null 2>&1 || true
rm -rf "$WINEPREFIX"
# Drivers stay loaded between programs only while the server is kept up.
timeout 120 "$LOADER" wineboot -i >"$OUT/wineboot.log" 2>&1 || true
timeout 60 wineserver -w
wineserver -p
DIR="$WINEPREFIX/drive_c/zeltest"
mkdir -p "$DIR" "$OUT/run"
cp "$STAGE/sim_bus.inf" "$STAGE/zelsimbus.sys" "$INSTALLER" "$CHECK" "$VIEWER" "$PROBE" "$DIR/"
cp "$STAGE/ZELB1-pipe-bind.sys" "$DIR/ZELB1.sys"
if ! timeout 120 "$LOADER" 'C:\zeltest\driver_wine_check.exe' install 'C:\zeltest\sim_bus.inf' \
     >"$OUT/install.log" 2>&1; then
  cat "$OUT/install.log"
  echo "driver_e2e: the drivers could not be installed"
  exit 1
fi
pass "bus driver and ZELB1 installed ($ARCH)"

# The 32-bit programs, run with the 32-bit loader (in a 64-bit prefix: as
# on a 64-bit system, a 32-bit program reaching a 64-bit driver).
camera() { timeout 60 wine 'C:\zeltest\driver_e2e_check.exe' "$@" 2>>"$OUT/run/camera.err" | tr -d '\r'; \
           return "${PIPESTATUS[0]}"; }
probe() { timeout 60 wine 'C:\zeltest\viewer_probe.exe' "$@" 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }

# --- 1. The device link over the driver ------------------------------------------------
echo "=== device link"
timeout 150 wine 'C:\zeltest\driver_e2e_check.exe' link >"$OUT/link.log" 2>"$OUT/link.err"
rc=$?
tr -d '\r' <"$OUT/link.log"
if [ $rc -eq 0 ] && grep -q '^PASS a frame read and converted' "$OUT/link.log"; then
  pass "device link checks over ZELB1 from a ${ZEL_WINE_BITS:-32}-bit program"
else
  fail "device link checks ($rc)"
fi
# Where Wine runs 64-bit programs only (ZEL_WINE_BITS=64, set by tools/test)
# the programs are the 64-bit test build, and the 32-bit path cannot be shown.
if [ "$ARCH" == x64 ] && [ "${ZEL_WINE_BITS:-32}" != 64 ]; then
  if grep -q 'a 32-bit program on a 64-bit system' "$OUT/link.log"; then
    pass "the 32-bit program reached the 64-bit driver"
  else
    fail "the link checks did not run as a 32-bit program on the 64-bit system"
  fi
fi

# --- The viewer -------------------------------------------------------------------------
# All three programs share a virtual desktop of a known size, so that the
# probe and the notice find the viewer's windows.
for app in zelview_driver.exe viewer_probe.exe driver_e2e_check.exe; do
  wine reg add "HKCU\\Software\\Wine\\AppDefaults\\$app\\Explorer" /v Desktop /d zele2e /f >/dev/null 2>&1
done
wine reg add "HKCU\\Software\\Wine\\Explorer\\Desktops" /v zele2e /d 1024x768 /f >/dev/null 2>&1
# A probe stays attached to the desktop between the runs: Wine closes a
# desktop about a second after its last process leaves, and a program that
# starts while it closes loses its windows with it.
(cd "$DIR" && exec wine 'C:\zeltest\viewer_probe.exe' hold >"$OUT/run/holder.out" 2>/dev/null) &
for _ in $(seq 300); do grep -q ready "$OUT/run/holder.out" 2>/dev/null && break; sleep 0.1; done
read -r CAPTION _ < <(probe metrics)

shot() { import -display "$DISPLAY" -window root -crop 1024x768+0+0 +repage "$OUT/$1.png" 2>/dev/null; }

start_viewer() {
  (cd "$DIR" && exec wine 'C:\zeltest\zelview_driver.exe' >"$OUT/run/viewer-$1.log" 2>&1) &
  APP=$!
}

ended() {  # ended SECONDS WHAT
  local limit=$(($1 * 10))
  while kill -0 "$APP" 2>/dev/null && [ $limit -gt 0 ]; do sleep 0.1; limit=$((limit - 1)); done
  if kill -0 "$APP" 2>/dev/null; then
    fail "$2: the program did not end"
    kill "$APP" 2>/dev/null
    return 1
  fi
  pass "$2"
}

# box CAPTION ICON TEXT: a message box with that caption, icon and text is
# shown; it is answered with OK.
box() {
  local seen
  if ! seen=$(probe box "$1" 25000); then fail "box [$1] not shown"; return 1; fi
  check "box [$1] icon" "icon=$2" "$(echo "$seen" | head -1)"
  check "box [$1] text" "$(printf '%b' "$3")" "$(echo "$seen" | tail -n +2)"
  probe answer "$1" 1 || fail "box [$1] could not be answered"
  probe gone "$1" 5000 || fail "box [$1] stays after the answer"
}

DRIVER_TEXT="Fail to find USB device driver.\nCheck the USB plug or the power of ZEL Bx-Q Series set."

# The view area of a screenshot: inside the picture that the main window
# at half size shows at (5, 5) of its client area.
view_crop() {  # view_crop SHOT -> file of the inner part of the picture
  local left top
  read -r left top _ < <(echo "$MAIN")
  convert "$OUT/$1.png" -crop "480x352+$((left + 24))+$((top + CAPTION + 24))" +repage "$OUT/run/$1-view.png"
  echo "$OUT/run/$1-view.png"
}

# --- 2. Live picture through ZELB1, unplugged while live ---------------------------------
echo "=== viewer: live picture, unplug"
camera plug 0 1 || fail "camera plugged as \\\\.\\ZELBxQ001"
start_viewer live
MAIN=$(probe wait "VIEW PANEL" 30000) || fail "the main window does not show"
probe wait Veltrum 20000 >/dev/null || fail "the mini panel does not show"
check "main window at half size" "180 100 712 $((100 + CAPTION + 404))" "$MAIN"
# The first frames may still be on their way: a few looks, bounded.
spread=0 colours=0
for try in 1 2 3 4 5 6 7 8; do
  sleep 0.5
  shot live-1
  a=$(view_crop live-1)
  spread=$(identify -format '%[fx:int(1000*standard_deviation)]' "$a" 2>/dev/null)
  colours=$(identify -format '%k' "$a" 2>/dev/null)
  [ "${spread:-0}" -ge 50 ] && [ "${colours:-0}" -ge 16 ] && break
done
echo "     view area: spread ${spread:-?}/1000, ${colours:-?} colours"
if [ "${spread:-0}" -ge 50 ] && [ "${colours:-0}" -ge 16 ]; then pass "the view area shows a picture (not blank)"; else
  fail "the view area is blank (spread ${spread:-?}, ${colours:-?} colours)"; fi
before=$(camera transfers 0)
differ=0
for try in 1 2 3; do
  sleep 0.8
  shot live-2
  b=$(view_crop live-2)
  differ=$(compare -metric AE "$a" "$b" null: 2>&1 | cut -d' ' -f1)
  [ "${differ%.*}" -gt 0 ] 2>/dev/null && break
done
after=$(camera transfers 0)
echo "     pixels changed between the screenshots: $differ; camera transfers $before -> $after"
if [ "${differ%.*}" -gt 0 ] 2>/dev/null; then pass "the picture changes between two screenshots (live)"; else
  fail "the picture does not change between two screenshots"; fi
if [ -n "$before" ] && [ -n "$after" ] && [ "$after" -gt "$before" ]; then
  pass "the camera's transfers go on meanwhile (the picture comes through ZELB1)"
else
  fail "no camera transfers while the picture was live ($before -> $after)"
fi

camera unplug 0 1 || fail "camera unplugged and removed"
# Without a device-change notice the acquisition thread meets the failed
# transfers first: the link recovery finds no camera.
if probe wait "ERROR USB..!!!" 10000 >/dev/null; then pass "USB check notice shown (link recovery)"; shot unplug-live-notice;
else fail "USB check notice not shown (did a device-change notice reach the viewer first?)"; fi
if probe box "Error - Device Driver" 10000 >/dev/null; then shot unplug-live-box; fi
box "Error - Device Driver" error "$DRIVER_TEXT"
box "Error - USB communication" error \
  "There is a problem in communication of USB.\nPlease disconnect the plug of USB and reconnect it."
ended 15 "unplug while live ends the program"

# --- 3. Captured picture, unplugged, device-change notice ---------------------------------
echo "=== viewer: captured picture, unplug, device-change notice"
camera plug 0 1 || fail "camera plugged again as \\\\.\\ZELBxQ001"
start_viewer captured
MAIN=$(probe wait "VIEW PANEL" 30000) || fail "the main window does not show"
probe wait Veltrum 20000 >/dev/null || fail "the mini panel does not show"
sleep 1.5
probe click Veltrum 203 || fail "Capture could not be clicked"
probe gone "Image Capture" 5000 || fail "the capture notice stays"
sleep 0.5
a=$(probe picture "VIEW PANEL"); sleep 0.8; b=$(probe picture "VIEW PANEL")
if [ -n "$a" ] && [ "$a" == "$b" ]; then pass "captured: the picture stands"; else fail "captured: the picture still changes"; fi
shot captured
camera unplug 0 1 || fail "camera unplugged and removed"
sleep 0.5
probe wait "VIEW PANEL" 100 >/dev/null || fail "the viewer ended before the device-change notice"
camera notify "VIEW PANEL" || fail "device-change notice not delivered"
if probe box "Error - Device Driver" 10000 >/dev/null; then shot unplug-captured-box; fi
if probe wait "ERROR USB..!!!" 0 >/dev/null; then fail "a link recovery ran instead of the device-change handling"; fi
box "Error - Device Driver" error "$DRIVER_TEXT"
ended 15 "the device-change handling ends the program"

cleanup
echo "driver_e2e: $failures failure(s); screenshots in $OUT"
[ "$failures" -eq 0 ]
