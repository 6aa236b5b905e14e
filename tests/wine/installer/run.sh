#!/bin/bash
# The setup program under Wine. tools/package makes it twice from the test
# builds, signed with a throw-away certificate, and every signature is
# verified: this version, and an older one with a driver package as a
# Windows build host hands it over (signed there with another certificate,
# with a stand-in catalog), whose signatures the release keeps. Each check
# then runs in a fresh
# prefix of its own (a copy of one made for this run), on a virtual desktop,
# with screenshots under $ZEL_OUT/:
#
#   silent    /S: every file in its place (the same bytes as the release
#             files, signatures intact, the uninstaller signed too), the
#             shortcuts, the installed-programs entry, the log's driver line;
#             the installed viewer shows the device-driver message; the demo
#             viewer, started through its shortcut, a live picture, with its
#             traffic trace in the user's temporary folder; the installed
#             data sources are found under twain_32 and open from there, the
#             demo's trace in the application's working folder, and in the
#             user's temporary folder when it cannot be made in the working
#             folder. Then the silent uninstall, and
#             the prefix's files and registry compared with their listing
#             from before the install.
#   upgrade   the older version (/S /NODEMO), this one over it interactively
#             (its pages clicked through), this one again (/S): one copy, one
#             entry; the uninstall leaves the prefix as it was.
#   refusals  without administrator rights (the Administrators group
#             disabled in the token), silent and interactive: refused with
#             the message and exit code 3, nothing installed; with the
#             installed demo viewer running: setup and the uninstaller (in
#             place, and through its temporary copy as the entry runs it)
#             refuse with exit code 4 or their line in the log, and change
#             nothing; the same for setup while an application holds the
#             installed data source open.
#   driver    a stand-in pnputil in System32 (64-bit) and SysWOW64 (32-bit):
#             a release without the driver's catalog leaves it alone; the
#             older version's package (with its catalog) is added with
#             Windows 10's syntax by the 64-bit tool, its name in the store
#             kept in the entry and deleted by that name on uninstall; with
#             Windows 7's syntax when no camera is connected; a store name
#             that another package has taken since is left alone; a package
#             the system refuses gives exit code 5 with the rest installed.
#
# Environment (set by tools/test): DISPLAY, ZEL_SOURCE_DIR, ZEL_BUILD_WIN,
# ZEL_OUT; the driver-tests-x64 build (the 64-bit pnputil stand-in). The
# shared WINEPREFIX is not used.
set -u
: "${DISPLAY:?}" "${ZEL_SOURCE_DIR:?}" "${ZEL_BUILD_WIN:?}" "${ZEL_OUT:?}"
# Wine's menu builder would copy the Start-menu shortcuts into the Linux
# desktop's menus: kept off, the shortcuts stay in the prefix.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

PROBE=$ZEL_BUILD_WIN/tests/wine/common/viewer_probe.exe
SOURCE_CHECK=$ZEL_BUILD_WIN/tests/wine/installer/installed_source_check.exe
RUN_LIMITED=$ZEL_BUILD_WIN/tests/wine/installer/run_limited.exe
PNPUTIL_32=$ZEL_BUILD_WIN/tests/wine/installer/pnputil_standin.exe
PNPUTIL_64=$ZEL_SOURCE_DIR/build/driver-tests-x64/tests/wine/installer/pnputil_standin.exe
for f in "$PROBE" "$SOURCE_CHECK" "$RUN_LIMITED" "$PNPUTIL_32" "$PNPUTIL_64"; do
  [ -f "$f" ] || { echo "installer: missing $f"; exit 1; }
done
OUT=$ZEL_OUT
OLD_VERSION=0.9.0
VERSION=$(cat "$ZEL_SOURCE_DIR/setup/version")
SETUP_TITLE="ZEL Bx-Q Series Setup"
PAGE_TITLE="ZEL Bx-Q Series Setup "   # the pages after the welcome page
DEMO_SOURCE_NAME="ZEL TWAIN (simulated camera)"

RUN=$OUT/run
mkdir -p "$RUN"
DESK_W=1024 DESK_H=768
# check, probe, shot, ended, box, hold_desktop: the viewer scenarios' helpers.
source "$(dirname "${BASH_SOURCE[0]}")/../common/viewer_checks.sh"

