#include "platform/gdi.h"

#include "platform/bytes.h"

#include "src/syswin.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// GDI keeps coordinates within 27 bits; here the bound also keeps the line arithmetic exact in
// 64 bits.
constexpr long long kCoordLimit = 1LL << 27;

bool InRange(long long v) {
    return v >= -kCoordLimit && v <= kCoordLimit;
}

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

struct DibLayout {
    long long width;
    long long height;
    bool bottomUp;
    int bitCount;
    unsigned long long stride;
};

bool LayoutOf(const BITMAPINFOHEADER& header, DibLayout* layout) {
    const int bits = header.biBitCount;
    if (header.biCompression != BI_RGB ||
        (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32))
        return false;
    const long long width = header.biWidth;
    const long long height = header.biHeight;
    if (width <= 0 || height == 0)
        return false;
    layout->width = width;
    layout->height = height < 0 ? -height : height;
    layout->bottomUp = height > 0;
    layout->bitCount = bits;
    layout->stride =
        (static_cast<unsigned long long>(width) * static_cast<unsigned>(bits) + 31) / 32 * 4;
    return true;
}

CPen& StockPen(int index) {
    static CPen white(PS_SOLID, 1, RGB(255, 255, 255));
    static CPen black(PS_SOLID, 1, RGB(0, 0, 0));
    static CPen none(PS_NULL, 1, RGB(0, 0, 0));
    return index == WHITE_PEN ? white : index == BLACK_PEN ? black : none;
}

CBrush& StockBrush(int index) {
    static CBrush white(RGB(255, 255, 255));
    static CBrush lightGrey(RGB(192, 192, 192));
    static CBrush grey(RGB(128, 128, 128));
    static CBrush darkGrey(RGB(64, 64, 64));
    static CBrush black(RGB(0, 0, 0));
    static CBrush none;
    if (none.GetStyle() != BS_NULL)
        none.CreateHollowBrush();
    switch (index) {
    case WHITE_BRUSH:
        return white;
    case LTGRAY_BRUSH:
        return lightGrey;
    case GRAY_BRUSH:
        return grey;
    case DKGRAY_BRUSH:
        return darkGrey;
    case BLACK_BRUSH:
        return black;
    default:
        return none;
    }
}

} // namespace

void CRect::NormalizeRect() {
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
}

BOOL CRect::IntersectRect(LPCRECT a, LPCRECT b) {
    SetRect(std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
            std::min(a->bottom, b->bottom));
    if (IsRectEmpty()) {
        SetRectEmpty();
        return FALSE;
    }
    return TRUE;
}

BOOL CRect::UnionRect(LPCRECT a, LPCRECT b) {
    const CRect ra(*a);
    const CRect rb(*b);
    if (ra.IsRectEmpty())
        *this = rb;
    else if (rb.IsRectEmpty())
        *this = ra;
    else
        SetRect(std::min(ra.left, rb.left), std::min(ra.top, rb.top), std::max(ra.right, rb.right),
                std::max(ra.bottom, rb.bottom));
    if (IsRectEmpty()) {
        SetRectEmpty();
        return FALSE;
    }
    return TRUE;
}

BOOL PlatformReadBitmapInfoHeader(const void* bytes, std::size_t count, BITMAPINFOHEADER* header) {
    if (bytes == nullptr || count < sizeof(BITMAPINFOHEADER) || header == nullptr)
        return FALSE;
    const unsigned char* p = static_cast<const unsigned char*>(bytes);
    header->biSize = byteorder::GetU32(p);
    header->biWidth = static_cast<std::int32_t>(byteorder::GetU32(p + 4));
    header->biHeight = static_cast<std::int32_t>(byteorder::GetU32(p + 8));
    header->biPlanes = byteorder::GetU16(p + 12);
    header->biBitCount = byteorder::GetU16(p + 14);
    header->biCompression = byteorder::GetU32(p + 16);
    header->biSizeImage = byteorder::GetU32(p + 20);
    header->biXPelsPerMeter = static_cast<std::int32_t>(byteorder::GetU32(p + 24));
    header->biYPelsPerMeter = static_cast<std::int32_t>(byteorder::GetU32(p + 28));
    header->biClrUsed = byteorder::GetU32(p + 32);
    header->biClrImportant = byteorder::GetU32(p + 36);
    return TRUE;
}

void PlatformWriteBitmapInfoHeader(const BITMAPINFOHEADER& header, void* bytes) {
    unsigned char* p = static_cast<unsigned char*>(bytes);
    byteorder::PutU32(p, header.biSize);
    byteorder::PutU32(p + 4, static_cast<std::uint32_t>(header.biWidth));
    byteorder::PutU32(p + 8, static_cast<std::uint32_t>(header.biHeight));
    byteorder::PutU16(p + 12, header.biPlanes);
    byteorder::PutU16(p + 14, header.biBitCount);
    byteorder::PutU32(p + 16, header.biCompression);
    byteorder::PutU32(p + 20, header.biSizeImage);
    byteorder::PutU32(p + 24, static_cast<std::uint32_t>(header.biXPelsPerMeter));
    byteorder::PutU32(p + 28, static_cast<std::uint32_t>(header.biYPelsPerMeter));
    byteorder::PutU32(p + 32, header.biClrUsed);
    byteorder::PutU32(p + 36, header.biClrImportant);
}

