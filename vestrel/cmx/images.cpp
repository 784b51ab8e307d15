// Image instructions: the image index, the raster record and its bitmap; text instructions.
#include "vestrel/cmx/readers.h"
#include "vestrel/cmx/records.h"

#include "platform/gdi.h"
#include "vestrel/objects/objects.h"
#include "vestrel/resources/resource.h"

#include <algorithm>
#include <memory>

using namespace cmx_records;
using namespace vestrel_objects;

namespace {

// The image kind that becomes a bitmap.
constexpr WORD kRasterImage = 16;
// Raster types whose palette the type implies; every other type stores its own.
constexpr DWORD kRasterBlackWhite = 6;
constexpr DWORD kRasterGrey = 5;
constexpr DWORD kRasterNoPalette = 1;

// The resolutions are stored per kilometre, the bitmap's per metre.
constexpr double kMetresPerKilometre = 0.001;

// All images of one load together may take this many times the body's size, plus the parser's
// allowance: far more than a drawing that places its images a few times each needs, and far
// less than a tiny file could claim.
constexpr ULONGLONG kImageBudgetFactor = 64;

} // namespace

int CmxWalk::DoDrawImage() {
    tagDoubleRect rect = {0.0, 0.0, 0.0, 0.0};
    tagDoubleRect secondRect;
    CMatrix matrix;
    WORD reference = 0;
    bool read = false;
    TaggedRecord operands(*this, {1, 2}, instrEnd, kAttributes);
    while (operands.Next()) {
        if (operands.Id() == 1) {
            ReadAttributeGroup();
        } else if (operands.Id() == 2) {
            GetRectangle(&rect);
            GetRectangle(&secondRect);
            GetMatrix(&matrix);
            TransformMatrix(&matrix);
            Skip(cursor, kImageType);
            reference = GetWord();
            Skip(cursor, kSecondImageReference);
            read = !cursor.Exhausted();
        }
    }
    if (!read || cursor.Exhausted())
        return 1;

    if (!imageIndexRead) {
        // The index is read once per body; every image instruction then finds its entry at
        // once, however long the index.
        imageIndexRead = true;
        unsigned char* index = FindChunk("ixef");
        imageIndexFound = index != nullptr;
        imageOffsets.clear();
        if (index != nullptr) {
            TableScope scope(*this, Offset(index) + kChunkHeader);
            imageIndexCount = GetCount();
            for (WORD i = 0; i < imageIndexCount; ++i) {
                const WORD entrySize = GetWord();
                const DWORD offset = GetDWord();
                Skip(cursor, kIndexEntryType);
                // An entry smaller than its own fields, or cut short, ends the usable index.
                if (cursor.Exhausted() || entrySize < kIndexEntryFields ||
                    cursor.Take(entrySize - kIndexEntryFields) == nullptr)
                    break;
                imageOffsets.push_back(offset);
            }
        }
    }
    if (!imageIndexFound) {
        ShowErrorMessage(IDS_NO_IMAGE_SECTION);
        return -1;
    }
    // A reference past the last entry takes the last one; an entry behind a damaged one is
    // out of reach.
    const WORD wanted = std::min(reference, imageIndexCount);
    if (wanted == 0 || wanted > imageOffsets.size())
        return 1;
    TableScope scope(*this, BufferOffset(ULONGLONG{imageOffsets[wanted - 1]} + kImageRecordStart));
    GetImage(&rect, &matrix);
    return 1;
}

int CmxWalk::GetImage(tagDoubleRect* rect, CMatrix* matrix) {
    Skip(cursor, kImageRecordAheadOfKind);
    const WORD kind = GetWord();
    Skip(cursor, kImageRecordBehindKind);
    if (cursor.Exhausted())
        return 1;
    // The search for the image's data starts behind the record.
    unsigned char* data = FindListChunk("data");
    if (data == nullptr)
        return 1;
    cursor.Seek(Offset(data));
    Skip(cursor, kImageDataAheadOfRaster);
    if (kind == kRasterImage && !cursor.Exhausted())
        GetRImage(rect, matrix, 0);
    return 1;
}

