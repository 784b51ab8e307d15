// Extension modules, the resource chain and string resources.
//
// A library joins the chain through a CDynLinkLibrary; string lookups then search the
// application's own tables first and every library of the chain after it, in the order in
// which they joined. On Windows the tables are the modules' real resources; elsewhere each
// module registers its tables when it is loaded.
#pragma once

#include "platform/coll.h"

struct PLATFORM_API AFX_EXTENSION_MODULE {
    BOOL bInitialized;
    HINSTANCE hModule;
    HINSTANCE hResource;
    const CRuntimeClass* pFirstSharedClass;
};

// Records the module's instance handle in module; FALSE when the module cannot be initialised.
PLATFORM_API BOOL AfxInitExtensionModule(AFX_EXTENSION_MODULE& module, HINSTANCE instance);
// Removes every chain entry that belongs to module.
PLATFORM_API void AfxTermExtensionModule(AFX_EXTENSION_MODULE& module, BOOL all = FALSE);

// A library in the resource chain. The chain owns the objects: it deletes those left in it when
// the platform is unloaded.
class PLATFORM_API CDynLinkLibrary : public CObject {
public:
    explicit CDynLinkLibrary(AFX_EXTENSION_MODULE& module, BOOL system = FALSE);
    CDynLinkLibrary(const CDynLinkLibrary&) = delete;
    CDynLinkLibrary& operator=(const CDynLinkLibrary&) = delete;
    ~CDynLinkLibrary() override;

    HINSTANCE m_hModule;
    HINSTANCE m_hResource;
    BOOL m_bSystem;
    CDynLinkLibrary* m_pNextDLL = nullptr;
};

// The instance handle of the running program, whose tables are searched first.
PLATFORM_API HINSTANCE AfxGetInstanceHandle();
// Number of libraries in the resource chain.
PLATFORM_API int AfxGetResourceChainLength();

// Loads string id through the chain into buffer (at most maxLength - 1 characters and a zero).
// Returns the length, 0 when no table holds the string.
PLATFORM_API int AfxLoadString(UINT id, char* buffer, UINT maxLength);

// One string of a module's table, in the ANSI code page (Windows-1252).
struct PlatformStringResource {
    UINT id;
    const char* text;
};

// Registers the string table of a module, by its instance handle, for systems whose modules
// carry no resources. On Windows a module's own resources are searched before these tables.
PLATFORM_API void PlatformRegisterStrings(HINSTANCE module, const PlatformStringResource* table,
                                          std::size_t count);
PLATFORM_API void PlatformUnregisterStrings(HINSTANCE module);

// One item of a dialog template, for the portable dialogs: a dialog, the controls that follow it
// and the end of its controls. Places and sizes are in dialog units.
struct PlatformDialogItem {
    enum Kind { dialog, control, end };
    Kind kind;
    int id;
    DWORD style;
    DWORD exStyle;
    short x, y, cx, cy;
    const char* text; // the dialog's caption, a control's text
};

// Registers the dialog templates of a module, by its instance handle. The system's dialogs take
// their templates from the module's resources; the portable ones from these tables, on every
// system.
PLATFORM_API void PlatformRegisterDialogs(HINSTANCE module, const PlatformDialogItem* items,
                                          std::size_t count);
PLATFORM_API void PlatformUnregisterDialogs(HINSTANCE module);
// The dialog item of template name (an id made with MAKEINTRESOURCE) in module, followed by its
// controls and the end; null when the module registered none of that id.
PLATFORM_API const PlatformDialogItem* PlatformFindDialog(HINSTANCE module, LPCSTR name);

// The instance handle of the module that holds address.
PLATFORM_API HINSTANCE PlatformModuleFromAddress(const void* address);

// Keeps one of a module's tables registered while it lives: a static of the module registers
// its table when the library is loaded and withdraws it when the library is unloaded.
template <typename Entry> class PlatformTableRegistration {
public:
    using Register = void (*)(HINSTANCE, const Entry*, std::size_t);
    using Unregister = void (*)(HINSTANCE);
    template <std::size_t count>
    PlatformTableRegistration(const Entry (&table)[count], Register add, Unregister remove)
        : module_(PlatformModuleFromAddress(table)), remove_(remove) {
        add(module_, table, count);
    }
    ~PlatformTableRegistration() { remove_(module_); }
    PlatformTableRegistration(const PlatformTableRegistration&) = delete;
    PlatformTableRegistration& operator=(const PlatformTableRegistration&) = delete;

private:
    HINSTANCE module_;
    Unregister remove_;
};
