# Shared by the Wine scenarios that drive the viewer (sourced by their
# run.sh): check results, the window probe, screenshots, virtual desktops
# held open by a probe, starting and awaiting the program, message boxes,
# the live picture changing or standing, real mouse clicks, the demo's
# traffic trace. The sourcing script sets PROBE, OUT and RUN first (and
# WIRE, the trace file, where it reads it).
failures=0
pass() { echo "ok   $*"; }
fail() { echo "FAIL $*"; failures=$((failures + 1)); }
check() {  # check WHAT EXPECTED ACTUAL
  if [ "$2" == "$3" ]; then pass "$1"; else fail "$1: expected [$2], got [$3]"; fi
}
probe() { wine "$PROBE" "$@" 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }
shot() { import -window root -crop "${DESK_W}x${DESK_H}+0+0" +repage "$OUT/$1.png" 2>/dev/null; }

# Our programs open in a virtual desktop of the given size (per-program
# settings, so nothing else in the prefix changes; taken away at the end).
# A probe stays attached to the desktop while it is in use: Wine closes a
# desktop about a second after its last process leaves, and a program that
# starts while it closes loses its windows with it.
HOLDER=
use_desktop() {  # NAME WxH
  DESK_W=${2%x*}
  DESK_H=${2#*x}
  release_desktop
  for app in viewer_probe.exe zelview_demo.exe zelview.exe; do
    wine reg add "HKCU\\Software\\Wine\\AppDefaults\\$app\\Explorer" /v Desktop /d "$1" /f >/dev/null 2>&1
  done
  wine reg add "HKCU\\Software\\Wine\\Explorer\\Desktops" /v "$1" /d "$2" /f >/dev/null 2>&1
  hold_desktop || fail "desktop $1 does not come up"
}

# Starts the probe that holds the desktop open (HOLDER) and waits until it
# is there; fails (status 1) when it does not come within 30 seconds.
hold_desktop() {
  rm -f "$RUN/holder.out"
  (exec wine "$PROBE" hold >"$RUN/holder.out" 2>/dev/null) &
  HOLDER=$!
  local tries=300
  while ! grep -q ready "$RUN/holder.out" 2>/dev/null && [ $tries -gt 0 ]; do sleep 0.1; tries=$((tries - 1)); done
  [ $tries -gt 0 ]
}

release_desktop() {
  if [ -n "$HOLDER" ]; then
    kill "$HOLDER" 2>/dev/null
    wait "$HOLDER" 2>/dev/null
    HOLDER=
    sleep 2  # the desktop left behind closes before the next one opens
  fi
}

forget_desktops() {
  release_desktop
  for app in viewer_probe.exe zelview_demo.exe zelview.exe; do
    wine reg delete "HKCU\\Software\\Wine\\AppDefaults\\$app" /f >/dev/null 2>&1
  done
}
trap forget_desktops EXIT

start() {  # PROGRAM
  CURRENT=$1
  (cd "$RUN" && rm -f zelview_demo.cmd && exec wine "$1" >"$RUN/program.log" 2>&1) &
  APP=$!
}

# Hands the demo viewer a command through zelview_demo.cmd, which it polls
# for, reads and deletes. The file is put in place whole (written beside,
# then renamed): a poll between the file's creation and its write would
# read it empty and delete it, and the command would be lost. Returns once
# the demo has taken it.
demo_command() {  # TEXT
  echo "$1" >"$RUN/zelview_demo.cmd.part" && mv -f "$RUN/zelview_demo.cmd.part" "$RUN/zelview_demo.cmd"
  local tries=100
  while [ -f "$RUN/zelview_demo.cmd" ] && [ $tries -gt 0 ]; do sleep 0.1; tries=$((tries - 1)); done
  [ $tries -gt 0 ] || fail "the demo did not take the command [$1]"
}

# Waits for the program to end (up to $1 seconds); fails the check if not.
ended() {
  local limit=$(($1 * 10))
  while kill -0 "$APP" 2>/dev/null && [ $limit -gt 0 ]; do sleep 0.1; limit=$((limit - 1)); done
  if kill -0 "$APP" 2>/dev/null; then
    fail "$2: the program did not end"
    wine taskkill /f /im "$(basename "$CURRENT")" >/dev/null 2>&1
    kill "$APP" 2>/dev/null
    return 1
  fi
  pass "$2"
}

# The live picture changes between two looks (a few tries, as the first
# frame may still be on its way).
picture_changes() {  # WHAT
  local a b try
  a=$(probe picture "VIEW PANEL")
  for try in 1 2 3 4 5; do
    sleep 0.7
    b=$(probe picture "VIEW PANEL")
    if [ -n "$a" ] && [ "$a" != "$b" ]; then pass "$1: the picture changes"; return; fi
    a=$b
  done
  fail "$1: the picture does not change"
}

# The picture stands: two looks 0.8 s apart are the same (a few tries, as
# a frame already on its way when it was stopped may still be painting on a
# busy machine; a live picture differs from frame to frame and never
# passes).
picture_stands() {  # WHAT
  local a b try
  for try in 1 2 3 4 5; do
    a=$(probe picture "VIEW PANEL"); sleep 0.8; b=$(probe picture "VIEW PANEL")
    if [ -n "$a" ] && [ "$a" == "$b" ]; then pass "$1: the picture stands"; return; fi
  done
  fail "$1: the picture still changes"
}

# A window's rectangle becomes the expected one (a zoom change lays the
# windows out only once the live picture has stopped, which takes longer on
# a busy machine); up to about 10 s.
rect_becomes() {  # WHAT TITLE EXPECTED
  local seen tries=50
  seen=$(probe wait "$2" 5000)
  while [ "$seen" != "$3" ] && [ $tries -gt 0 ]; do
    sleep 0.2
    seen=$(probe wait "$2" 5000)
    tries=$((tries - 1))
  done
  check "$1" "$3" "$seen"
}

# box CAPTION ICON TEXT [BUTTON]: a message box with that caption, icon and
# text is shown; it is answered with BUTTON (default OK).
box() {
  local seen
  seen=$(probe box "$1" 25000)
  if [ $? -ne 0 ]; then
    if kill -0 "$APP" 2>/dev/null; then fail "box [$1] not shown (the program runs on)"
    else fail "box [$1] not shown (the program has ended)"; fi
    shot "missing-box"
    tail -5 "$RUN/program.log" 2>/dev/null | sed 's/^/     program: /'
    return 1
  fi
  check "box [$1] icon" "icon=$2" "$(echo "$seen" | head -1)"
  check "box [$1] text" "$(printf '%b' "$3")" "$(echo "$seen" | tail -n +2)"
  probe answer "$1" "${4:-1}" || fail "box [$1] could not be answered"
  probe gone "$1" 5000 || fail "box [$1] stays after the answer"
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

# The demo's traffic trace: its length in lines, and the lines after a
# given length.
wire_lines() { if [ -f "$WIRE" ]; then wc -l <"$WIRE"; else echo 0; fi; }
wire_since() { tail -n +"$(($1 + 1))" "$WIRE" 2>/dev/null; }
