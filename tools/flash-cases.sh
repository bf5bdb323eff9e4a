#!/bin/sh
# The flash analyser on the worst cases: a 10% soup and a spacefiller at the
# fastest a screen shows (64 generations a second: Speed 0's 1 ms timer at
# the system's 15.6 ms tick), with and without Rainbow, at cell sizes 10 and
# 40, on both edges, in Classic and in Ocean, without and with Reduce
# flashing; 2 s rendered at 60 frames a second. One line a case.
#   tools/flash-cases.sh [TOVRA_LIFE]   (build/native/tovra-life)
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
life=${1:-$here/build/native/tovra-life}
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
for pattern in soup spacefiller; do for size in 10 40; do for edges in torus island; do
  for palette in Classic Ocean; do for rainbow in "" --rainbow; do for reduce in off on; do
    # A screen of about 640 x 400 pixels at size 10; at 40, one the spacefiller fits in.
    if [ $size = 10 ]; then w=64 h=40; else w=50 h=27; fi
    if [ $pattern = soup ]; then cells="--soup 10 --seed 3"; else cells=$here/patterns/spacefiller.rle; fi
    rm -rf "$work/f"
    "$life" --render "$work/f" --seconds 2 --fps 60 --speed 16 --width $w --height $h --edges $edges \
      --cell-size $size --palette $palette $rainbow --reduce-flashing $reduce $cells > /dev/null || exit 1
    "$life" --flashes "$work/f" --fps 60 > "$work/report"
    case $? in 0) verdict=passes ;; 3) verdict=fails ;; *) exit 1 ;; esac
    echo "$pattern size $size $edges $palette ${rainbow:---no-rainbow} reduce-flashing $reduce: $verdict;" \
      "$(sed -n 's/^worst second: //p; s/^largest share of an area flashing more than 3 times in a second: /share /p' "$work/report" | tr '\n' ' ')"
  done; done; done
done; done; done
