// The thumbnail block: 128 x 128 palette indices, a DIB header and the palette, as the reader
// builds it and the drawing list draws it.
#pragma once

#include "platform/afxdefs.h"
#include "platform/gdi.h"

#include <cstddef>

namespace drawset_thumb {

constexpr DWORD kSide = 128;
constexpr DWORD kPixelBytes = kSide * kSide; // 16384
constexpr DWORD kHeaderBytes = sizeof(BITMAPINFOHEADER);
constexpr DWORD kPaletteStart = kPixelBytes + kHeaderBytes; // 16424
// Where the header's biClrUsed stands in the block.
constexpr DWORD kClrUsedAt = kPixelBytes + offsetof(BITMAPINFOHEADER, biClrUsed);

constexpr ULONGLONG BlockSize(ULONGLONG colors) {
    return kPaletteStart + 4 * colors;
}

// The index of the first pure white entry (blue, green and red 255; the fourth byte is not
// compared) among those an 8-bit pixel can name; 0 when there is none. The margin around the
// picture holds it.
inline unsigned char WhiteIndex(const unsigned char* palette, DWORD entries) {
    for (DWORD i = 0; i < entries && i < 256; ++i)
        if (palette[4 * i] == 255 && palette[4 * i + 1] == 255 && palette[4 * i + 2] == 255)
            return static_cast<unsigned char>(i);
    return 0;
}

} // namespace drawset_thumb
