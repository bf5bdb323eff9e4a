# Sourced by the Wayland scripts (their tests, make run-wayland, the perf tool):
# a private sway, run as nobody (sway refuses root), in a scratch folder $WL,
# ended (by its pid, with whatever the script started through here) at the exit.
#   . tools/sway.sh
#   wl_start N [CONFIG-LINE...]         N headless outputs HEADLESS-1..N, 1280x720
#   wl_start_nested N [CONFIG-LINE...]  N outputs WL-1..N, 1280x720: windows of a
#                                       sway inside a headless one, so that one
#                                       can be unplugged (headless ones cannot)
#   wl_plug; wl_unplug WL-2             an output more (1920x1080) / one less
#   wl_as CMD...; wl_bg CMD... (then WL_BG_PID); wl_msg ARGS...; wl_shot OUTPUT FILE
#   wl_pointer_start PROGRAM; wl_msg seat seat0 cursor set 100 100; wl_pointer_stop
# Config lines are sway's, e.g. 'output HEADLESS-2 scale 2'. Commands run as
# nobody see only PATH, HOME=$WL and the Wayland variables: give them anything
# else with `wl_as env NAME=VALUE CMD...`. WL_SWAY_DEBUG=1 puts sway's debug
# log in $WL/sway.log. Should the script be killed outright (no EXIT trap),
# each process it started through here gets SIGTERM (setpriv's parent-death
# signal), sway too.
WL=""
WL_SWAY_PID=""
WL_OUTER_SOCK=""
WL_SWAYS=""
WL_PIDS=""
WL_BG_PID=""
WL_VP_PID=""
# A sanitized build's settings reach the programs run as nobody.
WL_SANITIZERS="${ASAN_OPTIONS:+ASAN_OPTIONS=$ASAN_OPTIONS} ${UBSAN_OPTIONS:+UBSAN_OPTIONS=$UBSAN_OPTIONS}"
WL_NOBODY="setpriv --reuid=nobody --regid=nogroup --clear-groups --pdeathsig TERM"

# Whether pid $1 is a child of this shell that has not exited (a zombie has).
_wl_running() {
  # shellcheck disable=SC2046
  set -- $(ps -o ppid=,stat= -p "$1" 2>/dev/null)
  [ "${1:-}" = "$$" ] && case ${2:-Z} in Z*) return 1 ;; esac
}

# SIGTERM to each of our pids still running, up to 5 s for them to end, then
# SIGKILL; each is reaped.
_wl_end() {
  _wl_live=""
  for _wl_p in "$@"; do _wl_running "$_wl_p" && { kill -TERM "$_wl_p"; _wl_live="$_wl_live $_wl_p"; }; done
  _wl_i=0
  while [ -n "$_wl_live" ] && [ $_wl_i -lt 50 ]; do
    sleep 0.1
    _wl_still=""
    for _wl_p in $_wl_live; do _wl_running "$_wl_p" && _wl_still="$_wl_still $_wl_p"; done
    _wl_live=$_wl_still
    _wl_i=$((_wl_i + 1))
  done
  for _wl_p in $_wl_live; do kill -KILL "$_wl_p"; done
  for _wl_p in "$@"; do
    [ "$(ps -o ppid= -p "$_wl_p" | tr -d ' ')" = "$$" ] && wait "$_wl_p" 2>/dev/null
  done
  return 0
}

wl_stop() {
  # shellcheck disable=SC2086
  _wl_end $WL_PIDS
  for _wl_p in $WL_SWAYS; do _wl_end "$_wl_p"; done
  [ -n "$WL" ] && rm -rf "$WL"
  WL=""; WL_SWAY_PID=""; WL_OUTER_SOCK=""; WL_SWAYS=""; WL_PIDS=""; WL_BG_PID=""; WL_VP_PID=""
  unset WAYLAND_DISPLAY XDG_RUNTIME_DIR SWAYSOCK
  return 0
}
trap 'wl_stop' EXIT
trap 'exit 1' INT TERM

