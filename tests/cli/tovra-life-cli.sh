#!/bin/sh
# tovra-life from the outside: its output, its errors and exit codes, and its
# agreement with Golly's bgolly on random soups with both kinds of edges.
set -u
TOOL=$1
HERE=$(cd "$(dirname "$0")" && pwd)
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
fail=0
check() { if [ "$1" = ok ]; then :; else echo "FAIL: $2"; fail=1; fi; }

# --- a blinker: populations and the written grid
printf '#C blinker\nx = 3, y = 2, rule = B3/S23\n$3o!\n' > "$T/blinker.rle"
"$TOOL" --width 5 --height 5 --edges island --generations 2 --out "$T/out.rle" "$T/blinker.rle" > "$T/pop" 2>"$T/err"
[ "$(cat "$T/pop")" = "$(printf '0: 3\n1: 3\n2: 3')" ] && r=ok || r=bad; check $r "blinker populations: $(cat "$T/pop")"
[ "$(cat "$T/out.rle")" = "$(printf 'x = 5, y = 5, rule = B3/S23:P5,5\n$3o!')" ] && r=ok || r=bad; check $r "blinker output: $(cat "$T/out.rle")"

# --- the size from the rule suffix
printf 'x = 3, y = 1, rule = b3/s23:T4,4\n3o!\n' > "$T/t.rle"
"$TOOL" --generations 1 "$T/t.rle" > "$T/pop" 2>&1
[ "$(cat "$T/pop")" = "$(printf '0: 3\n1: 3')" ] && r=ok || r=bad; check $r "torus from rule: $(cat "$T/pop")"

# --- bad input: one line on stderr, exit 2, no output file
bad() {  # expected-substring args...
  want=$1; shift
  rm -f "$T/o.rle"
  "$TOOL" "$@" --out "$T/o.rle" > /dev/null 2> "$T/err"; rc=$?
  [ $rc -eq 2 ] && r=ok || r=bad; check $r "exit $rc for: $*"
  [ "$(wc -l < "$T/err")" -eq 1 ] && grep -q -- "$want" "$T/err" && r=ok || r=bad; check $r "message for $*: $(cat "$T/err")"
  [ ! -e "$T/o.rle" ] && r=ok || r=bad; check $r "output file written for: $*"
}
bad "cannot read" --generations 3 "$T/missing.rle"
printf 'x = 3, y = 1, rule = B3/S23\n3q!\n' > "$T/q.rle"
bad "q.rle:2: malformed RLE" --width 5 --height 5 --edges torus --generations 3 "$T/q.rle"
printf 'x = 3, y = 1, rule = B36/S23\n3o!\n' > "$T/hl.rle"
bad "only B3/S23" --width 5 --height 5 --edges torus --generations 3 "$T/hl.rle"
bad "does not fit" --width 2 --height 5 --edges torus --generations 3 "$T/blinker.rle"
bad "no grid size" --generations 3 "$T/blinker.rle"
bad "--width must be at least 1" --width 0 --height 5 --edges torus --generations 3 "$T/blinker.rle"
bad "--height needs a whole number" --width 5 --height -x --edges torus --generations 3 "$T/blinker.rle"
bad "--generations must be at least 1" --width 5 --height 5 --edges torus --generations -4 "$T/blinker.rle"
bad "missing --generations" --width 5 --height 5 --edges torus "$T/blinker.rle"
bad "--soup needs a percentage" --width 5 --height 5 --edges torus --generations 3 --soup 101
bad "--edges must be" --width 5 --height 5 --edges klein --generations 3 --soup 10
bad "too large" --width 2000000000 --height 2000000000 --edges torus --generations 3 --soup 10
printf 'x = 2000000000, y = 2000000000, rule = B3/S23\n2000000000o!\n' > "$T/huge.rle"
bad "too large" --width 5 --height 5 --edges torus --generations 3 "$T/huge.rle"
printf 'x = 3, y = 1, rule = B3/S23:T100000,100000\n3o!\n' > "$T/hugerule.rle"
bad "too large" --generations 3 "$T/hugerule.rle"

# --- a seeded soup repeats
"$TOOL" --width 50 --height 40 --edges torus --generations 30 --soup 35 --seed 9 > "$T/a"
"$TOOL" --width 50 --height 40 --edges torus --generations 30 --soup 35 --seed 9 > "$T/b"
cmp -s "$T/a" "$T/b" && r=ok || r=bad; check $r "seeded soups differ"

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
