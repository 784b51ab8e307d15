#!/usr/bin/env bash
# Sets a Debian machine up to build vestrel for Windows and to run the Windows programs under
# wine: the i386 architecture, the mingw-w64 cross compiler, GoogleTest's sources, wine (wine32
# for the 32-bit programs, wine64 for its server), Xvfb for the tests that open windows, and the
# project's two wine prefixes (tools/wine-run.sh tells why). Where this machine cannot run 32-bit
# x86 code itself, qemu's user-mode emulator from bookworm-backports is registered for it first.
# Steps already done are skipped, so the script is cheap to run again.
#
#   tools/setup-windows.sh                 everything
#   tools/setup-windows.sh --prefix DIR    only the wine prefix DIR (tools/wine-run.sh uses this)
set -euo pipefail

sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo
prefix=${VESTREL_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/vestrel/wine}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

say() { echo "setup-windows: $*"; }

installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

updated=""
apt_install() { # [-t suite] packages...
    local suite=()
    if [ "$1" = -t ]; then
        suite=(-t "$2")
        shift 2
    fi
    if [ -z "$updated" ]; then
        $sudo apt-get update -qq
        updated=1
    fi
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
        "${suite[@]}" "$@"
}

# A 91-byte i386 Linux program that only exits with status 0.
runs_i386() {
    local probe
    probe=$(mktemp)
    printf '\x7fELF\x01\x01\x01\0\0\0\0\0\0\0\0\0\x02\0\x03\0\x01\0\0\0\x54\x80\x04\x08'`
          `'\x34\0\0\0\0\0\0\0\0\0\0\0\x34\0\x20\0\x01\0\0\0\0\0\0\0'`
          `'\x01\0\0\0\0\0\0\0\0\x80\x04\x08\0\x80\x04\x08\x5b\0\0\0\x5b\0\0\0\x05\0\0\0\0\x10\0\0'`
          `'\x31\xdb\x31\xc0\x40\xcd\x80' >"$probe"
    chmod +x "$probe"
    local status=0
    "$probe" 2>/dev/null || status=$?
    rm -f "$probe"
    return $status
}

emulate_i386() {
    say "this machine cannot run 32-bit x86 code; registering qemu's user-mode emulator"
    local sources=/etc/apt/sources.list.d/backports.sources
    if ! grep -rqs 'bookworm-backports' /etc/apt/sources.list /etc/apt/sources.list.d; then
        printf '%s\n' 'Types: deb' 'URIs: http://deb.debian.org/debian' \
            'Suites: bookworm-backports' 'Components: main' \
            'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg' |
            $sudo tee "$sources" >/dev/null
        updated=""
    fi
    # Bookworm's own qemu 7.2 takes MAP_FIXED_NOREPLACE as a hint, which makes every start of
    # wine take most of a minute; the backported one does not.
    local version
    version=$(dpkg-query -W -f='${Version}' qemu-user-static 2>/dev/null || true)
    if [[ ! "$version" =~ bpo ]]; then
        apt_install -t bookworm-backports qemu-user-static
    fi
    local binfmt=/proc/sys/fs/binfmt_misc
    [ -f $binfmt/register ] || $sudo mount -t binfmt_misc binfmt_misc $binfmt
    # The F flag opens the emulator now, so a registration made before an upgrade is renewed.
    [ -f $binfmt/qemu-i386 ] && echo -1 | $sudo tee $binfmt/qemu-i386 >/dev/null
    echo ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' |
        $sudo tee $binfmt/register >/dev/null
    runs_i386 || { say "32-bit x86 code still does not run" >&2; exit 1; }
}

make_prefix() { # DIR
    export WINEPREFIX=$1
    [ -f "$WINEPREFIX/system.reg" ] && return
    mkdir -p "$(dirname "$WINEPREFIX")"
    # Tests may start together on a fresh machine; one of them makes the prefix.
    (
        flock 9
        if [ ! -f "$WINEPREFIX/system.reg" ]; then
            say "making the wine prefix $WINEPREFIX"
            wineboot -i >/dev/null 2>&1
            wineserver -w
        fi
    ) 9>"$WINEPREFIX.lock"
}

if [ "${1:-}" = --prefix ]; then
    make_prefix "${2:?usage: setup-windows.sh --prefix DIR}"
    exit 0
fi

runs_i386 || emulate_i386

if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
    updated=""
fi
packages=(g++-mingw-w64-i686 libz-mingw-w64-dev googletest wine wine32:i386 wine64 xvfb xauth)
missing=()
for p in "${packages[@]}"; do
    installed "$p" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] || apt_install "${missing[@]}"

make_prefix "$prefix"
make_prefix "$prefix-display"
say "ready"
