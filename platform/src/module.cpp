#include "platform/module.h"

#include "src/os.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace {

// Set once the chain is gone at the platform's unload: libraries unloaded after it (their
// entries run at exit too) find nothing left to leave.
bool chainGone = false;

// The chain of libraries, in the order in which they joined. Deleting a library unlinks it, so
// the chain deletes what is left of it when the platform goes away.
struct ResourceChain {
    CDynLinkLibrary* first = nullptr;
    ~ResourceChain() {
        while (first != nullptr)
            delete first;
        chainGone = true;
    }
};

ResourceChain& Chain() {
    static ResourceChain chain;
    return chain;
}

// The tables a module registers for systems without module resources, by module: its strings
// and its dialog templates.
template <class Item> struct Table {
    const Item* items;
    std::size_t count;
};

template <class Item> std::map<HINSTANCE, Table<Item>>& Tables() {
    static std::map<HINSTANCE, Table<Item>> tables;
    return tables;
}

int CopyOut(const char* text, char* buffer, UINT maxLength) {
    if (buffer == nullptr || maxLength == 0)
        return 0;
    std::size_t n = std::min<std::size_t>(std::strlen(text), maxLength - 1);
    std::memcpy(buffer, text, n);
    buffer[n] = '\0';
    return static_cast<int>(n);
}

} // namespace

BOOL AfxInitExtensionModule(AFX_EXTENSION_MODULE& module, HINSTANCE instance) {
    if (module.bInitialized)
        return TRUE;
    module.hModule = instance;
    module.hResource = instance;
    module.pFirstSharedClass = nullptr;
    module.bInitialized = TRUE;
    return TRUE;
}

void AfxTermExtensionModule(AFX_EXTENSION_MODULE& module, BOOL) {
    if (chainGone)
        return;
    CDynLinkLibrary* library = Chain().first;
    while (library != nullptr) {
        CDynLinkLibrary* next = library->m_pNextDLL;
        if (library->m_hModule == module.hModule)
            delete library;
        library = next;
    }
}

CDynLinkLibrary::CDynLinkLibrary(AFX_EXTENSION_MODULE& module, BOOL system)
    : m_hModule(module.hModule), m_hResource(module.hResource), m_bSystem(system) {
    CDynLinkLibrary** link = &Chain().first;
    while (*link != nullptr)
        link = &(*link)->m_pNextDLL;
    *link = this;
}

CDynLinkLibrary::~CDynLinkLibrary() {
    for (CDynLinkLibrary** link = &Chain().first; *link != nullptr; link = &(*link)->m_pNextDLL) {
        if (*link == this) {
            *link = m_pNextDLL;
            break;
        }
    }
}

HINSTANCE AfxGetInstanceHandle() {
    return platform_os::ProgramInstance();
}

int AfxGetResourceChainLength() {
    int length = 0;
    for (CDynLinkLibrary* library = Chain().first; library != nullptr;
         library = library->m_pNextDLL)
        ++length;
    return length;
}

int AfxLoadString(UINT id, char* buffer, UINT maxLength) {
    if (buffer != nullptr && maxLength > 0)
        buffer[0] = '\0';
    int length = platform_os::LoadModuleString(AfxGetInstanceHandle(), id, buffer, maxLength);
    for (CDynLinkLibrary* library = Chain().first; length == 0 && library != nullptr;
         library = library->m_pNextDLL)
        length = platform_os::LoadModuleString(library->m_hResource, id, buffer, maxLength);
    return length;
}

void PlatformRegisterStrings(HINSTANCE module, const PlatformStringResource* table,
                             std::size_t count) {
    Tables<PlatformStringResource>()[module] = {table, count};
}

void PlatformUnregisterStrings(HINSTANCE module) {
    Tables<PlatformStringResource>().erase(module);
}

void PlatformRegisterDialogs(HINSTANCE module, const PlatformDialogItem* items, std::size_t count) {
    Tables<PlatformDialogItem>()[module] = {items, count};
}

void PlatformUnregisterDialogs(HINSTANCE module) {
    Tables<PlatformDialogItem>().erase(module);
}

const PlatformDialogItem* PlatformFindDialog(HINSTANCE module, LPCSTR name) {
    const auto value = reinterpret_cast<std::uintptr_t>(name);
    const auto& dialogs = Tables<PlatformDialogItem>();
    auto found = dialogs.find(module);
    // Only ids: names of text are not registered.
    if (found == dialogs.end() || value > 0xFFFF)
        return nullptr;
    const auto& table = found->second;
    for (std::size_t i = 0; i < table.count; ++i) {
        const PlatformDialogItem& item = table.items[i];
        if (item.kind != PlatformDialogItem::dialog ||
            static_cast<std::uintptr_t>(item.id) != value)
            continue;
        // A template whose controls run past the table without an end is refused.
        for (std::size_t j = i + 1; j < table.count; ++j)
            if (table.items[j].kind != PlatformDialogItem::control)
                return table.items[j].kind == PlatformDialogItem::end ? &item : nullptr;
        return nullptr;
    }
    return nullptr;
}

HINSTANCE PlatformModuleFromAddress(const void* address) {
    return platform_os::ModuleFromAddress(address);
}

namespace platform_os {

// The registered tables answer where the system has no resources of its own.
int LoadRegisteredString(HINSTANCE module, UINT id, char* buffer, UINT maxLength) {
    const auto& strings = Tables<PlatformStringResource>();
    auto found = strings.find(module);
    if (found == strings.end())
        return 0;
    const auto& table = found->second;
    for (std::size_t i = 0; i < table.count; ++i)
        if (table.items[i].id == id)
            return CopyOut(table.items[i].text, buffer, maxLength);
    return 0;
}

} // namespace platform_os
