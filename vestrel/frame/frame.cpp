// The library entry, its globals and the exported plain functions.
#include "vestrel/frame/vestrel.h"

#include "drawset/grobj.h"

CCmxParser theCmxParser;
HINSTANCE moduleHandle = nullptr;
AFX_EXTENSION_MODULE extensionModule = {};

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH && !AfxInitExtensionModule(extensionModule, instance))
        return 0;
    // A library that is unloaded while its host goes on leaves the resource chain, so that no
    // string lookup reaches its resources once they are gone.
    if (reason == DLL_PROCESS_DETACH)
        AfxTermExtensionModule(extensionModule);
    moduleHandle = instance;
    return 1;
}

#if !defined(_WIN32)
namespace {

// An object that lies in the library itself: the exported globals may be copied into the
// program that links the library, so their addresses do not tell the module.
const char moduleAnchor = 0;

// Where there is no DllMain, the library's load and unload play its part. Defined after
// theCmxParser, so the parser is built before the entry runs and torn down after it.
struct LibraryEntry {
    LibraryEntry() {
        DllMain(PlatformModuleFromAddress(&moduleAnchor), DLL_PROCESS_ATTACH, nullptr);
    }
    ~LibraryEntry() { DllMain(moduleHandle, DLL_PROCESS_DETACH, nullptr); }
} libraryEntry;

} // namespace
#endif

extern "C" void WINAPI InitVestrelDLL() {
    // The chain owns the library object from here on.
    new CDynLinkLibrary(extensionModule);
    InitDrawsetDLL();
}

extern "C" int WINAPI LoadCmx6File(const char* path) {
    if (path == nullptr)
        return DoOpenCmxDlg();
    CmxFirstPage firstPage(theCmxParser);
    return theCmxParser.LoadCmx6File(CString(path)) != 0 ? 1 : 0;
}

extern "C" int WINAPI LoadCmx6FileOle2() {
    return 0;
}

extern "C" int WINAPI DoOpenCmxDlg() {
    return theCmxParser.DoOpenCmxDlg();
}

extern "C" int WINAPI WriteJobFile(const char* path) {
    theCmxParser.WriteJobFile(CString(path));
    return 1;
}

extern "C" int WINAPI SetFrameSize(DWORD width, DWORD height) {
    theCmxParser.SetFrameSize(width, height);
    return 1;
}

extern "C" int WINAPI SetClipboardOwner(CWnd* window) {
    theCmxParser.SetClipboardOwnerWnd(window);
    return 1;
}

extern "C" int WINAPI WEP(int) {
    return 1;
}
