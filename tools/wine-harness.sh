# Wine harness, sourced by tools/test, tools/demo and the Wine scenario
# scripts. One prefix per run under the build folder, an Xvfb display of our
# own unless one is given, Windows programs run with their exit codes passed
# through, screenshots on request.
#
#   zel_xvfb_up [WxH]        start Xvfb on a free display, export DISPLAY
#   zel_wine_blocker         why Wine cannot run our programs on this
#                            machine, when it cannot (see below)
#   zel_wine64_only DIR      `wine` runs Wine's 64-bit loader (see below)
#   zel_prefix_up DIR        fresh prefix in DIR, wineserver kept up
#   zel_wine EXE [ARGS...]   run a 32-bit Windows program, its exit code
#   zel_screenshot FILE      the whole screen as an image
#   zel_harness_down         stop the wineserver and our Xvfb

export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG="${WINEDEBUG:--all}"
ZEL_XVFB_PID=""

zel_xvfb_up() {
  local size="${1:-1280x1024}"
  local n
  for n in $(seq 90 120); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
      Xvfb ":$n" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
      ZEL_XVFB_PID=$!
      export DISPLAY=":$n"
      local i
      for i in $(seq 1 50); do
        if xdpyinfo -display ":$n" >/dev/null 2>&1; then return 0; fi
        sleep 0.1
      done
      kill "$ZEL_XVFB_PID" 2>/dev/null || true
      ZEL_XVFB_PID=""
    fi
  done
  echo "wine-harness: no free display for Xvfb" >&2
  return 1
}

# Our Windows programs are 32-bit, and this Wine runs them with its own
# 32-bit Linux loader. A kernel booted without IA-32 emulation refuses every
# 32-bit Linux program ("Exec format error"), so no Windows program of ours
# can start there. Prints the reason and succeeds on such a machine; fails,
# printing nothing, where 32-bit programs run (or where the 32-bit loader is
# not installed, which the prefix's own failure then reports).
zel_wine_blocker() {
  local loader=/lib/ld-linux.so.2
  [ -e "$loader" ] || return 1
  "$loader" --version >/dev/null 2>&1
  [ $? -eq 126 ] || return 1
  echo "this machine's kernel does not run 32-bit programs (IA-32 emulation is off), and Wine needs them to run our 32-bit Windows programs"
}

# Where only Wine's 64-bit loader runs: `wine`, and the wine-stable that
# Wine's own tool scripts (wineboot, ...) call, are pointed at it through
# stand-in commands in DIR, put first on PATH. Fails when there is no
# 64-bit loader either.
zel_wine64_only() {  # DIR
  local loader=/usr/lib/wine/wine64 name
  [ -x "$loader" ] || return 1
  mkdir -p "$1"
  for name in wine wine-stable; do
    printf '#!/bin/sh\nexport WINELOADER=%s\nexec %s "$@"\n' "$loader" "$loader" >"$1/$name"
    chmod +x "$1/$name"
  done
  export PATH="$1:$PATH"
}

zel_prefix_up() {
  export WINEPREFIX="$1"
  rm -rf "$WINEPREFIX"
  mkdir -p "$(dirname "$WINEPREFIX")"
  # The prefix is built first; only then is the server kept up between
  # programs (earlier, it broke the service database).
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w
  wineserver -p
  [ -d "$WINEPREFIX/drive_c/windows" ]
}

zel_wine() {
  wine "$@"
}

zel_screenshot() {
  import -display "$DISPLAY" -window root "$1"
}

zel_harness_down() {
  if [ -n "${WINEPREFIX:-}" ]; then
    wineserver -k >/dev/null 2>&1 || true
  fi
  if [ -n "$ZEL_XVFB_PID" ]; then
    kill "$ZEL_XVFB_PID" 2>/dev/null || true
    wait "$ZEL_XVFB_PID" 2>/dev/null || true
    ZEL_XVFB_PID=""
  fi
}
