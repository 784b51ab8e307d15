// The "DISP" chunk: the drawing's preview, decoded into a 128 x 128 thumbnail block.
#include "vestrel/cmx/readers.h"

#include "drawset/bytes.h"

#include "platform/gdi.h"

#include <algorithm>

namespace {

constexpr DWORD kSide = 128;
constexpr DWORD kPictureSide = 96;
constexpr DWORD kMargin = 16;
constexpr DWORD kPixelBytes = kSide * kSide;                 // 16384
constexpr DWORD kPictureBytes = kPictureSide * kPictureSide; // 9216
constexpr DWORD kInfoHeaderBytes = 40;
constexpr DWORD kBlockFixedBytes = kPixelBytes + kInfoHeaderBytes; // 16424

} // namespace

int CCmxParser::ProcessThumbNail() {
    SavedCursor saved = BeginTableRead();
    unsigned char* chunk = FindChunk("DISP");
    // A chunk whose stated size cannot hold what it must hold, or that the body cuts short,
    // is treated as no chunk at all.
    bool usable = chunk != nullptr;
    DWORD paletteBytes = 0;
    DWORD pixelStart = 0;
    unsigned char info[kInfoHeaderBytes] = {};
    if (usable) {
        const DWORD start = static_cast<DWORD>(chunk - dataBuffer);
        readPos = start + 4;
        const DWORD chunkSize = GetDWord();
        GetDWord();
        GetBlock(info, sizeof info);
        const ULONGLONG colors = drawset_bytes::GetU32(info + 32);
        const ULONGLONG required = 4 + kInfoHeaderBytes + 4 * colors + kPictureBytes;
        const ULONGLONG dataStart = static_cast<ULONGLONG>(start) + 8;
        if (exhausted || chunkSize < required || dataStart + chunkSize > dataSize) {
            usable = false;
        } else {
            paletteBytes = static_cast<DWORD>(4 * colors);
            // Writers may store a longer palette than biClrUsed counts; the pixels are the
            // chunk's last 96 x 96 bytes.
            pixelStart = static_cast<DWORD>(dataStart + chunkSize - kPictureBytes);
        }
    }
    if (!usable) {
        EndTableRead(saved);
        if (drawing != nullptr && drawing->thumbnail != nullptr) {
            delete drawing->thumbnail;
            drawing->thumbnail = nullptr;
        }
        return -1;
    }

    const unsigned char* palette = Take(paletteBytes);
    readPos = pixelStart;
    const unsigned char* pixels = Take(kPictureBytes);
    EndTableRead(saved);
    if (palette == nullptr || pixels == nullptr || drawing == nullptr)
        return -1;
    if (drawing->thumbnail == nullptr)
        drawing->thumbnail = new CGrObjBitmap;

    // The first pure white entry that an 8-bit pixel can name fills the margin.
    unsigned char white = 0;
    for (DWORD i = 0; i < std::min<DWORD>(paletteBytes / 4, 256); ++i) {
        if (palette[4 * i] == 255 && palette[4 * i + 1] == 255 && palette[4 * i + 2] == 255) {
            white = static_cast<unsigned char>(i);
            break;
        }
    }
    const DWORD blockSize = kBlockFixedBytes + paletteBytes;
    unsigned char* block = static_cast<unsigned char*>(::operator new(blockSize));
    std::memset(block, white, kPixelBytes);
    for (DWORD row = 0; row < kPictureSide; ++row)
        std::memcpy(block + (kMargin + row) * kSide + kMargin, pixels + row * kPictureSide,
                    kPictureSide);
    drawset_bytes::PutU32(info + 4, kSide);
    drawset_bytes::PutU32(info + 8, kSide);
    drawset_bytes::PutU32(info + 20, kPixelBytes);
    std::memcpy(block + kPixelBytes, info, kInfoHeaderBytes);
    if (paletteBytes > 0)
        std::memcpy(block + kBlockFixedBytes, palette, paletteBytes);

    ::operator delete(drawing->thumbnail->data);
    drawing->thumbnail->data = block;
    drawing->thumbnail->size = blockSize;
    return 1;
}

int CCmxParser::ShowThumbNail(CString path, CDC* dc) {
    CFile file;
    CFileException error;
    if (!file.Open(path, CFile::modeRead, &error))
        return 0;
    const DWORD bodyLength = ReadCmxImage(&file, false);
    file.Close();
    if (bodyLength == 0)
        return 0;
    // The preview works on a drawing of its own; one that a load left held waits for it, and
    // comes back however the preview ends.
    struct Preview {
        CCmxParser* parser;
        CGrDrawset* held;
        ~Preview() {
            parser->FreeMem();
            delete parser->drawing;
            parser->drawing = held;
        }
    } preview{this, drawing};
    drawing = new CGrDrawset;
    ProcessThumbNail();
    drawing->ShowThumbNail(dc, CPoint(1, 1));
    return 1;
}
