#!/bin/sh
# The program itself under Xvfb: a window of its own, found by its class, in
# the colour of its -xrm lines over the server's resources, and bad options.
# The display window (its pictures, resizes, closing), the presenter and the
# program's run in its windows are tested in-process by tovra_tests
# (tests/x11/x11_display_test.cpp). The server here has no MIT-SHM.
#   tests/x11/window.sh BUILD/tovra
set -u
TOVRA=$(realpath "$1")
BITMAPS=$(dirname "$TOVRA")
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/xvfb.sh"
xvfb_start 1024x768 -extension MIT-SHM || exit 1
cells() { python3 "$HERE/../support/picture.py" cells "$2" "$3" "$1"; }

# --- a window of its own: -xrm over the server's resources
xprop -root -f RESOURCE_MANAGER 8s -set RESOURCE_MANAGER "tovra.color: purple
tovra.speed: 20"
"$TOVRA" -window -xrm "tovra.color: yellow" -xrm "tovra.rainbow: on" -no-rainbow & SAVER=$!
sleep 1.5; shot "$(timeout 10 xdotool search --sync --class tovra | head -1)" xrm; kill "$SAVER"
out=$(cells "$T/xrm.png" "$BITMAPS" yellow) && r=ok || r=bad; check $r "-xrm over the server's resources: $out"

# --- bad options: the option and what is allowed, exit status 2
for args in "-speed 301|-speed: \"301\" is not allowed; use a whole number of milliseconds from 0 (fastest) to 300" \
            "-color pink|-color: \"pink\" is not allowed; use red, yellow, green, blue or purple"; do
  "$TOVRA" ${args%%|*} 2> "$T/err"; rc=$?
  [ $rc -eq 2 ] && grep -qF -- "${args#*|}" "$T/err" && r=ok || r=bad; check $r "${args%%|*}: exit $rc, $(head -1 "$T/err")"
done
exit $fail
