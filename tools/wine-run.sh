#!/usr/bin/env bash
# Runs a Windows program under wine: CTest's emulator for the Windows build, and a way to run
# build/mingw/bin/*.exe by hand. The wine prefix is the project's own, made by
# tools/setup-windows.sh on first use.
#
# Wine binds a prefix's desktop to the display of the program that first needs it, so programs
# run with a display (the tests that open windows, under xvfb-run) get a prefix of their own:
# one started without a display at the same moment would otherwise leave them a desktop where no
# window can open.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
prefix=${VESTREL_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/vestrel/wine}
[ -z "${DISPLAY:-}" ] || prefix=$prefix-display
export WINEPREFIX=$prefix
export WINEDEBUG=${WINEDEBUG:--all}
# No dialogs offering to install Mono or Gecko.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
[ -f "$WINEPREFIX/system.reg" ] || "$here/setup-windows.sh" --prefix "$WINEPREFIX" >&2
exec wine "$@"
