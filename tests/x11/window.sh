#!/bin/sh
# tovra under Xvfb: in a window handed over by id, following its size, in a
# window of its own, with resources, a missing bitmap, and bad options. The
# server here has no MIT-SHM, so the pictures go through plain XPutImage
# (daemon.sh runs with it).
#   tests/x11/window.sh BUILD/tovra
set -u
TOVRA=$(realpath "$1")
BITMAPS=$(dirname "$TOVRA")
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/xvfb.sh"
xvfb_start 1024x768 -extension MIT-SHM || exit 1
cells() { python3 "$HERE/../support/picture.py" cells "$2" "$3" "$1"; }

# --- a handed-over window of 403 x 305: whole blue cells that change, then a resize
python3 "$HERE/hostwin.py" 403 305 > "$T/id" & HOST=$!
wait_line "$T/id" || { echo "FAIL: no host window"; exit 1; }
ID=$(cat "$T/id")
"$TOVRA" -window-id "$ID" -color blue -speed 30 & SAVER=$!
sleep 1.5; shot "$ID" a; sleep 0.3; shot "$ID" b
out=$(cells "$T/a.png" "$BITMAPS" blue) && r=ok || r=bad; check $r "first frame: $out"
cells "$T/b.png" "$BITMAPS" blue > /dev/null && ! cmp -s "$T/a.png" "$T/b.png" && r=ok || r=bad
check $r "second frame is a different picture of whole blue cells"
xdotool windowsize "$ID" 612 467; sleep 1.5; shot "$ID" c
out=$(cells "$T/c.png" "$BITMAPS" blue) && r=ok || r=bad; check $r "after the resize: $out"
convert "$T/c.png" -crop 200x160+410+305 "$T/corner.png"
[ "$(python3 "$HERE/../support/picture.py" count "$T/corner.png" 0 0 0 0)" -lt 32000 ] && r=ok || r=bad
check $r "cells drawn in the part the resize added"
cp "$T/c.png" "${ARTIFACTS:-$T}/x11-window.png" 2>/dev/null
kill "$SAVER" "$HOST"; wait "$SAVER" 2>/dev/null

# --- a window of its own: the colour from the server's resources, -xrm winning; q ends it
xprop -root -f RESOURCE_MANAGER 8s -set RESOURCE_MANAGER "tovra.color: purple
tovra.speed: 20"
"$TOVRA" -window & SAVER=$!
sleep 1.5
WIN=$(timeout 10 xdotool search --sync --class tovra | head -1)
shot "$WIN" own
out=$(cells "$T/own.png" "$BITMAPS" purple) && r=ok || r=bad; check $r "resource colour: $out"
xdotool key --window "$WIN" q 2>/dev/null; sleep 0.5
kill -0 "$SAVER" 2>/dev/null && r=bad || r=ok; check $r "q ends a window of its own"
wait "$SAVER"; check "$([ $? -eq 0 ] && echo ok)" "exit status after q"
"$TOVRA" -window -xrm "tovra.color: yellow" -xrm "tovra.rainbow: on" -no-rainbow & SAVER=$!
sleep 1.5; shot "$(timeout 10 xdotool search --sync --class tovra | head -1)" xrm; kill "$SAVER"
out=$(cells "$T/xrm.png" "$BITMAPS" yellow) && r=ok || r=bad; check $r "-xrm over the server's resources: $out"

# --- without the green bitmap, green live cells are not drawn; dead ones are
mkdir "$T/bare" && cp "$TOVRA" "$BITMAPS"/*.bmp "$T/bare/" && rm "$T/bare/cellgreen.bmp"
"$T/bare/tovra" -window -color green & SAVER=$!
sleep 2; shot "$(timeout 10 xdotool search --sync --class tovra | head -1)" bare; kill "$SAVER"
[ "$(python3 "$HERE/../support/picture.py" count "$T/bare.png" 48 200 64 0)" -eq 0 ] && \
  [ "$(python3 "$HERE/../support/picture.py" count "$T/bare.png" 44 44 48 0)" -gt 0 ] && r=ok || r=bad
check $r "a missing bitmap draws nothing, the others still draw"

# --- bad options: the option and what is allowed, exit status 2
for args in "-speed 301|-speed: \"301\" is not allowed; use a whole number of milliseconds from 0 (fastest) to 300" \
            "-color pink|-color: \"pink\" is not allowed; use red, yellow, green, blue or purple"; do
  "$TOVRA" ${args%%|*} 2> "$T/err"; rc=$?
  [ $rc -eq 2 ] && grep -qF -- "${args#*|}" "$T/err" && r=ok || r=bad; check $r "${args%%|*}: exit $rc, $(head -1 "$T/err")"
done
exit $fail
