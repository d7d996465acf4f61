#!/usr/bin/env bash
# The Windows window's own times under Wine on a 50,000-area demo world, as a user's input reaches
# it: start-up to the window, a click on a row until the form shows its record, Apply until the
# caption carries "*", and Ctrl+Z until it no longer does. Driven by window-driver.exe, which looks
# at the window every millisecond; each figure is the median of several.
#
#     bench/win32-window-figures.sh [BUILD_DIR]     (an X server on $DISPLAY, e.g. Xvfb :99)
set -euo pipefail
build="$(cd "${1:-build}" && pwd)"
editor="$build/windows/src/win32/spawn-editor.exe"
driver="$build/windows/tests/win32/window-driver.exe"
export WINEPREFIX="${WINEPREFIX:-$build/tests/client/wineprefix}" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
world="$(mktemp -d)"
state="$(mktemp -d)"
trap 'rm -rf "$world" "$state"' EXIT
"$build/src/cli/spawn-tool" demo --areas 50000 "$world" >/dev/null

coproc DRIVER { wine "$driver" "$editor" 2>/dev/null; }
ask() {
    echo "$1" >&"${DRIVER[1]}"
    local line
    IFS= read -r line <&"${DRIVER[0]}"
    line="${line%$'\r'}"
    printf '%s' "$line"
}
now() { local c; c="$(ask clock)"; echo "${c#clock }"; }
ms() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", (b - a) / 1000 }'; }
median() { tr ' ' '\n' | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

windowsWorld="$(winepath -w "$world" 2>/dev/null)"
starts=""
for run in 1 2 3; do
    t0="$(now)"
    ask "start $windowsWorld" >/dev/null
    while :; do
        seen="$(ask "wait window 60")"
        [[ $seen == message* ]] || break
        ask "answer 1" >/dev/null # the database's build
    done
    [[ $seen == main* ]] || { echo "the window did not show: $seen" >&2; exit 1; }
    ask "wait-text 1005 Total NPC-->50000" >/dev/null
    starts+=" $(ms "$t0" "$(now)")"
    [ "$run" = 3 ] || { ask "kill" >/dev/null; }
done

field() { # the text of field $2 of record $1 as the form shows it
    "$build/src/cli/spawn-tool" show "$world/mobset.data" --record "$1" |
        python3 -c "import json, sys; print(json.load(sys.stdin)['fields'][$2 - 1]['text'])"
}
clicks="" applies="" undos=""
for row in 10 2000 25000 49990 400; do
    x="$(field $((row + 1)) 3)"
    t0="$(now)"
    ask "row 1000 $row" >/dev/null
    seen="$(ask "wait-text 2823 $x")"
    [ "$seen" = "text $x" ] || { echo "row $row: the form shows $seen, not $x" >&2; exit 1; }
    clicks+=" $(ms "$t0" "$(now)")"

    caption="$(ask "text 0")"
    caption="${caption#text }"
    ask "settext 2821 $((row + 7))" >/dev/null
    t0="$(now)"
    ask "click 1004" >/dev/null
    ask "wait-text 0 ${caption}*" >/dev/null
    applies+=" $(ms "$t0" "$(now)")"

    t0="$(now)"
    ask "command 57643" >/dev/null
    ask "wait-text 0 $caption" >/dev/null
    undos+=" $(ms "$t0" "$(now)")"
done
ask "kill" >/dev/null
ask "quit" >/dev/null || true

echo "start-up to the window (50,000 areas): $(echo $starts | median) ms  (runs:$starts)"
echo "click a row until the form shows it:   $(echo $clicks | median) ms  (rows:$clicks)"
echo "Apply until the caption shows *:        $(echo $applies | median) ms  (rows:$applies)"
echo "Ctrl+Z until the * is gone:             $(echo $undos | median) ms  (rows:$undos)"
