// The "DISP" chunk: the drawing's preview, decoded into a 128 x 128 thumbnail block.
#include "vestrel/cmx/readers.h"
#include "vestrel/cmx/records.h"

#include "drawset/thumbblock.h"

#include "platform/gdi.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <vector>

using namespace cmx_records;
using namespace drawset_thumb;

namespace {

constexpr DWORD kPictureSide = 96;
constexpr DWORD kMargin = (kSide - kPictureSide) / 2;
constexpr DWORD kPicturePixels = kPictureSide * kPictureSide; // 9216
constexpr DWORD kFullPalette = 256;

// A palette of 256 colours for a true-colour picture, and the index of each of its pixels: the
// picture's own colours when they fit beside white (the margin's colour), else a cube of 6 x 7
// x 6 levels, green finest as the eye sees it best.
void Quantize(const unsigned char* pixels, DWORD bytesPerPixel, unsigned char* palette,
              unsigned char* indices) {
    std::vector<std::uint32_t> colors(kPicturePixels);
    for (DWORD i = 0; i < kPicturePixels; ++i) {
        const unsigned char* p = pixels + i * bytesPerPixel;
        colors[i] = (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) | p[0];
    }
    // The picture's distinct colours, white among them, in a small open-addressed table: the
    // count stops once it passes the palette, and each pixel then finds its entry in a probe or
    // two rather than a search through the sorted colours.
    constexpr std::size_t kSlots = 1024;         // more than four slots a colour: probes stay short
    constexpr std::uint32_t kEmpty = 0xFFFFFFFF; // no 24-bit colour
    std::uint32_t slots[kSlots];
    std::fill(std::begin(slots), std::end(slots), kEmpty);
    auto slotOf = [&slots](std::uint32_t color) {
        std::size_t i = (color * 2654435761u) >> 22;
        while (slots[i] != kEmpty && slots[i] != color)
            i = (i + 1) & (kSlots - 1);
        return i;
    };
    std::uint32_t own[kFullPalette];
    std::size_t count = 0;
    bool fits = true;
    own[count++] = 0xFFFFFF;
    slots[slotOf(0xFFFFFF)] = 0xFFFFFF;
    for (DWORD i = 0; i < kPicturePixels && fits; ++i) {
        const std::size_t slot = slotOf(colors[i]);
        if (slots[slot] != kEmpty)
            continue;
        fits = count < kFullPalette;
        if (fits) {
            slots[slot] = colors[i];
            own[count++] = colors[i];
        }
    }
    std::memset(palette, 0, 4 * kFullPalette);
    if (fits) {
        // Entries in increasing order of colour.
        std::sort(own, own + count);
        unsigned char entryOf[kSlots];
        for (std::size_t i = 0; i < count; ++i) {
            palette[4 * i] = static_cast<unsigned char>(own[i]);
            palette[4 * i + 1] = static_cast<unsigned char>(own[i] >> 8);
            palette[4 * i + 2] = static_cast<unsigned char>(own[i] >> 16);
            entryOf[slotOf(own[i])] = static_cast<unsigned char>(i);
        }
        for (DWORD i = 0; i < kPicturePixels; ++i)
            indices[i] = entryOf[slotOf(colors[i])];
        return;
    }
    auto level = [](std::uint32_t value, unsigned steps) { return (value * steps + 127) / 255; };
    for (unsigned r = 0; r < 6; ++r)
        for (unsigned g = 0; g < 7; ++g)
            for (unsigned b = 0; b < 6; ++b) {
                unsigned char* entry = palette + 4 * (r * 42 + g * 6 + b);
                entry[0] = static_cast<unsigned char>((b * 255 + 2) / 5);
                entry[1] = static_cast<unsigned char>((g * 255 + 3) / 6);
                entry[2] = static_cast<unsigned char>((r * 255 + 2) / 5);
            }
    for (DWORD i = 0; i < kPicturePixels; ++i)
        indices[i] = static_cast<unsigned char>(level(colors[i] >> 16, 5) * 42 +
                                                level((colors[i] >> 8) & 0xFF, 6) * 6 +
                                                level(colors[i] & 0xFF, 5));
}

// A picture larger than the picture area, read from its rows (stride bytes each, the first row
// stored the bottom one unless topDown) and scaled down by area averaging to fit the area with
// its aspect kept, centred on white: 96 x 96 pixels of blue, green and red, bottom row first.
// An 8-bit picture's pixels name entries of its palette; an index past it shows black.
void ScaleDown(const unsigned char* rows, DWORD width, DWORD height, ULONGLONG stride, bool topDown,
               DWORD bytesPerPixel, const unsigned char* palette, DWORD colors,
               unsigned char* out) {
    std::memset(out, 255, 3 * kPicturePixels);
    const DWORD longer = std::max(width, height);
    const DWORD fitWidth = std::max<DWORD>(
        1, static_cast<DWORD>((ULONGLONG{width} * kPictureSide + longer / 2) / longer));
    const DWORD fitHeight = std::max<DWORD>(
        1, static_cast<DWORD>((ULONGLONG{height} * kPictureSide + longer / 2) / longer));
    const DWORD left = (kPictureSide - fitWidth) / 2;
    const DWORD bottom = (kPictureSide - fitHeight) / 2;
    // Each output pixel averages the source pixels of its box: the boxes tile the picture, so
    // every source pixel is read once.
    auto from = [](DWORD i, DWORD source, DWORD fit) {
        return static_cast<DWORD>(ULONGLONG{i} * source / fit);
    };
    for (DWORD oy = 0; oy < fitHeight; ++oy) {
        const DWORD y0 = from(oy, height, fitHeight), y1 = from(oy + 1, height, fitHeight);
        for (DWORD ox = 0; ox < fitWidth; ++ox) {
            const DWORD x0 = from(ox, width, fitWidth), x1 = from(ox + 1, width, fitWidth);
            ULONGLONG sum[3] = {0, 0, 0};
            for (DWORD y = y0; y < y1; ++y) {
                // Rows count from the bottom here; a top-down picture stores the top one first.
                const unsigned char* row = rows + (topDown ? height - 1 - y : y) * stride;
                for (DWORD x = x0; x < x1; ++x) {
                    const unsigned char* p = row + ULONGLONG{x} * bytesPerPixel;
                    if (bytesPerPixel == 1)
                        p = p[0] < colors ? palette + 4 * p[0] : nullptr;
                    if (p == nullptr)
                        continue;
                    sum[0] += p[0];
                    sum[1] += p[1];
                    sum[2] += p[2];
                }
            }
            const ULONGLONG n = ULONGLONG{y1 - y0} * (x1 - x0);
            unsigned char* o = out + 3 * ((bottom + oy) * kPictureSide + left + ox);
            for (int k = 0; k < 3; ++k)
                o[k] = static_cast<unsigned char>((sum[k] + n / 2) / n);
        }
    }
}

} // namespace

