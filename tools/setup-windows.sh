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

# apt's options for the package sources in use: none while every suite's index arrives; where one
# keeps failing, a copy of the machine's sources without that suite.
sources=()
updated=""

# The machine's Debian source entries, deb822 and one-line alike, as "URI SUITE" pairs.
debian_sources() {
    local f
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        awk 'BEGIN { RS = ""; FS = "\n" }
             { uris = ""; suites = ""
               for (i = 1; i <= NF; i++) {
                   if ($i ~ /^URIs:/) { uris = $i; sub(/^URIs:[ \t]*/, "", uris) }
                   if ($i ~ /^Suites:/) { suites = $i; sub(/^Suites:[ \t]*/, "", suites) }
               }
               n = split(uris, u, /[ \t]+/); m = split(suites, s, /[ \t]+/)
               for (a = 1; a <= n; a++) for (b = 1; b <= m; b++) print u[a], s[b] }' "$f"
    done
    cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
        awk '$1 == "deb" { i = 2; if ($2 ~ /^\[/) { while ($i !~ /\]$/) i++; i++ } print $i, $(i + 1) }'
}

# Drops SUITES from a copy of the machine's sources and points apt at the copy.
without_suites() { # suites...
    local dir
    dir=$(mktemp -d)
    mkdir -p "$dir/parts"
    local f
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        awk -v drop=" $* " '
            /^Suites:/ { line = "Suites:"; n = split(substr($0, 8), s, /[ \t]+/)
                         for (i = 1; i <= n; i++) if (s[i] != "" && index(drop, " " s[i] " ") == 0) line = line " " s[i]
                         print line; next }
            { print }' "$f" |
            awk 'BEGIN { RS = ""; ORS = "\n\n" } $0 !~ /\nSuites:[ \t]*(\n|$)/' >"$dir/parts/$(basename "$f")"
    done
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -f "$f" ] || continue
        awk -v drop=" $* " '
            $1 == "deb" || $1 == "deb-src" { i = 2; if ($2 ~ /^\[/) { while ($i !~ /\]$/) i++; i++ }
                if (index(drop, " " $(i + 1) " ") > 0) next }
            { print }' "$f" >"$dir/parts/$(basename "$f" .list).list"
    done
    sources=(-o "Dir::Etc::SourceList=/dev/null" -o "Dir::Etc::SourceParts=$dir/parts")
}

# apt-get update, tried three times. Where a suite's index still fails (a mirror caught in the
# middle of a sync gives "File has unexpected size"), its packages of one architecture would no
# longer match those of the other, and wine32:i386 could not be installed beside wine64; the
# packages then come from the suites whose indexes did arrive.
apt_update() {
    local log attempt
    log=$(mktemp)
    for attempt in 1 2 3; do
        if $sudo apt-get "${sources[@]}" update -qq >"$log" 2>&1 && ! grep -q '^[EW]: Failed to fetch' "$log"; then
            cat "$log"
            rm -f "$log"
            return 0
        fi
        cat "$log" >&2
        [ $attempt -eq 3 ] || { say "apt-get update failed; trying again"; sleep $((attempt * 10)); }
    done
    local failed
    failed=$(grep -E '^[EW]: Failed to fetch' "$log" | grep -oE '/dists/[^/ ]+/' |
        sed 's|/dists/||; s|/$||' | sort -u | tr '\n' ' ')
    rm -f "$log"
    if [ -z "$failed" ]; then
        say "apt-get update failed three times, with no suite to blame; going on with the indexes the machine has"
        return 0
    fi
    say "the package index of ${failed% } failed three times; installing from the other suites only"
    without_suites $failed
    $sudo apt-get "${sources[@]}" update -qq || say "apt-get update still failed; going on with the indexes that arrived"
}

apt_install() { # [-t suite] packages...
    local suite=()
    if [ "$1" = -t ]; then
        suite=(-t "$2")
        shift 2
    fi
    if [ -z "$updated" ]; then
        apt_update
        updated=1
    fi
    DEBIAN_FRONTEND=noninteractive $sudo apt-get "${sources[@]}" install -y -qq \
        --no-install-recommends "${suite[@]}" "$@"
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
    local list=/etc/apt/sources.list.d/backports.sources
    if ! grep -rqs 'bookworm-backports' /etc/apt/sources.list /etc/apt/sources.list.d; then
        # The backports come from the mirror the machine already takes bookworm from.
        local uri
        uri=$(debian_sources | awk '$2 == "bookworm" { print $1; exit }')
        [ -n "$uri" ] || { say "the machine has no source for bookworm to take backports from" >&2; exit 1; }
        printf '%s\n' 'Types: deb' "URIs: $uri" \
            'Suites: bookworm-backports' 'Components: main' \
            'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg' |
            $sudo tee "$list" >/dev/null
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
