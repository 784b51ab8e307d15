// OLE data blocks: the drawing handed out as blocks of bytes in VARIANTs, and a CMX image
// taken in piece by piece as the drop block.
#include "vestrel/cmx/readers.h"

#include "platform/exceptions.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

namespace {

constexpr LONG kMinBlockSize = 32000;
// The outgoing stream carries this many bytes behind the drawing's; they are zero.
constexpr DWORD kFillBytes = 100;
constexpr VARTYPE kByteBlock = VT_ARRAY | VT_UI1;

struct BufferDeleter {
    void operator()(unsigned char* p) const { ::operator delete(p); }
};
using Buffer = std::unique_ptr<unsigned char, BufferDeleter>;

// The length of the outgoing stream for a drawing of so many bytes.
DWORD StreamLength(unsigned long drawingBytes) {
    if (drawingBytes > std::numeric_limits<DWORD>::max() - kFillBytes)
        AfxThrowMemoryException();
    return static_cast<DWORD>(drawingBytes) + kFillBytes;
}

// Fills a new array of count bytes, locked for the call, with fill; destroys the array again
// when fill raises. Null when no array can be made.
template <typename Fill> SAFEARRAY* MakeByteArray(ULONG count, Fill fill) {
    SAFEARRAYBOUND bound = {count, 0};
    SAFEARRAY* array = SafeArrayCreate(VT_UI1, 1, &bound);
    if (array == nullptr)
        return nullptr;
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(array, &data))) {
        SafeArrayDestroy(array);
        return nullptr;
    }
    try {
        fill(static_cast<unsigned char*>(data));
    } catch (...) {
        SafeArrayUnaccessData(array);
        SafeArrayDestroy(array);
        throw;
    }
    SafeArrayUnaccessData(array);
    return array;
}

// The caller's VARIANT takes the array, whatever it held before.
void HandOver(VARIANT* variant, SAFEARRAY* array) {
    VariantInit(variant);
    variant->vt = kByteBlock;
    variant->parray = array;
}

// The bytes an array's data holds, whatever its dimensions and element size.
ULONGLONG ByteCount(const SAFEARRAY* array) {
    ULONGLONG bytes = array->cbElements;
    for (USHORT i = 0; i < array->cDims && bytes > 0; ++i) {
        const ULONG elements = array->rgsabound[i].cElements;
        if (elements > std::numeric_limits<ULONGLONG>::max() / bytes)
            return std::numeric_limits<ULONGLONG>::max();
        bytes *= elements;
    }
    return bytes;
}

} // namespace

int CCmxParser::SetBlockSize(long size) {
    if (size < kMinBlockSize || size > std::numeric_limits<LONG>::max())
        return 0;
    oleBlockSize = static_cast<LONG>(size);
    return 1;
}

long CCmxParser::GetBlockCount() {
    if (CreateOleBlocks() == 0) {
        // Without a drawing there are no blocks: none of an earlier count stays fetchable.
        ::operator delete(oleBuffer);
        oleBuffer = nullptr;
        oleBlockCount = 0;
        return 0;
    }
    return oleBlockCount;
}

int CCmxParser::CreateOleBlocks() {
    if (drawing == nullptr)
        return 0;
    const unsigned long drawingBytes = drawing->GetOleBlockSize();
    const DWORD length = StreamLength(drawingBytes);
    if (oleBlockSize == 0)
        oleBlockSize = kMinBlockSize;
    // The stream alone is kept; a block that reaches past it is made up with zeros when it is
    // fetched.
    Buffer buffer(static_cast<unsigned char*>(::operator new(length)));
    unsigned char* at = buffer.get();
    drawing->GetOleBlockData(&at);
    std::memset(buffer.get() + drawingBytes, 0, kFillBytes);
    ::operator delete(oleBuffer);
    oleBuffer = buffer.release();
    oleDataSize = length;
    walk_->heldBlockSize = oleBlockSize;
    oleBlockCount = static_cast<LONG>(length / static_cast<DWORD>(walk_->heldBlockSize) + 1);
    return 1;
}

