// The drawing's thumbnail block on a device context.
//
// The block holds 128 rows of 128 palette indices, a DIB header and the palette. Its header
// says bottom-up (biHeight > 0), so the first row stored is the picture's bottom row.
#include "drawset/grobj.h"
#include "drawset/thumbblock.h"

#include <algorithm>

using namespace drawset_thumb;

void CGrDrawset::ShowThumbNail(CDC* dc, CPoint at) {
    if (dc == nullptr || thumbnail == nullptr || thumbnail->data == nullptr ||
        thumbnail->size < kPaletteStart)
        return;
    const unsigned char* block = thumbnail->data;
    BITMAPINFOHEADER header;
    PlatformReadBitmapInfoHeader(block + kPixelBytes, kHeaderBytes, &header);
    // The header must describe exactly what the block holds: raw 8-bit indices, 128 x 128,
    // bottom-up, and a palette that ends where the block ends.
    if (header.biSize != kHeaderBytes || header.biWidth != LONG{kSide} ||
        header.biHeight != LONG{kSide} || header.biBitCount != 8 ||
        header.biCompression != BI_RGB || header.biSizeImage != kPixelBytes ||
        thumbnail->size != BlockSize(header.biClrUsed))
        return;
    // Without a palette the block says nothing about its colours; drawing the indices in colours
    // of our own invention would show a picture the file never had.
    if (header.biClrUsed == 0)
        return;

    RGBQUAD palette[256];
    const DWORD entries = std::min<DWORD>(header.biClrUsed, 256);
    for (DWORD i = 0; i < entries; ++i) {
        const unsigned char* quad = block + kPaletteStart + 4 * i;
        palette[i] = RGBQUAD{quad[0], quad[1], quad[2], quad[3]};
    }
    dc->SetDIBitsToDevice(at.x, at.y, header, palette, entries, block, kPixelBytes);
}
