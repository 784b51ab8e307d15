// Pieces of storage for a drawing list's copies, and the release of records and blocks wherever
// they live.
#include "drawset/storage.h"

#include "platform/process.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <unordered_set>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define DRAWSET_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define DRAWSET_ASAN 1
#endif
#if defined(DRAWSET_ASAN)
// Under the sanitizer a piece is unreadable except for the records and blocks placed in it, so
// that a read past a copy's block is caught as it would be past a block of its own.
#include <sanitizer/asan_interface.h>
#define DRAWSET_POISON(at, bytes) ASAN_POISON_MEMORY_REGION(at, bytes)
#define DRAWSET_UNPOISON(at, bytes) ASAN_UNPOISON_MEMORY_REGION(at, bytes)
#else
#define DRAWSET_POISON(at, bytes) ((void)(at), (void)(bytes))
#define DRAWSET_UNPOISON(at, bytes) ((void)(at), (void)(bytes))
#endif

namespace {

// Every piece is aligned to the largest piece's size, so that masking an address inside a piece
// finds the piece. On Linux pieces grow to large pages (2 MiB), which the system backs with one
// fault each where it has them. A 32-bit Windows host has no large pages to gain and every byte of
// address space and commit charge to lose: there every piece is one allocation granule of its own
// (64 KiB), which the system aligns with no waste and takes back whole when the piece goes.
#if defined(_WIN32)
constexpr std::size_t kAlignment = std::size_t{64} << 10;
#else
constexpr std::size_t kAlignment = std::size_t{2} << 20;
#endif
// A list's first piece is small, so that small drawings stay small; each next one doubles.
constexpr std::size_t kFirstPiece = std::size_t{64} << 10;
// The alignment of every record and block: that of their doubles.
constexpr std::size_t kGrain = 8;
static_assert(alignof(CGrObjSimple) <= kGrain && alignof(CGrObjGroup) <= kGrain);
// Larger blocks (images) come from operator new, so that a full piece wastes little at its end.
constexpr std::size_t kLargestBlock = std::size_t{16} << 10;

constexpr std::size_t RoundUp(std::size_t n) {
    return (n + kGrain - 1) & ~(kGrain - 1);
}

// A record takes a slot of its class's size, and the block a copy received with it follows
// the slot: the class, which stays the record's own for its life, finds the block.
template <class T> constexpr std::size_t kSlot = RoundUp(sizeof(T));
constexpr std::size_t kLargestSlot =
    std::max({kSlot<CGrObj>, kSlot<CGrObjSimple>, kSlot<CGrObjGroup>, kSlot<CGrObjBitmap>});
std::size_t SlotOf(GrObjClass objClass) {
    switch (objClass) {
    case GrObjClass::simple:
        return kSlot<CGrObjSimple>;
    case GrObjClass::group:
        return kSlot<CGrObjGroup>;
    case GrObjClass::bitmap:
        return kSlot<CGrObjBitmap>;
    case GrObjClass::object:
        break;
    }
    return kSlot<CGrObj>;
}

struct Piece {
    // One for each record in the piece, each block shared out of it by assignment, and the list
    // that fills it.
    std::atomic<long> holds;
    std::size_t size;   // set before the piece is registered, unchanged while it lives
    std::size_t used;   // the filling list's alone
    std::size_t copies; // records placed in it
    Piece* next;        // among the kept pieces of its size
};
constexpr std::size_t kHeader = RoundUp(sizeof(Piece));
static_assert(kFirstPiece >= kHeader + kLargestSlot + kLargestBlock);

Piece* PieceOf(const void* address) {
    return reinterpret_cast<Piece*>(reinterpret_cast<std::uintptr_t>(address) & ~(kAlignment - 1));
}

// The live pieces, asked only for a block that a record does not hold as its own: its flag alone
// cannot prove that the block was not replaced behind the record's back. Made on first use and
// constant-initialised, as its lock is, so that lists may outlive the statics; the kept pieces
// below share the lock.
std::mutex registryLock;
std::unordered_set<const Piece*>* registry = nullptr;
std::unordered_set<const Piece*>& Registry() {
    if (registry == nullptr)
        registry = new std::unordered_set<const Piece*>;
    return *registry;
}

// Pieces whose last hold has gone are kept, up to a bound, for the lists that follow: a host
// that loads drawing after drawing then writes into memory it has, instead of having the system
// bring in and clear fresh pages for every load. That pays on Linux; a Windows host gets pages
// the system has already cleared, and a 32-bit one keeps its commit charge for what it holds.
#if defined(_WIN32)
constexpr std::size_t kKeptBytes = 0;
#else
constexpr std::size_t kKeptBytes = std::size_t{32} << 20;
#endif
constexpr int SizeClass(std::size_t size) {
    int k = 0;
    while ((kFirstPiece << k) < size)
        ++k;
    return k;
}
constexpr int kSizeClasses = SizeClass(kAlignment) + 1; // kFirstPiece to kAlignment, doubling
static_assert(kFirstPiece << (kSizeClasses - 1) == kAlignment);
// Constant-initialised, so that it has no destructor to race a list that outlives the statics.
struct Kept {
    Piece* first[kSizeClasses];
    std::size_t bytes;
} kept = {};

void FreePiece(Piece* piece) {
    DRAWSET_UNPOISON(piece, piece->size);
    piece->~Piece();
    PlatformFreeAligned(piece, kAlignment);
}

// What the library holds without a list holding it goes back to the system when the library is
// unloaded: the kept pieces, and the registry once no piece is live.
struct ReturnedAtUnload {
    ~ReturnedAtUnload() {
        Piece* pieces = nullptr;
        {
            std::lock_guard<std::mutex> lock(registryLock);
            for (Piece*& first : kept.first) {
                while (first != nullptr) {
                    Piece* piece = first;
                    first = piece->next;
                    piece->next = pieces;
                    pieces = piece;
                }
            }
            kept.bytes = 0;
            if (registry != nullptr && registry->empty()) {
                delete registry;
                registry = nullptr;
            }
        }
        while (pieces != nullptr) {
            Piece* piece = pieces;
            pieces = piece->next;
            FreePiece(piece);
        }
    }
} returnedAtUnload;

Piece* NewPiece(std::size_t size) {
    Piece* piece = nullptr;
    {
        std::lock_guard<std::mutex> lock(registryLock);
        Piece*& first = kept.first[SizeClass(size)];
        if (first != nullptr) {
            piece = first;
            first = piece->next;
            kept.bytes -= size;
        }
    }
    if (piece != nullptr) {
        DRAWSET_UNPOISON(piece, kHeader);
        piece->holds.store(1, std::memory_order_relaxed);
        piece->used = kHeader;
        piece->copies = 0;
        piece->next = nullptr;
    } else {
        void* memory = PlatformAllocateAligned(size, kAlignment);
        if (memory == nullptr)
            return nullptr;
        // Before the first write, which would otherwise bring in small pages where a large one
        // fits.
        PlatformAdviseLargePages(memory, size);
        piece = new (memory) Piece{{1}, size, kHeader, 0, nullptr};
        DRAWSET_POISON(reinterpret_cast<unsigned char*>(piece) + kHeader, size - kHeader);
    }
    try {
        std::lock_guard<std::mutex> lock(registryLock);
        Registry().insert(piece);
    } catch (...) {
        FreePiece(piece);
        return nullptr;
    }
    return piece;
}

void Release(Piece* piece) {
    if (piece->holds.fetch_sub(1, std::memory_order_acq_rel) != 1)
        return;
    {
        std::lock_guard<std::mutex> lock(registryLock);
        registry->erase(piece);
        if (kept.bytes + piece->size <= kKeptBytes) {
            DRAWSET_POISON(reinterpret_cast<unsigned char*>(piece) + kHeader,
                           piece->size - kHeader);
            Piece*& first = kept.first[SizeClass(piece->size)];
            piece->next = first;
            first = piece;
            kept.bytes += piece->size;
            return;
        }
    }
    FreePiece(piece);
}

// The piece that holds block, or null when block lies in none.
Piece* LivePieceOf(const unsigned char* block) {
    Piece* piece = PieceOf(block);
    std::lock_guard<std::mutex> lock(registryLock);
    if (registry == nullptr || registry->count(piece) == 0)
        return nullptr;
    // A live piece's memory is the library's to its end, so no foreign block lies below its size;
    // its fill level is left to the list that fills it, without the lock.
    const auto offset = static_cast<std::size_t>(block - reinterpret_cast<unsigned char*>(piece));
    return offset >= kHeader && offset < piece->size ? piece : nullptr;
}

bool IsOwnBlock(const CGrObj& object, const unsigned char* block) {
    return (object.storage & GROBJ_RECORD_IN_PIECE) != 0 &&
           block == reinterpret_cast<const unsigned char*>(&object) + SlotOf(object.objClass);
}

// The size of the piece that follows a full one. A list that grows past what the full piece
// held gets a piece twice as large; one that holds fewer (a stack whose copies come and go)
// keeps the size, so that it does not hold on to a large page for a few records.
std::size_t NextPieceSize(const Piece* full, std::size_t listLength) {
    if (full == nullptr)
        return kFirstPiece;
    return listLength >= full->copies ? std::min(full->size * 2, kAlignment) : full->size;
}

// bytes from the list's piece, a new piece when it is full; null when no piece can be had.
void* Take(void** copies, std::size_t bytes, std::size_t listLength) {
    auto* piece = static_cast<Piece*>(*copies);
    if (piece == nullptr || piece->size - piece->used < bytes) {
        Piece* fresh = NewPiece(NextPieceSize(piece, listLength));
        if (fresh == nullptr)
            return nullptr;
        if (piece != nullptr)
            Release(piece);
        *copies = piece = fresh;
    }
    void* slot = reinterpret_cast<unsigned char*>(piece) + piece->used;
    piece->used += bytes;
    ++piece->copies;
    piece->holds.fetch_add(1, std::memory_order_relaxed);
    return slot;
}

template <class T> void Destroy(T* object) {
    const bool inPiece = (object->storage & GROBJ_RECORD_IN_PIECE) != 0;
    object->~T();
    if (inPiece)
        Release(PieceOf(object));
    else
        ::operator delete(static_cast<void*>(object));
}

template <class T> T* CloneAs(const CGrObj& object, void** copies, std::size_t listLength) {
    const bool blockFits = object.data != nullptr && object.size <= kLargestBlock;
    void* slot =
        Take(copies, kSlot<T> + (blockFits ? RoundUp(std::max<std::size_t>(object.size, 1)) : 0),
             listLength);
    if (slot != nullptr)
        DRAWSET_UNPOISON(slot, kSlot<T> + (blockFits ? object.size : 0));
    T* copy = slot != nullptr ? ::new (slot) T : new T;
    if (slot != nullptr)
        copy->storage = GROBJ_RECORD_IN_PIECE;
    // With the same block on both sides, assignment copies the fields and leaves the block.
    copy->data = object.data;
    try {
        copy->T::operator=(static_cast<const T&>(object));
    } catch (...) {
        copy->data = nullptr;
        delete copy;
        throw;
    }
    copy->data = nullptr;
    if (object.data != nullptr) {
        if (slot != nullptr && blockFits) {
            copy->data = static_cast<unsigned char*>(slot) + kSlot<T>;
            copy->storage |= GROBJ_BLOCK_IN_PIECE;
        } else {
            try {
                copy->data = static_cast<unsigned char*>(::operator new(object.size));
            } catch (...) {
                delete copy;
                throw;
            }
        }
        if (object.size > 0)
            std::memcpy(copy->data, object.data, object.size);
    }
    // The copy's block holds exactly its size, whatever the original's had room for.
    copy->capacity = copy->data != nullptr ? copy->size : 0;
    return copy;
}

} // namespace

