# Picture helpers of the user guide's commands (sourced by tools/docs and
# tools/docs-setup after tests/wine/common/viewer_checks.sh, whose probe
# they use): each picture is cropped from the screen to its window(s) and
# stored as a palette PNG under IMAGES; RUN is the working folder. made and
# miss report each picture; the names of those not made collect in missing.

missing=()
made() { echo "docs: $1"; }
miss() { echo "docs: could not make $1" >&2; missing+=("$1"); }

# The rectangle around the given windows ("left top right bottom" each).
union_rect() {
  awk 'NF == 4 { if (n++ == 0 || $1 < l) l = $1; if (n == 1 || $2 < t) t = $2;
                 if (n == 1 || $3 > r) r = $3; if (n == 1 || $4 > b) b = $4 }
       END { if (n) print l, t, r, b }'
}

# picture NAME RECT...: the given windows as they are on the screen, on white
# where the rectangles' union is not covered by them, as a palette PNG under
# IMAGES.
picture() {
  local name=$1 rect l t r b
  shift
  rect=$(printf '%s\n' "$@" | union_rect)
  [ -n "$rect" ] || { miss "$name"; return 1; }
  read -r l t r b <<<"$rect"
  import -window root "$RUN/screen.png" 2>/dev/null || { miss "$name"; return 1; }
  local args=(-size "$((r - l))x$((b - t))" xc:white)
  for rect in "$@"; do
    set -- $rect
    args+=(\( "$RUN/screen.png" -crop "$(($3 - $1))x$(($4 - $2))+$1+$2" +repage \)
           -geometry "+$(($1 - l))+$(($2 - t))" -composite)
  done
  # Without the time chunks, the same picture makes the same file.
  convert "${args[@]}" -dither None -colors 256 -define png:compression-level=9 \
    -define png:exclude-chunks=date,time "PNG8:$IMAGES/$name.png" &&
    made "$name.png ($((r - l))x$((b - t)))" || miss "$name"
}

# The window of that title, once it has stopped changing (its first paint,
# a page's change, the panel's status refresh are done): its rectangle.
settled() {  # TITLE
  local a b rect tries=20
  rect=$(probe wait "$1" 15000) || return 1
  a=$(probe picture "$1")
  while [ $tries -gt 0 ]; do
    sleep 0.5
    b=$(probe picture "$1")
    [ -n "$a" ] && [ "$a" == "$b" ] && break
    a=$b
    tries=$((tries - 1))
  done
  probe wait "$1" 5000
}

# A message box: its picture, then the answer (default OK).
box_picture() {  # NAME CAPTION [BUTTON]
  local rect
  if rect=$(probe wait "$2" 15000); then
    sleep 0.5
    picture "$1" "$rect"
    probe answer "$2" "${3:-1}"
    probe gone "$2" 5000
  else
    miss "$1"
  fi
}

# The caret of a focused edit stays on instead of blinking (this prefix's
# setting), so that a picture does not depend on the moment it was taken.
steady_caret() {
  wine reg add 'HKCU\Control Panel\Desktop' /v CursorBlinkRate /d -1 /f >/dev/null 2>&1
}
