#!/bin/sh
# tovra-wayland on a real compositor: a headless sway of its own (run as
# nobody), its outputs read back with grim. Cells on the pitch in the chosen
# colour in each layer and as a full-screen window; two outputs of different
# scales, each a world of its own with cells of one physical size under
# auto; an output plugged in and one unplugged while it runs, its buffers
# let go; -exit-on-input ending at a pointer motion and at a key, and not at
# anything before; SIGTERM and SIGINT; and each refusal: no display, a
# compositor without layer surfaces (weston), an unknown output, a bad
# option, the compositor going away.
#   tests/wayland/wayland.sh BUILD-DIR      (tovra-wayland, its bitmaps, tovra_virtual_pointer)
set -u
BUILD=$(cd "$1" && pwd) || exit 2
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/../../tools/sway.sh"
PROGRAM="$BUILD/tovra-wayland"
PICTURE="/usr/bin/python3 $HERE/../support/picture.py"
fail=0
check() { if [ "$1" = ok ]; then echo "ok: $2"; else echo "FAIL: $2"; fail=1; fi; }
# The program runs as nobody: its build folder must be readable on the way.
d=$BUILD; while [ "$d" != / ]; do chmod o+rx "$d" 2>/dev/null; d=$(dirname "$d"); done
# The screenshots stay in $ARTIFACTS where it is set.
OUT=$(mktemp -d); trap 'wl_stop; [ -n "${ARTIFACTS:-}" ] && cp "$OUT"/*.png "$ARTIFACTS"; rm -rf "$OUT"' EXIT

# Waits (5 s at most) for pid $1 to end; its status in $status, "running" if it did not.
ended() {
  i=0; while [ $i -lt 50 ] && _wl_running "$1"; do sleep 0.1; i=$((i + 1)); done
  if _wl_running "$1"; then status=running; else wait "$1"; status=$?; fi
}
# The frame buffers the program holds: its memfd mappings.
buffers() { grep -c 'memfd:tovra-frame' "/proc/$1/maps"; }
cells() {  # OUTPUT COLOUR PITCH NAME: a shot, and its cells checked
  wl_shot "$1" "$OUT/$4.png"
  r=$($PICTURE --pitch "$3" cells "$BUILD" "$2" "$OUT/$4.png") && v=ok || v=bad
}

wl_start 2 'output HEADLESS-1 resolution 640x480' 'output HEADLESS-2 resolution 640x480 scale 2' || exit 1

# Each layer, and full-screen: the chosen colour on both outputs at the fixed
# pitch (pixels of the output); ended by SIGTERM, by that signal.
for mode in "-layer background" "-layer bottom" "-layer top" "-layer overlay" "-fullscreen"; do
  wl_bg "$PROGRAM" $mode -color green -speed 20 2> "$OUT/err"
  sleep 1.5
  cells HEADLESS-1 green 10 first; check $v "$mode: green cells on HEADLESS-1: $r"
  sleep 0.3
  wl_shot HEADLESS-1 "$OUT/later.png"
  r=$($PICTURE cells "$BUILD" green "$OUT/first.png" "$OUT/later.png") && v=ok || v=bad
  check $v "$mode: the picture changes everywhere: $(echo "$r" | tail -1)"
  cells HEADLESS-2 green 10 h2; check $v "$mode: green cells on HEADLESS-2 (scale 2): $r"
  kill -TERM "$WL_BG_PID"; ended "$WL_BG_PID"
  [ "$status" = 143 ] && [ ! -s "$OUT/err" ] && v=ok || v=bad
  check $v "$mode: SIGTERM ends it by that signal (status $status) $(cat "$OUT/err")"
done

# Auto: the same cell size on both outputs, 10 pixels at scale 1, 20 at
# scale 2; each output its own world.
wl_bg "$PROGRAM" -cell-size auto -color purple -speed 20
sleep 1.5
cells HEADLESS-1 purple 10 auto1; check $v "auto at scale 1: 10-pixel cells: $r"
cells HEADLESS-2 purple 20 auto2; check $v "auto at scale 2: 20-pixel cells: $r"
convert "$OUT/auto2.png" -sample 50% "$OUT/auto2-half.png"
! cmp -s "$OUT/auto1.png" "$OUT/auto2-half.png" && [ "$(buffers "$WL_BG_PID")" -ge 2 ] && v=ok || v=bad
check $v "two worlds, one per output (each with its buffers: $(buffers "$WL_BG_PID"))"
kill -INT "$WL_BG_PID"; ended "$WL_BG_PID"
[ "$status" = 130 ] && v=ok || v=bad; check $v "SIGINT ends it by that signal (status $status)"

