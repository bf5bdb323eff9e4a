#!/bin/sh
# shellcheck disable=SC2046,SC2086,SC3028  # figures are split into words on purpose; SECONDS is a plain variable to sh
# CPU cost of tovra-wayland against the X11 program, both drawing on one
# large screen: tovra-wayland in each of MODES (a full-screen window, the
# overlay and the background layer) plus its headless sway, against
# `tovra -root` plus its Xvfb, in alternate rounds (X11, then each mode,
# twice); then the CPU of a background surface that a full-screen window
# hides (it should not tick at all), next to that of the same surface shown.
#   tools/perf-wayland.sh [build-dir]     (default build/native)
# SIZE (3840x2160), SPEED (33: 30 generations a second) and SECONDS (10, the
# wall time measured, after 2 s to settle) choose the run. CPU is utime +
# stime from /proc/PID/stat, of the client and of its server, in ms of CPU
# per second. On this shared machine only the side-by-side ratios compare;
# the last line gives each mode's Wayland/X11 ratio of the means.
set -u
cd "$(dirname "$0")/.." || exit 1
MEASURE=${SECONDS:-10}  # read once: bash counts its own SECONDS
SETTLE=2
SIZE=${SIZE:-3840x2160}
SPEED=${SPEED:-33}
BUILD=$(realpath "${1:-build/native}")
TOVRA=$BUILD/tovra
TOVRA_WL=$BUILD/tovra-wayland
HZ=$(getconf CLK_TCK)

fail() { echo "perf-wayland: $*" >&2; exit 1; }
case $MEASURE in '' | *[!0-9]* | 0) fail "SECONDS must be a whole number of seconds above 0, not '$MEASURE'" ;; esac
case $SIZE in [1-9]*x[1-9]*) ;; *) fail "SIZE must be WIDTHxHEIGHT, not '$SIZE'" ;; esac
for prog in "$TOVRA" "$TOVRA_WL"; do [ -x "$prog" ] || fail "no $prog"; done
for tool in sway swaymsg grim Xvfb import identify convert python3; do
  command -v "$tool" > /dev/null || fail "$tool is not installed"
done

. tools/xvfb.sh
. tools/sway.sh
# Both files set an EXIT trap; this one ends what either started.
X11_PID=""
cleanup() {
  [ -n "$X11_PID" ] && kill "$X11_PID" 2>/dev/null && wait "$X11_PID" 2>/dev/null
  wl_stop
  xvfb_stop
}
trap cleanup EXIT

# The harness runs tovra-wayland as nobody: it must reach its cell bitmaps.
$WL_NOBODY test -r "$BUILD/cell.bmp" || fail "nobody cannot read $BUILD/cell.bmp (the permissions of $BUILD and the folders above it)"

