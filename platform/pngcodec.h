// PNG images of pixel surfaces, through the system's image codec: the Windows Imaging
// Component on Windows, libpng elsewhere.
#pragma once

#include "platform/gdi.h"

#include <vector>

// The pixels of a rectangle of a surface (clipped to it) as a PNG file's bytes, 8-bit RGB; empty
// when the rectangle holds no pixels or the codec fails.
PLATFORM_API std::vector<unsigned char> PlatformEncodePng(const CPixelSurface& surface,
                                                          const CRect& area);

// Decodes a PNG file's bytes into surface, which takes the picture's size; FALSE, with the
// surface left empty, when the bytes are no PNG the codec reads or the picture is larger than a
// surface may be.
PLATFORM_API BOOL PlatformDecodePng(const void* bytes, std::size_t count, CPixelSurface* surface);
