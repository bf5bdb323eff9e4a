#!/bin/sh
# tovra-life from the outside: refusals only files and devices show (exit
# status, one short line on stderr, no output file, peak memory bounded by the
# grid whatever the input), and agreement with bgolly on soups, both edges.
set -u
TOOL=$1
CELLS=$(cd "$(dirname "$0")" && pwd)/../../tools/rle-cells.py
T=$(mktemp -d); trap 'rm -rf "$T"' EXIT
fail=0
check() { [ "$1" = ok ] || { echo "FAIL: $2"; fail=1; }; }
peak() {  # runs the tool; $mem is its peak resident memory in KiB
  /usr/bin/time -v -o "$T/time" "$TOOL" "$@"; rc=$?
  mem=$(awk -F': ' '/Maximum resident/ { print $2 }' "$T/time"); return $rc
}
printf 'x = 3, y = 2, rule = B3/S23\n$3o!\n' > "$T/blinker.rle"
peak --width 5 --height 5 --edges island --generations 2 "$T/blinker.rle" > /dev/null; base=$mem
bad() {  # exit-status expected-substring args...; the message's length counted without the folder's name
  want_rc=$1 want=$2; shift 2
  rm -f "$T/o.rle"; peak --out "$T/o.rle" "$@" > /dev/null 2> "$T/err"
  [ $rc -eq "$want_rc" ] && [ "$mem" -lt $((base + 2048)) ] && [ ! -e "$T/o.rle" ] && [ "$(wc -l < "$T/err")" -eq 1 ] &&
    [ "$(sed "s|$T/||g" "$T/err" | wc -c)" -lt 200 ] && grep -qF -- "$want" "$T/err" && r=ok || r=bad
  check $r "exit $rc, $mem KiB, $(cat "$T/err") for: $*"
}
bad 1 "cannot read pattern file '$T/missing.rle': No such file or directory" --generations 3 "$T/missing.rle"
bad 1 "it is a directory" --generations 3 "$T"
mkdir "$T/dir"; bad 1 "cannot write output file '$T/dir': it is a directory" --generations 3 --out "$T/dir" "$T/blinker.rle"
[ -d "$T/dir" ] && r=ok || r=bad; check $r "--out removed a directory"
truncate -s 67108865 "$T/big.rle"; bad 2 "larger than 64 MiB" --generations 3 "$T/big.rle"
truncate -s 64M "$T/64.rle"; bad 2 "64.rle:1: malformed RLE: header line longer than 1000 characters: '\\x00\\x00" --generations 1 "$T/64.rle"
mkfifo "$T/fifo"; (exec timeout 60 sh -c 'head -c 67108865 /dev/zero | tr "\0" "\n" > "$0"' "$T/fifo") &
bad 2 "larger than 64 MiB" --generations 3 "$T/fifo"
printf 'x = 268435456, y = 1\n268435456o!\n' > "$T/long.rle"
bad 2 "does not fit" --width 5 --height 5 --edges torus --generations 3 "$T/long.rle"
printf 'x = 2000000000, y = 2000000000, rule = B3/S23\n2000000000o!\n' > "$T/huge.rle"
bad 2 "too large" --width 5 --height 5 --edges torus --generations 3 "$T/huge.rle"
# (Not under AddressSanitizer, which needs terabytes of address space and ends the program where new would throw.)
[ -n "${TOVRA_SANITIZED-}" ] || (ulimit -v 30000; bad 1 "not enough memory for a grid of 16384 x 16384" --width 16384 \
  --height 16384 --edges torus --generations 1 --soup 1; exit $fail) || fail=1

# A full 2048 x 2048 grid behind 8 MiB of comments costs no more memory than an empty grid.
printf 'x = 1, y = 1, rule = B3/S23:T2048,2048\n!\n' > "$T/empty.rle"
{ printf '#'; head -c 8388608 /dev/zero | tr '\0' 'C'; printf '\nx = 2048, y = 2048, rule = B3/S23:T2048,2048\n'
  awk 'BEGIN { for (i = 0; i < 2048; i++) printf "2048o$"; print "!" }'; } > "$T/full.rle"
