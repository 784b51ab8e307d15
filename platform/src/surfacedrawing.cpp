#include "platform/bytes.h"

#include "src/drawing.h"

#include <algorithm>

namespace platform_os {

namespace {

// Rounds a / n to the nearest integer, halves upwards; n > 0.
long long RoundDiv(long long a, long long n) {
    long long num = 2 * a + n;
    long long den = 2 * n;
    long long q = num / den;
    if (num % den != 0 && num < 0)
        --q;
    return q;
}

std::uint32_t PixelFromQuad(const RGBQUAD& quad) {
    return (static_cast<std::uint32_t>(quad.rgbRed) << 16) |
           (static_cast<std::uint32_t>(quad.rgbGreen) << 8) | quad.rgbBlue;
}

} // namespace

SurfaceDrawing::SurfaceDrawing(CPixelSurface* target)
    : surface_(target != nullptr ? target : &own_) {
    SetClipBox(CRect(0, 0, surface_->GetWidth(), surface_->GetHeight()));
}

SurfaceDrawing::SurfaceDrawing(int width, int height) : own_(width, height), surface_(&own_) {
    SetClipBox(CRect(0, 0, own_.GetWidth(), own_.GetHeight()));
}

void SurfaceDrawing::SetClipBox(const CRect& rect) {
    const CRect bounds(0, 0, surface_->GetWidth(), surface_->GetHeight());
    clip_.IntersectRect(&rect, &bounds);
}

int SurfaceDrawing::GetClipBox(LPRECT rect) const {
    if (rect != nullptr)
        *rect = clip_;
    return clip_.IsRectEmpty() ? NULLREGION : SIMPLEREGION;
}

void SurfaceDrawing::SelectPen(const CPen& selected, int) {
    penVisible_ = selected.GetStyle() != PS_NULL;
    penPixel_ = PlatformPixelFromColor(selected.GetColor());
}

void SurfaceDrawing::SelectBrush(const CBrush& selected, int) {
    brushVisible_ = selected.GetStyle() != BS_NULL;
    brushPixel_ = PlatformPixelFromColor(selected.GetColor());
}

// The surface draws lines from the position the CDC keeps.
void SurfaceDrawing::MoveTo(int, int) {}

BOOL SurfaceDrawing::LineTo(CPoint from, CPoint to) {
    if (!InCoordinateRange(from.x) || !InCoordinateRange(from.y) || !InCoordinateRange(to.x) ||
        !InCoordinateRange(to.y))
        return FALSE;
    if (!penVisible_)
        return TRUE;
    const long long dx = static_cast<long long>(to.x) - from.x;
    const long long dy = static_cast<long long>(to.y) - from.y;
    const long long n = std::max(dx < 0 ? -dx : dx, dy < 0 ? -dy : dy);
    if (n == 0)
        return TRUE;
    // Pixel i of the n drawn (the end point is not) steps one along the longer axis and the
    // rounded share along the other. Only the steps whose major coordinate lies in the clip box
    // are visited, so the work is bounded by the surface, not by the line's length.
    const bool xMajor = (dx < 0 ? -dx : dx) >= (dy < 0 ? -dy : dy);
    const long long major0 = xMajor ? from.x : from.y;
    const long long minor0 = xMajor ? from.y : from.x;
    const long long majorStep = (xMajor ? dx : dy) < 0 ? -1 : 1;
    const long long minorDelta = xMajor ? dy : dx;
    const long long low = xMajor ? clip_.left : clip_.top;
    const long long high = xMajor ? clip_.right : clip_.bottom;
    long long first = majorStep > 0 ? low - major0 : major0 - high + 1;
    long long last = majorStep > 0 ? high - major0 : major0 - low + 1; // exclusive
    first = std::max(first, 0LL);
    last = std::min(last, n);
    for (long long i = first; i < last; ++i) {
        const long long major = major0 + majorStep * i;
        const long long minor = minor0 + RoundDiv(i * minorDelta, n);
        const long long px = xMajor ? major : minor;
        const long long py = xMajor ? minor : major;
        if (px >= clip_.left && px < clip_.right && py >= clip_.top && py < clip_.bottom)
            surface_->At(static_cast<int>(px), static_cast<int>(py)) = penPixel_;
    }
    return TRUE;
}

void SurfaceDrawing::Fill(const CRect& rect, std::uint32_t pixel) {
    CRect area;
    if (!area.IntersectRect(&rect, &clip_))
        return;
    for (LONG py = area.top; py < area.bottom; ++py)
        std::fill_n(&surface_->At(area.left, py), area.right - area.left, pixel);
}

BOOL SurfaceDrawing::Rectangle(int left, int top, int right, int bottom) {
    if (!InCoordinateRange(left) || !InCoordinateRange(top) || !InCoordinateRange(right) ||
        !InCoordinateRange(bottom))
        return FALSE;
    CRect r(left, top, right, bottom);
    r.NormalizeRect();
    if (!penVisible_) {
        if (brushVisible_)
            Fill(CRect(r.left, r.top, r.right - 1, r.bottom - 1), brushPixel_);
        return TRUE;
    }
    if (brushVisible_)
        Fill(CRect(r.left + 1, r.top + 1, r.right - 1, r.bottom - 1), brushPixel_);
    if (r.IsRectEmpty())
        return TRUE;
    Fill(CRect(r.left, r.top, r.right, r.top + 1), penPixel_);
    Fill(CRect(r.left, r.bottom - 1, r.right, r.bottom), penPixel_);
    Fill(CRect(r.left, r.top, r.left + 1, r.bottom), penPixel_);
    Fill(CRect(r.right - 1, r.top, r.right, r.bottom), penPixel_);
    return TRUE;
}

void SurfaceDrawing::FillSolidRect(const CRect& rect, COLORREF color) {
    Fill(rect, PlatformPixelFromColor(color));
}

COLORREF SurfaceDrawing::SetPixel(int x, int y, COLORREF color) {
    if (!clip_.PtInRect(CPoint(x, y)))
        return CLR_INVALID;
    surface_->At(x, y) = PlatformPixelFromColor(color);
    return color & 0x00FFFFFF;
}

COLORREF SurfaceDrawing::GetPixel(int x, int y) const {
    if (!clip_.PtInRect(CPoint(x, y)))
        return CLR_INVALID;
    return PlatformColorFromPixel(surface_->At(x, y));
}

int SurfaceDrawing::SetDIBitsToDevice(int x, int y, const BITMAPINFOHEADER&,
                                      const DibLayout& layout, const RGBQUAD* colors,
                                      const void* bits) {
    std::uint32_t table[256];
    for (int i = 0; i < 256; ++i)
        table[i] = PixelFromQuad(colors[i]);

    const long long left = std::max<long long>(x, clip_.left);
    const long long right =
        std::min<long long>(static_cast<long long>(x) + layout.width, clip_.right);
    const long long top = std::max<long long>(y, clip_.top);
    const long long bottom =
        std::min<long long>(static_cast<long long>(y) + layout.height, clip_.bottom);
    const unsigned char* data = static_cast<const unsigned char*>(bits);
    for (long long py = top; py < bottom; ++py) {
        const long long row = py - y;
        const long long stored = layout.bottomUp ? layout.height - 1 - row : row;
        const unsigned char* line = data + static_cast<unsigned long long>(stored) * layout.stride;
        std::uint32_t* out = &surface_->At(0, static_cast<int>(py));
        for (long long px = left; px < right; ++px) {
            const std::size_t c = static_cast<std::size_t>(px - x);
            std::uint32_t pixel;
            switch (layout.bitCount) {
            case 1:
                pixel = table[(line[c >> 3] >> (7 - (c & 7))) & 1];
                break;
            case 4:
                pixel = table[(line[c >> 1] >> ((c & 1) != 0 ? 0 : 4)) & 0xF];
                break;
            case 8:
                pixel = table[line[c]];
                break;
            case 16: {
                const WORD v = byteorder::GetU16(line + 2 * c);
                const std::uint32_t r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
                pixel = (((r << 3) | (r >> 2)) << 16) | (((g << 3) | (g >> 2)) << 8) |
                        ((b << 3) | (b >> 2));
                break;
            }
            case 24:
                pixel = (static_cast<std::uint32_t>(line[3 * c + 2]) << 16) |
                        (static_cast<std::uint32_t>(line[3 * c + 1]) << 8) | line[3 * c];
                break;
            default:
                pixel = (static_cast<std::uint32_t>(line[4 * c + 2]) << 16) |
                        (static_cast<std::uint32_t>(line[4 * c + 1]) << 8) | line[4 * c];
                break;
            }
            out[px] = pixel;
        }
    }
    return static_cast<int>(layout.height);
}

} // namespace platform_os
