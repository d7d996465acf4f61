#!/usr/bin/env bash
# The Windows build takes standard threads: the program built from StandardThreads.cpp imports
# Windows' own DLLs only (the thread library is linked in, as into spawn-tool.exe) and counts right
# under Wine.
#   standard-threads-test.sh EXE   with WINE, WINEBOOT, WINESERVER, OBJDUMP, WINEPREFIX set
set -euo pipefail
exe="$1"

fail() {
    echo "FAILED: $*" >&2
    exit 1
}

[ -f "$exe" ] || fail "the Windows build made no $exe"
dlls="$("$OBJDUMP" -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr '[:upper:]' '[:lower:]' | sort -u)"
[ -n "$dlls" ] || fail "objdump lists no imported DLL at all"
for dll in $dlls; do
    case "$dll" in
    kernel32.dll | msvcrt.dll | user32.dll | advapi32.dll | api-ms-win-*.dll) ;;
    *) fail "$(basename "$exe") needs $dll beside it" ;;
    esac
done

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$WINEBOOT" --init </dev/null >/dev/null 2>&1
    "$WINESERVER" -w
fi
out="$("$WINE" "$exe" </dev/null | tr -d '\r')"
[ "$out" = "4 threads: 40000" ] || fail "under Wine it printed [$out]"
