#!/bin/sh
# The product's main job. Until the saver itself runs, that is the headless
# engine on a random soup of a 1080p-sized grid (192 x 108 cells).
set -e
NATIVE=${1:-build/native}
exec "$NATIVE/tovra-life" --width 192 --height 108 --edges torus --generations 200 --soup 10
