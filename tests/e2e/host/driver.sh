# Sourced by the end-to-end scripts that drive a test host. A helper in the
# background answers the host's requests, made as files in one folder:
#   NAME.want  becomes NAME.png, a screen shot of the whole X display;
#   NAME.xdo   holds xdotool's arguments: they are run, and NAME.rc gets
#              xdotool's exit status (NAME.xdo.log its messages).
# Requests for input are answered first and polled often: the tests time it.
#
#   . tests/e2e/host/driver.sh
#   driver_start "$art"      # sets driver_pid
#   host_case "full screen" saver "$(winpath "$build/Tovra.scr")" 4
#   driver_stop

driver_pid=""

driver_loop() {
  dir=$1
  while :; do
    for req in "$dir"/*.xdo; do
      [ -e "$req" ] || continue
      name=${req%.xdo}
      # The file holds the arguments, split on blanks and not globbed.
      set -f
      # shellcheck disable=SC2046
      xdotool $(cat "$req") >"$req.log" 2>&1
      echo $? >"$name.rc.tmp"
      set +f
      if [ "$(cat "$name.rc.tmp")" != 0 ]; then
        echo "driver: xdotool $(cat "$req") failed: $(cat "$req.log")" >&2
      fi
      rm -f "$req" "$req.log"
      mv "$name.rc.tmp" "$name.rc"
    done
    for want in "$dir"/*.want; do
      [ -e "$want" ] || continue
      name=${want%.want}
      if ! import -display "$DISPLAY" -window root "$name.tmp.png" 2>"$name.import.log"; then
        echo "driver: screen shot failed: $(cat "$name.import.log")" >&2
      fi
      [ -f "$name.tmp.png" ] && mv "$name.tmp.png" "$name.png"
      rm -f "$name.import.log" "$want"
    done
    sleep 0.02
  done
}

driver_start() {
  driver_loop "$1" &
  driver_pid=$!
}

driver_stop() {
  if [ -n "$driver_pid" ]; then
    kill "$driver_pid" 2>/dev/null
    wait "$driver_pid" 2>/dev/null
    driver_pid=""
  fi
}

# The Windows form of an absolute path, through the prefix's drive Z: (the
# Unix root).
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }

# host_case NAME ARGS...: one case of the test host "$host", which sends its
# requests to "$art"; the frames it saved there (BMP) become PNG files. Sets
# failed=1 when the case fails.
host_case() {
  name=$1
  shift
  echo "--- $name"
  if wine "$host" "$@" --snap "$(winpath "$art")"; then
    echo "--- $name: passed"
  else
    echo "--- $name: FAILED"
    failed=1
  fi
  for bmp in "$art"/*.bmp; do
    [ -e "$bmp" ] || continue
    convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
  done
}