void DrawsetReleaseBlock(CGrObj& object) {
    unsigned char* block = object.data;
    const bool flagged = (object.storage & GROBJ_BLOCK_IN_PIECE) != 0;
    object.data = nullptr;
    object.storage &= static_cast<unsigned char>(~GROBJ_BLOCK_IN_PIECE);
    if (block == nullptr || IsOwnBlock(object, block))
        return; // a copy's own block goes with its record
    if (flagged) {
        if (Piece* piece = LivePieceOf(block)) {
            Release(piece);
            return;
        }
    }
    ::operator delete(block);
}

void DrawsetShareBlock(CGrObj& to, const CGrObj& from) {
    if (to.data == from.data)
        return;
    DrawsetReleaseBlock(to);
    to.data = from.data;
    if (from.data == nullptr)
        return;
    Piece* piece = nullptr;
    if (IsOwnBlock(from, from.data))
        piece = PieceOf(&from);
    else if ((from.storage & GROBJ_BLOCK_IN_PIECE) != 0)
        piece = LivePieceOf(from.data);
    if (piece != nullptr) {
        piece->holds.fetch_add(1, std::memory_order_relaxed);
        to.storage |= GROBJ_BLOCK_IN_PIECE;
    }
}

void* CGrObj::operator new(std::size_t size) {
    return ::operator new(size);
}
void* CGrObj::operator new(std::size_t size, const std::nothrow_t& tag) noexcept {
    return ::operator new(size, tag);
}
void CGrObj::operator delete(void* storage) {
    ::operator delete(storage);
}

