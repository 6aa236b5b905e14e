#!/bin/bash
# Driver-level checks of ZELB1 under Wine's kernel, for the x64 and the x86
# build: a test-only bus driver reports simulated USB cameras, Wine's PnP
# manager loads the pipe-bind test build of ZELB1 for them, and
# driver_wine_check runs the checks (numbering and the device count, the
# configuration reads, device-control codes and buffer checks, the
# extension copy without kernel addresses, system control and power
# requests sent by the bus, one open per pipe, short read, the 5 s time-out
# as error 121, stop with a read in flight and start again, unplug while
# open with new I/O refused after the surprise removal, stop then remove
# with one deconfigure, a failed start, a held start).
#
# Each architecture runs in a prefix of its own with its own loader (a
# service created through the 32-bit loader cannot load a 64-bit driver).
# Uses the driver test builds build/driver-tests-x64 and
# build/driver-tests-x86 (built here when missing; ZEL_DRIVER_BUILD_PREFIX
# names other, already built folders); output in $ZEL_OUT.
set -u
ROOT="${ZEL_SOURCE_DIR:-$(cd "$(dirname "$0")/../../.." && pwd)}"
OUT="${ZEL_OUT:-$ROOT/build/wine-out/driver}"
mkdir -p "$OUT"
export WINEDEBUG="${ZEL_DRIVER_WINEDEBUG:--all}"

cleanup() { wineserver -k >/dev/null 2>&1 || true; }
trap cleanup EXIT

# run_arch ARCH LOADER WINEARCH
run_arch() {
  local arch=$1 loader=$2 winearch=$3
  # ZEL_DRIVER_BUILD_PREFIX: another family of build folders (<prefix>x64, <prefix>x86).
  local build="${ZEL_DRIVER_BUILD_PREFIX:-$ROOT/build/driver-tests-}$arch"
  local stage="$build/tests/wine/common/install"
  local check="$build/tests/wine/common/driver_wine_check.exe"
  local out="$OUT/$arch"
  mkdir -p "$out"
  echo "=== $arch"
  if [ ! -f "$stage/ZELB1-pipe-bind.sys" ] || [ ! -f "$check" ]; then
    (cd "$ROOT" && cmake --preset "driver-tests-$arch" >/dev/null && cmake --build "$build" -j2) || {
      echo "driver: could not build the $arch driver checks" >&2
      return 1
    }
  fi

  export WINEPREFIX="$out/prefix" WINEARCH="$winearch"
  rm -rf "$WINEPREFIX"
  # Drivers stay loaded between programs only while the server is kept up.
  "$loader" wineboot -i >"$out/wineboot.log" 2>&1 || true
  wineserver -w
  wineserver -p
  mkdir -p "$WINEPREFIX/drive_c/zeltest"
  cp "$stage/sim_bus.inf" "$stage/zelsimbus.sys" "$check" "$WINEPREFIX/drive_c/zeltest/"
  cp "$stage/ZELB1-pipe-bind.sys" "$WINEPREFIX/drive_c/zeltest/ZELB1.sys"

  local rc=0
  timeout 120 "$loader" 'C:\zeltest\driver_wine_check.exe' install 'C:\zeltest\sim_bus.inf' \
    >"$out/install.log" 2>"$out/install.err" || rc=$?
  cat "$out/install.log"
  if [ $rc -eq 0 ]; then
    timeout 300 "$loader" 'C:\zeltest\driver_wine_check.exe' run >"$out/checks.log" 2>"$out/checks.err" || rc=$?
    cat "$out/checks.log"
  fi
  wineserver -k >/dev/null 2>&1 || true
  if [ $rc -ne 0 ]; then
    echo "driver: $arch failed ($rc)" >&2
    return 1
  fi
  return 0
}

status=0
run_arch x64 /usr/lib/wine/wine64 win64 || status=1
if [ "${ZEL_WINE_BITS:-32}" = 64 ]; then
  echo "=== x86: not run (this Wine runs 64-bit programs only)"
else
  run_arch x86 wine win32 || status=1
fi
exit $status
