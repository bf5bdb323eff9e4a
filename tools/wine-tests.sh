#!/bin/sh
# Runs the Windows builds' tests under Wine on a private display and prefix,
# one part per build ("Windows 32-bit", "Windows 64-bit": its unit tests and
# the end-to-end scripts) and, with --dist, the part "installer" (the release
# files in DIR: archives, installer). On a host that does not run 32-bit x86
# programs the 32-bit build and the installer (a 32-bit program) are not run.
#   tools/wine-tests.sh [--dist DIR] build/win32 build/win64
# Run by tools/test-all.sh it adds its parts to that run's summary; on its
# own it prints a summary of its own.
set -u
DIST=""
if [ "${1:-}" = "--dist" ]; then DIST=$2; shift 2; fi
cd "$(dirname "$0")/.."
. tools/parts.sh
. tools/wine-env.sh
parts_open
wine_env_detect
# Bounds for one program or script; a hang fails its part, not the run.
UNIT_SECONDS=${TOVRA_UNIT_SECONDS:-600}
SCRIPT_SECONDS=${TOVRA_SCRIPT_SECONDS:-900}

# 32 or 64: the machine a Windows program is built for, from its PE header.
pe_bits() {
  at=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
  case $(od -An -tx2 -j$((${at:-0} + 4)) -N2 "$1" 2>/dev/null | tr -d ' ') in
    014c) echo 32 ;;
    8664) echo 64 ;;
  esac
}

# Runs a command with a bound; a timeout is named.
bounded() {
  limit=$1; shift
  timeout --foreground -k 10 "$limit" "$@"
  rc=$?
  if [ $rc -eq 124 ] || [ $rc -eq 137 ]; then echo "FAIL: $* did not finish within $limit seconds"; fi
  return $rc
}

# The parts in order, "NAME|DIR|WHY" lines; WHY says why a part is not run.
parts=""
runnable=0
for dir in "$@"; do
  case $(pe_bits "$dir/Tovra.scr") in
    32) name="Windows 32-bit" why=${TOVRA_NO_32BIT_REASON:+"built; $TOVRA_NO_32BIT_REASON"} ;;
    64) name="Windows 64-bit" why="" ;;
    *) name="Windows ($dir)" why="" ;;
  esac
  parts="$parts$name|$dir|$why
"
  [ -n "$why" ] || runnable=1
done
if [ -n "$DIST" ]; then
  why=${TOVRA_NO_32BIT_REASON:+"built; it is a 32-bit program and $TOVRA_NO_32BIT_REASON"}
  parts="${parts}installer|$DIST|$why
"
  [ -n "$why" ] || runnable=1
fi

windows_part() {
  dir=$1
  failed=0
  for t in "$dir"/tovra_tests.exe "$dir"/tovra_win32_tests.exe; do
    [ -f "$t" ] || continue
    echo "=== $t"
    if bounded "$UNIT_SECONDS" wine "$t" --gtest_brief=1; then echo "=== $t: passed"; else echo "=== $t: FAILED"; failed=1; fi
  done
  for script in tests/e2e/*.sh; do
    [ -f "$script" ] || continue
    echo "=== $script $dir"
    if bounded "$SCRIPT_SECONDS" sh "$script" "$dir"; then echo "=== $script $dir: passed"; else echo "=== $script $dir: FAILED"; failed=1; fi
  done
  return $failed
}
installer_part() {
  failed=0
  for script in tests/release/*.sh; do
    [ -f "$script" ] || continue
    echo "=== $script $1"
    if bounded "$SCRIPT_SECONDS" sh "$script" "$1"; then echo "=== $script: passed"; else echo "=== $script: FAILED"; failed=1; fi
  done
  return $failed
}

wine_ok=no
if [ $runnable = 1 ] && wine_env_start; then wine_ok=yes; fi
while IFS='|' read -r name dir why <&3; do
  if [ -z "$name" ]; then continue
  elif [ -n "$why" ]; then part_not_run "$name" "$why"
  elif [ ! -f "$dir/Tovra.scr" ] && [ "$name" != installer ]; then part_record "$name" failed 0 0 "no Windows program at $dir/Tovra.scr"
  elif [ $wine_ok = no ]; then part_record "$name" failed 0 0 "the virtual display or Wine did not start: see the wine-env message above"
  elif [ "$name" = installer ]; then part_run "$name" installer_part "$dir"
  else part_run "$name" windows_part "$dir"; fi
done 3<<EOF
$parts
EOF
# Run by make test, the summary comes at the end of the whole run.
if [ -n "$PARTS_OWN" ]; then parts_summary; exit $?; fi
! cut -f2 "$TOVRA_PARTS" | grep -qx failed
