#!/usr/bin/env bash
# Checks that the Windows DLL exports exactly the decorated stdcall names of the plain
# functions, besides the C++ names of its classes.
set -euo pipefail
dll=${1:?usage: check-exports.sh vestrel.dll}
expected=(
    _InitVestrelDLL@0
    _LoadCmx6File@4
    _LoadCmx6FileOle2@0
    _SetClipboardOwner@4
    _SetFrameSize@8
    _WEP@4
    _WriteJobFile@4
)
actual=$(i686-w64-mingw32-objdump -p "$dll" |
    sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
    sed -n 's/^\s*\[ *[0-9]*\] //p' | grep -v '^_Z' | sort)
wanted=$(printf '%s\n' "${expected[@]}" | sort)
if [ "$actual" != "$wanted" ]; then
    echo "check-exports: $dll exports the wrong plain names" >&2
    diff <(echo "$wanted") <(echo "$actual") >&2 || true
    exit 1
fi
echo "check-exports: $dll exports exactly: $(echo $actual)"
