// The library's exported plain functions and globals.
#pragma once

#include "vestrel/cmx/cmxparser.h"
#include "vestrel/frame/vestrel_api.h"

#include "platform/module.h"

// The parser on which every exported plain function works.
extern VESTREL_GLOBAL_API CCmxParser theCmxParser;
// The library's module instance, stored by the library entry.
extern VESTREL_GLOBAL_API HINSTANCE moduleHandle;
extern VESTREL_GLOBAL_API AFX_EXTENSION_MODULE extensionModule;

extern "C" {

// The library entry: registers the library as an extension module on process attach. The
// system calls it; a DLL exports no entry of its own, and a host's DLL has an entry of its own.
#if !defined(_WIN32) || defined(VESTREL_BUILDING)
VESTREL_PLAIN_API BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);
#endif

// Links the library into the host's resource chain and starts the drawset library. The host
// calls it once, after loading the library and before any other function.
VESTREL_PLAIN_API void WINAPI InitVestrelDLL();
// Loads a CMX file into the global parser; 1 on success, else 0. Without a path, the open dialog
// chooses the file, as DoOpenCmxDlg.
VESTREL_PLAIN_API int WINAPI LoadCmx6File(const char* path);
VESTREL_PLAIN_API int WINAPI LoadCmx6FileOle2();
// The open dialog with its preview on the global parser; always 1.
VESTREL_PLAIN_API int WINAPI DoOpenCmxDlg();
// Writes the loaded drawing as a job file and releases it; always 1.
VESTREL_PLAIN_API int WINAPI WriteJobFile(const char* path);
VESTREL_PLAIN_API int WINAPI SetFrameSize(DWORD width, DWORD height);
VESTREL_PLAIN_API int WINAPI SetClipboardOwner(CWnd* window);
VESTREL_PLAIN_API int WINAPI WEP(int reserved);
}
