#!/bin/sh
# tovra-life from the outside: its output, its errors and exit codes, and its
# agreement with Golly's bgolly on random soups with both kinds of edges, and
# its peak memory (/usr/bin/time), bounded by the grid whatever the input.
set -u
TOOL=$1
HERE=$(cd "$(dirname "$0")" && pwd)
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
fail=0
check() { if [ "$1" = ok ]; then :; else echo "FAIL: $2"; fail=1; fi; }
peak() {  # runs the tool; $mem is its peak resident memory in KiB
  /usr/bin/time -v -o "$T/time" "$TOOL" "$@"; rc=$?
  mem=$(awk -F': ' '/Maximum resident/ { print $2 }' "$T/time"); return $rc
}

# --- a blinker: populations and the written grid
printf '#C blinker\nx = 3, y = 2, rule = B3/S23\n$3o!\n' > "$T/blinker.rle"
peak --width 5 --height 5 --edges island --generations 2 --out "$T/out.rle" "$T/blinker.rle" > "$T/pop" 2>"$T/err"
base=$mem
[ "$(cat "$T/pop")" = "$(printf '0: 3\n1: 3\n2: 3')" ] && r=ok || r=bad; check $r "blinker populations: $(cat "$T/pop")"
[ "$(cat "$T/out.rle")" = "$(printf 'x = 5, y = 5, rule = B3/S23:P5,5\n$3o!')" ] && r=ok || r=bad; check $r "blinker output: $(cat "$T/out.rle")"

# --- the size from the rule suffix, the pattern as large as the grid
printf 'x = 3, y = 3, rule = b3/s23:t3,3\n3o!\n' > "$T/t.rle"
"$TOOL" --generations 1 "$T/t.rle" > "$T/pop" 2>&1
[ "$(cat "$T/pop")" = "$(printf '0: 3\n1: 9')" ] && r=ok || r=bad; check $r "torus from rule: $(cat "$T/pop")"

# --- refusals: one short line on stderr, the exit status (2 bad input, 1 a
# file that cannot be read or written, or no memory), no output file, and no
# more memory than a small run takes
bad() {  # exit-status expected-substring args...
  want_rc=$1 want=$2; shift 2
  rm -f "$T/o.rle"
  peak --out "$T/o.rle" "$@" > /dev/null 2> "$T/err"
  [ $rc -eq "$want_rc" ] && [ "$mem" -lt $((base + 2048)) ] && r=ok || r=bad; check $r "exit $rc, $mem KiB for: $*"
  [ "$(wc -l < "$T/err")" -eq 1 ] && [ "$(wc -c < "$T/err")" -lt 200 ] && grep -qF -- "$want" "$T/err" && r=ok || r=bad
  check $r "message for $*: $(cat "$T/err")"
  [ ! -e "$T/o.rle" ] && r=ok || r=bad; check $r "output file written for: $*"
}
bad 1 "cannot read" --generations 3 "$T/missing.rle"
bad 1 "it is a directory" --generations 3 "$T"
mkdir "$T/dir"; bad 1 "it is a directory" --generations 3 --out "$T/dir" "$T/t.rle"
[ -d "$T/dir" ] && r=ok || r=bad; check $r "--out removed a directory"
truncate -s 65M "$T/big.rle"; bad 2 "larger than 64 MiB" --generations 3 "$T/big.rle"
mkfifo "$T/fifo"; (exec timeout 60 sh -c 'head -c 70000000 /dev/zero | tr "\0" "\n" > "$0"' "$T/fifo") &
bad 2 "larger than 64 MiB" --generations 3 "$T/fifo"
bad 2 "/dev/zero:1: malformed RLE: header line longer than 1000 characters: '\\x00\\x00" --generations 1 /dev/zero
printf 'x = 268435456, y = 1\n268435456o!\n' > "$T/long.rle"
bad 2 "does not fit" --width 5 --height 5 --edges torus --generations 3 "$T/long.rle"
# (Not in the sanitized build: AddressSanitizer needs terabytes of address
# space, and ends the program where new would throw.)
[ -n "${TOVRA_SANITIZED-}" ] || (ulimit -v 30000; bad 1 "not enough memory for a grid of 16384 x 16384" --width 16384 \
  --height 16384 --edges torus --generations 1 --soup 1; exit $fail) || fail=1
