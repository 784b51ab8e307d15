// What a CDC draws with. A context chooses its drawing once, when it is made: pixels of a surface
// (src/surfacedrawing.cpp), on every system; and while a context of the system is attached, the
// system's GDI (src/win32/windows_win32.cpp). The CDC keeps what both share: the current position,
// the checks of coordinates and bitmaps, and which pen and brush each drawing has selected.
#pragma once

#include "platform/gdi.h"

namespace platform_os {

// GDI keeps coordinates within 27 bits; the bound also keeps the surface's line arithmetic exact
// in 64 bits.
constexpr long long kCoordLimit = 1LL << 27;

inline bool InCoordinateRange(long long v) {
    return v >= -kCoordLimit && v <= kCoordLimit;
}

// A bitmap's rows as its header describes them.
struct DibLayout {
    long long width;
    long long height;
    bool bottomUp;
    int bitCount;
    unsigned long long stride;
};

class DrawingBackend {
public:
    virtual ~DrawingBackend() = default;

    // The objects selected, as SelectObject reports them when the next one replaces them. The
    // drawing copies what it needs of them, so it never reaches one that has gone.
    CPen* selectedPen = nullptr;
    CBrush* selectedBrush = nullptr;

    // stock is the index of the system's stock object selected, or -1 for an object of the
    // caller's.
    virtual void SelectPen(const CPen& pen, int stock) = 0;
    virtual void SelectBrush(const CBrush& brush, int stock) = 0;
    virtual void MoveTo(int x, int y) = 0;
    // Draws from the old current position up to, not including, the new one, which the CDC
    // already holds.
    virtual BOOL LineTo(CPoint from, CPoint to) = 0;
    virtual BOOL Rectangle(int left, int top, int right, int bottom) = 0;
    // rect lies within GDI's range of coordinates.
    virtual void FillSolidRect(const CRect& rect, COLORREF color) = 0;
    virtual COLORREF SetPixel(int x, int y, COLORREF color) = 0;
    virtual COLORREF GetPixel(int x, int y) const = 0;
    virtual int GetClipBox(LPRECT rect) const = 0;
    // A bitmap that the CDC has checked: bits hold every row of layout, and colors holds the 256
    // entries that an index of up to 8 bits can name. Returns the rows drawn.
    virtual int SetDIBitsToDevice(int x, int y, const BITMAPINFOHEADER& header,
                                  const DibLayout& layout, const RGBQUAD* colors,
                                  const void* bits) = 0;
};

// Drawing into pixels: a surface of its own, or one that someone else keeps. Everything it draws
// is clipped to its clip box, which is the surface unless a paint narrows it.
class SurfaceDrawing final : public DrawingBackend {
public:
    explicit SurfaceDrawing(CPixelSurface* target);
    SurfaceDrawing(int width, int height);

    CPixelSurface& Surface() { return *surface_; }
    // Narrows the clip box to rect within the surface.
    void SetClipBox(const CRect& rect);

    void SelectPen(const CPen& pen, int stock) override;
    void SelectBrush(const CBrush& brush, int stock) override;
    void MoveTo(int x, int y) override;
    BOOL LineTo(CPoint from, CPoint to) override;
    BOOL Rectangle(int left, int top, int right, int bottom) override;
    void FillSolidRect(const CRect& rect, COLORREF color) override;
    COLORREF SetPixel(int x, int y, COLORREF color) override;
    COLORREF GetPixel(int x, int y) const override;
    int GetClipBox(LPRECT rect) const override;
    int SetDIBitsToDevice(int x, int y, const BITMAPINFOHEADER& header, const DibLayout& layout,
                          const RGBQUAD* colors, const void* bits) override;

private:
    void Fill(const CRect& rect, std::uint32_t pixel);

    CPixelSurface own_;
    CPixelSurface* surface_;
    CRect clip_;
    bool penVisible_ = true;
    std::uint32_t penPixel_ = 0;
    bool brushVisible_ = true;
    std::uint32_t brushPixel_ = CPixelSurface::kWhite;
};

} // namespace platform_os