void CmxWalk::ReleaseThumbnail() {
    if (drawing != nullptr && drawing->thumbnail != nullptr) {
        delete drawing->thumbnail;
        drawing->thumbnail = nullptr;
    }
}

int CmxWalk::ProcessThumbNail() {
    unsigned char* chunk = FindChunk("DISP");
    if (chunk == nullptr) {
        ReleaseThumbnail();
        return -1;
    }
    // The chunk's size is not read: header, palette and pixels follow one another from the
    // chunk's data on, and only the body's end can cut them short.
    TableScope scope(*this, Offset(chunk) + kChunkHeader);
    Skip(cursor, kDisplayFormat);
    unsigned char stored[kHeaderBytes] = {};
    GetBlock(stored, sizeof stored);
    BITMAPINFOHEADER info;
    PlatformReadBitmapInfoHeader(stored, sizeof stored, &info);
    const WORD bitCount = info.biBitCount;
    const DWORD bytesPerPixel = bitCount == 24 || bitCount == 32 ? bitCount / 8u : 1u;
    const bool trueColor = bytesPerPixel > 1;
    ULONGLONG colors = info.biClrUsed;
    // An 8-bit picture whose header counts no colours has a full palette, as a DIB has.
    if (bitCount == 8 && colors == 0)
        colors = kFullPalette;
    const unsigned char* palette =
        4 * colors <= cursor.Remaining() ? cursor.Take(static_cast<DWORD>(4 * colors)) : nullptr;
    // Writers store previews larger than the picture area (256 x 256 at 24 bits); they are
    // scaled down to it. Their rows are padded to 4 bytes, and only a picture that the chunk
    // holds whole is read, so a stated size allocates nothing.
    const std::int32_t width = info.biWidth;
    const std::int32_t height = info.biHeight;
    const bool large = width > static_cast<std::int32_t>(kPictureSide) ||
                       height > static_cast<std::int32_t>(kPictureSide) ||
                       height < -static_cast<std::int32_t>(kPictureSide);
    const DWORD largeWidth = large && width > 0 ? static_cast<DWORD>(width) : 0;
    const DWORD largeHeight = large && height != 0 && height != INT32_MIN
                                  ? static_cast<DWORD>(height < 0 ? -height : height)
                                  : 0;
    const ULONGLONG stride = (ULONGLONG{largeWidth} * bytesPerPixel * 8 + 31) / 32 * 4;
    const ULONGLONG largeBytes = stride * largeHeight;
    const unsigned char* pixels = nullptr;
    if (palette != nullptr && !large)
        pixels = cursor.Take(kPicturePixels * bytesPerPixel);
    else if (palette != nullptr && largeBytes > 0 && largeBytes <= cursor.Remaining())
        pixels = cursor.Take(static_cast<DWORD>(largeBytes));
    if (pixels == nullptr) {
        ReleaseThumbnail();
        stopRecord.thumbnail = CmxThumbnail::damaged;
        return -1;
    }
    if (drawing == nullptr)
        return -1;
    if (drawing->thumbnail == nullptr)
        drawing->thumbnail = new CGrObjBitmap;

    // True colours, and every picture scaled down, become indices into a palette of the
    // block's own.
    unsigned char scaled[3 * kPicturePixels];
    unsigned char ownPalette[4 * kFullPalette];
    unsigned char ownIndices[kPicturePixels];
    if (large) {
        ScaleDown(pixels, largeWidth, largeHeight, stride, height < 0, bytesPerPixel, palette,
                  static_cast<DWORD>(std::min<ULONGLONG>(colors, kFullPalette)), scaled);
        Quantize(scaled, 3, ownPalette, ownIndices);
    } else if (trueColor) {
        Quantize(pixels, bytesPerPixel, ownPalette, ownIndices);
    }
    if (large || trueColor) {
        palette = ownPalette;
        pixels = ownIndices;
        colors = kFullPalette;
        info.biBitCount = 8;
        info.biCompression = BI_RGB;
        info.biClrImportant = 0;
    }
    const DWORD paletteBytes = static_cast<DWORD>(4 * colors);
    const unsigned char white = WhiteIndex(palette, static_cast<DWORD>(colors));
    const DWORD blockSize = static_cast<DWORD>(BlockSize(colors));
    unsigned char* block = static_cast<unsigned char*>(::operator new(blockSize));
    std::memset(block, white, kPixelBytes);
    for (DWORD row = 0; row < kPictureSide; ++row)
        std::memcpy(block + (kMargin + row) * kSide + kMargin, pixels + row * kPictureSide,
                    kPictureSide);
    info.biWidth = kSide;
    info.biHeight = kSide;
    info.biSizeImage = kPixelBytes;
    info.biClrUsed = static_cast<DWORD>(colors);
    PlatformWriteBitmapInfoHeader(info, block + kPixelBytes);
    if (paletteBytes > 0)
        std::memcpy(block + kPaletteStart, palette, paletteBytes);

    DrawsetReleaseBlock(*drawing->thumbnail);
    drawing->thumbnail->data = block;
    drawing->thumbnail->size = blockSize;
    stopRecord.thumbnail = trueColor ? CmxThumbnail::trueColor : CmxThumbnail::palette;
    return 1;
}

int CCmxParser::ShowThumbNail(CString path, CDC* dc) {
    return walk_->ShowThumbNail(path, dc);
}

int CmxWalk::ShowThumbNail(const CString& path, CDC* dc) {
    if (ReadCmxFile(path, false, false) == 0)
        return 0;
    // Writers put the thumbnail in front of the compressed chunks; one that went in with them
    // is unpacked for. A stream that cannot be unpacked leaves the preview without thumbnail.
    if (stopRecord.compressed && FindChunk("DISP") == nullptr)
        UnpackBody();
    // The preview works on a drawing of its own; one that a load left held waits for it, and
    // comes back however the preview ends.
    struct Preview {
        CmxWalk* parser;
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
