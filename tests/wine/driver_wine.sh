#!/bin/bash
# Driver-level checks of ZELB1 under Wine's kernel: a test-only bus driver
# reports simulated USB cameras, Wine's PnP manager loads the pipe-bind test
# build of ZELB1 for them, and driver_wine_check runs the checks (numbering
# 001/002, configuration read twice for a long descriptor, device-control
# codes and buffer checks, one open per pipe, short read, the 5 s time-out as
# error 121, unplug while open with one deconfigure, replug).
#
# 64-bit pieces run under the 64-bit loader in a prefix of their own (a
# service created through the 32-bit loader cannot load a 64-bit driver).
# Uses build/driver-x64 (built here when missing); output in $ZEL_OUT.
set -u
ROOT="${ZEL_SOURCE_DIR:-$(cd "$(dirname "$0")/../.." && pwd)}"
OUT="${ZEL_OUT:-$ROOT/build/wine-out/driver_wine}"
BUILD="$ROOT/build/driver-x64"
STAGE="$BUILD/driver/wine-checks/install"
CHECK="$BUILD/driver/wine-checks/driver_wine_check.exe"
WINE64=/usr/lib/wine/wine64
mkdir -p "$OUT"

if [ ! -f "$STAGE/ZELB1.sys" ] || [ ! -f "$CHECK" ]; then
  (cd "$ROOT" && cmake --preset driver-x64 >/dev/null && cmake --build "$BUILD" -j2) || {
    echo "driver_wine: could not build the driver checks" >&2
    exit 1
  }
fi

export WINEPREFIX="$OUT/prefix"
export WINEDEBUG="${ZEL_DRIVER_WINEDEBUG:--all}"
cleanup() { wineserver -k >/dev/null 2>&1 || true; }
trap cleanup EXIT

rm -rf "$WINEPREFIX"
# Drivers stay loaded between programs only while the server is kept up.
"$WINE64" wineboot -i >"$OUT/wineboot.log" 2>&1 || true
wineserver -w
wineserver -p
mkdir -p "$WINEPREFIX/drive_c/zeltest"
cp "$STAGE"/* "$CHECK" "$WINEPREFIX/drive_c/zeltest/"

echo "== install"
timeout 120 "$WINE64" 'C:\zeltest\driver_wine_check.exe' install 'C:\zeltest\sim_bus.inf' \
  >"$OUT/install.log" 2>"$OUT/install.err"
rc=$?
cat "$OUT/install.log"
[ $rc -eq 0 ] || { echo "driver_wine: install failed ($rc)" >&2; exit 1; }

echo "== checks"
timeout 300 "$WINE64" 'C:\zeltest\driver_wine_check.exe' run >"$OUT/checks.log" 2>"$OUT/checks.err"
rc=$?
cat "$OUT/checks.log"
[ $rc -eq 0 ] || { echo "driver_wine: $rc check(s) failed or the run did not finish" >&2; exit 1; }
exit 0