void CGrObj::operator delete(CGrObj* object, std::destroying_delete_t) {
    if (object == nullptr)
        return;
    switch (object->objClass) {
    case GrObjClass::simple:
        return Destroy(static_cast<CGrObjSimple*>(object));
    case GrObjClass::group:
        return Destroy(static_cast<CGrObjGroup*>(object));
    case GrObjClass::bitmap:
        return Destroy(static_cast<CGrObjBitmap*>(object));
    case GrObjClass::object:
        break;
    }
    Destroy(object);
}

namespace drawset_storage {

CGrObj* CloneIntoPieces(const CGrObj& object, void** copies, std::size_t listLength) {
    switch (object.objClass) {
    case GrObjClass::simple:
        return CloneAs<CGrObjSimple>(object, copies, listLength);
    case GrObjClass::group:
        return CloneAs<CGrObjGroup>(object, copies, listLength);
    case GrObjClass::bitmap:
        return CloneAs<CGrObjBitmap>(object, copies, listLength);
    case GrObjClass::object:
        break;
    }
    return CloneAs<CGrObj>(object, copies, listLength);
}

void ReleaseCopies(void** copies) {
    if (*copies != nullptr)
        Release(static_cast<Piece*>(*copies));
    *copies = nullptr;
}

} // namespace drawset_storage
