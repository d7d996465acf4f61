#!/usr/bin/env bash
# Runs a Windows program under Wine in the build tree's Wine prefix and exits with its status.
# The prefix is made on the first run. Environment: WINE, WINEBOOT, WINESERVER, WINEPREFIX.
set -euo pipefail
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" # no offer to install .NET or a browser
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    "$WINEBOOT" --init </dev/null >/dev/null 2>&1
    "$WINESERVER" -w
fi
exec "$WINE" "$@" </dev/null