# --- The packages -------------------------------------------------------------
certificate() {  # FOLDER NAME: a throw-away code-signing certificate
  mkdir -p "$1"
  openssl req -x509 -newkey rsa:2048 -sha256 -days 2 -nodes -subj "/CN=$2" \
    -addext "extendedKeyUsage=codeSigning" -addext "keyUsage=digitalSignature" \
    -keyout "$1/key.pem" -out "$1/cert.pem" 2>/dev/null || { echo "installer: no certificate"; exit 1; }
}
CERT=$OUT/certificate
certificate "$CERT" "ZEL throw-away test signing"
SIGN_ARGS=(--cert "$CERT/cert.pem" --key "$CERT/key.pem" --ca "$CERT/cert.pem")
export ZEL_SIGN_CA="$CERT/cert.pem"
verify() { "$ZEL_SOURCE_DIR/tools/authenticode" verify "$1" 2>&1; }

if "$ZEL_SOURCE_DIR/tools/package" "${SIGN_ARGS[@]}" --out "$OUT/package" >"$OUT/package.log" 2>&1; then
  pass "tools/package made and signed zelsetup.exe"
else
  fail "tools/package (log $OUT/package.log)"; tail -20 "$OUT/package.log"; exit 1
fi
grep -q "all signatures verified" "$OUT/package.log" || fail "tools/package verified no signatures"

# The older version is packaged with a driver package as the Windows build
# host hands it over, signed there with another certificate (the stand-in
# for the dashboard's signature). Its catalog is a stand-in too: a signed
# certificate trust list without file hashes, which no Windows would accept,
# but which carries a signature as a catalog does.
HOST=$OUT/build-host
certificate "$HOST" "ZEL throw-away build host"
host_sign() { ZEL_SIGN_CERT="$HOST/cert.pem" ZEL_SIGN_KEY="$HOST/key.pem" "$ZEL_SOURCE_DIR/tools/authenticode" sign "$1"; }
printf 'asn1=SEQUENCE:ctl\n[ctl]\nusage=SEQUENCE:usage\nlist=FORMAT:HEX,OCTETSTRING:00\nmade=UTCTIME:%s\nalg=SEQUENCE:alg\n[usage]\noid=OID:1.3.6.1.4.1.311.12.1.1\n[alg]\noid=OID:1.3.6.1.4.1.311.12.2.1\n' \
  "$(date -u +%y%m%d%H%M%SZ)" >"$HOST/ctl.cnf"
openssl asn1parse -genconf "$HOST/ctl.cnf" -out "$HOST/ctl.der" -noout
for arch in x86 x64; do
  mkdir -p "$HOST/package/$arch"
  cp "$ZEL_SOURCE_DIR/driver/ZELB1.inf" "$ZEL_SOURCE_DIR/build/driver-$arch/driver/ZELB1.sys" "$HOST/package/$arch/"
  host_sign "$HOST/package/$arch/ZELB1.sys"
  openssl cms -sign -binary -nodetach -md sha256 -econtent_type 1.3.6.1.4.1.311.10.1 -outform DER \
    -in "$HOST/ctl.der" -signer "$HOST/cert.pem" -inkey "$HOST/key.pem" -out "$HOST/package/$arch/ZELB1.cat"
done
"$ZEL_SOURCE_DIR/tools/package" "${SIGN_ARGS[@]}" --version $OLD_VERSION --out "$OUT/package-old" \
  --driver-package "$HOST/package" --driver-ca "$HOST/cert.pem" \
  >"$OUT/package-old.log" 2>&1 || { fail "tools/package --version $OLD_VERSION --driver-package (log $OUT/package-old.log)"; exit 1; }
check "driver package from the build host: its four signatures kept and verified" 4 \
  "$(grep -c '^  kept the signature of release/driver/x\(86\|64\)/ZELB1\.\(sys\|cat\)$' "$OUT/package-old.log")"
grep -q "all signatures verified" "$OUT/package-old.log" || fail "tools/package --driver-package verified no signatures"
kept=0
for f in x86/ZELB1.sys x86/ZELB1.cat x64/ZELB1.sys x64/ZELB1.cat; do
  cmp -s "$HOST/package/$f" "$OUT/package-old/release/driver/$f" && kept=$((kept + 1))
done
check "driver package from the build host: its files in the release as they came, not signed again" 4 "$kept"
SETUP=$OUT/package/zelsetup.exe
OLD_SETUP=$OUT/package-old/zelsetup.exe
RELEASE=$OUT/package/release
signed_release_files() { (cd "$RELEASE" && find . -type f \( -name '*.exe' -o -name '*.ds' -o -name '*.sys' \) | sort); }
count=0
for f in $(signed_release_files) ../zelsetup.exe; do
  if result=$(verify "$RELEASE/$f"); then count=$((count + 1)); else fail "signature of $f: $result"; fi
done
pass "$count signatures verified against the throw-away certificate"

