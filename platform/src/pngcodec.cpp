// What PNG encoding and decoding do the same way on every system: the clipping and the pixel
// layout. The codecs themselves take rows of blue, green and red bytes, top row first.
#include "platform/pngcodec.h"

#include "src/os.h"

#include <algorithm>

std::vector<unsigned char> PlatformEncodePng(const CPixelSurface& surface, const CRect& area) {
    const int left = std::max<int>(area.left, 0);
    const int top = std::max<int>(area.top, 0);
    const int right = std::min<int>(area.right, surface.GetWidth());
    const int bottom = std::min<int>(area.bottom, surface.GetHeight());
    if (left >= right || top >= bottom)
        return {};
    const int width = right - left, height = bottom - top;
    std::vector<unsigned char> bgr(static_cast<std::size_t>(width) * height * 3);
    unsigned char* out = bgr.data();
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            const std::uint32_t pixel = surface.At(x, y);
            *out++ = static_cast<unsigned char>(pixel);
            *out++ = static_cast<unsigned char>(pixel >> 8);
            *out++ = static_cast<unsigned char>(pixel >> 16);
        }
    }
    std::vector<unsigned char> png;
    if (!platform_os::EncodePngBgr(bgr.data(), width, height, &png))
        png.clear();
    return png;
}

BOOL PlatformDecodePng(const void* bytes, std::size_t count, CPixelSurface* surface) {
    surface->Reset(0, 0);
    int width = 0, height = 0;
    std::vector<unsigned char> bgr;
    if (bytes == nullptr ||
        !platform_os::DecodePngBgr(static_cast<const unsigned char*>(bytes), count,
                                   CPixelSurface::kMaxSide, &width, &height, &bgr))
        return FALSE;
    surface->Reset(width, height);
    const unsigned char* in = bgr.data();
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x, in += 3)
            surface->At(x, y) = (std::uint32_t{in[2]} << 16) | (std::uint32_t{in[1]} << 8) | in[0];
    }
    return TRUE;
}