int CmxWalk::GetRImage(tagDoubleRect* rect, CMatrix* matrix, unsigned short) {
    if (drawing == nullptr)
        return 1;
    const RasterHeader raster = ReadRasterHeader(cursor);
    const DWORD type = raster.type;
    const DWORD pixelBytes = raster.pixelBytes;
    DWORD paletteCount = 0;
    if (type == kRasterBlackWhite) {
        paletteCount = 2;
    } else if (type == kRasterGrey) {
        paletteCount = 256;
    } else if (type != kRasterNoPalette) {
        Skip(cursor, kStoredPaletteType);
        paletteCount = GetWord();
    }
    const DWORD storedPalette =
        type == kRasterBlackWhite || type == kRasterGrey || type == kRasterNoPalette
            ? 0
            : kStoredPaletteEntry * paletteCount;
    // A palette or pixel length past the body's end is damage: the image is left out.
    if (cursor.Exhausted() ||
        static_cast<ULONGLONG>(storedPalette) + pixelBytes > cursor.Remaining())
        return 1;
    const ULONGLONG length =
        sizeof(BITMAPINFOHEADER) + 4 * static_cast<ULONGLONG>(paletteCount) + pixelBytes;
    if (imageBytes + length > kImageBudgetFactor * dataSize + imageAllowance) {
        ++stopRecord.imagesRefused;
        return 1;
    }
    imageBytes += length;

    std::unique_ptr<CGrObjBitmap> bitmap(new CGrObjBitmap);
    bitmap->bounds = *rect;
    bitmap->SetMatrix(matrix);
    unsigned char* block = bitmap->GetMem(static_cast<unsigned long>(length));
    BITMAPINFOHEADER header;
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = static_cast<LONG>(raster.width);
    header.biHeight = static_cast<LONG>(raster.height & 0xFFFF);
    header.biPlanes = static_cast<WORD>(raster.planes);
    header.biBitCount = static_cast<WORD>(raster.bitsPerPixel);
    header.biCompression = BI_RGB;
    header.biSizeImage = pixelBytes;
    header.biXPelsPerMeter = static_cast<LONG>(
        static_cast<DWORD>(static_cast<double>(raster.xPelsPerKm) * kMetresPerKilometre));
    header.biYPelsPerMeter = static_cast<LONG>(
        static_cast<DWORD>(static_cast<double>(raster.yPelsPerKm) * kMetresPerKilometre));
    header.biClrUsed = paletteCount;
    header.biClrImportant = paletteCount;
    PlatformWriteBitmapInfoHeader(header, block);
    unsigned char* palette = block + sizeof(BITMAPINFOHEADER);
    if (type == kRasterBlackWhite) {
        const unsigned char entries[8] = {0, 0, 0, 0, 255, 255, 255, 0};
        std::memcpy(palette, entries, sizeof entries);
    } else if (type == kRasterGrey) {
        for (DWORD i = 0; i < 256; ++i) {
            const unsigned char grey = static_cast<unsigned char>(i);
            palette[4 * i] = palette[4 * i + 1] = palette[4 * i + 2] = grey;
            palette[4 * i + 3] = 0;
        }
    } else if (paletteCount > 0) {
        const unsigned char* stored = cursor.Take(storedPalette);
        for (DWORD i = 0; i < paletteCount; ++i) {
            std::memcpy(palette + 4 * i, stored + kStoredPaletteEntry * i, kStoredPaletteEntry);
            palette[4 * i + 3] = 0;
        }
    }
    GetBlock(palette + 4 * paletteCount, pixelBytes);

    if (CGrObjGroup* group = OpenGroup())
        group->AddObject(static_cast<unsigned long>(drawing->GetCount()) + 1);
    drawing->AddObjTail(bitmap.get());
    DrawsetReleaseBlock(*bitmap);
    return 1;
}

int CmxWalk::DoDrawChars() {
    TaggedRecord operands(*this, {1}, instrEnd);
    while (operands.Next()) {
        if (operands.Id() != 1)
            continue;
        const WORD count = GetCount();
        tagDoublePoint point;
        for (WORD i = 0; i < count && !cursor.Exhausted(); ++i) {
            Skip(cursor, kCharacterCode);
            GetPoint(&point);
        }
    }
    return 1;
}
