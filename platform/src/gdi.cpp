#include "platform/gdi.h"

#include "platform/bytes.h"

#include "src/drawing.h"
#include "src/syswin.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

namespace {

bool LayoutOf(const BITMAPINFOHEADER& header, platform_os::DibLayout* layout) {
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

CDC::CDC(int width, int height)
    : surface_(std::make_unique<platform_os::SurfaceDrawing>(width, height)) {
    Start(surface_.get());
}

CDC::CDC(CPixelSurface* target) : surface_(std::make_unique<platform_os::SurfaceDrawing>(target)) {
    Start(surface_.get());
}

CDC::~CDC() {
    Detach();
}

void CDC::Start(platform_os::DrawingBackend* drawing) {
    drawing_ = drawing;
    SelectStockObject(BLACK_PEN);
    SelectStockObject(WHITE_BRUSH);
    MoveTo(0, 0);
}

const CPixelSurface& CDC::GetSurface() const {
    return surface_->Surface();
}

CPixelSurface& CDC::Surface() {
    return surface_->Surface();
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
    Start(system_.get());
    return TRUE;
}

HDC CDC::Detach() {
    HDC dc = m_hDC;
    // The surface draws again with the pen and brush it had before.
    drawing_ = surface_.get();
    system_.reset();
    m_hDC = nullptr;
    return dc;
}

void CDC::SetClipBox(const CRect& rect) {
    surface_->SetClipBox(rect);
}

int CDC::GetClipBox(LPRECT rect) const {
    return drawing_->GetClipBox(rect);
}

CGdiObject* CDC::SelectStockObject(int index) {
    switch (index) {
    case WHITE_PEN:
    case BLACK_PEN:
    case NULL_PEN:
        return Select(&StockPen(index), index);
    case WHITE_BRUSH:
    case LTGRAY_BRUSH:
    case GRAY_BRUSH:
    case DKGRAY_BRUSH:
    case BLACK_BRUSH:
    case NULL_BRUSH:
        return Select(&StockBrush(index), index);
    default:
        return nullptr;
    }
}

CPen* CDC::SelectObject(CPen* pen) {
    return pen != nullptr ? Select(pen, -1) : nullptr;
}

CBrush* CDC::SelectObject(CBrush* brush) {
    return brush != nullptr ? Select(brush, -1) : nullptr;
}

CPen* CDC::Select(CPen* pen, int stock) {
    CPen* previous = drawing_->selectedPen;
    drawing_->selectedPen = pen;
    drawing_->SelectPen(*pen, stock);
    return previous;
}

CBrush* CDC::Select(CBrush* brush, int stock) {
    CBrush* previous = drawing_->selectedBrush;
    drawing_->selectedBrush = brush;
    drawing_->SelectBrush(*brush, stock);
    return previous;
}

CPoint CDC::MoveTo(int x, int y) {
    CPoint previous = position_;
    position_ = CPoint(x, y);
    drawing_->MoveTo(x, y);
    return previous;
}

BOOL CDC::LineTo(int x, int y) {
    const CPoint from = position_;
    position_ = CPoint(x, y);
    return drawing_->LineTo(from, position_);
}

BOOL CDC::Rectangle(int left, int top, int right, int bottom) {
    return drawing_->Rectangle(left, top, right, bottom);
}

void CDC::FillSolidRect(int x, int y, int width, int height, COLORREF color) {
    using platform_os::InCoordinateRange;
    if (!InCoordinateRange(x) || !InCoordinateRange(y) || !InCoordinateRange(width) ||
        !InCoordinateRange(height))
        return;
    drawing_->FillSolidRect(CRect(x, y, x + width, y + height), color);
}

void CDC::FillSolidRect(LPCRECT rect, COLORREF color) {
    if (rect != nullptr)
        FillSolidRect(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top,
                      color);
}

COLORREF CDC::SetPixel(int x, int y, COLORREF color) {
    return drawing_->SetPixel(x, y, color);
}

COLORREF CDC::GetPixel(int x, int y) const {
    return drawing_->GetPixel(x, y);
}

int CDC::SetDIBitsToDevice(int x, int y, const BITMAPINFOHEADER& header, const RGBQUAD* colors,
                           UINT colorCount, const void* bits, std::size_t bitsBytes) {
    platform_os::DibLayout layout;
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
    return drawing_->SetDIBitsToDevice(x, y, header, layout, quads, bits);
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