# --- Prefixes -------------------------------------------------------------------
# One prefix is made for the run; each check gets a fresh copy of it, on a
# 1024x768 virtual desktop held open by a probe.
TEMPLATE=$OUT/prefix-template
rm -rf "$TEMPLATE"
WINEPREFIX=$TEMPLATE wineboot -i >/dev/null 2>&1
WINEPREFIX=$TEMPLATE wineserver -w
[ -d "$TEMPLATE/drive_c/windows" ] || { echo "installer: no template prefix"; exit 1; }
pass "template prefix made"

HOLDER=
fresh_prefix() {  # NAME: a fresh copy of the template becomes WINEPREFIX
  export WINEPREFIX=$OUT/prefix-$1
  rm -rf "$WINEPREFIX"
  cp -a "$TEMPLATE" "$WINEPREFIX"
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
  hold_desktop || fail "$1: the desktop does not come up"
  DRIVE=$WINEPREFIX/drive_c
  INSTALLED="$DRIVE/Program Files (x86)/ZEL Bx-Q Series"
  WIN_INSTALLED='C:\Program Files (x86)\ZEL Bx-Q Series'
  TWAIN_FOLDER="$DRIVE/windows/twain_32/ZEL Bx-Q Series"
  DEMO_TWAIN_FOLDER="$DRIVE/windows/twain_32/ZEL Bx-Q Series Demo"
  MENU="$DRIVE/ProgramData/Microsoft/Windows/Start Menu/Programs/ZEL Bx-Q Series"
  USER_TEMP=$(winepath -u "$(wine cmd /c echo %TEMP% 2>/dev/null | tr -d '\r')")
  [ -d "$USER_TEMP" ] || fail "$1: no temporary folder ($USER_TEMP)"
}

# Processes of this prefix whose command line matches (other prefixes on
# the machine may run the same programs).
prefix_pids() {  # PATTERN
  local pid
  for pid in $(pgrep -f "$1"); do
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && echo "$pid"
  done
}

drop_prefix() {
  if [ -n "$HOLDER" ]; then kill "$HOLDER" 2>/dev/null; wait "$HOLDER" 2>/dev/null; HOLDER=; fi
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
  rm -rf "$WINEPREFIX"
}
trap 'drop_prefix; rm -rf "$TEMPLATE"' EXIT

