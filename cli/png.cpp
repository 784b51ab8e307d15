#include "cli/png.h"

#include "cli/drawing_io.h"
#include "cli/output.h"

namespace vestrel_cli {

bool WritePng(const std::string& path, const CPixelSurface& surface, const CRect& area,
              std::string* error) {
    std::vector<unsigned char> bytes = PlatformEncodePng(surface, area);
    if (bytes.empty()) {
        *error = "the picture cannot be encoded as PNG";
        Say(path + ": " + *error);
        return false;
    }
    if (!WriteOutput(path, std::string(bytes.begin(), bytes.end()))) {
        *error = path + ": cannot be written";
        return false;
    }
    return true;
}

std::string Base64(const std::vector<unsigned char>& bytes) {
    static const char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const unsigned v = (bytes[i] << 16) | (i + 1 < bytes.size() ? bytes[i + 1] << 8 : 0) |
                           (i + 2 < bytes.size() ? bytes[i + 2] : 0);
        out += kDigits[(v >> 18) & 63];
        out += kDigits[(v >> 12) & 63];
        out += i + 1 < bytes.size() ? kDigits[(v >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? kDigits[v & 63] : '=';
    }
    return out;
}

} // namespace vestrel_cli