# A drawn palette, blending between generations: Aurora's rounded squares
# at 20 pixels, some of them between two colours.
wl_bg "$PROGRAM" -palette aurora -cell-shape rounded -cell-size 20 -smooth -speed 300
sleep 1.5
# A shot may fall where a blend has just ended: up to five of them.
for i in 1 2 3 4 5; do
  wl_shot HEADLESS-1 "$OUT/aurora.png"
  r=$($PICTURE --pitch 20 look rounded 000000 281850 eafff2,7dffb0,2ee6a6,19b3c4,6e6ee6,9650d2 "$OUT/aurora.png" blends) && v=ok || v=bad
  [ $v = ok ] && echo "$r" | grep -q " between [1-9]" && break
  v=bad
done
check $v "-palette aurora -smooth: rounded cells of its colours, some blending: $(echo "$r" | tr '\n' ' ')"
kill -TERM "$WL_BG_PID"; ended "$WL_BG_PID"

# Refusals, each one line and its status.
refused() {  # WANT-STATUS TEXT ARGS...: runs the program, checks the status and the first line
  want=$1 text=$2; shift 2
  wl_as timeout 10 "$@" > "$OUT/out" 2> "$OUT/err"; status=$?
  [ "$status" = "$want" ] && head -1 "$OUT/err" | grep -qF -- "$text" && v=ok || v=bad
  check $v "refused with status $want: $(head -1 "$OUT/err")"
}
refused 2 'tovra-wayland: -output: "DP-9" is not allowed; use one of the outputs: HEADLESS-1, HEADLESS-2' "$PROGRAM" -output DP-9
refused 2 'tovra-wayland: -layer: "middle" is not allowed; use background, bottom, top or overlay' "$PROGRAM" -layer middle
grep -q '^usage: tovra-wayland' "$OUT/err" && v=ok || v=bad; check $v "a bad option shows the usage"
refused 1 'tovra-wayland: cannot connect to the Wayland display "wayland-none" in' env WAYLAND_DISPLAY=wayland-none "$PROGRAM"

# -output: that output only.
wl_bg "$PROGRAM" -output HEADLESS-2 -layer overlay -color blue
sleep 1.5
cells HEADLESS-2 blue 10 only2; check $v "-output HEADLESS-2: cells there: $r"
wl_shot HEADLESS-1 "$OUT/none1.png"
[ "$(convert "$OUT/none1.png" -format '%k %[pixel:p{0,0}]' info:)" = "1 srgb(63,63,63)" ] && v=ok || v=bad; check $v "-output HEADLESS-2: nothing on HEADLESS-1"
kill "$WL_BG_PID"; ended "$WL_BG_PID"

# A mode change: the world follows the output's new size, cells to its edges.
wl_bg "$PROGRAM" -layer overlay -color blue -speed 20
sleep 1
wl_msg output HEADLESS-1 mode 800x600 > /dev/null; sleep 1.5
cells HEADLESS-1 blue 10 mode; [ "$(identify -format %wx%h "$OUT/mode.png")" = 800x600 ] || v=bad
check $v "after a mode change to 800x600, cells over all of it: $r"
wl_msg output HEADLESS-1 mode 640x480 > /dev/null
kill "$WL_BG_PID"; ended "$WL_BG_PID"

# -exit-on-input: the overlay surface under the pointer (which the virtual
# pointer gives the seat) and with the keyboard's focus.
wl_pointer_start "$BUILD/tovra_virtual_pointer" || exit 1
wl_bg "$PROGRAM" -layer overlay -speed 20
sleep 1
wl_msg seat seat0 cursor move 15 15 > /dev/null; sleep 0.5
_wl_running "$WL_BG_PID" && v=ok || v=bad; check $v "without -exit-on-input a pointer motion ends nothing"
kill "$WL_BG_PID"; ended "$WL_BG_PID"
wl_bg "$PROGRAM" -layer overlay -exit-on-input -speed 20
sleep 1
_wl_running "$WL_BG_PID" && v=ok || v=bad; check $v "-exit-on-input: the surface appearing under the pointer ends nothing"
wl_msg seat seat0 cursor move 15 15 > /dev/null; ended "$WL_BG_PID"
[ "$status" = 0 ] && v=ok || v=bad; check $v "-exit-on-input: a pointer motion ends it with status 0 ($status)"
# The README's screen saver for sway, with a second for five minutes: swayidle
# starts it, it draws over everything, a motion ends it.
PATH="$BUILD:$PATH" wl_bg swayidle -w timeout 1 'tovra-wayland -layer overlay -exit-on-input'
IDLE=$WL_BG_PID
wl_msg seat seat0 cursor set 800 100 > /dev/null  # on HEADLESS-2, out of HEADLESS-1's picture
sleep 2.5
# swayidle runs it through sh: its grandchild.
savers() { for p in $(pgrep -P "$IDLE"); do pgrep -P "$p" -x tovra-wayland; done; pgrep -P "$IDLE" -x tovra-wayland; }
saver=$(savers | head -1)
cells HEADLESS-1 red 10 idle; [ -n "$saver" ] || v=bad; check $v "swayidle ran tovra-wayland (${saver:-none}), which draws: $r"
wl_msg seat seat0 cursor move 15 15 > /dev/null; sleep 0.5
[ -n "$saver" ] && ! kill -0 "$saver" 2> /dev/null && v=ok || v=bad; check $v "the saver swayidle ran ends at a pointer motion"
# swayidle starts it again a second after the motion: both ended.
again=$(savers); _wl_end "$IDLE"; [ -z "$again" ] || kill $again
wl_pointer_stop
wl_bg "$PROGRAM" -layer overlay -exit-on-input -speed 20
sleep 1
# wtype's keyboard is new to the seat: the surface gets it before the key.
wl_as wtype -s 500 -k space; ended "$WL_BG_PID"
[ "$status" = 0 ] && v=ok || v=bad; check $v "-exit-on-input: a key ends it with status 0 ($status)"
[ "$status" = running ] && kill "$WL_BG_PID"