# Listings of the prefix for the before/after comparison: every file and
# folder under drive_c with its size, and the whole registry. Left out: the
# copy the uninstaller runs from (it copies itself to the user's temporary
# folder, cannot delete that copy while it runs, and has Windows delete it
# at the next restart: the folder and its entry in PendingFileRenameOperations),
# and what Wine itself rewrites as programs come and go (the display
# adapter's key under a new GUID and its driver date, the volatile
# "Temporary System Parameters", and the console defaults Wine's console
# host writes under the user's Console key the first time a console program,
# such as pnputil started by setup, opens a console).
listing() {  # FILE
  (cd "$DRIVE" && find . -path './users/*/Temp/~nsu*.tmp' -prune -o -printf '%y %s %p\n' | sort) >"$1.files"
  wine regedit /E "$1.reg.utf16" >/dev/null 2>&1
  iconv -f UTF-16 -t UTF-8 "$1.reg.utf16" | tr -d '\r' |
    sed -e 's/Control\\Video\\{[0-9a-fA-F-]*}/Control\\Video\\{GUID}/' |
    awk '
      /^\[/ { volatile = index($0, "Temporary System Parameters") > 0 || $0 ~ /^\[HKEY_USERS\\[^\\]*\\Console[\]\\]/ }
      skipping { skipping = /\\$/; next }
      /^"(PendingFileRenameOperations|DriverDateData)"=/ { skipping = /\\$/; next }
      !volatile { print }' >"$1.reg"
  rm -f "$1.reg.utf16"
}

same_as_before() {  # WHAT BEFORE AFTER
  local differs=
  if ! diff "$2.files" "$3.files" >"$3.files.diff"; then differs=1; fail "$1: files differ"; sed 's/^/     /' "$3.files.diff" | head -30; fi
  if ! diff "$2.reg" "$3.reg" >"$3.reg.diff"; then differs=1; fail "$1: registry differs"; sed 's/^/     /' "$3.reg.diff" | head -30; fi
  [ -n "$differs" ] || pass "$1: files and registry as before the install"
}

# Setup and its uninstaller; the uninstaller that Windows' list runs hands
# over to its copy in the temporary folder and returns at once, so the end
# of the uninstall is waited for: the entry and the installed folder gone.
setup_run() { wine "$@" >/dev/null 2>&1; }
entry() { wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\ZELBxQSeries' /v "$1" /reg:32 2>/dev/null | tr -d '\r' | awk -v v="$1" '$1 == v { $1 = ""; $2 = ""; sub(/^  /, ""); print }'; }
entries() { wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /reg:32 2>/dev/null | tr -d '\r' | grep -c -i 'ZELBxQ'; }
uninstall_silently() {  # WHAT
  local status deadline=$((SECONDS + 90))
  setup_run "$WIN_INSTALLED\\uninstall.exe" /S
  status=$?
  check "$1: uninstaller exit code" 0 "$status"
  while { [ -n "$(entry DisplayName)" ] || [ -e "$INSTALLED" ]; } && [ $SECONDS -lt $deadline ]; do sleep 0.2; done
  [ $SECONDS -lt $deadline ] || fail "$1: the uninstall does not finish"
  # its copy ends after the last file is gone
  uninstaller_copy_ended $deadline
}

uninstaller_copy_ended() {  # DEADLINE (in $SECONDS)
  while [ -n "$(prefix_pids '~nsu.*Un\.exe')" ] && [ $SECONDS -lt "$1" ]; do sleep 0.2; done
  [ $SECONDS -lt "$1" ] || fail "the uninstaller's temporary copy does not end"
}

# Lines of the installed copy's log that hold the text.
log_lines() { tr -d '\r' 2>/dev/null <"$INSTALLED/zelsetup.log" | grep -cF -- "$1"; }

installed_files() {  # the installed product, one line a file, relative to drive_c
  (cd "$DRIVE" && find "Program Files (x86)/ZEL Bx-Q Series" "windows/twain_32/ZEL Bx-Q Series" \
     "windows/twain_32/ZEL Bx-Q Series Demo" \
     "ProgramData/Microsoft/Windows/Start Menu/Programs/ZEL Bx-Q Series" -type f 2>/dev/null | sort)
}

expected_files() {  # [nodemo] [catalog]
  local demo=1 catalog= option
  for option; do
    case $option in nodemo) demo= ;; catalog) catalog=1 ;; esac
  done
  {
    [ -n "$catalog" ] && echo "Program Files (x86)/ZEL Bx-Q Series/Driver/ZELB1.cat"
    echo "Program Files (x86)/ZEL Bx-Q Series/Driver/ZELB1.inf"
    echo "Program Files (x86)/ZEL Bx-Q Series/Driver/ZELB1.sys"
    echo "Program Files (x86)/ZEL Bx-Q Series/uninstall.exe"
    echo "Program Files (x86)/ZEL Bx-Q Series/zelsetup.log"
    echo "Program Files (x86)/ZEL Bx-Q Series/zelview.exe"
    echo "ProgramData/Microsoft/Windows/Start Menu/Programs/ZEL Bx-Q Series/ZEL Viewer.lnk"
    for f in TWZEL_32.ds XGA_FULL.bmp XGA_HALF.bmp SXGA_FULL.bmp SXGA_HALF.bmp; do
      echo "windows/twain_32/ZEL Bx-Q Series/$f"
    done
    if [ -n "$demo" ]; then
      echo "Program Files (x86)/ZEL Bx-Q Series/zelview_demo.exe"
      echo "ProgramData/Microsoft/Windows/Start Menu/Programs/ZEL Bx-Q Series/ZEL Viewer - Try without a camera.lnk"
      for f in TWZEL_32_demo.ds XGA_FULL.bmp XGA_HALF.bmp SXGA_FULL.bmp SXGA_HALF.bmp; do
        echo "windows/twain_32/ZEL Bx-Q Series Demo/$f"
      done
    fi
  } | sort
}

# start PROGRAM: runs an installed program by its installed path. Its
# working folder is one of the user's (the demo writes its traffic trace
# there), here a folder outside the prefix.
start() {
  CURRENT=$1
  (cd "$RUN" && exec wine "$WIN_INSTALLED\\$1" >"$RUN/program.log" 2>&1) &
  APP=$!
}