// Defined here as well, so that the library exports them: a program that binds a reference to
// one through the DLL's import finds it.
constexpr int CPixelSurface::kMaxSide;
constexpr std::uint32_t CPixelSurface::kWhite;

void CPixelSurface::Reset(int width, int height) {
    width_ = std::clamp(width, 0, kMaxSide);
    height_ = std::clamp(height, 0, kMaxSide);
    pixels_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), kWhite);
}

IMPLEMENT_DYNAMIC(CGdiObject, CObject)
IMPLEMENT_DYNAMIC(CPen, CGdiObject)
IMPLEMENT_DYNAMIC(CBrush, CGdiObject)
IMPLEMENT_DYNAMIC(CDC, CObject)

CGdiObject::~CGdiObject() = default;
CPen::~CPen() = default;
CBrush::~CBrush() = default;

BOOL CPen::CreatePen(int style, int width, COLORREF color) {
    style_ = style;
    width_ = width;
    color_ = color & 0x00FFFFFF;
    return TRUE;
}

BOOL CBrush::CreateSolidBrush(COLORREF color) {
    style_ = BS_SOLID;
    color_ = color & 0x00FFFFFF;
    return TRUE;
}

BOOL CBrush::CreateHollowBrush() {
    style_ = BS_NULL;
    color_ = 0;
    return TRUE;
}

CDC::CDC() : CDC(nullptr) {}

CDC::CDC(int width, int height) : CDC(nullptr) {
    ownSurface_.Reset(width, height);
    SetClipBox(CRect(0, 0, ownSurface_.GetWidth(), ownSurface_.GetHeight()));
}

CDC::CDC(CPixelSurface* target)
    : surface_(target != nullptr ? target : &ownSurface_), pen_(&StockPen(BLACK_PEN)),
      brush_(&StockBrush(WHITE_BRUSH)) {
    SetClipBox(CRect(0, 0, surface_->GetWidth(), surface_->GetHeight()));
}

CDC::~CDC() {
    Detach();
}

BOOL CDC::Attach(HDC dc) {
    platform_os::SystemWindows* system = platform_os::Windows();
    if (dc == nullptr || system == nullptr)
        return FALSE;
    Detach();
    system_ = system->AttachDC(dc);
    if (system_ == nullptr)
        return FALSE;
    m_hDC = dc;
    // The context and its bookkeeping start alike: the stock black pen and white brush at (0, 0).
    SelectStockObject(BLACK_PEN);
    SelectStockObject(WHITE_BRUSH);
    MoveTo(0, 0);
    return TRUE;
}

HDC CDC::Detach() {
    HDC dc = m_hDC;
    delete system_;
    system_ = nullptr;
    m_hDC = nullptr;
    return dc;
}

void CDC::SetClipBox(const CRect& rect) {
    const CRect bounds(0, 0, surface_->GetWidth(), surface_->GetHeight());
    clip_.IntersectRect(&rect, &bounds);
}

int CDC::GetClipBox(LPRECT rect) const {
    if (system_ != nullptr) {
        RECT box;
        const int kind = system_->GetClipBox(&box);
        if (rect != nullptr)
            *rect = box;
        return kind;
    }
    if (rect != nullptr)
        *rect = clip_;
    return clip_.IsRectEmpty() ? NULLREGION : SIMPLEREGION;
}

CGdiObject* CDC::SelectStockObject(int index) {
    CGdiObject* previous;
    switch (index) {
    case WHITE_PEN:
    case BLACK_PEN:
    case NULL_PEN:
        previous = Keep(&StockPen(index));
        break;
    case WHITE_BRUSH:
    case LTGRAY_BRUSH:
    case GRAY_BRUSH:
    case DKGRAY_BRUSH:
    case BLACK_BRUSH:
    case NULL_BRUSH:
        previous = Keep(&StockBrush(index));
        break;
    default:
        return nullptr;
    }
    // The system's own stock object, not a copy of its colour.
    if (system_ != nullptr)
        system_->SelectStockObject(index);
    return previous;
}

CPen* CDC::SelectObject(CPen* pen) {
    if (pen == nullptr)
        return nullptr;
    CPen* previous = Keep(pen);
    if (system_ != nullptr)
        system_->SelectPen(*pen);
    return previous;
}

CBrush* CDC::SelectObject(CBrush* brush) {
    if (brush == nullptr)
        return nullptr;
    CBrush* previous = Keep(brush);
    if (system_ != nullptr)
        system_->SelectBrush(*brush);
    return previous;
}

CPen* CDC::Keep(CPen* pen) {
    CPen* previous = static_cast<CPen*>(pen_);
    pen_ = pen;
    penVisible_ = pen->GetStyle() != PS_NULL;
    penPixel_ = PlatformPixelFromColor(pen->GetColor());
    return previous;
}