# A sway config in $WL/$1.conf: a plain desktop and the lines given.
_wl_config() {
  _wl_conf="$WL/$1.conf"; shift
  {
    echo 'xwayland disable'
    # No swaybg: its surface would share the background layer with the
    # client's, and an output without a client's surface shows sway's grey.
    echo 'swaybg_command -'
    echo 'default_border none'
    echo 'default_floating_border none'
    echo 'focus_follows_mouse no'
    echo 'mouse_warping none'
    for _wl_line in "$@"; do echo "$_wl_line"; done
  } > "$_wl_conf"
  chmod 644 "$_wl_conf"
}

# Starts sway as nobody with config $WL/$1.conf, log $WL/$1.log and the
# variables given; waits for its sockets and N (= $2) outputs, and points
# WAYLAND_DISPLAY and SWAYSOCK at it. Sets WL_SWAY_PID; the last started
# is the first ended.
_wl_sway() {
  _wl_name=$1 _wl_n=$2; shift 2
  _wl_skip=${WAYLAND_DISPLAY:-}
  env -i PATH=/usr/bin:/bin HOME="$WL" XDG_RUNTIME_DIR="$WL/run" WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 "$@" \
    $WL_NOBODY sway -c "$WL/$_wl_name.conf" ${WL_SWAY_DEBUG:+-d} < /dev/null > "$WL/$_wl_name.log" 2>&1 &
  WL_SWAY_PID=$!
  WL_SWAYS="$WL_SWAY_PID $WL_SWAYS"
  _wl_ipc="$WL/run/sway-ipc.$(id -u nobody).$WL_SWAY_PID.sock"
  _wl_i=0; _wl_sock=""
  while [ $_wl_i -lt 100 ] && _wl_running "$WL_SWAY_PID"; do
    for _wl_s in "$WL"/run/wayland-*; do
      [ -S "$_wl_s" ] && [ "${_wl_s##*/}" != "$_wl_skip" ] && _wl_sock=${_wl_s##*/}
    done
    [ -n "$_wl_sock" ] && [ -S "$_wl_ipc" ] && break
    sleep 0.1; _wl_i=$((_wl_i + 1))
  done
  if [ -z "$_wl_sock" ] || ! [ -S "$_wl_ipc" ]; then
    echo "wayland: cannot start sway:" >&2; tail -5 "$WL/$_wl_name.log" >&2
    return 1
  fi
  export WAYLAND_DISPLAY="$_wl_sock" SWAYSOCK="$_wl_ipc"
  _wl_i=0; until [ "$(_wl_outputs)" -ge "$_wl_n" ]; do
    _wl_i=$((_wl_i + 1))
    [ $_wl_i -lt 100 ] || { echo "wayland: sway ($_wl_name) has not $_wl_n outputs: $(tail -1 "$WL/$_wl_name.log")" >&2; return 1; }
    sleep 0.1
  done
}

# How many outputs are on, 0 when sway does not answer.
_wl_outputs() { wl_msg -t get_outputs 2>/dev/null | grep -c '"active": true'; }

# A new scratch folder $WL with a runtime folder that nobody owns.
_wl_folder() {
  [ -z "$WL" ] || wl_stop
  WL=$(mktemp -d) && chmod 755 "$WL" || return 1
  mkdir -m 700 "$WL/run" && chown nobody:nogroup "$WL/run" || return 1
  export XDG_RUNTIME_DIR="$WL/run"
  unset WAYLAND_DISPLAY
}

wl_start() {
  _wl_n=$1; shift
  _wl_folder || return 1
  _wl_config sway "$@"
  _wl_sway sway "$_wl_n" WLR_BACKENDS=headless WLR_HEADLESS_OUTPUTS="$_wl_n"
}

# The outer sway's outputs HEADLESS-K each hold the window of output WL-K,
# which fills it.
wl_start_nested() {
  _wl_n=$1; shift
  _wl_folder || return 1
  _wl_config outer
  seq 1 16 | sed 's/.*/assign [title="^wlroots - WL-&$"] output HEADLESS-&/' >> "$WL/outer.conf"
  _wl_sway outer "$_wl_n" WLR_BACKENDS=headless WLR_HEADLESS_OUTPUTS="$_wl_n" || return 1
  WL_OUTER_SOCK=$SWAYSOCK
  _wl_config sway "$@"
  _wl_sway sway "$_wl_n" WAYLAND_DISPLAY="$WAYLAND_DISPLAY" WLR_BACKENDS=wayland WLR_WL_OUTPUTS="$_wl_n"
}

wl_as() {
  env -i PATH="/usr/bin:/bin:$PATH" HOME="$WL" XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" \
    WAYLAND_DISPLAY="$WAYLAND_DISPLAY" SWAYSOCK="$SWAYSOCK" $WL_SANITIZERS $WL_NOBODY "$@"
}

# In the background; env and setpriv each exec the next, so $! is CMD itself.
# CMD keeps the caller's stdin (sh would give it /dev/null), so that
# `wl_bg CMD < FILE` works as it reads.
wl_bg() {
  {
    env -i PATH="/usr/bin:/bin:$PATH" HOME="$WL" XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" \
      WAYLAND_DISPLAY="$WAYLAND_DISPLAY" SWAYSOCK="$SWAYSOCK" $WL_SANITIZERS $WL_NOBODY "$@" 0<&3 3<&- &
  } 3<&0
  WL_BG_PID=$!
  WL_PIDS="$WL_PIDS $WL_BG_PID"
}

wl_msg() { wl_as swaymsg "$@"; }

# The outer sway of wl_start_nested, e.g. `wl_outer_msg output HEADLESS-1
# mode 800x600` makes WL-1 800x600.
wl_outer_msg() { (SWAYSOCK=$WL_OUTER_SOCK; wl_msg "$@"); }

# grim writes to its stdout, so FILE may be where nobody cannot write.
wl_shot() { wl_as grim -o "$1" - > "$2"; }

# One more output, 1920x1080: HEADLESS-K or (nested) WL-K, K one past the
# last one made. Waits (5 s at most) until it is on.
wl_plug() {
  _wl_had=$(_wl_outputs)
  if [ -n "$WL_OUTER_SOCK" ]; then wl_outer_msg create_output > /dev/null || return 1; fi
  wl_msg create_output > /dev/null || return 1
  _wl_i=0; until [ "$(_wl_outputs)" -gt "$_wl_had" ]; do
    _wl_i=$((_wl_i + 1)); [ $_wl_i -lt 50 ] || { echo "wayland: no new output" >&2; return 1; }
    sleep 0.1
  done
}

# Output OUTPUT (WL-K) gone, as when its monitor is unplugged: its window in
# the outer sway is closed. Waits (5 s at most) until sway has let it go.
wl_unplug() {
  [ -n "$WL_OUTER_SOCK" ] || { echo "wayland: wl_unplug needs wl_start_nested (sway cannot remove headless outputs)" >&2; return 1; }
  wl_outer_msg "[title=\"^wlroots - $1\$\"] kill" > /dev/null || return 1
  _wl_i=0; while wl_msg -t get_outputs | grep -q "\"name\": \"$1\""; do
    _wl_i=$((_wl_i + 1)); [ $_wl_i -lt 50 ] || { echo "wayland: $1 is still there" >&2; return 1; }
    sleep 0.1
  done
}

# A virtual pointer on seat0 (the headless seat has no input devices, so
# without it no client gets a wl_pointer), kept until wl_pointer_stop. The
# helper also ends at the end of its stdin: here a fifo it holds open itself.
#   wl_pointer_start PATH-TO-tovra_virtual_pointer
wl_pointer_start() {
  rm -f "$WL/pointer.fifo" "$WL/pointer.out"
  mkfifo -m 600 "$WL/pointer.fifo" || return 1
  env -i PATH="/usr/bin:/bin:$PATH" HOME="$WL" XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" \
    WAYLAND_DISPLAY="$WAYLAND_DISPLAY" $WL_NOBODY "$1" 0<> "$WL/pointer.fifo" > "$WL/pointer.out" 2>&1 &
  WL_VP_PID=$!
  WL_PIDS="$WL_PIDS $WL_VP_PID"
  _wl_i=0; until grep -qx ready "$WL/pointer.out" 2>/dev/null; do
    _wl_i=$((_wl_i + 1))
    if [ $_wl_i -ge 50 ] || ! _wl_running "$WL_VP_PID"; then
      echo "wayland: no virtual pointer: $(tail -1 "$WL/pointer.out")" >&2; return 1
    fi
    sleep 0.1
  done
}

wl_pointer_stop() {
  [ -n "$WL_VP_PID" ] || return 0
  _wl_end "$WL_VP_PID"
  WL_VP_PID=""
}
