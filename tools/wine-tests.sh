#!/bin/sh
# Runs the Windows builds' tests under Wine on a private display and prefix.
#   tools/wine-tests.sh [--dist DIR] build/win32 build/win64
# With --dist, the release files in DIR (archives, installer) are tested too.
set -u
DIST=""
if [ "${1:-}" = "--dist" ]; then DIST=$2; shift 2; fi
cd "$(dirname "$0")/.."
. tools/wine-env.sh
wine_env_start || exit 1

failed=0
for dir in "$@"; do
  for t in "$dir"/tovra_tests.exe "$dir"/tovra_win32_tests.exe; do
    [ -f "$t" ] || continue
    echo "=== $t"
    if wine "$t" --gtest_brief=1; then echo "=== $t: passed"; else echo "=== $t: FAILED"; failed=1; fi
  done
done
for script in tests/e2e/*.sh; do
  [ -f "$script" ] || continue
  for dir in "$@"; do
    echo "=== $script $dir"
    if sh "$script" "$dir"; then echo "=== $script $dir: passed"; else echo "=== $script $dir: FAILED"; failed=1; fi
  done
done
if [ -n "$DIST" ]; then
  for script in tests/release/*.sh; do
    [ -f "$script" ] || continue
    echo "=== $script $DIST"
    if sh "$script" "$DIST"; then echo "=== $script: passed"; else echo "=== $script: FAILED"; failed=1; fi
  done
fi
exit $failed
