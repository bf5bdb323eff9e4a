#!/bin/sh
# Ending Tovra.scr's runs with real input from the X server, under Wine:
# keys that produce a character end a full-screen run and others do not,
# clicks end it, mouse moves from the eighth on, nothing in the half second
# after the start; a preview ignores all of it; with password protection on,
# the test's password.cpl in the system folder refuses and then accepts,
# Alt+F4 does nothing and a request to close asks for the password, while a
# password.cpl beside the program is not used: the run ends as without
# protection. The checks are made by tovra-exithost.exe, one case per run; it
# puts the test's password.cpl into the prefix's system folder for the cases
# that need it. The input it asks for is made here with xdotool
# (tests/e2e/host/driver.sh).
#
#   tests/e2e/exit.sh build/win64
#
# Expects DISPLAY and WINEPREFIX from tools/wine-tests.sh. Screen shots go to
# BUILD/artifacts/exit-*.png: one with the password dialog open is always
# kept, and a failing check leaves its own.
set -u

[ $# -eq 1 ] || { echo "usage: $0 BUILD_DIR" >&2; exit 2; }
: "${DISPLAY:?DISPLAY is not set}" "${WINEPREFIX:?WINEPREFIX is not set}"
build=$(cd "$1" && pwd)
host="$build/tovra-exithost.exe"
cpl="$build/test-password/password.cpl"
art="$build/artifacts"
bitmaps="cell.bmp cellyellow.bmp cellgreen.bmp cellblue.bmp cellpurple.bmp deadcell.bmp"
for f in "$host" "$build/tovra-inputspy.dll" "$build/Tovra.scr" "$cpl"; do
  [ -f "$f" ] || { echo "exit.sh: $f is missing" >&2; exit 1; }
done
mkdir -p "$art"
rm -f "$art"/exit-* "$art"/input-*

. "$(dirname "$0")/host/driver.sh"

plain_dir=""
beside_dir=""
cleanup() {
  driver_stop
  for d in "$plain_dir" "$beside_dir"; do
    if [ -n "$d" ]; then rm -rf "$d"; fi
  done
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# Two copies of the program with its pictures: one alone, one with the
# test's password.cpl beside it.
plain_dir=$(mktemp -d "${TMPDIR:-/tmp}/tovra-exit.XXXXXX")
beside_dir=$(mktemp -d "${TMPDIR:-/tmp}/tovra-exit-beside.XXXXXX")
for d in "$plain_dir" "$beside_dir"; do
  (cd "$build" && cp Tovra.scr $bitmaps "$d/") || exit 1
done
cp "$cpl" "$beside_dir/"
plain=$(winpath "$plain_dir/Tovra.scr")
beside=$(winpath "$beside_dir/Tovra.scr")

driver_start "$art"

failed=0
host_case "keys" keys "$plain"
host_case "escape" escape "$plain"
host_case "left click" click "$plain" 1
host_case "right click" click "$plain" 3
host_case "mouse moves" moves "$plain"
host_case "input at the start" early "$plain"
host_case "preview" preview "$plain"
host_case "password dialog" password "$plain"
host_case "Alt+F4, WM_CLOSE, WM_ENDSESSION" close "$plain"
host_case "a password.cpl beside the program is not used" beside "$beside"

ls "$art"/exit-*.png 2>/dev/null | sed 's/^/screen shot: /'
exit $failed