# The compositor going away: one line and status 1, at once.
wl_bg "$PROGRAM" -speed 20 2> "$OUT/err"
sleep 1
kill -TERM "$WL_SWAY_PID"; ended "$WL_BG_PID"
[ "$status" = 1 ] && grep -q '^tovra-wayland: the compositor went away' "$OUT/err" && v=ok || v=bad
check $v "the compositor went away: status $status, $(head -1 "$OUT/err")"

# Outputs plugged in and unplugged while it runs (a sway inside a headless
# one: headless outputs cannot be removed): a new output gets a world, a
# removed one ends its world and its buffers go.
wl_start_nested 1 || exit 1
wl_bg "$PROGRAM" -layer background -color yellow -speed 20
sleep 1.5
before=$(buffers "$WL_BG_PID")
wl_plug && sleep 1.5
cells WL-2 yellow 10 plugged; check $v "a plugged-in output gets cells: $r"
with=$(buffers "$WL_BG_PID")
wl_unplug WL-2 && sleep 1
after=$(buffers "$WL_BG_PID")
[ "$with" -gt "$before" ] && [ "$after" = "$before" ] && _wl_running "$WL_BG_PID" && v=ok || v=bad
check $v "unplugged: its world and buffers gone ($before, then $with, then $after), the rest runs on"
cells WL-1 yellow 10 still; check $v "the remaining output still draws: $r"
kill "$WL_BG_PID"; ended "$WL_BG_PID"
wl_stop

# A compositor without layer surfaces (weston, as GNOME): -layer refused,
# naming -fullscreen; the default and -fullscreen open full-screen windows.
if command -v weston > /dev/null; then
  W=$(mktemp -d); chmod 755 "$W"; mkdir -m 700 "$W/run"; chown nobody:nogroup "$W/run"
  NOBODY="env -i PATH=/usr/bin:/bin HOME=$W XDG_RUNTIME_DIR=$W/run WAYLAND_DISPLAY=wayland-w $WL_NOBODY"
  $NOBODY weston --backend=headless-backend.so --socket=wayland-w --no-config > "$W/weston.log" 2>&1 & WESTON=$!
  i=0; while [ ! -S "$W/run/wayland-w" ] && [ $i -lt 50 ]; do sleep 0.1; i=$((i + 1)); done
  $NOBODY "$PROGRAM" -layer top > /dev/null 2> "$OUT/err"; status=$?
  [ "$status" = 2 ] && grep -qx 'tovra-wayland: -layer: the compositor offers no layer surfaces (wlr-layer-shell); use -fullscreen' "$OUT/err" &&
    v=ok || v=bad
  check $v "weston: -layer refused with status $status: $(head -1 "$OUT/err")"
  for mode in "" -fullscreen; do
    $NOBODY timeout -s INT 2 "$PROGRAM" $mode > /dev/null 2> "$OUT/err"; status=$?
    [ "$status" = 124 ] && [ ! -s "$OUT/err" ] && v=ok || v=bad
    check $v "weston: ${mode:-no mode} runs as a full-screen window until stopped ($status) $(head -1 "$OUT/err")"
  done
  kill "$WESTON"; wait "$WESTON"; rm -rf "$W"
else
  check bad "weston is not installed (make setup installs it)"
fi
exit $fail
