#!/usr/bin/env bash
# Runs a Windows program under wine: CTest's emulator for the Windows build, and a way to run
# build/mingw/bin/*.exe by hand. The wine prefix is the project's own, made by
# tools/setup-windows.sh on first use.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export WINEPREFIX=${VESTREL_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/vestrel/wine}
export WINEDEBUG=${WINEDEBUG:--all}
# No dialogs offering to install Mono or Gecko.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
[ -f "$WINEPREFIX/system.reg" ] || "$here/setup-windows.sh" --prefix-only >&2
exec wine "$@"
