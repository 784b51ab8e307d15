// PNG images of pixel surfaces, through libpng.
#pragma once

#include "platform/gdi.h"

#include <string>
#include <vector>

namespace vestrel_cli {

// The pixels of a rectangle of a surface (clipped to it) as a PNG file's bytes; empty when
// the rectangle holds no pixels or libpng fails.
std::vector<unsigned char> EncodePng(const CPixelSurface& surface, const CRect& area);

// Writes the PNG to path; false, with error set, when it cannot.
bool WritePng(const std::string& path, const CPixelSurface& surface, const CRect& area,
              std::string* error);

// Bytes in base64, for data URIs.
std::string Base64(const std::vector<unsigned char>& bytes);

} // namespace vestrel_cli
