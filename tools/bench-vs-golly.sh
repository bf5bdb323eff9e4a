#!/bin/bash
# tovra-life against Golly's bgolly (QuickLife) on the same 768 x 432 torus
# soup for 2,000 generations, one after the other in one run. Prints each
# program's CPU time (user + system, the better of a few tries, so that a
# busy machine hurts less), whether both ended on the same cells, and the
# ratio.
#   tools/bench-vs-golly.sh [path/to/tovra-life] [tries]
set -eu
HERE=$(cd "$(dirname "$0")" && pwd)
TOOL=${1:-$HERE/../build/native/tovra-life}
TRIES=${2:-3}
W=768 H=432 N=2000
command -v bgolly > /dev/null || { echo "bench-vs-golly: bgolly is not installed (Debian package golly)" >&2; exit 2; }
[ -x "$TOOL" ] || { echo "bench-vs-golly: no tovra-life at $TOOL (make native)" >&2; exit 2; }
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT

# The common start: generation 1 of a 10% soup, with the grid in its rule.
"$TOOL" --width $W --height $H --edges torus --generations 1 --soup 10 --seed 1 --out "$T/soup.rle" > /dev/null

# CPU seconds of one command, its output thrown away.
cpu() {
    local TIMEFORMAT='%3U %3S'
    { time "$@" > /dev/null 2>&1; } 2>&1 | awk '{ printf "%.3f\n", $1 + $2 }'
}
best() {  # the least of TRIES runs
    local b="" t
    for _ in $(seq "$TRIES"); do
        t=$(cpu "$@")
        if [ -z "$b" ] || awk "BEGIN { exit !($t < $b) }"; then b=$t; fi
    done
    echo "$b"
}

ours=$(best "$TOOL" --generations $N --out "$T/ours.rle" "$T/soup.rle")
golly=$(cd "$T" && best bgolly -a QuickLife -m $N -o golly.rle soup.rle)

same=no
if [ -f "$T/golly.rle" ]; then
    python3 "$HERE/rle-cells.py" "$T/ours.rle" > "$T/ours.cells"
    python3 "$HERE/rle-cells.py" "$T/golly.rle" > "$T/golly.cells"
    cmp -s "$T/ours.cells" "$T/golly.cells" && same=yes
fi
echo "$W x $H torus, 10% soup, $N generations, CPU seconds (best of $TRIES):"
echo "  tovra-life         $ours"
echo "  bgolly QuickLife   $golly"
echo "  same cells at the end: $same"
awk -v o="$ours" -v g="$golly" 'BEGIN { if (o > 0) printf "  ratio: tovra-life is %.1fx faster\n", g / o; else print "  ratio: tovra-life took under a millisecond" }'
[ "$same" = yes ]
