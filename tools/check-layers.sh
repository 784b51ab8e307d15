#!/usr/bin/env bash
# Keeps the layers apart: only platform/ includes operating-system headers (and tests/windows/,
# whose tests and host programs look at the system itself), and each layer includes only the
# layers below it (cli -> vestrel -> drawset -> platform).
set -euo pipefail
cd "$(dirname "$0")/.."
status=0
os_headers='#include <(windows|winbase|winuser|oleauto|oaidl|objbase|ole2|unistd|fcntl|dlfcn|link|sys/[a-z]+)\.h>'
if git ls-files 'drawset/*' 'vestrel/*' 'cli/*' 'tests/*' 'bench/*' 'fuzz/*' |
    grep -v '^tests/windows/' | xargs grep -nE "$os_headers"; then
    echo "check-layers: operating-system headers outside platform/" >&2
    status=1
fi
check() { # folder, forbidden include prefixes
    local folder=$1
    shift
    for prefix in "$@"; do
        if git ls-files "$folder/*" | xargs grep -nE "#include \"$prefix/" ; then
            echo "check-layers: $folder/ includes $prefix/" >&2
            status=1
        fi
    done
}
check platform drawset vestrel cli
check drawset vestrel cli
check vestrel cli
[ $status -eq 0 ] && echo "check-layers: clean"
exit $status