# Clock ticks used so far by process $1 (all its threads); the fields are
# counted after the command name's closing parenthesis, which may hold spaces.
cpu() { sed 's/.*) //' "/proc/$1/stat" | awk '{print $12 + $13}'; }
# Nanoseconds on a CPU so far, all threads of $1: finer than the ticks.
cpu_ns() { cat "/proc/$1"/task/*/schedstat | awk '{s += $1} END {print s}'; }
now() { date +%s.%N; }
# Whether process $1 runs: there, and not a zombie.
alive() { st=$(sed 's/.*) //' "/proc/$1/stat" 2>/dev/null) && [ "${st%% *}" != Z ]; }

# Fails unless pid $1 is program $2 itself, not a shell, env or setpriv
# before it (each of which execs the next: 2 s at most for that).
is_prog() {
  i=0
  until exe=$(readlink "/proc/$1/exe" 2>/dev/null) && [ "$exe" = "$2" ]; do
    i=$((i + 1)); [ $i -lt 20 ] || fail "pid $1 is ${exe:-gone}, not $2"
    sleep 0.1
  done
}

# Settles, then measures the pids given over $MEASURE s: RATES is each one's
# CPU in ms per second of wall time, NS_RATE that of the first from the
# scheduler's nanoseconds, WALL the time measured.
measure() {
  sleep "$SETTLE"
  before=""; for p in "$@"; do before="$before $(cpu "$p")"; done
  ns0=$(cpu_ns "$1"); t0=$(now)
  sleep "$MEASURE"
  after=""; for p in "$@"; do after="$after $(cpu "$p")"; done
  ns1=$(cpu_ns "$1"); t1=$(now)
  for p in "$@"; do alive "$p" || fail "pid $p ended while measured"; done
  RATES=$(echo "$before $after" | awk -v n=$# -v hz="$HZ" -v w="$(echo "$t0 $t1" | awk '{print $2 - $1}')" '{
    for (i = 1; i <= n; i++) printf "%.2f ", 1000 * ($(n + i) - $i) / hz / w }')
  NS_RATE=$(echo "$t0 $t1 $ns0 $ns1" | awk '{printf "%.3f", ($4 - $3) / 1e6 / ($2 - $1)}')
  WALL=$(echo "$t0 $t1" | awk '{printf "%.1f", $2 - $1}')
}

# Screen shots: two_shots SHOOTER FILE1 FILE2 takes two half a second apart.
x_shot() { import -window root "$1"; }
sway_shot() { wl_shot HEADLESS-1 "$1"; }
two_shots() { "$1" "$2" || return 1; sleep 0.5; "$1" "$3"; }

# "WIDTH HEIGHT COLOURS SIGNATURE" of a picture.
look() { identify -format '%w %h %k %#' "$1"; }

# Fails unless the two pictures $2 and $3, taken half a second apart, are
# both SIZE, of more than one colour, and differ: $1 draws and ticks.
check_drawn() {
  what=$1 a=$(look "$2") b=$(look "$3")
  for shot in "$a" "$b"; do
    set -- $shot
    [ "$1x$2" = "$SIZE" ] || fail "$what: the screen shot is $1x$2, not $SIZE"
    [ "$3" -gt 1 ] || fail "$what: the screen is all one colour, nothing drawn"
  done
  [ "${a##* }" != "${b##* }" ] || fail "$what: two screen shots half a second apart are the same, nothing ticks"
}

# Whether picture $1 holds a pixel whose colour channel $2 (r or g) leads the
# other two by more than 64.
has_tint() {
  convert "$1" -format %c histogram:info:- | tr -d '( ' | awk -F '[,:]' -v c="$2" '
    { r = $2; g = $3; b = $4
      if (c == "r" && r > g + 64 && r > b + 64) found = 1
      if (c == "g" && g > r + 64 && g > b + 64) found = 1 }
    END { exit !found }'
}

# --- X11: tovra -root on Xvfb.
x11_round() {
  xvfb_start "${SIZE}x24" || exit 1
  is_prog "$XVFB_PID" "$(realpath "$(command -v Xvfb)")"
  "$TOVRA" -root -speed "$SPEED" < /dev/null > "$T/tovra.log" 2>&1 &
  X11_PID=$!
  is_prog "$X11_PID" "$TOVRA"
  measure "$X11_PID" "$XVFB_PID"
  two_shots x_shot "$T/x1.png" "$T/x2.png" || fail "no screen shot of Xvfb"
  check_drawn "tovra -root" "$T/x1.png" "$T/x2.png"
  kill "$X11_PID" && wait "$X11_PID" 2>/dev/null; X11_PID=""
  kill "$XVFB_PID" && wait "$XVFB_PID" 2>/dev/null; XVFB_PID=""
  unset DISPLAY
  set -- $RATES
  echo "x11 round $ROUND: tovra $1 ms/s, Xvfb $2 ms/s, together $(echo "$1 $2" | awk '{printf "%.2f", $1 + $2}') ms/s ($WALL s)"
  X11_SUMS="$X11_SUMS $1 $2"
}

# --- Wayland: a headless sway of one output of SIZE.
wl_sway() {
  wl_start 1 "output HEADLESS-1 mode $SIZE" || exit 1
  is_prog "$WL_SWAY_PID" "$(realpath "$(command -v sway)")"
  mode=$(wl_msg -t get_outputs -r | python3 -c 'import json, sys
o = json.load(sys.stdin)[0]
print("%s %dx%d" % (o["name"], o["current_mode"]["width"], o["current_mode"]["height"]))')
  [ "$mode" = "HEADLESS-1 $SIZE" ] || fail "sway's output is $mode, not HEADLESS-1 $SIZE"
}

# tovra-wayland with the arguments given, as nobody; its pid in WL_PID.
wl_client() {
  wl_bg "$TOVRA_WL" "$@" < /dev/null
  WL_PID=$WL_BG_PID
  is_prog "$WL_PID" "$TOVRA_WL"
}

# Waits (5 s at most) until a shot of the output shows more than one colour:
# the client's surface is up, and nothing (a swaybg, say) lies over it.
wl_wait_drawn() {
  i=0
  while :; do
    sway_shot "$T/first.png" || fail "no screen shot of sway"
    set -- $(look "$T/first.png")
    [ "$3" -gt 1 ] && return 0
    i=$((i + 1)); [ $i -lt 25 ] || fail "tovra-wayland draws nothing to be seen on HEADLESS-1"
    sleep 0.2
  done
}

# One round of tovra-wayland in the mode given (-fullscreen, -layer L).
wl_round() {
  wl_sway
  wl_client "$@" -speed "$SPEED"
  wl_wait_drawn
  measure "$WL_PID" "$WL_SWAY_PID"
  two_shots sway_shot "$T/w1.png" "$T/w2.png" || fail "no screen shot of sway"
  check_drawn "tovra-wayland $*" "$T/w1.png" "$T/w2.png"
  wl_stop
  key=$(echo "$*" | tr -c 'a-z\n' _)
  set -- $RATES
  echo "wayland ($mode_name) round $ROUND: tovra-wayland $1 ms/s, sway $2 ms/s, together $(echo "$1 $2" | awk '{printf "%.2f", $1 + $2}') ms/s ($WALL s)"
  eval "WL_SUMS_$key=\"\${WL_SUMS_$key:-} $1 $2\""
}

# "CLIENT SERVER TOGETHER" means of the rounds' pairs given.
means() { echo "$@" | awk '{ for (i = 1; i < NF; i += 2) { c += $i; s += $(i + 1); n++ }
  printf "%.2f %.2f %.2f", c / n, s / n, (c + s) / n }'; }

echo "$SIZE, -speed $SPEED, $MEASURE s measured after $SETTLE s; $BUILD"
# The modes compared with the X11 program, separated by commas.
MODES=${MODES:--fullscreen,-layer overlay,-layer background}
X11_SUMS=""
for ROUND in 1 2; do
  x11_round
  echo "$MODES" | tr , '\n' > "$T/modes"
  while read -r mode_name; do
    # shellcheck disable=SC2086
    wl_round $mode_name < /dev/null
  done < "$T/modes"
done
set -- $(means $X11_SUMS)
X11_MEAN=$3
echo "x11 mean: tovra $1 ms/s, Xvfb $2 ms/s, together $3 ms/s"
RATIOS=""
while read -r mode_name; do
  key=$(echo "$mode_name" | tr -c 'a-z\n' _)
  eval "sums=\$WL_SUMS_$key"
  set -- $(means $sums)
  echo "wayland ($mode_name) mean: tovra-wayland $1 ms/s, sway $2 ms/s, together $3 ms/s"
  RATIOS="$RATIOS, $mode_name $(echo "$3 $X11_MEAN" | awk '{printf "%.2f", $1 / $2}')"
done < "$T/modes"

# --- A background surface shown, then hidden under a full-screen window.
wl_sway
wl_client -layer background -speed "$SPEED" -no-rainbow -color red
BG_PID=$WL_PID
wl_wait_drawn
measure "$BG_PID" "$WL_SWAY_PID"
two_shots sway_shot "$T/v1.png" "$T/v2.png" || fail "no screen shot of sway"
check_drawn "tovra-wayland -layer background" "$T/v1.png" "$T/v2.png"
has_tint "$T/v2.png" r || fail "the shown background has no red cells"
set -- $RATES
echo "wayland background shown: tovra-wayland $1 ms/s (scheduler: $NS_RATE ms/s), sway $2 ms/s ($WALL s)"

wl_client -fullscreen -speed 300 -no-rainbow -color green
FS_PID=$WL_PID
i=0
until wl_msg -t get_tree -r | python3 -c 'import json, sys
def find(n):
    if n.get("pid") == int(sys.argv[1]) and n.get("fullscreen_mode") == 1:
        return "%dx%d" % (n["rect"]["width"], n["rect"]["height"])
    for c in n.get("nodes", []) + n.get("floating_nodes", []):
        r = find(c)
        if r:
            return r
print(find(json.load(sys.stdin)) or "")' "$FS_PID" | grep -qx "$SIZE"; do
  i=$((i + 1)); [ $i -lt 50 ] || fail "the full-screen window does not cover the output"
  sleep 0.1
done
measure "$BG_PID" "$WL_SWAY_PID" "$FS_PID"
sway_shot "$T/h.png" || fail "no screen shot of sway"
has_tint "$T/h.png" g || fail "the full-screen window shows no green cells"
! has_tint "$T/h.png" r || fail "the background's red cells still show"
set -- $RATES
echo "wayland background hidden: tovra-wayland $1 ms/s (scheduler: $NS_RATE ms/s), sway $2 ms/s, full-screen window $3 ms/s ($WALL s; one tick is $(awk -v hz="$HZ" -v w="$WALL" 'BEGIN {printf "%.2f", 1000 / hz / w}') ms/s)"
wl_stop

echo "wayland/x11 ratio:${RATIOS#,}"
