// The clipboard of the process and its global memory blocks, where the system offers none that
// a library could use in-process.
#include "platform/clipboard.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <new>
#include <string>
#include <vector>

namespace {

struct Block {
    BYTE* data; // null for a moveable block of 0 bytes
    SIZE_T size;
    bool moveable;
    WORD locks;
};

struct Entry {
    UINT format;
    HANDLE data; // null until the owner renders it
};

// Registered names take the ids of the system's atoms, from 0xC000 on.
constexpr UINT kFirstRegistered = 0xC000;
constexpr std::size_t kMaxRegistered = 0x4000;
constexpr std::size_t kMaxNameLength = 255;
constexpr WORD kMaxLocks = 0xFF;

struct State {
    std::map<HGLOBAL, Block> blocks;
    bool open = false;
    HWND openedBy = nullptr;
    std::vector<Entry> entries;
    std::vector<std::string> names;

    ~State() {
        for (auto& [handle, block] : blocks) {
            ::operator delete(block.data);
            if (block.moveable)
                ::operator delete(handle);
        }
    }

    Block* Find(HGLOBAL handle) {
        auto at = blocks.find(handle);
        return at != blocks.end() ? &at->second : nullptr;
    }
    std::vector<Entry>::iterator FindEntry(UINT format) {
        return std::find_if(entries.begin(), entries.end(),
                            [format](const Entry& e) { return e.format == format; });
    }
};

State& TheState() {
    static State state;
    return state;
}

// Atoms compare without regard to case: the letters of Windows-1252 in upper case.
unsigned char Upper(unsigned char c) {
    if (c >= 'a' && c <= 'z')
        return static_cast<unsigned char>(c - 0x20);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return static_cast<unsigned char>(c - 0x20);
    switch (c) {
    case 0x9A: // š
    case 0x9C: // œ
    case 0x9E: // ž
        return static_cast<unsigned char>(c - 0x10);
    case 0xFF: // ÿ
        return 0x9F;
    default:
        return c;
    }
}

bool SameName(const std::string& a, const char* b) {
    std::size_t length = std::strlen(b);
    if (a.size() != length)
        return false;
    for (std::size_t i = 0; i < length; ++i)
        if (Upper(static_cast<unsigned char>(a[i])) != Upper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// Formats whose data are GDI objects rather than memory blocks.
bool HoldsGdiObject(UINT format) {
    return format == CF_BITMAP || format == CF_PALETTE || format == CF_ENHMETAFILE ||
           format == CF_DSPBITMAP || format == CF_DSPENHMETAFILE ||
           (format >= CF_GDIOBJFIRST && format <= CF_GDIOBJLAST);
}

} // namespace

extern "C" {

HGLOBAL WINAPI GlobalAlloc(UINT flags, SIZE_T bytes) {
    State& state = TheState();
    const bool moveable = (flags & GMEM_MOVEABLE) != 0;
    BYTE* data = nullptr;
    if (bytes > 0 || !moveable) {
        data = static_cast<BYTE*>(::operator new(std::max<SIZE_T>(bytes, 1), std::nothrow));
        if (data == nullptr)
            return nullptr;
        std::memset(data, 0, bytes);
    }
    // A fixed block's handle is its address; a moveable one's is a token of its own.
    HGLOBAL handle = data;
    if (moveable) {
        handle = ::operator new(1, std::nothrow);
        if (handle == nullptr) {
            ::operator delete(data);
            return nullptr;
        }
    }
    state.blocks[handle] = Block{data, bytes, moveable, 0};
    return handle;
}

LPVOID WINAPI GlobalLock(HGLOBAL handle) {
    Block* block = TheState().Find(handle);
    if (block == nullptr || block->data == nullptr)
        return nullptr;
    if (block->moveable && block->locks < kMaxLocks)
        ++block->locks;
    return block->data;
}

BOOL WINAPI GlobalUnlock(HGLOBAL handle) {
    Block* block = TheState().Find(handle);
    if (block == nullptr || !block->moveable || block->locks == 0)
        return FALSE;
    --block->locks;
    return block->locks != 0 ? TRUE : FALSE;
}

SIZE_T WINAPI GlobalSize(HGLOBAL handle) {
    Block* block = TheState().Find(handle);
    return block != nullptr ? block->size : 0;
}

UINT WINAPI GlobalFlags(HGLOBAL handle) {
    Block* block = TheState().Find(handle);
    if (block == nullptr)
        return GMEM_INVALID_HANDLE;
    return block->locks | (block->data == nullptr ? GMEM_DISCARDED : 0);
}

HGLOBAL WINAPI GlobalFree(HGLOBAL handle) {
    if (handle == nullptr)
        return nullptr;
    State& state = TheState();
    auto at = state.blocks.find(handle);
    if (at == state.blocks.end())
        return handle;
    ::operator delete(at->second.data);
    if (at->second.moveable)
        ::operator delete(handle);
    state.blocks.erase(at);
    return nullptr;
}

BOOL WINAPI OpenClipboard(HWND owner) {
    State& state = TheState();
    if (state.open && state.openedBy != owner)
        return FALSE;
    state.open = true;
    state.openedBy = owner;
    return TRUE;
}

BOOL WINAPI CloseClipboard() {
    State& state = TheState();
    if (!state.open)
        return FALSE;
    state.open = false;
    state.openedBy = nullptr;
    return TRUE;
}

BOOL WINAPI EmptyClipboard() {
    State& state = TheState();
    if (!state.open)
        return FALSE;
    for (const Entry& entry : state.entries)
        GlobalFree(entry.data);
    state.entries.clear();
    return TRUE;
}

int WINAPI CountClipboardFormats() {
    return static_cast<int>(TheState().entries.size());
}

UINT WINAPI EnumClipboardFormats(UINT format) {
    State& state = TheState();
    if (!state.open || state.entries.empty())
        return 0;
    if (format == 0)
        return state.entries.front().format;
    auto at = state.FindEntry(format);
    if (at == state.entries.end() || at + 1 == state.entries.end())
        return 0;
    return (at + 1)->format;
}

int WINAPI GetClipboardFormatNameA(UINT format, LPSTR name, int maxCount) {
    const State& state = TheState();
    if (format < kFirstRegistered || format - kFirstRegistered >= state.names.size() ||
        name == nullptr || maxCount <= 0)
        return 0;
    const std::string& registered = state.names[format - kFirstRegistered];
    if (registered.size() >= static_cast<std::size_t>(maxCount))
        return 0;
    std::memcpy(name, registered.data(), registered.size());
    name[registered.size()] = 0;
    return static_cast<int>(registered.size());
}

UINT WINAPI RegisterClipboardFormatA(LPCSTR name) {
    if (name == nullptr || *name == 0 || std::strlen(name) > kMaxNameLength)
        return 0;
    State& state = TheState();
    for (std::size_t i = 0; i < state.names.size(); ++i)
        if (SameName(state.names[i], name))
            return kFirstRegistered + static_cast<UINT>(i);
    if (state.names.size() >= kMaxRegistered)
        return 0;
    state.names.emplace_back(name);
    return kFirstRegistered + static_cast<UINT>(state.names.size() - 1);
}

BOOL WINAPI IsClipboardFormatAvailable(UINT format) {
    State& state = TheState();
    return state.FindEntry(format) != state.entries.end() ? TRUE : FALSE;
}

HANDLE WINAPI GetClipboardData(UINT format) {
    State& state = TheState();
    if (!state.open)
        return nullptr;
    auto at = state.FindEntry(format);
    return at != state.entries.end() ? at->data : nullptr;
}

HANDLE WINAPI SetClipboardData(UINT format, HANDLE data) {
    State& state = TheState();
    if (!state.open || format == 0)
        return nullptr;
    if (data != nullptr && (HoldsGdiObject(format) || state.Find(data) == nullptr))
        return nullptr;
    auto at = state.FindEntry(format);
    if (at == state.entries.end()) {
        state.entries.push_back(Entry{format, data});
    } else {
        // The clipboard owns what it held for the format, and frees it when replaced.
        if (at->data != data)
            GlobalFree(at->data);
        at->data = data;
    }
    return data;
}

} // extern "C"
