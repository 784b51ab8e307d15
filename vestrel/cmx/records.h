// The fixed parts of the records that the reader reads: the sizes of the fields it passes over,
// so that every skip says what it skips, and the raster header as named values. Sizes that
// depend on the coordinate size, and fields of variable length, are read by the value readers.
#pragma once

#include "vestrel/cmx/cursor.h"

namespace cmx_records {

// A chunk's data stands behind its four-character id and its 32-bit size.
inline constexpr DWORD kChunkHeader = 8;

// Passes over fields that are not used. A skip past the limit exhausts the cursor as reading
// the fields one by one would, and leaves it where they would have left it.
inline void Skip(CmxCursor& cursor, DWORD bytes) {
    cursor.Take(bytes);
}

// Page instruction, its first field: the page's number and flags, the bounding box, then the
// page's end (a file offset) and the counts of its groups and instructions.
inline constexpr DWORD kPageNumberAndFlags = 2 + 4;
inline constexpr DWORD kPageEndAndCounts = 4 + 2 + 4;

// Layer instruction: the numbers of the page and of the layer ahead of the flags, the count of
// its instructions behind them.
inline constexpr DWORD kPageAndLayerNumbers = 2 + 2;
inline constexpr DWORD kLayerInstructionCount = 4;

// Group instruction, behind the bounding box: the counts of its groups and instructions and
// the group's end (a file offset).
inline constexpr DWORD kGroupCountsAndEnd = 2 + 4 + 4;

// Image instruction, around the image reference: the image's type ahead of it, a second
// reference behind it.
inline constexpr DWORD kImageType = 2;
inline constexpr DWORD kSecondImageReference = 2;

// Text instruction: each character's code ahead of its position.
inline constexpr DWORD kCharacterCode = 2;

// Image index entry: the entry size counts the fields behind it, the image's file offset and
// the entry's type, and whatever a writer adds.
inline constexpr DWORD kIndexEntryType = 2;
inline constexpr DWORD kIndexEntryFields = 4 + kIndexEntryType;
// The image record stands behind the chunk header at the offset that the entry gives.
inline constexpr DWORD kImageRecordStart = kChunkHeader;

// Image record: 28 bytes, of which only the image's kind, a word at byte 15, is used.
inline constexpr DWORD kImageRecordAheadOfKind = 4 + 4 + 1 + 4 + 2;
inline constexpr DWORD kImageRecordBehindKind = 2 + 4 + 4 + 1;

// The image's "data" chunk, found behind the record: its id and size and the image data's own
// leading fields, 27 bytes up to the raster header.
inline constexpr DWORD kImageDataAheadOfRaster = kChunkHeader + 1 + 4 + 2 + 4 + 2 + 2 + 4;

// Raster header: sixteen 32-bit values in the body's byte order, ahead of the palette and the
// pixels.
struct RasterHeader {
    DWORD type;        // black and white, grey, no palette, or a palette stored in the file
    DWORD compression; // not used
    DWORD width;       // pixels
    DWORD height;      // pixels; the bitmap keeps the low 16 bits
    DWORD planes;
    DWORD bitsPerPixel;
    DWORD bytesPerLine;    // not used
    DWORD pixelBytes;      // the length of the pixels, copied as they stand
    DWORD compressedBytes; // not used
    DWORD xPelsPerKm;      // horizontal resolution, in pixels per kilometre
    DWORD yPelsPerKm;      // vertical resolution, in pixels per kilometre
};
inline constexpr DWORD kRasterHeaderValues = 16;
// The values behind the resolution, which nothing uses.
inline constexpr DWORD kRasterHeaderTail = 4 * kRasterHeaderValues - sizeof(RasterHeader);

inline RasterHeader ReadRasterHeader(CmxCursor& cursor) {
    RasterHeader h;
    h.type = cursor.U32();
    h.compression = cursor.U32();
    h.width = cursor.U32();
    h.height = cursor.U32();
    h.planes = cursor.U32();
    h.bitsPerPixel = cursor.U32();
    h.bytesPerLine = cursor.U32();
    h.pixelBytes = cursor.U32();
    h.compressedBytes = cursor.U32();
    h.xPelsPerKm = cursor.U32();
    h.yPelsPerKm = cursor.U32();
    Skip(cursor, kRasterHeaderTail);
    return h;
}

// A palette stored in the file: its type and the count of its colours, then the colours.
inline constexpr DWORD kStoredPaletteType = 2;
inline constexpr DWORD kStoredPaletteEntry = 3;

// Colour table entry, its first field: the colour model, then the palette it belongs to.
inline constexpr DWORD kColorPalette = 1;

// Uniform fill: the screen's reference behind the colour's.
inline constexpr DWORD kScreenReference = 2;

// Fountain fill: each colour's offset along the blend, behind its reference.
inline constexpr DWORD kBlendOffset = 2;

// Pen: its aspect, then its angle, whose size follows the coordinates'.
inline constexpr DWORD kPenAspect = 2;

// Thumbnail chunk: the clipboard format of the picture ahead of its bitmap header.
inline constexpr DWORD kDisplayFormat = 4;

} // namespace cmx_records
