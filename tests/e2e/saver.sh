#!/bin/sh
# Tovra.scr end to end under Wine, driven as the platform drives a saver:
# the full-screen run, the preview in a host window, the single-instance
# check, a switch that starts nothing, a preview switch without a window
# number, and a missing cell bitmap. The checks themselves are made by
# tovra-testhost.exe, which this script runs once per case.
#
#   tests/e2e/saver.sh build/win64
#
# Expects DISPLAY and WINEPREFIX from tools/wine-tests.sh. Screen shots go to
# BUILD/artifacts/saver-*.png: one of a good full-screen run and one of a
# preview are always kept, and every failing case leaves its own.
set -u

[ $# -eq 1 ] || { echo "usage: $0 BUILD_DIR" >&2; exit 2; }
: "${DISPLAY:?DISPLAY is not set}" "${WINEPREFIX:?WINEPREFIX is not set}"
build=$(cd "$1" && pwd)
host="$build/tovra-testhost.exe"
art="$build/artifacts"
for f in "$host" "$build/Tovra.scr"; do
  [ -f "$f" ] || { echo "saver.sh: $f is missing" >&2; exit 1; }
done
mkdir -p "$art"
rm -f "$art"/saver-*

. "$(dirname "$0")/host/driver.sh"

missing_dir=""
cleanup() {
  driver_stop
  if [ -n "$missing_dir" ]; then rm -rf "$missing_dir"; fi
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# Answers the host's requests for screen shots.
driver_start "$art"

failed=0

scr=$(winpath "$build/Tovra.scr")

# Full screen in purple (Color 4), with a second /s and a /c while it runs.
host_case "full screen" saver "$scr" 4
# A preview in yellow (Color 1) inside a host window; the host then goes.
host_case "preview" preview "$scr" 1
# A switch that starts nothing.
host_case "/x" no-window "$scr" /x
# Preview switches that name no usable window.
host_case "bare /p" bad-handle "$scr" /p
host_case "/p with a number too large" bad-handle "$scr" "/p 2147483648"

# A copy of the program and its pictures without cellgreen.bmp, run in green.
missing_dir=$(mktemp -d "${TMPDIR:-/tmp}/tovra-missing.XXXXXX")
cp "$build/Tovra.scr" "$build"/cell.bmp "$build"/cellyellow.bmp "$build"/cellblue.bmp "$build"/cellpurple.bmp \
  "$build"/deadcell.bmp "$missing_dir/"
host_case "missing bitmap" missing "$(winpath "$missing_dir/Tovra.scr")" 2 --art "$(winpath "$build")"

ls "$art"/saver-*.png 2>/dev/null | sed 's/^/screen shot: /'
exit $failed
