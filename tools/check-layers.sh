#!/bin/sh
# Every include between the source folders points down the layers:
#   runtime -> automaton -> settings -> display -> shell -> the programs
#   (src/win32, src/x11, src/wayland, tools/tovra-life)
# A platform folder (win32/, x11/, wayland/) sits just above the platform-free
# code beside it and includes no other platform's code; linux/ holds what the
# X11 and Wayland ones share, and only they and tovra-life (a Linux program
# too, which renders as they draw) include it. Prints each include
# that points up or across and fails when there is one.
cd "$(dirname "$0")/.." || exit 2
grep -rn --include='*.h' --include='*.cpp' '^#include "' src tools/tovra-life | awk -F: '
function rank(path,   a, n, r) {
    n = split(path, a, "/")
    r = a[1] == "runtime" ? 0 : a[1] == "automaton" ? 2 : a[1] == "settings" ? 4 : a[1] == "display" ? 6 : \
        a[1] == "shell" ? 8 : (a[1] == "win32" || a[1] == "x11" || a[1] == "wayland" || a[1] == "tovra-life") ? 10 : -1
    if (r >= 0 && r < 10 && n > 2 && (a[2] == "win32" || a[2] == "x11" || a[2] == "wayland" || a[2] == "linux")) r++
    return r
}
function platform(path,   a, n) {
    n = split(path, a, "/")
    if (a[1] == "win32" || a[1] == "x11" || a[1] == "wayland" || a[1] == "tovra-life") return a[1]
    return n > 2 && (a[2] == "win32" || a[2] == "x11" || a[2] == "wayland" || a[2] == "linux") ? a[2] : ""
}
# Whether a file of platform `from` may include one of platform `to`.
function allowed(from, to) {
    return to == "" || to == from || (to == "linux" && (from == "x11" || from == "wayland" || from == "tovra-life"))
}
{
    file = $1; sub(/^(src|tools)\//, "", file)
    included = $3; sub(/^#include "/, "", included); sub(/".*$/, "", included)
    if (rank(included) < 0) next
    if (rank(included) > rank(file) || !allowed(platform(file), platform(included))) {
        print "check-layers: " $1 ":" $2 " includes " included ", which is not below it"
        bad = 1
    }
}
END { exit bad }'
