#!/usr/bin/env bash
# Runs a 64-bit Windows test program under 64-bit Wine, in the 64-bit prefix (WINEARCH=win64)
# named by QVX_WINEPREFIX (one per test run).
set -eu
export WINEPREFIX="${QVX_WINEPREFIX:-${WINEPREFIX:-$HOME/.wine-qvx64}}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export WINELOADER=/usr/lib/wine/wine64
exec /usr/lib/wine/wine64 "$@"