CBrush* CDC::Keep(CBrush* brush) {
    CBrush* previous = static_cast<CBrush*>(brush_);
    brush_ = brush;
    brushVisible_ = brush->GetStyle() != BS_NULL;
    brushPixel_ = PlatformPixelFromColor(brush->GetColor());
    return previous;
}

CPoint CDC::MoveTo(int x, int y) {
    CPoint previous = position_;
    position_ = CPoint(x, y);
    if (system_ != nullptr)
        system_->MoveTo(x, y);
    return previous;
}

BOOL CDC::LineTo(int x, int y) {
    const CPoint from = position_;
    position_ = CPoint(x, y);
    if (system_ != nullptr)
        return system_->LineTo(x, y);
    if (!InRange(from.x) || !InRange(from.y) || !InRange(x) || !InRange(y))
        return FALSE;
    if (!penVisible_)
        return TRUE;
    const long long dx = static_cast<long long>(x) - from.x;
    const long long dy = static_cast<long long>(y) - from.y;
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

void CDC::Fill(const CRect& rect, std::uint32_t pixel) {
    CRect area;
    if (!area.IntersectRect(&rect, &clip_))
        return;
    for (LONG py = area.top; py < area.bottom; ++py)
        std::fill_n(&surface_->At(area.left, py), area.right - area.left, pixel);
}

BOOL CDC::Rectangle(int left, int top, int right, int bottom) {
    if (system_ != nullptr)
        return system_->Rectangle(left, top, right, bottom);
    if (!InRange(left) || !InRange(top) || !InRange(right) || !InRange(bottom))
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

void CDC::FillSolidRect(int x, int y, int width, int height, COLORREF color) {
    if (!InRange(x) || !InRange(y) || !InRange(width) || !InRange(height))
        return;
    if (system_ != nullptr) {
        system_->FillSolidRect(CRect(x, y, x + width, y + height), color);
        return;
    }
    Fill(CRect(x, y, x + width, y + height), PlatformPixelFromColor(color));
}

void CDC::FillSolidRect(LPCRECT rect, COLORREF color) {
    if (rect != nullptr)
        FillSolidRect(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top,
                      color);
}

COLORREF CDC::SetPixel(int x, int y, COLORREF color) {
    if (system_ != nullptr)
        return system_->SetPixel(x, y, color);
    if (!clip_.PtInRect(CPoint(x, y)))
        return CLR_INVALID;
    surface_->At(x, y) = PlatformPixelFromColor(color);
    return color & 0x00FFFFFF;
}

COLORREF CDC::GetPixel(int x, int y) const {
    if (system_ != nullptr)
        return system_->GetPixel(x, y);
    if (!clip_.PtInRect(CPoint(x, y)))
        return CLR_INVALID;
    return PlatformColorFromPixel(surface_->At(x, y));
}

int CDC::SetDIBitsToDevice(int x, int y, const BITMAPINFOHEADER& header, const RGBQUAD* colors,
                           UINT colorCount, const void* bits, std::size_t bitsBytes) {
    DibLayout layout;
    if (bits == nullptr || !LayoutOf(header, &layout))
        return 0;
    // Division, not multiplication: a hostile width and height must not wrap the product.
    if (static_cast<unsigned long long>(layout.height) > bitsBytes / layout.stride)
        return 0;

    // Every index that names no colour given draws black, on the system's context as well.
    RGBQUAD quads[256] = {};
    if (layout.bitCount <= 8 && colors != nullptr) {
        const std::uint32_t nameable = 1u << layout.bitCount;
        std::uint32_t entries = header.biClrUsed != 0 ? header.biClrUsed : nameable;
        entries = std::min({entries, nameable, static_cast<std::uint32_t>(colorCount)});
        std::copy_n(colors, entries, quads);
    }
    if (system_ != nullptr)
        return system_->SetDIBitsToDevice(x, y, header, quads, bits);
    std::uint32_t table[256];
    for (int i = 0; i < 256; ++i)
        table[i] = PixelFromQuad(quads[i]);

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

int CDC::DrawPackedDIB(int x, int y, const void* dib, std::size_t bytes) {
    BITMAPINFOHEADER header;
    if (!PlatformReadBitmapInfoHeader(dib, bytes, &header))
        return 0;
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biSize > bytes)
        return 0;
    const std::uint32_t entries = header.biClrUsed != 0
                                      ? header.biClrUsed
                                      : (header.biBitCount <= 8 ? 1u << header.biBitCount : 0u);
    const unsigned long long tableBytes = 4ULL * entries;
    if (tableBytes > bytes - header.biSize)
        return 0;
    const unsigned char* start = static_cast<const unsigned char*>(dib);
    const RGBQUAD* colors = reinterpret_cast<const RGBQUAD*>(start + header.biSize);
    const std::size_t offset = header.biSize + static_cast<std::size_t>(tableBytes);
    return SetDIBitsToDevice(x, y, header, colors, std::min<std::uint32_t>(entries, 256),
                             start + offset, bytes - offset);
}
