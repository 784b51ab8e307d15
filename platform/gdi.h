// Points, sizes, rectangles and a device context that draws into a pixel surface of its own.
//
// Surface pixels are 32-bit values 0x00RRGGBB, rows from top to bottom with no padding: the
// layout of a top-down 32-bit DIB section, so a surface can later be handed to the system's
// GDI as it is. Colours passed to the device context are COLORREF values 0x00BBGGRR, as GDI
// takes them.
#pragma once

#include "platform/coll.h"

#include <memory>
#include <vector>

#if !defined(_WIN32)
// The system's GDI names, which Windows' own headers define there.
typedef DWORD COLORREF;

#define RGB(r, g, b)                                                                               \
    (static_cast<COLORREF>(static_cast<BYTE>(r)) |                                                 \
     (static_cast<COLORREF>(static_cast<BYTE>(g)) << 8) |                                          \
     (static_cast<COLORREF>(static_cast<BYTE>(b)) << 16))
#define GetRValue(c) static_cast<BYTE>(c)
#define GetGValue(c) static_cast<BYTE>((c) >> 8)
#define GetBValue(c) static_cast<BYTE>((c) >> 16)
#define CLR_INVALID 0xFFFFFFFF

// Stock objects, by the system's indices.
#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define WHITE_PEN 6
#define BLACK_PEN 7
#define NULL_PEN 8
#define PS_SOLID 0
#define PS_NULL 5
#define BS_SOLID 0
#define BS_NULL 1
#define BI_RGB 0
#define DIB_RGB_COLORS 0
#define NULLREGION 1
#define SIMPLEREGION 2

// A device context of the system.
struct HDC__;
typedef HDC__* HDC;

struct tagPOINT {
    LONG x;
    LONG y;
};
typedef tagPOINT POINT;

struct tagSIZE {
    LONG cx;
    LONG cy;
};
typedef tagSIZE SIZE;

struct tagRECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};
typedef tagRECT RECT;
typedef tagRECT* LPRECT;
typedef const tagRECT* LPCRECT;

// The header of a device-independent bitmap, 40 bytes as stored in files and blocks.
struct tagBITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight; // positive: the first row stored is the bottom row; negative: top-down
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};
typedef tagBITMAPINFOHEADER BITMAPINFOHEADER;

struct tagRGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
};
typedef tagRGBQUAD RGBQUAD;
#endif
static_assert(sizeof(BITMAPINFOHEADER) == 40, "a DIB header is 40 bytes");

class CPoint : public tagPOINT {
public:
    CPoint() : tagPOINT{0, 0} {}
    CPoint(int px, int py) : tagPOINT{px, py} {}
    CPoint(POINT point) : tagPOINT(point) {}

    void Offset(int dx, int dy) {
        x += dx;
        y += dy;
    }
    bool operator==(const POINT& other) const { return x == other.x && y == other.y; }
    bool operator!=(const POINT& other) const { return !(*this == other); }
};

class CSize : public tagSIZE {
public:
    CSize() : tagSIZE{0, 0} {}
    CSize(int width, int height) : tagSIZE{width, height} {}

    bool operator==(const SIZE& other) const { return cx == other.cx && cy == other.cy; }
    bool operator!=(const SIZE& other) const { return !(*this == other); }
};

// Right and bottom lie outside the rectangle, as everywhere in GDI.
class PLATFORM_API CRect : public tagRECT {
public:
    CRect() : tagRECT{0, 0, 0, 0} {}
    CRect(int l, int t, int r, int b) : tagRECT{l, t, r, b} {}
    CRect(const RECT& rect) : tagRECT(rect) {}
    CRect(POINT topLeft, SIZE size)
        : tagRECT{topLeft.x, topLeft.y, topLeft.x + size.cx, topLeft.y + size.cy} {}

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    CSize Size() const { return CSize(Width(), Height()); }
    CPoint TopLeft() const { return CPoint(left, top); }
    CPoint BottomRight() const { return CPoint(right, bottom); }
    BOOL IsRectEmpty() const { return right <= left || bottom <= top; }
    BOOL IsRectNull() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
    BOOL PtInRect(POINT point) const {
        return point.x >= left && point.x < right && point.y >= top && point.y < bottom;
    }

