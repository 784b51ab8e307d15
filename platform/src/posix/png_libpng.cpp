// PNG through libpng's simplified interface.
#include "src/os.h"

#include <png.h>

#include <cstring>

namespace platform_os {

bool EncodePngBgr(const unsigned char* bgr, int width, int height,
                  std::vector<unsigned char>* png) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_BGR;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, bgr, 0, nullptr))
        return false;
    png->resize(size);
    const bool done = png_image_write_to_memory(&image, png->data(), &size, 0, bgr, 0, nullptr);
    png->resize(done ? size : 0);
    return done;
}

bool DecodePngBgr(const unsigned char* png, std::size_t count, int maxSide, int* width, int* height,
                  std::vector<unsigned char>* bgr) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, png, count))
        return false;
    const auto limit = static_cast<png_uint_32>(maxSide);
    if (image.width > limit || image.height > limit) {
        png_image_free(&image);
        return false;
    }
    image.format = PNG_FORMAT_BGR;
    bgr->resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, bgr->data(), 0, nullptr)) {
        bgr->clear();
        return false;
    }
    *width = static_cast<int>(image.width);
    *height = static_cast<int>(image.height);
    return true;
}

} // namespace platform_os