printf 'x = 3, y = 1, rule = B3/S23\n3q!\n' > "$T/q.rle"
bad 2 "q.rle:2: malformed RLE" --width 5 --height 5 --edges torus --generations 3 "$T/q.rle"
printf 'x = 3, y = 1, rule = B36/S23\n3o!\n' > "$T/hl.rle"
bad 2 "only B3/S23" --width 5 --height 5 --edges torus --generations 3 "$T/hl.rle"
bad 2 "does not fit" --width 2 --height 5 --edges torus --generations 3 "$T/blinker.rle"
bad 2 "no grid size" --generations 3 "$T/blinker.rle"
bad 2 "--width must be at least 1" --width 0 --height 5 --edges torus --generations 3 "$T/blinker.rle"
bad 2 "--height needs a whole number, got '12abc'" --width 5 --height 12abc --edges torus --generations 3 "$T/blinker.rle"
bad 2 "--generations needs a whole number" --width 5 --height 5 --edges torus --generations 5x "$T/blinker.rle"
bad 2 "missing --generations" --width 5 --height 5 --edges torus "$T/blinker.rle"
bad 2 "--soup needs a percentage" --width 5 --height 5 --edges torus --generations 3 --soup 101
bad 2 "--edges must be" --width 5 --height 5 --edges klein --generations 3 --soup 10
bad 2 "too large" --width 2000000000 --height 2000000000 --edges torus --generations 3 --soup 10
printf 'x = 2000000000, y = 2000000000, rule = B3/S23\n2000000000o!\n' > "$T/huge.rle"
bad 2 "too large" --width 5 --height 5 --edges torus --generations 3 "$T/huge.rle"
printf 'x = 3, y = 1, rule = B3/S23:T100000,100000\n3o!\n' > "$T/hugerule.rle"
bad 2 "too large" --generations 3 "$T/hugerule.rle"

# --- a seeded soup repeats; 0% and 100% fill none and every cell of the grid
"$TOOL" --width 50 --height 40 --edges torus --generations 30 --soup 35 --seed 9 > "$T/a"
"$TOOL" --width 50 --height 40 --edges torus --generations 30 --soup 35 --seed 9 > "$T/b"
[ -s "$T/a" ] && cmp -s "$T/a" "$T/b" && r=ok || r=bad; check $r "seeded soups differ"
for s in "0 0" "100 20"; do
  set -- $s; pop=$("$TOOL" --width 5 --height 4 --edges torus --generations 1 --soup $1)
  [ "$pop" = "$(printf '0: %s\n1: 0' $2)" ] && r=ok || r=bad; check $r "soup of $1%: $pop"
done

# --- peak memory: a full grid and 8 MiB of comments cost no more than an empty grid
printf 'x = 1, y = 1, rule = B3/S23:T2048,2048\n!\n' > "$T/empty.rle"
{ head -c 8388608 /dev/zero | tr '\0' '#'; printf '\nx = 2048, y = 2048, rule = B3/S23:T2048,2048\n'
  awk 'BEGIN { for (i = 0; i < 2048; i++) printf "2048o$"; print "!" }'; } > "$T/full.rle"
peak --generations 1 "$T/empty.rle" > /dev/null; empty=$mem
peak --generations 1 "$T/full.rle" > "$T/pop"
[ "$(cat "$T/pop")" = "$(printf '0: 4194304\n1: 0')" ] && [ "$mem" -lt $((empty + 4096)) ] && r=ok || r=bad
check $r "full 2048 x 2048 grid: $(head -1 "$T/pop"), $mem KiB against $empty KiB empty"

# --- agreement with Golly on soups, both edge modes
if command -v bgolly >/dev/null 2>&1; then
  for edges in torus island; do
    for seed in 1 2 3; do
      w=$((40 + seed * 7)); h=$((30 + seed * 5)); n=$((50 + seed * 20))
      "$TOOL" --width $w --height $h --edges $edges --generations 1 --soup 37 --seed $seed --out "$T/soup.rle" > /dev/null
      # bgolly takes the grid from the rule suffix the tool wrote.
      "$TOOL" --generations $n --out "$T/ours.rle" "$T/soup.rle" > /dev/null
      (cd "$T" && bgolly -a QuickLife -m $((n)) -o golly.rle soup.rle > /dev/null 2>&1)
      if [ -f "$T/golly.rle" ]; then
        python3 "$HERE/rle-cells.py" "$T/golly.rle" > "$T/golly.cells"
        python3 "$HERE/rle-cells.py" "$T/ours.rle" > "$T/ours.cells"
        echo "bgolly: $edges seed $seed, $(wc -l < "$T/ours.cells") live cells after $n generations"
        [ -s "$T/ours.cells" ] && cmp -s "$T/golly.cells" "$T/ours.cells" && r=ok || r=bad
        check $r "differs from bgolly: $edges seed $seed ($w x $h, $n generations)"
      else
        check bad "bgolly wrote nothing"
      fi
      rm -f "$T/golly.rle"
    done
  done
else
  echo "FAIL: bgolly is not installed"; fail=1
fi
exit $fail
