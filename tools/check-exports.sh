#!/usr/bin/env bash
# Checks a Windows release folder (or the build's bin folder): vestrel.dll exports exactly the
# decorated stdcall names of the plain functions, besides the C++ names of the classes, among
# them the records' inline members; and every DLL that a program or DLL of the folder imports
# is a Windows system DLL or lies in the folder, where nothing lies that nobody imports.
#
#   tools/check-exports.sh FOLDER
set -euo pipefail
folder=${1:?usage: check-exports.sh FOLDER}
objdump=i686-w64-mingw32-objdump
cxxfilt=i686-w64-mingw32-c++filt

# The plain functions, by their decorated names.
plain=(
    _DoOpenCmxDlg@0
    _InitVestrelDLL@0
    _LoadCmx6File@4
    _LoadCmx6FileOle2@0
    _SetClipboardOwner@4
    _SetFrameSize@8
    _WEP@4
    _WriteJobFile@4
)
# The records' inline members that vestrel builds itself and exports beside its own classes.
records=(
    'CGrObj::CGrObj()' 'CGrObj::CGrObj(int)' 'CGrObj::CGrObj(int, int)' 'CGrObj::~CGrObj()'
    'CGrObj::operator=(CGrObj const&)' 'CGrObj::GetType() const' 'CGrObj::GetSize() const'
    'CGrObj::GetData() const'
    'CGrObjGroup::CGrObjGroup(long)' 'CGrObjGroup::CGrObjGroup(unsigned short)'
    'CGrObjGroup::~CGrObjGroup()' 'CGrObjGroup::operator=(CGrObjGroup const&)'
    'CGrObjBitmap::CGrObjBitmap(long)' 'CGrObjBitmap::~CGrObjBitmap()'
    'CGrObjBitmap::operator=(CGrObjBitmap const&)' 'CGrObjBitmap::GetMem(unsigned long)'
    'CGrObjSimple::CGrObjSimple(long)' 'CGrObjSimple::operator=(CGrObjSimple const&)'
    'CGrObjSimple::GetBefBlock(unsigned char**)'
    'CGrObjColorMap::CGrObjColorMap()' 'CGrObjColorMap::~CGrObjColorMap()'
    'CGrObjColorMap::operator=(CGrObjColorMap const&)'
    'CGrDrawset::CGrDrawset()' 'CGrDrawset::CGrDrawset(CString)' 'CGrDrawset::CreateClipArt()'
)
# The DLLs of Windows itself that the binaries may import.
system_dlls='^(kernel32|user32|gdi32|msvcrt|ole32|oleaut32|comdlg32|advapi32|shell32|windowscodecs|api-ms-win-.*)\.dll$'
ours='^(vestrel|drawset|vplatform)\.dll$'

status=0
fail() {
    echo "check-exports: $*" >&2
    status=1
}

exports() {
    $objdump -p "$1" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
        sed -n 's/^\s*\[ *[0-9]*\] //p'
}
imports() {
    $objdump -p "$1" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z'
}

dll=$folder/vestrel.dll
[ -f "$dll" ] || { fail "no vestrel.dll in $folder"; exit 1; }
actual=$(exports "$dll" | grep -v '^_Z' | sort)
wanted=$(printf '%s\n' "${plain[@]}" | sort)
if [ "$actual" != "$wanted" ]; then
    fail "vestrel.dll exports the wrong plain names"
    diff <(echo "$wanted") <(echo "$actual") >&2 || true
fi
demangled=$(exports "$dll" | grep '^_Z' | $cxxfilt --no-strip-underscore)
for member in "${records[@]}"; do
    grep -qxF "$member" <<<"$demangled" || fail "vestrel.dll does not export $member"
done

shipped=$(find "$folder" -maxdepth 1 -iname '*.dll' -printf '%f\n' | tr 'A-Z' 'a-z' | sort)
imported=""
for binary in "$folder"/*.dll "$folder"/*.exe; do
    [ -f "$binary" ] || continue
    for name in $(imports "$binary"); do
        imported+="$name"$'\n'
        if ! grep -qE "$system_dlls" <<<"$name" && ! grep -qxF "$name" <<<"$shipped"; then
            fail "$(basename "$binary") imports $name, which is neither a system DLL nor in $folder"
        fi
    done
done
for name in $shipped; do
    grep -qE "$ours" <<<"$name" || grep -qxF "$name" <<<"$imported" ||
        fail "$folder holds $name, which nothing imports"
done

[ $status -eq 0 ] && echo "check-exports: $folder: vestrel.dll exports exactly $(echo $actual)" \
    "and the records' ${#records[@]} inline members; every import is a system DLL or shipped"
exit $status
