#!/usr/bin/env bash
# Runs a Win32 test program under Wine, in the prefix named by QVX_WINEPREFIX (one per test run).
set -eu
export WINEPREFIX="${QVX_WINEPREFIX:-${WINEPREFIX:-$HOME/.wine-qvx}}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
exec wine "$@"
