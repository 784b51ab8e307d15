// What the platform's portable code asks of the operating system. Implemented once per system.
#pragma once

#include "platform/afxdefs.h"
#include "platform/oleauto.h"

#include <string>
#include <vector>

namespace platform_os {

// Loads string id from the resources of module; returns its length, 0 when it has none.
int LoadModuleString(HINSTANCE module, UINT id, char* buffer, UINT maxLength);

// The platform's own message box.
int ShowSystemMessageBox(HWND owner, const char* text, const char* caption, UINT type);

HINSTANCE ProgramInstance();

// Looks string id up in the tables that modules registered; 0 when none holds it.
int LoadRegisteredString(HINSTANCE module, UINT id, char* buffer, UINT maxLength);
HINSTANCE ModuleFromAddress(const void* address);

// A PNG of width x height pixels given as rows of blue, green and red bytes, top row first.
bool EncodePngBgr(const unsigned char* bgr, int width, int height, std::vector<unsigned char>* png);
// The pixels of a PNG in the same layout; false for bytes that are no PNG, or for a picture with
// a side longer than maxSide.
bool DecodePngBgr(const unsigned char* png, std::size_t count, int maxSide, int* width, int* height,
                  std::vector<unsigned char>* bgr);

// Narrow text in the ANSI code page (Windows-1252 where the system has none) as a BSTR; null when
// memory runs out.
BSTR AnsiToBstr(const char* text);
// A BSTR's text in the ANSI code page, '?' for characters the code page lacks.
std::string BstrToAnsi(BSTR text);

// COM on the calling thread, and the running object of a program identifier (AfxOleInit and
// PlatformGetActiveDispatch).
bool InitializeCom();
HRESULT GetActiveDispatch(const char* progId, LPDISPATCH* dispatch);

} // namespace platform_os