int CCmxParser::GetBlock(long index, VARIANT* variant) {
    if (oleBuffer == nullptr || variant == nullptr || index < 0 || index >= oleBlockCount)
        return 0;
    const DWORD blockSize = static_cast<DWORD>(walk_->heldBlockSize);
    const ULONGLONG start = static_cast<ULONGLONG>(index) * blockSize;
    // Every block but the last is full; the last carries what remains of the stream, nothing
    // when the stream ends at a block's border.
    const DWORD carried =
        start < oleDataSize
            ? static_cast<DWORD>(std::min<ULONGLONG>(blockSize, oleDataSize - start))
            : 0;
    SAFEARRAY* array = MakeByteArray(blockSize, [&](unsigned char* data) {
        if (carried > 0)
            std::memcpy(data, oleBuffer + start, carried);
        std::memset(data + carried, 0, blockSize - carried);
    });
    if (array == nullptr)
        return 0;
    HandOver(variant, array);
    return 1;
}

short CCmxParser::CreateVariant(VARIANT* variant) {
    if (drawing == nullptr || variant == nullptr)
        return 0;
    const unsigned long drawingBytes = drawing->GetOleBlockSize();
    const DWORD length = StreamLength(drawingBytes);
    // Exactly the stream: the drawing's bytes and the fill behind them.
    SAFEARRAY* array = MakeByteArray(length, [&](unsigned char* data) {
        unsigned char* at = data;
        drawing->GetOleBlockData(&at);
        std::memset(data + drawingBytes, 0, kFillBytes);
    });
    if (array == nullptr)
        return 0;
    HandOver(variant, array);
    return 1;
}

short CCmxParser::SetDataBlockSizeAll(long total) {
    if (total < 0 || static_cast<ULONGLONG>(total) > std::numeric_limits<DWORD>::max())
        AfxThrowMemoryException();
    if (total == 0) {
        dropBlockSize = 0;
        return 1;
    }
    // The new block is in hand before anything changes, so that a failed allocation leaves
    // no announced size without the block to hold it. Zeroed, an image shorter than announced
    // reads the same every time.
    const DWORD size = static_cast<DWORD>(total);
    unsigned char* block = static_cast<unsigned char*>(::operator new(size, std::nothrow));
    if (block == nullptr)
        AfxThrowMemoryException();
    std::memset(block, 0, size);
    if (dropBufferOwned == 1)
        ::operator delete(dropBuffer);
    dropBuffer = block;
    dropBufferOwned = 1;
    dropBlockSize = size;
    dropBlockFill = 0;
    return 1;
}

short CCmxParser::AddDataBlock(VARIANT* variant, long length) {
    if (dropBuffer == nullptr || dropBlockSize == 0 || variant == nullptr || length < 0 ||
        static_cast<ULONGLONG>(dropBlockFill) + static_cast<ULONGLONG>(length) > dropBlockSize)
        return 0;
    if (variant->vt != kByteBlock)
        return 1;
    SAFEARRAY* array = variant->parray;
    if (array == nullptr || static_cast<ULONGLONG>(length) > ByteCount(array))
        return 0;
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(array, &data)))
        return 0;
    if (length > 0)
        std::memcpy(dropBuffer + dropBlockFill, data, static_cast<std::size_t>(length));
    dropBlockFill += static_cast<DWORD>(length);
    SafeArrayUnaccessData(array);
    // The block was handed over: it is released here, once.
    VariantClear(variant);
    return 1;
}

int CCmxParser::FreeOleBlocks() {
    if (dropBufferOwned == 1) {
        ::operator delete(dropBuffer);
        dropBuffer = nullptr;
        dropBufferOwned = 0;
    }
    dropBlockSize = 0;
    dropBlockFill = 0;
    ::operator delete(oleBuffer);
    oleBuffer = nullptr;
    groupDepth = 0;
    oleBlockCount = 0;
    return 1;
}
