# Sourced by the test runners (tools/test-all.sh for make test,
# tools/wine-tests.sh): a test run is made of parts, each run and timed here,
# its checks counted from what it prints, its result kept in the file
# $TOVRA_PARTS, one line per part, from which parts_summary prints the table
# that ends the run.
#
#   . tools/parts.sh; parts_open
#   part_run "native" make test-native       # passed or failed
#   part_not_run "installer" "why"
#   parts_summary                            # the table; fails if a part failed

PARTS_OWN=""

# Keeps the results in the caller's $TOVRA_PARTS, or in a file of its own.
parts_open() {
  if [ -z "${TOVRA_PARTS:-}" ]; then
    TOVRA_PARTS=$(mktemp "${TMPDIR:-/tmp}/tovra-parts.XXXXXX")
    export TOVRA_PARTS
    PARTS_OWN=1
  fi
}

# part_record NAME STATUS CHECKS SECONDS [WHY]
part_record() {
  printf '%s\t%s\t%s\t%s\t%s\n' "$1" "$2" "$3" "$4" "${5:-}" >>"$TOVRA_PARTS"
}

part_not_run() {
  echo "=== $1: not run: $2"
  part_record "$1" "not run" 0 0 "$2"
}

# The checks a part's output shows: the tests of each GoogleTest program
# (from its XML report in $PART_XML where the program wrote one, otherwise
# from its closing line), the other tests that CTest ran, and the check lines
# of the scripts (PASS, FAIL, ok:, FAIL:).
part_count_checks() {
  part_xml_tests=0 part_xml_files=0
  for part_f in "${PART_XML:-/nonexistent}"/*.xml; do
    [ -f "$part_f" ] || continue
    part_xml_files=$((part_xml_files + 1))
    part_n=$(sed -n 's/.*<testsuites tests="\([0-9]*\)".*/\1/p' "$part_f" | head -1)
    part_xml_tests=$((part_xml_tests + ${part_n:-0}))
  done
  awk -v xml="$part_xml_tests" -v files="$part_xml_files" '
    /^\[==========\] [0-9]+ tests? from .* ran\./ { gtest += $2 }
    /tests? failed out of [0-9]+$/ { ctest += $NF }
    /^(PASS|FAIL|ok:|FAIL:) / { script++ }
    END {
      n = script + (files > 0 ? xml + (ctest > files ? ctest - files : 0) : gtest + ctest)
      print n
    }' "$1"
}

# part_run NAME COMMAND...: runs COMMAND, its output shown as it comes and
# kept; the part passes when it exits with 0 and ran at least one check.
part_run() {
  part_name=$1; shift
  part_log=$(mktemp "${TMPDIR:-/tmp}/tovra-part.XXXXXX")
  part_started=$(date +%s)
  echo "=== $part_name"
  { "$@"; echo $? >"$part_log.rc"; } 2>&1 | tee "$part_log"
  part_rc=$(cat "$part_log.rc" 2>/dev/null || echo "unknown")
  part_checks=$(part_count_checks "$part_log")
  part_seconds=$(($(date +%s) - part_started))
  rm -f "$part_log" "$part_log.rc"
  if [ "$part_rc" != 0 ]; then
    part_record "$part_name" failed "$part_checks" "$part_seconds" "exit status $part_rc"
  elif [ "$part_checks" -eq 0 ]; then
    part_record "$part_name" failed 0 "$part_seconds" "it ran no check"
  else
    part_record "$part_name" passed "$part_checks" "$part_seconds"
  fi
  echo "=== $part_name: $(tail -1 "$TOVRA_PARTS" | cut -f2)"
}

# The table: one line per part, then "N passed, N failed" (", N skipped" for
# the parts not run) alone on the last line. Fails when a part failed, and
# with TOVRA_REQUIRE_ALL=1 also when one was not run.
parts_summary() {
  echo
  echo "=== Summary"
  awk -F '\t' -v require="${TOVRA_REQUIRE_ALL:-0}" '
    function duration(s) { return s >= 60 ? sprintf("%d min %02d s", s / 60, s % 60) : sprintf("%d s", s) }
    {
      why = $5 == "" ? "" : " (" $5 ")"
      printf "%-15s %-8s %6d checks %10s%s\n", $1, $2, $3, duration($4), why
      if ($2 == "passed") passed++
      else if ($2 == "failed") failed++
      else { skipped++; missing = missing (missing == "" ? "" : ", ") $1 }
    }
    END {
      if (require != "0" && skipped > 0)
        printf "TOVRA_REQUIRE_ALL=%s: every part must run; not run: %s\n", require, missing
      printf "%d passed, %d failed", passed, failed
      if (skipped > 0) printf ", %d skipped", skipped
      printf "\n"
      exit (failed > 0 || (require != "0" && skipped > 0)) ? 1 : 0
    }' "$TOVRA_PARTS"
  part_status=$?
  [ -z "$PARTS_OWN" ] || rm -f "$TOVRA_PARTS"
  return $part_status
}
