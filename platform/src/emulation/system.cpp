// What Windows gives the platform and other systems lack: string resources come from the tables
// that modules registered, the ANSI code page is Windows-1252, and no COM holds running objects.
#include "src/ansi.h"
#include "src/os.h"

#include <string>

namespace platform_os {

int LoadModuleString(HINSTANCE module, UINT id, char* buffer, UINT maxLength) {
    return LoadRegisteredString(module, id, buffer, maxLength);
}

BSTR AnsiToBstr(const char* text) {
    std::u16string wide;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p)
        wide += platform_ansi::CodePoint(*p);
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

std::string BstrToAnsi(BSTR text) {
    std::string narrow;
    const UINT length = SysStringLen(text);
    for (UINT i = 0; i < length; ++i)
        narrow += platform_ansi::Byte(text[i]);
    return narrow;
}

bool InitializeCom() {
    return false;
}

HRESULT GetActiveDispatch(const char*, LPDISPATCH*) {
    return E_NOTIMPL;
}

} // namespace platform_os
