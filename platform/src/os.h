// What the platform's portable code asks of the operating system. Implemented once per system.
#pragma once

#include "platform/afxdefs.h"

namespace platform_os {

// Loads string id from the resources of module; returns its length, 0 when it has none.
int LoadModuleString(HINSTANCE module, UINT id, char* buffer, UINT maxLength);

// The platform's own message box.
int ShowSystemMessageBox(HWND owner, const char* text, const char* caption, UINT type);

HINSTANCE ProgramInstance();

// Looks string id up in the tables that modules registered; 0 when none holds it.
int LoadRegisteredString(HINSTANCE module, UINT id, char* buffer, UINT maxLength);
HINSTANCE ModuleFromAddress(const void* address);

} // namespace platform_os