    void SetRect(int l, int t, int r, int b) {
        left = l;
        top = t;
        right = r;
        bottom = b;
    }
    void SetRectEmpty() { SetRect(0, 0, 0, 0); }
    void OffsetRect(int dx, int dy) {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
    }
    void NormalizeRect();
    // The common part of a and b; FALSE, and an empty rectangle, when they do not overlap.
    BOOL IntersectRect(LPCRECT a, LPCRECT b);
    // The smallest rectangle holding a and b; empty rectangles add nothing.
    BOOL UnionRect(LPCRECT a, LPCRECT b);

    operator LPRECT() { return this; }
    operator LPCRECT() const { return this; }
    bool operator==(const RECT& other) const {
        return left == other.left && top == other.top && right == other.right &&
               bottom == other.bottom;
    }
    bool operator!=(const RECT& other) const { return !(*this == other); }
};

// A header read from its little-endian bytes; FALSE when fewer than 40 bytes are given.
PLATFORM_API BOOL PlatformReadBitmapInfoHeader(const void* bytes, std::size_t count,
                                               BITMAPINFOHEADER* header);
// The header into its 40 little-endian bytes, as files and blocks store it.
PLATFORM_API void PlatformWriteBitmapInfoHeader(const BITMAPINFOHEADER& header, void* bytes);

// Pixels 0x00RRGGBB, width x height of them, row by row from the top. Sides are clamped to
// 0 .. kMaxSide, so that no request can ask for more than a gigabyte.
class PLATFORM_API CPixelSurface {
public:
    static constexpr int kMaxSide = 16384;
    static constexpr std::uint32_t kWhite = 0x00FFFFFF;

    CPixelSurface() = default;
    CPixelSurface(int width, int height) { Reset(width, height); }

    // A new white surface of the given size.
    void Reset(int width, int height);

    int GetWidth() const { return width_; }
    int GetHeight() const { return height_; }
    const std::uint32_t* GetPixels() const { return pixels_.data(); }
    std::uint32_t* GetPixels() { return pixels_.data(); }
    // The pixel at (x, y), which must lie on the surface.
    std::uint32_t At(int x, int y) const {
        return pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                       static_cast<std::size_t>(x)];
    }
    std::uint32_t& At(int x, int y) {
        return pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                       static_cast<std::size_t>(x)];
    }

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint32_t> pixels_;
};

// Surface pixels and COLORREF values, one into the other.
constexpr std::uint32_t PlatformPixelFromColor(COLORREF color) {
    return ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF);
}
constexpr COLORREF PlatformColorFromPixel(std::uint32_t pixel) {
    return ((pixel & 0xFF) << 16) | (pixel & 0xFF00) | ((pixel >> 16) & 0xFF);
}

class PLATFORM_API CGdiObject : public CObject {
    DECLARE_DYNAMIC(CGdiObject)
public:
    CGdiObject() = default;
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;
    ~CGdiObject() override;
};

// Pens draw one pixel wide whatever width they are given; styles other than PS_NULL draw solid.
class PLATFORM_API CPen : public CGdiObject {
    DECLARE_DYNAMIC(CPen)
public:
    CPen() = default;
    CPen(int style, int width, COLORREF color) { CreatePen(style, width, color); }
    ~CPen() override;

    BOOL CreatePen(int style, int width, COLORREF color);
    int GetStyle() const { return style_; }
    int GetWidth() const { return width_; }
    COLORREF GetColor() const { return color_; }

private:
    int style_ = PS_SOLID;
    int width_ = 1;
    COLORREF color_ = 0;
};

class PLATFORM_API CBrush : public CGdiObject {
    DECLARE_DYNAMIC(CBrush)
public:
    CBrush() = default;
    explicit CBrush(COLORREF color) { CreateSolidBrush(color); }
    ~CBrush() override;

    BOOL CreateSolidBrush(COLORREF color);
    // A brush that paints nothing, as NULL_BRUSH.
    BOOL CreateHollowBrush();
    int GetStyle() const { return style_; }
    COLORREF GetColor() const { return color_; }

private:
    int style_ = BS_SOLID;
    COLORREF color_ = RGB(255, 255, 255);
};

namespace platform_os {
class DrawingBackend;
class SurfaceDrawing;
} // namespace platform_os

// A device context over a pixel surface, or over a context of the system (m_hDC) on systems that
// have them. It starts with the stock black pen and white brush selected and the current position
// at (0, 0). Over a surface, everything it draws is clipped to its clip box, which is the surface
// unless a paint context narrows it, and coordinates beyond +/- 2^27, the range GDI itself works
// in, make lines and rectangles draw nothing. Over a system context the system draws and clips,
// and the surface is left alone.
class PLATFORM_API CDC : public CObject {
    DECLARE_DYNAMIC(CDC)
public:
    // A context over a surface of no pixels.
    CDC();
    // A context over a new white surface of its own.
    CDC(int width, int height);
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;
    ~CDC() override;

