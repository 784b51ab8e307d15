// PNG files of pixel surfaces, through the platform's codec.
#pragma once

#include "platform/pngcodec.h"

#include <string>
#include <vector>

namespace vestrel_cli {

// Writes the PNG to path ("-": standard output) as every output is written; false, having
// said why and with error set, when it cannot.
bool WritePng(const std::string& path, const CPixelSurface& surface, const CRect& area,
              std::string* error);

// Bytes in base64, for data URIs.
std::string Base64(const std::vector<unsigned char>& bytes);

} // namespace vestrel_cli
