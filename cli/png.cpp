#include "cli/png.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <fstream>

namespace vestrel_cli {

namespace {

void AppendBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<unsigned char>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void NoFlush(png_structp) {}

// Runs the libpng calls that may jump back on an error; false when they did.
bool Encode(png_structp png, png_infop info, std::vector<unsigned char>* out,
            const std::vector<png_bytep>& rows, int width, int height) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_write_fn(png, out, AppendBytes, NoFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, const_cast<png_bytepp>(rows.data()));
    png_write_end(png, nullptr);
    return true;
}

} // namespace

std::vector<unsigned char> EncodePng(const CPixelSurface& surface, const CRect& area) {
    const int left = std::max<int>(area.left, 0);
    const int top = std::max<int>(area.top, 0);
    const int right = std::min<int>(area.right, surface.GetWidth());
    const int bottom = std::min<int>(area.bottom, surface.GetHeight());
    if (left >= right || top >= bottom)
        return {};
    const int width = right - left, height = bottom - top;
    // Surface pixels are 0x00RRGGBB; PNG rows are red, green, blue bytes.
    std::vector<unsigned char> rgb(static_cast<std::size_t>(width) * height * 3);
    std::vector<png_bytep> rows(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        unsigned char* row = rgb.data() + static_cast<std::size_t>(y) * width * 3;
        rows[static_cast<std::size_t>(y)] = row;
        for (int x = 0; x < width; ++x) {
            const std::uint32_t pixel = surface.At(left + x, top + y);
            row[3 * x] = static_cast<unsigned char>(pixel >> 16);
            row[3 * x + 1] = static_cast<unsigned char>(pixel >> 8);
            row[3 * x + 2] = static_cast<unsigned char>(pixel);
        }
    }
    std::vector<unsigned char> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr)
        return {};
    png_infop info = png_create_info_struct(png);
    const bool done = info != nullptr && Encode(png, info, &out, rows, width, height);
    png_destroy_write_struct(&png, info != nullptr ? &info : nullptr);
    if (!done)
        out.clear();
    return out;
}

bool WritePng(const std::string& path, const CPixelSurface& surface, const CRect& area,
              std::string* error) {
    std::vector<unsigned char> bytes = EncodePng(surface, area);
    if (bytes.empty()) {
        *error = "the picture cannot be encoded as PNG";
        return false;
    }
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
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
