// Compressed bodies: behind the chunks in front (the thumbnail among them) a "pack" chunk holds
// the rest of the body as one zlib stream. Unpacked, its bytes stand where the chunk's id
// stood, so that every offset in the file counts from there as in an uncompressed file.
#include "vestrel/cmx/readers.h"

#define ZLIB_CONST
#include <zlib.h>

#include <algorithm>
#include <limits>

namespace {

// The chunk's data: the unpacked length, "CPng", two words (1 and 4), then the stream.
constexpr DWORD kPackHeader = 12;
// A deflate stream yields at most 1032 bytes for each of its own; a stated length beyond that
// cannot be the stream's.
constexpr ULONGLONG kMostUnpackedPerByte = 1032;
// No drawing a reader is asked to hold unpacks to more; a stream that claims more is a bomb.
constexpr ULONGLONG kMostUnpacked = ULONGLONG{256} << 20;
// The first room for the unpacked bytes, as a multiple of the stream's; it doubles as the
// stream fills it.
constexpr ULONGLONG kFirstRoomPerByte = 4;
constexpr ULONGLONG kFirstRoomAtLeast = 4096;

// The body being built: the bytes in front of the chunk, then what the stream yields. It grows
// only as the stream delivers, so a length that the stream does not back costs nothing.
class Unpacked {
public:
    Unpacked(const unsigned char* front, DWORD frontBytes, DWORD total, DWORD streamBytes)
        : total_(total), used_(frontBytes) {
        const ULONGLONG room =
            std::max(kFirstRoomPerByte * streamBytes, kFirstRoomAtLeast) + frontBytes;
        capacity_ = static_cast<DWORD>(std::min<ULONGLONG>(total, room));
        data_ = AllocateBodyBytes(capacity_);
        std::memcpy(data_, front, frontBytes);
    }
    ~Unpacked() { FreeBodyBytes(data_); }
    Unpacked(const Unpacked&) = delete;
    Unpacked& operator=(const Unpacked&) = delete;

    unsigned char* Free() { return data_ + used_; }
    DWORD FreeBytes() const { return capacity_ - used_; }
    void Filled(DWORD bytes) { used_ += bytes; }
    bool Full() const { return used_ == total_; }
    // Doubles the room, up to the stated total; false when the total is reached.
    bool Grow() {
        if (capacity_ == total_)
            return false;
        const DWORD capacity =
            static_cast<DWORD>(std::min<ULONGLONG>(total_, 2 * ULONGLONG{capacity_}));
        unsigned char* data = AllocateBodyBytes(capacity);
        std::memcpy(data, data_, used_);
        FreeBodyBytes(data_);
        data_ = data;
        capacity_ = capacity;
        return true;
    }
    unsigned char* Release() {
        unsigned char* data = data_;
        data_ = nullptr;
        return data;
    }

private:
    unsigned char* data_ = nullptr;
    DWORD total_;
    DWORD capacity_ = 0;
    DWORD used_;
};

// Inflates the stream into out until it ends; true when it ends exactly at the stated total.
bool Inflate(const unsigned char* stream, DWORD streamBytes, Unpacked& out) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK)
        return false;
    z.next_in = stream;
    z.avail_in = streamBytes;
    bool complete = false;
    for (;;) {
        z.next_out = out.Free();
        z.avail_out = out.FreeBytes();
        const int result = inflate(&z, Z_NO_FLUSH);
        out.Filled(out.FreeBytes() - z.avail_out);
        if (result == Z_STREAM_END) {
            complete = out.Full();
            break;
        }
        // Room runs out: more, up to the stated length; past it the stream is not the one
        // stated.
        if (out.FreeBytes() == 0) {
            if (!out.Grow())
                break;
            continue;
        }
        // Anything but progress means a stream cut short or damaged.
        if (result != Z_OK)
            break;
    }
    inflateEnd(&z);
    return complete;
}

} // namespace

bool CmxWalk::UnpackBody() {
    unsigned char* pack = FindChunk("pack");
    // Without the chunk the body is read as it stands.
    if (pack == nullptr)
        return true;
    const DWORD packAt = Offset(pack);
    stopRecord.offset = FileOffset(packAt);
    CmxCursor in = cursor.At(packAt + 8);
    const DWORD stated = in.U32();
    const unsigned char* method = in.Take(4);
    in.U16();
    in.U16();
    if (in.Exhausted() || std::memcmp(method, "CPng", 4) != 0) {
        stopRecord.reason = CmxStop::packDamaged;
        return false;
    }
    const DWORD streamBytes = in.Remaining();
    const ULONGLONG total = ULONGLONG{packAt} + stated;
    if (stated > kMostUnpacked || stated > kMostUnpackedPerByte * streamBytes ||
        total > std::numeric_limits<DWORD>::max()) {
        stopRecord.reason = CmxStop::packTooLarge;
        return false;
    }
    Unpacked body(dataBuffer, packAt, static_cast<DWORD>(total), streamBytes);
    if (!Inflate(dataBuffer + packAt + 8 + kPackHeader, streamBytes, body)) {
        stopRecord.reason = CmxStop::packDamaged;
        return false;
    }
    FreeMem();
    dataBuffer = body.Release();
    dataSize = static_cast<DWORD>(total);
    stopRecord.offset = 0;
    return true;
}