    // The system's context this one draws on, null when it draws into its surface.
    HDC m_hDC = nullptr;
    HDC GetSafeHdc() const { return m_hDC; }
    // Draws on a context of the system from now on, with the stock black pen and white brush;
    // FALSE where the system has none, or for a null one. Detach gives it back with the objects
    // it held at Attach selected again, and the context draws into its surface again with the
    // pen and brush selected there before.
    BOOL Attach(HDC dc);
    HDC Detach();

    const CPixelSurface& GetSurface() const;
    // The clip box; NULLREGION when nothing can be drawn, else SIMPLEREGION.
    int GetClipBox(LPRECT rect) const;

    // Each selects a pen or brush and returns the one of the same kind selected before; null
    // for an unknown index or a null object, which change nothing. The context keeps what it
    // needs of a selected object, so drawing never reaches an object that has gone.
    CGdiObject* SelectStockObject(int index);
    CPen* SelectObject(CPen* pen);
    CBrush* SelectObject(CBrush* brush);

    // Moves the current position and returns the one before.
    CPoint MoveTo(int x, int y);
    CPoint MoveTo(POINT point) { return MoveTo(point.x, point.y); }
    CPoint GetCurrentPosition() const { return position_; }
    // Draws in the pen from the current position up to, but not including, (x, y), which
    // becomes the current position.
    BOOL LineTo(int x, int y);
    BOOL LineTo(POINT point) { return LineTo(point.x, point.y); }

    // Outline in the pen on the rectangle's outermost pixels, interior in the brush; right
    // and bottom are outside. With the null pen the brush fills one pixel less in width and
    // height, as GDI does.
    BOOL Rectangle(int left, int top, int right, int bottom);
    BOOL Rectangle(LPCRECT rect) {
        return Rectangle(rect->left, rect->top, rect->right, rect->bottom);
    }
    void FillSolidRect(int x, int y, int width, int height, COLORREF color);
    void FillSolidRect(LPCRECT rect, COLORREF color);

    // Returns the colour set, or CLR_INVALID outside the clip box.
    COLORREF SetPixel(int x, int y, COLORREF color);
    COLORREF SetPixel(POINT point, COLORREF color) { return SetPixel(point.x, point.y, color); }
    // CLR_INVALID outside the clip box.
    COLORREF GetPixel(int x, int y) const;
    COLORREF GetPixel(POINT point) const { return GetPixel(point.x, point.y); }

    // Draws a device-independent bitmap 1:1 with its top-left corner at (x, y). Supported:
    // BI_RGB at 1, 4 and 8 bits per pixel with a colour table, and 16 (5-5-5), 24 and 32
    // bits; rows padded to 4 bytes. colors holds colorCount entries; an index at or past
    // them, or past what the header's biClrUsed allows, draws black. bits must hold every row
    // the header describes within bitsBytes, or nothing is drawn. Returns the bitmap's number
    // of rows, or 0 when the header or the byte counts are refused.
    int SetDIBitsToDevice(int x, int y, const BITMAPINFOHEADER& header, const RGBQUAD* colors,
                          UINT colorCount, const void* bits, std::size_t bitsBytes);
    // The same for a packed bitmap of bytes bytes: header, colour table (biClrUsed entries, or
    // all that the bit count can name when it is 0), then the pixel rows.
    int DrawPackedDIB(int x, int y, const void* dib, std::size_t bytes);

protected:
    // A context over a surface that someone else keeps.
    explicit CDC(CPixelSurface* target);
    // Narrows the clip box to rect within the surface.
    void SetClipBox(const CRect& rect);
    CPixelSurface& Surface();

private:
    // Draws with drawing from now on, starting from the stock black pen and white brush at (0, 0).
    void Start(platform_os::DrawingBackend* drawing);
    // Selects into the drawing and returns what it held before; stock is the system's index of
    // the object, or -1 for one of the caller's.
    CPen* Select(CPen* pen, int stock);
    CBrush* Select(CBrush* brush, int stock);

    CPoint position_;
    // The context's surface, which draws again when a system context is detached.
    std::unique_ptr<platform_os::SurfaceDrawing> surface_;
    // The system's context while one is attached.
    std::unique_ptr<platform_os::DrawingBackend> system_;
    // Whichever of the two the members draw with.
    platform_os::DrawingBackend* drawing_ = nullptr;
};