# =================================================================================
echo "--- silent: install, use, uninstall"
fresh_prefix silent
listing "$OUT/silent-before"
setup_run "$SETUP" /S
check "silent install: exit code" 0 $?
check "silent install: every file in its place, nothing else" "$(expected_files)" "$(installed_files)"
identical=0
for f in program/zelview.exe program/zelview_demo.exe twain/TWZEL_32.ds twain/XGA_FULL.bmp twain/SXGA_HALF.bmp \
         twain/TWZEL_32_demo.ds driver/x64/ZELB1.sys driver/x64/ZELB1.inf; do
  case $f in
    program/*) installed="$INSTALLED/${f#program/}" ;;
    twain/*_demo.ds) installed="$DEMO_TWAIN_FOLDER/${f#twain/}" ;;
    twain/*) installed="$TWAIN_FOLDER/${f#twain/}" ;;
    driver/*) installed="$INSTALLED/Driver/${f#driver/x64/}" ;;
  esac
  if cmp -s "$RELEASE/$f" "$installed"; then identical=$((identical + 1)); else fail "installed $f differs from the release file"; fi
done
check "installed files are the release files (the 64-bit driver on a 64-bit system)" 8 "$identical"
for f in "$INSTALLED/zelview.exe" "$INSTALLED/zelview_demo.exe" "$TWAIN_FOLDER/TWZEL_32.ds" "$DEMO_TWAIN_FOLDER/TWZEL_32_demo.ds" \
         "$INSTALLED/Driver/ZELB1.sys" "$INSTALLED/uninstall.exe"; do
  if result=$(verify "$f"); then pass "signature of installed ${f##*/}"; else fail "signature of installed ${f##*/}: $result"; fi
done
strings "$MENU/ZEL Viewer.lnk" | grep -qxF "$WIN_INSTALLED\\zelview.exe" \
  && pass "shortcut to the viewer" || fail "the viewer's shortcut does not name zelview.exe"
strings "$MENU/ZEL Viewer - Try without a camera.lnk" | grep -qxF "$WIN_INSTALLED\\zelview_demo.exe" \
  && pass "shortcut to the demo viewer" || fail "the demo shortcut does not name zelview_demo.exe"
check "entry: name" "ZEL Bx-Q Series" "$(entry DisplayName)"
check "entry: publisher" "Veltrum Quorlen Co. Ltd" "$(entry Publisher)"
check "entry: version" "$VERSION" "$(entry DisplayVersion)"
check "entry: uninstaller" "\"$WIN_INSTALLED\\uninstall.exe\"" "$(entry UninstallString)"
check "entry: silent uninstaller" "\"$WIN_INSTALLED\\uninstall.exe\" /S" "$(entry QuietUninstallString)"
check "entry: location" "$WIN_INSTALLED" "$(entry InstallLocation)"
size_kb=$(( $(entry EstimatedSize) ))
actual_kb=$(( $(du -scb "$INSTALLED" "$TWAIN_FOLDER" "$DEMO_TWAIN_FOLDER" | tail -1 | cut -f1) / 1024 ))
if [ "$size_kb" -gt 0 ] && [ $((size_kb - actual_kb)) -le 16 ] && [ $((actual_kb - size_kb)) -le 64 ]; then
  pass "entry: size $size_kb KB (files: $actual_kb KB)"
else
  fail "entry: size $size_kb KB, the files take $actual_kb KB"
fi
grep -q "^driver: this system has no pnputil.exe" "$INSTALLED/zelsetup.log" \
  && pass "log: no pnputil here, the driver package is left in the installation folder" \
  || { fail "log: no driver line"; cat "$INSTALLED/zelsetup.log"; }

start zelview.exe
box "Error - Device Driver" error \
  "Fail to find USB device driver.\nCheck the USB plug or the power of ZEL Bx-Q Series set."
ended 15 "installed zelview.exe without a camera: the device-driver message, then it ends"

# The demo viewer as the Start menu starts it: through its shortcut, which
# hands it the user's temporary folder to work in.
(cd "$RUN" && exec wine start /unix "$MENU/ZEL Viewer - Try without a camera.lnk" >"$RUN/program.log" 2>&1)
CURRENT=zelview_demo.exe
if probe wait "VIEW PANEL" 30000 >/dev/null; then
  APP=$(prefix_pids 'zelview_demo\.exe' | head -1)
  [ -n "$APP" ] || fail "installed demo viewer: its process is not found"
  [ -f "$USER_TEMP/zelview_demo.wire" ] && [ ! -e "$RUN/zelview_demo.wire" ] \
    && pass "demo viewer from its shortcut: its traffic trace in the user's temporary folder" \
    || fail "demo viewer from its shortcut: no traffic trace in $USER_TEMP"
  a=$(probe picture "VIEW PANEL"); moved=
  for try in 1 2 3 4 5 6; do
    sleep 0.7; b=$(probe picture "VIEW PANEL")
    if [ -n "$a" ] && [ "$a" != "$b" ]; then moved=1; break; fi
    a=$b
  done
  [ -n "$moved" ] && pass "installed demo viewer: live picture" || fail "installed demo viewer: the picture does not change"
  shot silent-demo-viewer
  probe close "VIEW PANEL"
  ended 15 "installed demo viewer closes"
else
  fail "installed demo viewer: no main window"; shot silent-demo-missing
fi

rm -f "$USER_TEMP/twzel_demo.wire"
if (cd "$RUN" && wine "$SOURCE_CHECK" "ZEL TWAIN Data Source" "$DEMO_SOURCE_NAME" >"$OUT/source-check.log" 2>&1); then
  pass "installed data sources found under twain_32 and opened from there (2)"
else
  fail "installed data sources:"; sed 's/^/     /' "$OUT/source-check.log"
fi
[ -f "$RUN/twzel_demo.wire" ] && [ ! -e "$USER_TEMP/twzel_demo.wire" ] \
  && pass "demo data source: its traffic trace in the application's working folder" \
  || fail "demo data source: no traffic trace in the application's working folder $RUN"
# A working folder where the trace cannot be made (a folder stands in its
# name's place): the trace goes to the user's temporary folder.
BLOCKED=$RUN/blocked
rm -rf "$BLOCKED" && mkdir -p "$BLOCKED/twzel_demo.wire"
if (cd "$BLOCKED" && wine "$SOURCE_CHECK" "$DEMO_SOURCE_NAME" >"$OUT/source-check-blocked.log" 2>&1) \
   && [ -f "$USER_TEMP/twzel_demo.wire" ]; then
  pass "demo data source: its traffic trace in the user's temporary folder when the working folder takes none"
else
  fail "demo data source: no traffic trace in $USER_TEMP with the working folder blocked"
  sed 's/^/     /' "$OUT/source-check-blocked.log"
fi
rm -rf "$BLOCKED" "$RUN/twzel_demo.wire"
# The traces are the user's, made by using the programs: the uninstaller
# leaves them, and they are no part of the comparison below.
rm -f "$USER_TEMP/zelview_demo.wire" "$USER_TEMP/twzel_demo.wire"

uninstall_silently "silent uninstall"
listing "$OUT/silent-after"
same_as_before "silent uninstall" "$OUT/silent-before" "$OUT/silent-after"
drop_prefix

# =================================================================================
echo "--- upgrade: older version, this one over it interactively, this one again"
fresh_prefix upgrade
listing "$OUT/upgrade-before"
setup_run "$OLD_SETUP" /S /NODEMO
check "older version /S /NODEMO: exit code" 0 $?
check "older version: its version in the entry" "$OLD_VERSION" "$(entry DisplayVersion)"
check "older version without the demo: its files, the driver's catalog among them" \
  "$(expected_files nodemo catalog)" "$(installed_files)"
cmp -s "$HOST/package/x64/ZELB1.cat" "$INSTALLED/Driver/ZELB1.cat" && cmp -s "$HOST/package/x64/ZELB1.sys" "$INSTALLED/Driver/ZELB1.sys" \
  && pass "older version: the build host's 64-bit driver package installed as it came" \
  || fail "older version: the installed driver package is not the build host's"

(exec wine "$SETUP" >/dev/null 2>&1) &
APP=$!; CURRENT=zelsetup.exe
# The default button of every page takes the defaults: welcome, components
# (all of them), the folder of the copy installed before, install, finish.
if probe wait "$SETUP_TITLE" 30000 >/dev/null; then
  sleep 1; shot upgrade-page-1
  probe click "$SETUP_TITLE" 1 >/dev/null || fail "welcome page: Next cannot be clicked"
  page=2
  while kill -0 "$APP" 2>/dev/null && [ $page -le 8 ]; do
    probe wait "$PAGE_TITLE" 20000 >/dev/null || break
    sleep 1
    shot "upgrade-page-$page"
    probe click "$PAGE_TITLE" 1 >/dev/null
    page=$((page + 1))
  done
else
  fail "interactive setup: no window"
fi
if ended 20 "interactive setup ends"; then
  wait "$APP"
  check "interactive install over the older version: exit code" 0 $?
fi
check "after the upgrade: this version in the entry" "$VERSION" "$(entry DisplayVersion)"
check "after the upgrade: one entry" 1 "$(entries)"
check "after the upgrade: one copy, with the demo" "$(expected_files)" "$(installed_files)"
grep -q "^installed .*zelview_demo.exe" "$INSTALLED/zelsetup.log" || fail "the upgrade's log does not list the demo viewer"

setup_run "$SETUP" /S
check "the same version again (/S): exit code" 0 $?
check "installed twice: one entry" 1 "$(entries)"
check "installed twice: one copy" "$(expected_files)" "$(installed_files)"
uninstall_silently "uninstall after the upgrade"
listing "$OUT/upgrade-after"
same_as_before "uninstall after the upgrade" "$OUT/upgrade-before" "$OUT/upgrade-after"
drop_prefix

# =================================================================================
echo "--- refusals: no administrator rights, a copy in use"
fresh_prefix refusals
wine "$RUN_LIMITED" "$(winepath -w "$SETUP")" /S >/dev/null 2>&1
check "without administrator rights (/S): exit code" 3 $?
check "without administrator rights: nothing installed" "" "$(installed_files)"
check "without administrator rights: no entry" 0 "$(entries)"
(exec wine "$RUN_LIMITED" "$(winepath -w "$SETUP")" >/dev/null 2>&1) &
APP=$!; CURRENT=zelsetup.exe
box "$SETUP_TITLE" error \
  "Setup needs administrator rights to install or remove the ZEL Bx-Q Series software for all users.\nRun it again as an administrator."
wait "$APP"
check "without administrator rights (interactive): exit code" 3 $?

setup_run "$SETUP" /S
check "install for the in-use checks" 0 $?
# What a refusal must leave as it was: every installed file (the log aside,
# where refusals leave their line) and the entry.
installed_state() {
  installed_files
  (cd "$DRIVE" && installed_files | grep -v '/zelsetup\.log$' | tr '\n' '\0' | xargs -0 md5sum)
  entry DisplayVersion
}
before=$(installed_state)

start zelview_demo.exe
probe wait "VIEW PANEL" 30000 >/dev/null || fail "demo viewer for the in-use checks does not start"
IN_USE="$WIN_INSTALLED\\zelview_demo.exe"
setup_run "$SETUP" /S
check "setup while the demo viewer runs (/S): exit code" 4 $?
check "setup's refusal in the installed copy's log" 1 "$(log_lines "setup $VERSION refused: in use: $IN_USE")"
(exec wine "$SETUP" >/dev/null 2>&1) &
SETUP_PID=$!
box "$SETUP_TITLE" error \
  "The ZEL Bx-Q Series software is in use:\n$IN_USE\nClose the viewer and every program that uses the TWAIN source, then try again."
wait "$SETUP_PID"
check "setup while the demo viewer runs (interactive): exit code" 4 $?

# In place (_?= must stand unquoted at the end of its command line, hence a
# batch file), the uninstaller's own exit code comes back.
printf '@"%s\\uninstall.exe" /S _?=%s\r\n@exit /b %%errorlevel%%\r\n' "$WIN_INSTALLED" "$WIN_INSTALLED" >"$RUN/in-place.bat"
wine cmd /c "$(winepath -w "$RUN/in-place.bat")" >/dev/null 2>&1
check "uninstaller in place while the demo viewer runs: exit code" 4 $?
# As the entry runs it, the uninstaller hands over to its copy in the
# temporary folder, whose exit code reaches nobody: the refusal is in the log.
setup_run "$WIN_INSTALLED\\uninstall.exe" /S
deadline=$((SECONDS + 60))
while [ "$(log_lines "uninstall refused: in use: $IN_USE")" -lt 2 ] && [ $SECONDS -lt $deadline ]; do sleep 0.2; done
check "the uninstaller's refusals in the log (in place, then its copy)" 2 "$(log_lines "uninstall refused: in use: $IN_USE")"
uninstaller_copy_ended $deadline
check "in use: nothing changed" "$before" "$(installed_state)"
kill -0 "$APP" 2>/dev/null && pass "in use: the demo viewer runs on" || fail "in use: the demo viewer has ended"
probe close "VIEW PANEL"
ended 15 "the demo viewer closes"

# An application holding the installed data source open.
rm -f "$RUN/hold.out"
(cd "$RUN" && exec wine "$SOURCE_CHECK" hold "ZEL TWAIN Data Source" >"$RUN/hold.out" 2>&1) &
HOLD_PID=$!
deadline=$((SECONDS + 30))
while ! grep -q '^holding' "$RUN/hold.out" 2>/dev/null && [ $SECONDS -lt $deadline ]; do sleep 0.2; done
if grep -q '^holding' "$RUN/hold.out"; then
  setup_run "$SETUP" /S
  check "setup while an application holds the data source open (/S): exit code" 4 $?
  check "setup's refusal names the data source" 1 \
    "$(log_lines "setup $VERSION refused: in use: C:\\windows\\twain_32\\ZEL Bx-Q Series\\TWZEL_32.ds")"
  check "data source in use: nothing changed" "$before" "$(installed_state)"
else
  fail "the data source could not be held open"; sed 's/^/     /' "$RUN/hold.out"
fi
kill "$HOLD_PID" 2>/dev/null; wait "$HOLD_PID" 2>/dev/null

uninstall_silently "uninstall once nothing uses the software"
check "uninstalled: nothing left" "" "$(installed_files)"
drop_prefix

# =================================================================================
echo "--- driver: the driver store through a stand-in pnputil"
fresh_prefix driver
cp "$PNPUTIL_64" "$DRIVE/windows/system32/pnputil.exe"
cp "$PNPUTIL_32" "$DRIVE/windows/syswow64/pnputil.exe"
RECORD=$RUN/pnputil.record
ZEL_PNPUTIL_RECORD=$(winepath -w "$RECORD")
export ZEL_PNPUTIL_RECORD
STORE=$DRIVE/windows/inf
store_packages() { (cd "$STORE" && ls oem*.inf 2>/dev/null); }
asked() { [ -f "$RECORD" ] && tr -d '\r' <"$RECORD"; }
DRIVER_INF="$WIN_INSTALLED\\Driver\\ZELB1.inf"

wine winecfg /v win10 >/dev/null 2>&1
listing "$OUT/driver-before"
rm -f "$RECORD"
setup_run "$SETUP" /S /NODEMO
check "release without the driver's catalog: exit code" 0 $?
check "release without the driver's catalog: pnputil not asked" "" "$(asked)"
check "release without the driver's catalog: the log says so" 1 "$(log_lines "driver: this release has no signed catalog (ZELB1.cat)")"
check "release without the driver's catalog: no store package in the entry" "" "$(entry DriverPackage)"
uninstall_silently "uninstall of the release without the catalog"
check "uninstall of the release without the catalog: pnputil not asked" "" "$(asked)"

setup_run "$OLD_SETUP" /S /NODEMO
check "Windows 10, package with its catalog: exit code" 0 $?
check "Windows 10: the 64-bit pnputil adds the package and installs it" \
  "64-bit /add-driver $DRIVER_INF /install" "$(asked)"
check "Windows 10: the package's name in the store kept in the entry" "oem7.inf" "$(entry DriverPackage)"
check "Windows 10: the log names the package in the store" 1 \
  "$(log_lines "driver: added to the driver store as oem7.inf and installed on the connected camera")"
rm -f "$RECORD"
uninstall_silently "uninstall on Windows 10"
check "uninstall on Windows 10: the package deleted from the store by its name" \
  "64-bit /delete-driver oem7.inf /uninstall /force" "$(asked)"
check "uninstall on Windows 10: the store as before" "" "$(store_packages)"
listing "$OUT/driver-after"
same_as_before "uninstalls with the driver store" "$OUT/driver-before" "$OUT/driver-after"

wine winecfg /v win7 >/dev/null 2>&1
rm -f "$RECORD"
export ZEL_PNPUTIL_EXIT=259
setup_run "$OLD_SETUP" /S /NODEMO
check "Windows 7, no camera connected: exit code" 0 $?
unset ZEL_PNPUTIL_EXIT
check "Windows 7: pnputil's older syntax, the 64-bit tool" "64-bit -i -a $DRIVER_INF" "$(asked)"
check "Windows 7, no camera connected: the log says so" 1 \
  "$(log_lines "driver: added to the driver store as oem7.inf; no camera is connected, Windows installs it when one is plugged in")"
# Another package has taken the name in the store since: it stays.
printf '; another maker'"'"'s INF\r\n' >"$STORE/oem7.inf"
rm -f "$RECORD"
uninstall_silently "uninstall once the store name is another package's"
check "a store name that is another package's now: pnputil not asked" "" "$(asked)"
check "a store name that is another package's now: that package stays" "oem7.inf" "$(store_packages)"
rm -f "$STORE/oem7.inf"

export ZEL_PNPUTIL_EXIT=1
setup_run "$OLD_SETUP" /S /NODEMO
check "package refused by the system: exit code" 5 $?
unset ZEL_PNPUTIL_EXIT
check "package refused by the system: the log gives pnputil's answer" 1 \
  "$(log_lines "driver: pnputil refused the package (exit code 1):")"
check "package refused by the system: the rest installed" "$(expected_files nodemo catalog)" "$(installed_files)"
check "package refused by the system: nothing in the store" "" "$(store_packages)"
uninstall_silently "uninstall after the refused package"
check "uninstalled after the refused package: nothing left" "" "$(installed_files)"
unset ZEL_PNPUTIL_RECORD
drop_prefix

echo "installer: $failures failure(s); screenshots and listings in $OUT"
[ "$failures" -eq 0 ]
