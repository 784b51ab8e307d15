// The roads in besides files: a CMX image in memory, the clipboard and the drop block. Each
// reads its bytes through a memory stream attached to them, which neither copies nor frees
// them, and then loads as a file is loaded.
#include "vestrel/cmx/readers.h"

#include "platform/clipboard.h"

#include <cstring>
#include <limits>

namespace {

const char kCmxFormatName[] = "Corel 32-bit Presentation Exchange Data";
// Room for the longest name a format can have, and its terminating zero.
constexpr int kFormatNameBuffer = 256;

// The format on the clipboard whose registered name is the exchange format's, byte for byte;
// 0 when there is none. The clipboard is open.
UINT FindCmxFormat() {
    const int count = CountClipboardFormats();
    UINT format = 0;
    for (int step = 0; step < count; ++step) {
        // An enumeration that ends before the count is used up starts again at the beginning.
        format = EnumClipboardFormats(format);
        if (format == 0)
            continue;
        char name[kFormatNameBuffer] = {};
        // Predefined formats have no name, so they never match.
        if (GetClipboardFormatNameA(format, name, kFormatNameBuffer) > 0 &&
            std::strcmp(name, kCmxFormatName) == 0)
            return format;
    }
    return 0;
}

// Keeps the clipboard open, and the data block locked, until the bytes are copied; every way
// out, an exception's too, unlocks and closes.
class ClipboardHold {
public:
    ClipboardHold() : open_(OpenClipboard(nullptr) != FALSE) {}
    ~ClipboardHold() { Release(); }
    ClipboardHold(const ClipboardHold&) = delete;
    ClipboardHold& operator=(const ClipboardHold&) = delete;

    bool IsOpen() const { return open_; }
    BYTE* Lock(HANDLE data) {
        BYTE* bytes = static_cast<BYTE*>(GlobalLock(data));
        if (bytes != nullptr)
            locked_ = data;
        return bytes;
    }
    void Release() {
        if (locked_ != nullptr)
            GlobalUnlock(locked_);
        locked_ = nullptr;
        if (open_)
            CloseClipboard();
        open_ = false;
    }

private:
    bool open_;
    HANDLE locked_ = nullptr;
};

} // namespace

int CCmxParser::LoadCmxFromMemory(const BYTE* image, DWORD size) {
    CMemFile stream(const_cast<BYTE*>(image), size);
    const DWORD bodyLength = walk_->ReadCmxImage(&stream, true);
    stream.Close();
    return walk_->FinishLoad(CmxWalk::LoadOrder::thumbnailFirst, bodyLength);
}

int CCmxParser::InspectCmxImage(const BYTE* image, DWORD size, CCmxFileInfo* info) {
    CMemFile stream(const_cast<BYTE*>(image), size);
    return walk_->InspectStream(&stream, info);
}

int CCmxParser::LoadCmxFromClipBoard() {
    // The owner window that a host may have recorded plays no part: no window opens it.
    ClipboardHold clipboard;
    if (!clipboard.IsOpen())
        return 0;
    const UINT format = FindCmxFormat();
    if (format == 0)
        return 0;
    HANDLE data = GetClipboardData(format);
    if (data == nullptr)
        return 0;
    // A block without memory (a moveable block of 0 bytes) holds no image.
    BYTE* bytes = clipboard.Lock(data);
    if (bytes == nullptr)
        return 0;
    // The block's whole allocated size is the image, slack bytes at its end included.
    const SIZE_T size = GlobalSize(data);
    if (size > std::numeric_limits<UINT>::max())
        AfxThrowMemoryException();
    CMemFile stream(bytes, static_cast<UINT>(size));
    // Like a bad header, a damaged compressed image loads nothing and shows nothing: this road
    // reports through its result only.
    const DWORD bodyLength = walk_->ReadCmxImage(&stream, true, nullptr, false);
    stream.Close();
    clipboard.Release();
    return walk_->FinishLoad(CmxWalk::LoadOrder::withoutThumbnail, bodyLength);
}

int CCmxParser::LoadCmxFromDropBlock() {
    // Read at the announced size, however much was appended; without a drop block the stream
    // is empty.
    CMemFile stream(dropBuffer, dropBuffer != nullptr ? dropBlockSize : 0);
    const DWORD bodyLength = walk_->ReadCmxImage(&stream, true, nullptr, false);
    stream.Close();
    return walk_->FinishLoad(CmxWalk::LoadOrder::withoutThumbnail, bodyLength);
}
