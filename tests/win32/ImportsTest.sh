#!/usr/bin/env bash
# Each Windows program given runs from a folder of its own: it imports from Windows' own DLLs only,
# the compiler's runtime being linked in statically. Environment: OBJDUMP.
set -euo pipefail
for exe in "$@"; do
    dlls="$("$OBJDUMP" -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr '[:upper:]' '[:lower:]' | sort -u)"
    [ -n "$dlls" ] || { echo "FAILED: objdump lists no imported DLL of $exe" >&2; exit 1; }
    for dll in $dlls; do
        case "$dll" in
        kernel32.dll | msvcrt.dll | user32.dll | gdi32.dll | comctl32.dll | comdlg32.dll | advapi32.dll | \
            shell32.dll | ole32.dll | psapi.dll | ws2_32.dll | api-ms-win-*.dll) ;;
        *) echo "FAILED: $(basename "$exe") needs $dll beside it" >&2; exit 1 ;;
        esac
    done
    echo "$(basename "$exe"): $(echo $dlls)"
done