peak --generations 1 "$T/empty.rle" > /dev/null; empty=$mem
peak --generations 1 "$T/full.rle" > "$T/pop"
[ "$(cat "$T/pop")" = "$(printf '0: 4194304\n1: 0')" ] && [ "$mem" -lt $((empty + 4096)) ] && r=ok || r=bad
check $r "full grid: $(head -1 "$T/pop"), $mem KiB against $empty KiB empty"

# Gardens: the listings, bad files skipped with their reason (nothing blocks on a pipe); seedings that
# hold library and folder patterns in their orientations with the margins kept, also round a torus,
# the same for the same seed.
"$TOOL" --list-patterns > "$T/list"
[ "$(wc -l < "$T/list")" -ge 40 ] && ! grep -qv '	[0-9]* x [0-9]*	ok$' "$T/list" &&
  grep -q '^gosper-glider-gun.rle	Gosper glider gun	36 x 9	ok$' "$T/list" && r=ok || r=bad
check $r "built-in listing: $(wc -l < "$T/list") lines"
G=$T/garden; mkdir "$G" "$G/dir.rle"; mkfifo "$G/pipe.rle"
printf '#N Hook\nx = 3, y = 3, rule = 23/3\n3o$o$bo!\n' > "$G/hook.rle"
printf '!Name: Boat tie\n.O\nO.O\n.OO\n...OO\n...O.O\n....O\n' > "$G/tie.cells"
printf 'x = 3, y = 1, rule = B36/S23\n3o!\n' > "$G/highlife.rle"; printf 'x = 1001, y = 1\n1001o!\n' > "$G/wide.rle"
head -c 1048577 /dev/zero > "$G/large.rle"; printf 'no pattern' > "$G/notes.txt"
long=$(printf 'z%.0s' $(seq 210)); sed "s/^#N .*/#N $long/" "$G/hook.rle" > "$G/$long.rle"  # file and name: 200 characters
timeout 60 "$TOOL" --list-patterns "$G" > "$T/list" 2> "$T/err"; rc=$?
printf '%s\t-\t-\tskipped: %s\n' dir.rle 'not a regular file' highlife.rle "malformed RLE: line 1: unsupported rule 'B36/S23': \
only B3/S23 is accepted" > "$T/want"; printf 'hook.rle\tHook\t3 x 3\tok\n' >> "$T/want"
printf '%s\t-\t-\tskipped: %s\n' large.rle 'larger than 1 MiB' pipe.rle 'not a regular file' >> "$T/want"
printf 'tie.cells\tBoat tie\t6 x 6\tok\nwide.rle\t-\t-\tskipped: 1001 x 1 is larger than 1000 x 1000\n' >> "$T/want"
printf '%s...\t%s\t3 x 3\tok\n' "$(echo "$long" | cut -c1-200)" "$(echo "$long" | cut -c1-200)" >> "$T/want"
[ $rc -eq 0 ] && cmp -s "$T/list" "$T/want" && [ ! -s "$T/err" ] && r=ok || r=bad
check $r "folder listing (exit $rc): $(diff "$T/want" "$T/list" | tr '\n' '|')"
"$TOOL" --list-patterns "$T/none" > /dev/null 2> "$T/err"; rc=$?
[ $rc -eq 1 ] && grep -q "cannot read pattern folder '$T/none'" "$T/err" && r=ok || r=bad
check $r "a missing folder: exit $rc, $(cat "$T/err")"
for i in $(seq 30); do cp "$G/hook.rle" "$G/hook$i.rle"; cp "$G/tie.cells" "$G/tie$i.cells"; done
for run in "island 120 70 4 0" "torus 150 100 9 [1-9]"; do
  set -- $run
  for out in g again; do
    "$TOOL" --width $2 --height $3 --edges $1 --generations 0 --seeding patterns --patterns "$G" --seed $4 --out "$T/$out.rle" > /dev/null
  done
  cmp -s "$T/g.rle" "$T/again.rle" &&
    python3 "$(dirname "$0")/garden-check.py" "$T/g.rle" $1 "$(dirname "$0")"/../../patterns/*.rle "$G/hook.rle" "$G/tie.cells" > "$T/found" &&
    grep -q " $5 wrapped: .*\(hook\|tie\)" "$T/found" && r=ok || r=bad
  check $r "garden $run: $(cat "$T/found")"
done
for mode in random mixed; do  # about a tenth of the cells, the patterns' margins aside
  "$TOOL" --width 200 --height 100 --edges torus --generations 0 --seeding $mode --patterns "$G" --seed 5 > "$T/pop" &&
    [ "$(cut -d' ' -f2 "$T/pop")" -gt 1700 ] && [ "$(cut -d' ' -f2 "$T/pop")" -lt 2300 ] && r=ok || r=bad
  check $r "seeding $mode: $(cat "$T/pop")"
done

# Renders. Against a plain drawing of the cells the tool writes generation by generation: a soup on a torus at
# 20 pixels in blue, a blinker on an island.
B=$(dirname "$TOOL"); R=$T/r
render_ref() {  # colour pitch frames tool-args...: frames 0.. of a render against generations 0..frames-1
  colour=$1 pitch=$2 n=$3; shift 3
  for k in $(seq 0 $((n - 1))); do "$TOOL" "$@" --generations $k --out "$T/gen$k.rle" > /dev/null; done
  python3 "$(dirname "$0")/render-check.py" "$B" $colour $pitch "$R" $(for k in $(seq 0 $((n - 1))); do echo "$T/gen$k.rle"; done) > /dev/null
}
rm -rf "$R"; "$TOOL" --render "$R" --seconds 1.5 --cell-size 20 --color blue --width 24 --height 16 --edges torus --soup 35 --seed 3 &&
  [ "$(ls "$R")" = "$(printf 'frame-%05d.png\n' 0 1 2 3 4 5)" ] &&
  render_ref blue 20 6 --width 24 --height 16 --edges torus --soup 35 --seed 3 && r=ok || r=bad
check $r "soup render: $(ls "$R" | tr '\n' ' ')"
rm -rf "$R"; "$TOOL" --render "$R" --seconds 0.3 --cell-size 20 --rainbow --width 24 --height 16 --edges torus --soup 35 --seed 3 &&
  python3 "$(dirname "$0")/render-check.py" "$B" any 20 "$R" "$T/gen0.rle" "$T/gen1.rle" > /dev/null 2>&1 &&
  ! python3 "$(dirname "$0")/render-check.py" "$B" red 20 "$R" "$T/gen0.rle" > /dev/null 2>&1 && r=ok || r=bad
check $r "rainbow render: every colour of the bitmaps, not one"
rm -rf "$R"; "$TOOL" --render "$R" --seconds 0.6 --width 7 --height 5 --edges island "$T/blinker.rle" &&
  render_ref red 10 3 --width 7 --height 5 --edges island "$T/blinker.rle" && r=ok || r=bad
check $r "blinker render"
# Frames every 1/fps of simulated time, from 0 to --seconds: at each generation by default, also at 1 ms (speed 0),
# below 1 a second, and between generations (then twice each).
frames() { rm -rf "$R"; "$TOOL" --render "$R" "$@" --width 7 --height 5 --edges torus "$T/blinker.rle" && ls "$R" | wc -l; }
same() { cmp -s "$R/frame-0000$1.png" "$R/frame-0000$2.png"; }
[ "$(frames --seconds 3)" -eq 11 ] && [ -f "$R/frame-00010.png" ] && [ "$(frames --seconds 0.005 --speed 0)" -eq 6 ] &&
  [ "$(frames --seconds 25 --fps 0.1)" -eq 3 ] && [ "$(frames --seconds 3 --fps 0.5 --speed 1000)" -eq 2 ] &&
  [ "$(frames --seconds 2 --fps 2 --speed 1000)" -eq 5 ] && same 0 1 && same 2 3 && ! same 1 2 && r=ok || r=bad
check $r "frame counts"
refuse() {  # exit-status expected-substring args...: one line on stderr, and no frame folder
  want_rc=$1 want=$2; shift 2
  rm -rf "$R"; "$TOOL" "$@" > /dev/null 2> "$T/err"; rc=$?
  [ $rc -eq "$want_rc" ] && [ ! -e "$R" ] && [ "$(wc -l < "$T/err")" -eq 1 ] && grep -qF -- "$want" "$T/err" && r=ok || r=bad
  check $r "exit $rc, $(cat "$T/err") for: $*"
}
G7="--width 7 --height 5 --edges torus"
refuse 2 "a render of 101001 frames is more than 100000" --render "$R" --seconds 1000 --fps 101 $G7 "$T/blinker.rle"
refuse 2 "a frame of 7690 x 50 pixels (769 x 5 cells of 10) is larger than 7680 x 4320" --render "$R" --seconds 0 \
  --width 769 --height 5 --edges torus "$T/blinker.rle"
png_form() { python3 -c 'import struct, sys; d = open(sys.argv[1], "rb").read(26); w, h, b, c = struct.unpack(">IIBB", d[16:26])
print(f"{w} x {h}, {b}-bit", "RGB" if c == 2 else c) if d[:8] == b"\x89PNG\r\n\x1a\n" else print("not a PNG")' "$1"; }
for size in "768 1" "1 432"; do  # 7680 x 10 and 10 x 4320: at the limit
  set -- $size; rm -rf "$R"; "$TOOL" --render "$R" --seconds 0 --width $1 --height $2 --edges island --soup 5 2> "$T/err" &&
    [ "$(png_form "$R/frame-00000.png")" = "$(($1 * 10)) x $(($2 * 10)), 8-bit RGB" ] && r=ok || r=bad
  check $r "a render at the size limit, $size cells: $(cat "$T/err")"
done
refuse 2 "a frame of 7680 x 4360 pixels" --render "$R" --seconds 0 --cell-size 40 --width 192 --height 109 --edges island --soup 5
refuse 2 "--palette names no built-in palette: 'Glow' (there are Classic, " --render "$R" --seconds 1 --palette Glow $G7 "$T/blinker.rle"
refuse 2 "--fade needs a whole number from 0 to 64, got '65'" --render "$R" --seconds 1 --fade 65 $G7 "$T/blinker.rle"
refuse 2 "--cell-shape must be square, rounded or dot, got 'star'" --render "$R" --seconds 1 --cell-shape star $G7 "$T/blinker.rle"
refuse 2 "--color must be red, yellow, green, blue or purple, got 'pink'" --render "$R" --seconds 1 --color pink $G7 "$T/blinker.rle"
refuse 2 "--cell-size needs a whole number from 10 to 40, got '9'" --render "$R" --seconds 1 --cell-size 9 $G7 "$T/blinker.rle"
refuse 2 "--speed needs a whole number from 0 to 65535, got '65536'" --render "$R" --seconds 1 --speed 65536 $G7 "$T/blinker.rle"
refuse 2 "--fps needs a number above 0 to 1000, got '0'" --render "$R" --seconds 1 --fps 0 $G7 "$T/blinker.rle"
refuse 2 "--seconds needs a number from 0 to 86400, got 'nan'" --render "$R" --seconds nan $G7 "$T/blinker.rle"
refuse 2 "--reseed needs a whole number from 1 to 32767, got '0'" --render "$R" --seconds 1 --reseed 0 $G7 --seeding random
refuse 2 "--reseed applies only to --seeding" --render "$R" --seconds 1 --reseed 5 $G7 "$T/blinker.rle"
refuse 2 "in seconds from 0 to 86399, got '86400'" --render "$R" --seconds 1 --seed 86400 $G7 --seeding random
refuse 2 "missing --seconds S" --render "$R" $G7 "$T/blinker.rle"
refuse 2 "it takes no --generations or --out" --render "$R" --seconds 1 --generations 3 $G7 "$T/blinker.rle"
refuse 2 "--smooth applies only to --render" --smooth --generations 3 $G7 "$T/blinker.rle"
refuse 2 "--palette applies only to --render" --generations 3 --palette Mono $G7 "$T/blinker.rle"
# A folder that cannot be made, a frame that cannot be written: status 1, and the frames before it whole, no part left.
: > "$T/file"; "$TOOL" --render "$T/file" --seconds 1 $G7 "$T/blinker.rle" 2> "$T/err"; rc=$?
[ $rc -eq 1 ] && grep -qF "cannot make the folder '$T/file'" "$T/err" && r=ok || r=bad; check $r "render into a file: $rc $(cat "$T/err")"
rm -rf "$R"; mkdir -p "$R/frame-00002.png/x"; "$TOOL" --render "$R" --seconds 1 $G7 "$T/blinker.rle" 2> "$T/err"; rc=$?
[ $rc -eq 1 ] && grep -qF "cannot write '$R/frame-00002.png'" "$T/err" && [ "$(ls "$R")" = "$(printf 'frame-%05d.png\n' 0 1 2)" ] &&
  cp "$R/frame-00001.png" "$T/f1.png" && frames --seconds 1 > /dev/null && cmp -s "$T/f1.png" "$R/frame-00001.png" && r=ok || r=bad
check $r "a frame that cannot be written: $rc $(cat "$T/err"), $(ls "$R" | tr '\n' ' ')"
# Without all six cell bitmaps beside it (or installed) there is no render.
# A folder's name beyond 200 characters is cut there.
for bin in "$T/bin" "$T/$(printf 'b%.0s' $(seq 220))"; do
  mkdir "$bin"; cp "$TOOL" "$bin/"; for f in cell cellyellow cellgreen cellblue cellpurple; do cp "$B/$f.bmp" "$bin/"; done
  rm -rf "$R"; "$bin/$(basename "$TOOL")" --render "$R" --seconds 1 $G7 "$T/blinker.rle" 2> "$T/err"; rc=$?
  shown=$bin; [ ${#bin} -le 200 ] || shown="$(echo "$bin" | cut -c1-200)..."
  [ $rc -eq 1 ] && grep -q "deadcell.bmp" "$T/err" && grep -qF "cannot render without the six cell bitmaps of '$shown'" "$T/err" &&
    [ -z "$(ls "$R")" ] && r=ok || r=bad
  check $r "a render without deadcell.bmp from a folder of ${#bin} characters: $rc $(cat "$T/err")"
  rm -rf "$bin"
done
# The saver's whole tick: the same start gives the same frames up to the timed reseeding, at its generation; another
# start, other cells from the first generation on.
seeded() { rm -rf "$T/s$1"; "$TOOL" --render "$T/s$1" --seconds 1 --speed 100 $G7 --width 24 --height 16 --seeding random --seed $2 --reseed $3; }
first_diff() { for k in $(seq 0 10); do cmp -s "$T/s$1/frame-$(printf %05d $k).png" "$T/s$2/frame-$(printf %05d $k).png" || { echo $k; return; }; done; echo none; }
seeded a 100 5 && seeded b 100 7 && seeded c 100 9 && seeded d 101 9 &&
  [ "$(first_diff a c)" = 5 ] && [ "$(first_diff b c)" = 7 ] && [ "$(first_diff c d)" = 1 ] && r=ok || r=bad
check $r "reseedings: $(first_diff a c) $(first_diff b c) $(first_diff c d)"
# The look through the render: Paper's dots, aged and fading, and Neon's rounded squares blending,
# each cell its shape in its colour on the palette's background.
PICTURE="python3 $(dirname "$0")/../support/picture.py"
rm -rf "$T/p"; "$TOOL" --render "$T/p" --seconds 3 --speed 100 --fps 1 --cell-size 24 --width 30 --height 20 --edges torus \
  --soup 30 --seed 4 --palette paper --age-colors --fade 6 --cell-shape dot > /dev/null &&
  $PICTURE --pitch 24 look dot f4f1ea c8c4bc 1a1a1a,3a3a48,5a5a6e "$T/p/frame-00003.png" blends > "$T/look" && r=ok || r=bad
check $r "a render of Paper's dots: $(tr '\n' ' ' < "$T/look")"
rm -rf "$T/n"; "$TOOL" --render "$T/n" --seconds 2 --speed 300 --fps 20 --width 30 --height 20 --edges torus \
  --soup 30 --seed 4 --palette neon --smooth --cell-shape rounded > /dev/null &&
  $PICTURE look rounded 000000 321446 ffffff,ff4fd8,b44dff,5a82ff,00e5ff "$T/n/frame-00008.png" blends > "$T/look" &&
  grep -q " between [1-9]" "$T/look" && ! $PICTURE look rounded 000000 321446 ffffff,ff4fd8,b44dff,5a82ff,00e5ff "$T/n/frame-00008.png" > /dev/null &&
  r=ok || r=bad
check $r "a render of Neon blending between two generations: $(tr '\n' ' ' < "$T/look")"

# Flashes: a spacefiller at the fastest a screen shows (64 generations a second), with and without
# Rainbow, in Classic and in a drawn palette, on both edges, flashes more than WCAG allows; with Reduce
# flashing every case passes. The analyser's refusals.
flashes() {  # expected-status render-args...
  want=$1; shift; rm -rf "$T/f"
  "$TOOL" --render "$T/f" --seconds 2 --fps 60 --speed 16 --width 56 --height 36 "$@" "$(dirname "$0")/../../patterns/spacefiller.rle" > /dev/null &&
    "$TOOL" --flashes "$T/f" --fps 60 > "$T/flashes"; rc=$?
  [ $rc = "$want" ] && r=ok || r=bad
  check $r "--flashes exit $rc for $*: $(tr '\n' ' ' < "$T/flashes")"
}
for look in "--edges torus" "--edges island --palette ocean --rainbow" "--edges island --rainbow" "--edges torus --palette paper"; do
  flashes 3 $look
  flashes 0 $look --reduce-flashing on
done
# How long a pixel keeps one lit colour: a block, lit in every frame of a minute; nothing lit in an empty grid.
printf 'x = 2, y = 2, rule = B3/S23\n2o$2o!\n' > "$T/block.rle"; printf 'x = 1, y = 1, rule = B3/S23\nb!\n' > "$T/empty.rle"
rm -rf "$T/b" "$T/e"; "$TOOL" --render "$T/b" --seconds 60 --fps 0.1 --width 6 --height 6 --edges island "$T/block.rle" > /dev/null &&
  "$TOOL" --still "$T/b" --fps 0.1 | grep -qx "longest one lit colour held: 60 s, at 0,0 in #[0-9a-f]*" &&
  "$TOOL" --render "$T/e" --seconds 60 --fps 0.1 --width 6 --height 6 --edges island "$T/empty.rle" > /dev/null &&
  "$TOOL" --still "$T/e" --fps 0.1 --background '#000000' | grep -qx "no pixel other than the background #000000" && r=ok || r=bad
check $r "--still on a block and on nothing: $("$TOOL" --still "$T/b" --fps 0.1 | tr '\n' ' ')"
# The burn-in guard: over 20 minutes of a seeded screen no pixel keeps one lit colour for 3 minutes or
# more, in Classic and in a light palette; without it the seeding's still lifes and trails keep theirs.
held() {  # render-args...: the longest time a pixel held one lit colour, in seconds
  rm -rf "$T/h"; "$TOOL" --render "$T/h" --seconds 1200 --fps 0.1 --width 96 --height 54 --edges torus --seeding mixed --seed 7 "$@" > /dev/null &&
    "$TOOL" --still "$T/h" --fps 0.1 --background "$background" | sed -n 's/^longest one lit colour held: \([0-9]*\) s.*/\1/p'
}
background=000000
off=$(held); on=$(held --burn-in-guard)
background=$("$TOOL" --list-palettes | awk -F'\t' '$1 == "Paper" { print substr($2, 2) }')
paper=$(held --burn-in-guard --palette paper --cell-shape rounded --cell-size 20 --width 48 --height 27)
[ "${off:-0}" -gt 600 ] && [ -n "$on" ] && [ "$on" -le 180 ] && [ -n "$paper" ] && [ "$paper" -le 180 ] && r=ok || r=bad
check $r "--burn-in-guard: a lit colour held $on s (Paper: $paper s), without it $off s"
mkdir -p "$T/noframes"; printf 'not a picture' > "$T/noframes/frame-00000.png"
for refusal in "2|missing --fps F|--flashes $T/f" "2|--fps needs a number above 0 to 64, got '65'|--flashes $T/f --fps 65" \
               "2|--flashes takes only --fps and --dpi|--flashes $T/f --fps 30 --speed 3" "1|cannot read '$T/none/frame-00000.png'|--flashes $T/none --fps 30" \
               "1|not a PNG file|--flashes $T/noframes --fps 30" "2|--background needs a colour as rrggbb, got 'red'|--still $T/b --fps 1 --background red" \
               "2|--still takes only --fps and --background|--still $T/b --fps 1 --dpi 96"; do
  want_rc=${refusal%%|*}; rest=${refusal#*|}; want=${rest%%|*}; args=${rest#*|}
  "$TOOL" $args > /dev/null 2> "$T/err"; rc=$?
  [ $rc = "$want_rc" ] && grep -qF -- "$want" "$T/err" && r=ok || r=bad
  check $r "exit $rc, $(cat "$T/err") for: $args"
done

# bgolly takes the grid from the rule suffix the tool writes.
command -v bgolly > /dev/null || { echo "FAIL: bgolly is not installed"; exit 1; }
for run in "torus 2" "island 3"; do
  set -- $run; edges=$1 seed=$2 w=$((40 + $2 * 7)) h=$((30 + $2 * 5)) n=$((50 + $2 * 20))
  "$TOOL" --width $w --height $h --edges $edges --generations 1 --soup 37 --seed $seed --out "$T/soup.rle" > /dev/null
  "$TOOL" --generations $n --out "$T/ours.rle" "$T/soup.rle" > /dev/null
  rm -f "$T/golly.rle"; (cd "$T" && bgolly -a QuickLife -m $n -o golly.rle soup.rle > /dev/null 2>&1)
  python3 "$CELLS" "$T/golly.rle" > "$T/golly.cells" && python3 "$CELLS" "$T/ours.rle" > "$T/ours.cells"
  echo "bgolly: $edges seed $seed, $(wc -l < "$T/ours.cells") live cells after $n generations"
  [ -s "$T/ours.cells" ] && cmp -s "$T/golly.cells" "$T/ours.cells" && [ -z "$(tail -n +2 "$T/ours.rle" | awk 'length > 70')" ] && r=ok || r=bad
  check $r "differs from bgolly, or has a line of over 70 characters: $edges seed $seed ($w x $h, $n generations)"
done
exit $fail
