// The device context: bitmaps, rectangles, lines, stock objects, and painting a window.
#include "platform/wnd.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <set>
#include <utility>
#include <vector>

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kBlack = 0x000000;
constexpr std::uint32_t kRed = 0xFF0000;
constexpr std::uint32_t kGreen = 0x00FF00;
constexpr std::uint32_t kBlue = 0x0000FF;
constexpr std::uint32_t kGrey = 0x808080;

using Grid = std::vector<std::vector<std::uint32_t>>; // rows from the top

// Palette 0 black, 1 white, 2 red, 3 green, 4 blue, 5 grey.
const std::vector<RGBQUAD> kPalette = {{0, 0, 0, 0},   {255, 255, 255, 0}, {0, 0, 255, 0},
                                       {0, 255, 0, 0}, {255, 0, 0, 0},     {128, 128, 128, 0}};

BITMAPINFOHEADER Header(int bits, int width, int height, DWORD colorsUsed = 0) {
    BITMAPINFOHEADER h = {};
    h.biSize = 40;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(bits);
    h.biCompression = BI_RGB;
    h.biClrUsed = colorsUsed;
    return h;
}

Grid Read(const CDC& dc) {
    const CPixelSurface& s = dc.GetSurface();
    Grid grid(s.GetHeight(), std::vector<std::uint32_t>(s.GetWidth()));
    for (int y = 0; y < s.GetHeight(); ++y)
        for (int x = 0; x < s.GetWidth(); ++x)
            grid[y][x] = s.At(x, y);
    return grid;
}

// A white surface of the given size with picture placed at (x, y), cut to the surface.
Grid Expected(int width, int height, const Grid& picture, long long x, long long y) {
    Grid grid(height, std::vector<std::uint32_t>(width, kWhite));
    for (std::size_t r = 0; r < picture.size(); ++r)
        for (std::size_t c = 0; c < picture[r].size(); ++c) {
            long long px = x + static_cast<long long>(c), py = y + static_cast<long long>(r);
            if (px >= 0 && px < width && py >= 0 && py < height)
                grid[py][px] = picture[r][c];
        }
    return grid;
}

std::set<std::pair<int, int>> Painted(const CDC& dc, std::uint32_t background = kWhite) {
    std::set<std::pair<int, int>> points;
    const CPixelSurface& s = dc.GetSurface();
    for (int y = 0; y < s.GetHeight(); ++y)
        for (int x = 0; x < s.GetWidth(); ++x)
            if (s.At(x, y) != background)
                points.insert({x, y});
    return points;
}

// A 3 x 2 picture that every bit depth but 1 can show.
const Grid kPicture = {{kRed, kGreen, kBlue}, {kWhite, kBlack, kGrey}};

// The same picture as 8-bit indices, top-down.
const std::vector<unsigned char> kTopDown8 = {2, 3, 4, 0, 1, 0, 5, 0};

} // namespace

TEST(Dib, EachBitDepthAndRowOrder) {
    struct Case {
        const char* name;
        int bits;
        int height; // negative: top-down
        std::vector<unsigned char> bytes;
        Grid picture;
    };
    const std::uint32_t kGrey555 = 0x848484; // 16 of 31 widened to 8 bits
    const Case cases[] = {
        {"1 bit, bottom-up",
         1,
         2,
         {0x60, 0, 0, 0, 0xA0, 0, 0, 0},
         Grid{{kWhite, kBlack, kWhite}, {kBlack, kWhite, kWhite}}},
        {"4 bits, bottom-up", 4, 2, {0x10, 0x50, 0, 0, 0x23, 0x40, 0, 0}, kPicture},
        {"8 bits, top-down", 8, -2, kTopDown8, kPicture},
        {"8 bits, bottom-up", 8, 2, {1, 0, 5, 0, 2, 3, 4, 0}, kPicture},
        {"16 bits, bottom-up",
         16,
         2,
         {0xFF, 0x7F, 0x00, 0x00, 0x10, 0x42, 0, 0, 0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0, 0},
         Grid{{kRed, kGreen, kBlue}, {kWhite, kBlack, kGrey555}}},
        {"24 bits, top-down",
         24,
         -2,
         {0, 0, 255, 0, 255, 0, 255, 0, 0, 9, 9, 9, 255, 255, 255, 0, 0, 0, 128, 128, 128, 9, 9, 9},
         kPicture},
        {"32 bits, bottom-up",
         32,
         2,
         {255, 255, 255, 0, 0, 0, 0, 0, 128, 128, 128, 0, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0},
         kPicture},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CDC dc(5, 4);
        EXPECT_EQ(dc.SetDIBitsToDevice(1, 1, Header(c.bits, 3, c.height), kPalette.data(),
                                       static_cast<UINT>(kPalette.size()), c.bytes.data(),
                                       c.bytes.size()),
                  2);
        EXPECT_EQ(Read(dc), Expected(5, 4, c.picture, 1, 1));
    }
}

TEST(Dib, ClippedAtEveryEdge) {
    const std::pair<int, int> places[] = {{-1, -1},
                                          {2, 3},
                                          {-2, 0},
                                          {3, -1},
                                          {4, 0},
                                          {0, 4},
                                          {-3, -2},
                                          {INT_MAX, 0},
                                          {0, INT_MIN},
                                          {INT_MIN, INT_MIN},
                                          {INT_MAX, INT_MAX}};
    for (auto [x, y] : places) {
        SCOPED_TRACE(testing::Message() << x << ", " << y);
        CDC dc(4, 4);
        EXPECT_EQ(dc.SetDIBitsToDevice(x, y, Header(8, 3, -2), kPalette.data(), 6, kTopDown8.data(),
                                       kTopDown8.size()),
                  2);
        EXPECT_EQ(Read(dc), Expected(4, 4, kPicture, x, y));
    }
}

TEST(Dib, HostileHeadersDrawNothing) {
    struct Case {
        const char* name;
        BITMAPINFOHEADER header;
        std::size_t bytes;
    };
    auto with = [](auto change) {
        BITMAPINFOHEADER h = Header(8, 3, -2);
        change(h);
        return h;
    };
    const Case cases[] = {
        {"no width", with([](auto& h) { h.biWidth = 0; }), 8},
        {"negative width", with([](auto& h) { h.biWidth = -3; }), 8},
        {"no height", with([](auto& h) { h.biHeight = 0; }), 8},
        {"huge width", with([](auto& h) { h.biWidth = INT32_MAX; }), 8},
        {"huge height", with([](auto& h) { h.biHeight = INT32_MAX; }), 8},
        {"most negative height", with([](auto& h) { h.biHeight = INT32_MIN; }), 8},
        {"huge width and height at 32 bits", with([](auto& h) {
             h.biWidth = INT32_MAX;
             h.biHeight = INT32_MIN;
             h.biBitCount = 32;
         }),
         8},
        {"no bit count", with([](auto& h) { h.biBitCount = 0; }), 8},
        {"2 bits", with([](auto& h) { h.biBitCount = 2; }), 8},
        {"64 bits", with([](auto& h) { h.biBitCount = 64; }), 8},
        {"run-length compressed", with([](auto& h) { h.biCompression = 1; }), 8},
        {"bit fields", with([](auto& h) { h.biCompression = 3; }), 8},
        {"one byte short", Header(8, 3, -2), 7},
        {"more rows than bytes", with([](auto& h) { h.biHeight = 3; }), 8},
        {"24 bits in 8-bit rows", with([](auto& h) { h.biBitCount = 24; }), 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CDC dc(4, 4);
        EXPECT_EQ(
            dc.SetDIBitsToDevice(0, 0, c.header, kPalette.data(), 6, kTopDown8.data(), c.bytes), 0);
        EXPECT_TRUE(Painted(dc).empty());
    }
    CDC dc(4, 4);
    EXPECT_EQ(dc.SetDIBitsToDevice(0, 0, Header(8, 3, -2), kPalette.data(), 6, nullptr, 8), 0);
}

TEST(Dib, IndicesPastTheColoursDrawBlack) {
    struct Case {
        const char* name;
        UINT colorCount;
        DWORD colorsUsed;
        const RGBQUAD* colors;
        std::vector<std::uint32_t> topRow;
    };
    const Case cases[] = {
        {"all six given", 6, 0, kPalette.data(), {kRed, kGreen, kBlue}},
        {"three given", 3, 0, kPalette.data(), {kRed, kBlack, kBlack}},
        {"header uses four", 6, 4, kPalette.data(), {kRed, kGreen, kBlack}},
        {"header uses more than given", 3, 200, kPalette.data(), {kRed, kBlack, kBlack}},
        {"no colours", 6, 0, nullptr, {kBlack, kBlack, kBlack}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CDC dc(3, 1);
        EXPECT_EQ(dc.SetDIBitsToDevice(0, 0, Header(8, 3, -1, c.colorsUsed), c.colors, c.colorCount,
                                       kTopDown8.data(), 4),
                  1);
        EXPECT_EQ(Read(dc), Grid{c.topRow});
    }
}

TEST(Dib, PackedBitmaps) {
    auto pack = [](const BITMAPINFOHEADER& h, std::size_t colors,
                   const std::vector<unsigned char>& bits) {
        std::vector<unsigned char> dib(sizeof h);
        std::memcpy(dib.data(), &h, sizeof h);
        const auto* table = reinterpret_cast<const unsigned char*>(kPalette.data());
        for (std::size_t i = 0; i < colors; ++i)
            dib.insert(dib.end(), table + 4 * (i % kPalette.size()),
                       table + 4 * (i % kPalette.size()) + 4);
        dib.insert(dib.end(), bits.begin(), bits.end());
        return dib;
    };
    const std::vector<unsigned char> rgb = {0,   0,   255, 0, 255, 0, 255, 0,   0,   0, 0, 0,
                                            255, 255, 255, 0, 0,   0, 128, 128, 128, 0, 0, 0};
    struct Case {
        const char* name;
        std::vector<unsigned char> dib;
        bool drawn;
    };
    BITMAPINFOHEADER bigger = Header(8, 3, -2, 6);
    bigger.biSize = 44;
    std::vector<unsigned char> longHeader = pack(bigger, 0, {});
    longHeader.insert(longHeader.end(), 4, 0);
    for (const RGBQUAD& q : kPalette)
        longHeader.insert(longHeader.end(), {q.rgbBlue, q.rgbGreen, q.rgbRed, 0});
    longHeader.insert(longHeader.end(), kTopDown8.begin(), kTopDown8.end());
    const Case cases[] = {
        {"8 bits with six colours", pack(Header(8, 3, -2, 6), 6, kTopDown8), true},
        {"8 bits with all 256 colours", pack(Header(8, 3, -2), 256, kTopDown8), true},
        {"24 bits with a table to skip", pack(Header(24, 3, -2, 2), 2, rgb), true},
        {"a header longer than 40 bytes", longHeader, true},
        {"8 bits without its 256 colours", pack(Header(8, 3, -2), 6, kTopDown8), false},
        {"colour count beyond the bytes", pack(Header(8, 3, -2, 0xFFFFFFFF), 6, kTopDown8), false},
        {"pixels cut short",
         [&] {
             auto d = pack(Header(8, 3, -2, 6), 6, kTopDown8);
             d.pop_back();
             return d;
         }(),
         false},
        {"header size below 40",
         [&] {
             BITMAPINFOHEADER h = Header(8, 3, -2, 6);
             h.biSize = 12;
             return pack(h, 6, kTopDown8);
         }(),
         false},
        {"header size beyond the bytes",
         [&] {
             BITMAPINFOHEADER h = Header(8, 3, -2, 6);
             h.biSize = 0xFFFFFFF0;
             return pack(h, 6, kTopDown8);
         }(),
         false},
        {"only part of a header", std::vector<unsigned char>(39, 0), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CDC dc(3, 2);
        EXPECT_EQ(dc.DrawPackedDIB(0, 0, c.dib.data(), c.dib.size()), c.drawn ? 2 : 0);
        EXPECT_EQ(Read(dc), c.drawn ? kPicture : Expected(3, 2, {}, 0, 0));
    }
    CDC dc(3, 2);
    EXPECT_EQ(dc.DrawPackedDIB(0, 0, nullptr, 100), 0);
}

TEST(Shapes, RectangleOutlineAndInterior) {
    struct Case {
        const char* name;
        int pen;
        int brush;
        CRect rect;
        std::vector<const char*> rows; // 'o' pen, 'x' brush, '.' untouched
    };
    const Case cases[] = {
        {"pen and brush",
         BLACK_PEN,
         LTGRAY_BRUSH,
         CRect(1, 1, 6, 5),
         {".......", ".ooooo.", ".oxxxo.", ".oxxxo.", ".ooooo.", "......."}},
        {"corners given the other way",
         BLACK_PEN,
         LTGRAY_BRUSH,
         CRect(6, 5, 1, 1),
         {".......", ".ooooo.", ".oxxxo.", ".oxxxo.", ".ooooo.", "......."}},
        {"null brush",
         BLACK_PEN,
         NULL_BRUSH,
         CRect(1, 1, 6, 5),
         {".......", ".ooooo.", ".o...o.", ".o...o.", ".ooooo.", "......."}},
        {"null pen fills one pixel less",
         NULL_PEN,
         LTGRAY_BRUSH,
         CRect(1, 1, 6, 5),
         {".......", ".xxxx..", ".xxxx..", ".xxxx..", ".......", "......."}},
        {"one pixel wide",
         BLACK_PEN,
         LTGRAY_BRUSH,
         CRect(2, 1, 3, 4),
         {".......", "..o....", "..o....", "..o....", ".......", "......."}},
        {"empty",
         BLACK_PEN,
         LTGRAY_BRUSH,
         CRect(2, 2, 2, 5),
         {".......", ".......", ".......", ".......", ".......", "......."}},
        {"past the edges",
         BLACK_PEN,
         LTGRAY_BRUSH,
         CRect(-1, 3, 9, 9),
         {".......", ".......", ".......", "ooooooo", "xxxxxxx", "xxxxxxx"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CDC dc(7, 6);
        dc.FillSolidRect(0, 0, 7, 6, RGB(255, 0, 0));
        dc.SelectStockObject(c.pen);
        dc.SelectStockObject(c.brush);
        EXPECT_TRUE(dc.Rectangle(c.rect));
        Grid expected;
        for (const char* row : c.rows) {
            expected.emplace_back();
            for (const char* p = row; *p != 0; ++p)
                expected.back().push_back(*p == 'o' ? kBlack : *p == 'x' ? 0xC0C0C0 : kRed);
        }
        EXPECT_EQ(Read(dc), expected);
    }
}

TEST(Shapes, LinesLeaveOutTheirEndPoint) {
    using Points = std::set<std::pair<int, int>>;
    struct Case {
        const char* name;
        CPoint from;
        CPoint to;
        Points drawn;
    };
    const Case cases[] = {
        {"horizontal", {1, 2}, {4, 2}, {{1, 2}, {2, 2}, {3, 2}}},
        {"leftwards", {4, 2}, {1, 2}, {{4, 2}, {3, 2}, {2, 2}}},
        {"vertical", {2, 0}, {2, 3}, {{2, 0}, {2, 1}, {2, 2}}},
        {"upwards", {2, 3}, {2, 0}, {{2, 3}, {2, 2}, {2, 1}}},
        {"diagonal", {0, 0}, {3, 3}, {{0, 0}, {1, 1}, {2, 2}}},
        {"rising diagonal", {1, 4}, {4, 1}, {{1, 4}, {2, 3}, {3, 2}}},
        {"shallow", {0, 0}, {6, 2}, {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 1}, {5, 2}}},
        {"steep", {0, 0}, {2, 6}, {{0, 0}, {0, 1}, {1, 2}, {1, 3}, {1, 4}, {2, 5}}},
        {"no length", {3, 3}, {3, 3}, {}},
        {"from outside", {-3, 1}, {2, 1}, {{0, 1}, {1, 1}}},
        {"long and far outside",
         {-100000000, 5},
         {100000000, 5},
         {{0, 5}, {1, 5}, {2, 5}, {3, 5}, {4, 5}, {5, 5}, {6, 5}, {7, 5}}},
        {"beyond the coordinate range", {0, 1}, {INT_MAX, 1}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CDC dc(8, 6);
        dc.MoveTo(c.from);
        dc.LineTo(c.to);
        EXPECT_EQ(Painted(dc), c.drawn);
        EXPECT_EQ(dc.GetCurrentPosition(), c.to);
    }
}

TEST(Shapes, CurrentPositionAndNullPen) {
    CDC dc(8, 8);
    EXPECT_EQ(dc.MoveTo(2, 3), CPoint(0, 0));
    EXPECT_EQ(dc.MoveTo(4, 4), CPoint(2, 3));
    dc.SelectStockObject(NULL_PEN);
    EXPECT_TRUE(dc.LineTo(7, 4));
    EXPECT_TRUE(Painted(dc).empty());
    EXPECT_EQ(dc.GetCurrentPosition(), CPoint(7, 4));
    EXPECT_FALSE(dc.LineTo(INT_MIN, 0));
    EXPECT_EQ(dc.GetCurrentPosition(), CPoint(INT_MIN, 0));
}

TEST(Shapes, NoPreviewPlaceholder) {
    // A grey box with a black border and a cross, as the open dialog draws it.
    CDC dc(6, 6);
    CRect client(0, 0, 6, 6);
    dc.SelectStockObject(LTGRAY_BRUSH);
    dc.SelectStockObject(BLACK_PEN);
    dc.Rectangle(client.left, client.top, client.right, client.bottom);
    dc.MoveTo(client.left, client.top);
    dc.LineTo(client.right, client.bottom);
    dc.MoveTo(client.left + 1, client.bottom - 1);
    dc.LineTo(client.right, client.top);
    // The second line starts one pixel in, so the cross is not symmetric.
    const char* rows[] = {"oooooo", "oo...o", "o.o.oo", "o..o.o", "o.o.oo", "oooooo"};
    Grid expected;
    for (const char* row : rows) {
        expected.emplace_back();
        for (const char* p = row; *p != 0; ++p)
            expected.back().push_back(*p == 'o' ? kBlack : 0xC0C0C0);
    }
    EXPECT_EQ(Read(dc), expected);
}

TEST(Objects, StockObjectsSelectAndReturnThePrevious) {
    struct Case {
        int index;
        bool pen;
        std::uint32_t colour; // drawn over red; red when nothing is drawn
    };
    const Case cases[] = {
        {WHITE_BRUSH, false, kWhite}, {LTGRAY_BRUSH, false, 0xC0C0C0},
        {GRAY_BRUSH, false, kGrey},   {DKGRAY_BRUSH, false, 0x404040},
        {BLACK_BRUSH, false, kBlack}, {NULL_BRUSH, false, kRed},
        {BLACK_PEN, true, kBlack},    {WHITE_PEN, true, kWhite},
        {NULL_PEN, true, kRed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        CDC dc(3, 3);
        dc.FillSolidRect(0, 0, 3, 3, RGB(255, 0, 0));
        CGdiObject* initial = dc.SelectStockObject(c.index);
        ASSERT_NE(initial, nullptr);
        EXPECT_TRUE(initial->IsKindOf(c.pen ? RUNTIME_CLASS(CPen) : RUNTIME_CLASS(CBrush)));
        if (c.pen)
            dc.SelectStockObject(NULL_BRUSH);
        dc.Rectangle(0, 0, 3, 3);
        EXPECT_EQ(dc.GetSurface().At(c.pen ? 0 : 1, 1), c.colour);
        // Selecting the first object again hands back the stock object.
        CGdiObject* stock =
            c.pen ? static_cast<CGdiObject*>(dc.SelectObject(static_cast<CPen*>(initial)))
                  : dc.SelectObject(static_cast<CBrush*>(initial));
        EXPECT_EQ(dc.SelectStockObject(c.index), initial);
        EXPECT_EQ(dc.SelectStockObject(c.index), stock);
    }
    CDC dc(1, 1);
    EXPECT_EQ(dc.SelectStockObject(99), nullptr);
    EXPECT_EQ(dc.SelectObject(static_cast<CPen*>(nullptr)), nullptr);
    // The defaults are the black pen and the white brush.
    EXPECT_EQ(dc.SelectStockObject(BLACK_PEN), dc.SelectStockObject(BLACK_PEN));
    EXPECT_EQ(dc.SelectStockObject(WHITE_BRUSH), dc.SelectStockObject(WHITE_BRUSH));
}

TEST(Objects, OwnPensAndBrushesOutliveNothing) {
    CDC dc(4, 4);
    {
        CPen pen(PS_SOLID, 3, RGB(0, 0, 255));
        CBrush brush(RGB(0, 255, 0));
        dc.SelectObject(&pen);
        dc.SelectObject(&brush);
    }
    // The context kept the colours; the objects themselves are gone.
    dc.Rectangle(0, 0, 4, 4);
    EXPECT_EQ(dc.GetSurface().At(0, 0), kBlue);
    EXPECT_EQ(dc.GetSurface().At(1, 1), kGreen);
}

TEST(Pixels, SetGetAndFill) {
    CDC dc(4, 3);
    EXPECT_EQ(dc.SetPixel(1, 2, RGB(1, 2, 3)), RGB(1, 2, 3));
    EXPECT_EQ(dc.GetSurface().At(1, 2), 0x010203u);
    EXPECT_EQ(dc.GetPixel(1, 2), RGB(1, 2, 3));
    EXPECT_EQ(dc.GetPixel(0, 0), RGB(255, 255, 255));
    const std::pair<int, int> outside[] = {{-1, 0}, {4, 0}, {0, 3}, {0, -1}, {INT_MIN, INT_MAX}};
    for (auto [x, y] : outside) {
        EXPECT_EQ(dc.SetPixel(x, y, 0), CLR_INVALID);
        EXPECT_EQ(dc.GetPixel(x, y), CLR_INVALID);
    }
    dc.FillSolidRect(CRect(-5, 1, 2, 100), RGB(0, 0, 255));
    EXPECT_EQ(Painted(dc), (std::set<std::pair<int, int>>{{0, 1}, {1, 1}, {0, 2}, {1, 2}}));
    EXPECT_EQ(dc.GetSurface().At(1, 2), kBlue);

    CDC none;
    EXPECT_EQ(none.GetSurface().GetWidth(), 0);
    EXPECT_EQ(none.GetClipBox(nullptr), NULLREGION);
    none.Rectangle(0, 0, 10, 10);
    EXPECT_EQ(none.SetPixel(0, 0, 0), CLR_INVALID);
    CDC clamped(-4, CPixelSurface::kMaxSide + 1);
    EXPECT_EQ(clamped.GetSurface().GetWidth(), 0);
    EXPECT_EQ(clamped.GetSurface().GetHeight(), CPixelSurface::kMaxSide);
}

TEST(Window, PlacementAndClientArea) {
    CWnd wnd;
    CRect rect(1, 1, 1, 1);
    wnd.GetClientRect(rect);
    EXPECT_TRUE(rect.IsRectNull());
    EXPECT_FALSE(wnd.GetUpdateRect(nullptr));
    wnd.MoveWindow(10, 20, 8, 6);
    wnd.GetClientRect(rect);
    EXPECT_EQ(rect, CRect(0, 0, 8, 6));
    wnd.GetWindowRect(rect);
    EXPECT_EQ(rect, CRect(10, 20, 18, 26));
    EXPECT_EQ(wnd.GetSurface().GetWidth(), 8);
    EXPECT_EQ(wnd.GetSurface().GetHeight(), 6);
    EXPECT_TRUE(wnd.GetUpdateRect(rect));
    EXPECT_EQ(rect, CRect(0, 0, 8, 6));
    EXPECT_TRUE(wnd.IsKindOf(RUNTIME_CLASS(CObject)));
}

TEST(Window, PaintingDrawsIntoTheWindowAndValidatesIt) {
    CWnd wnd;
    wnd.MoveWindow(0, 0, 6, 4);
    {
        CPaintDC dc(&wnd);
        EXPECT_EQ(CRect(dc.m_ps.rcPaint), CRect(0, 0, 6, 4));
        dc.FillSolidRect(0, 0, 6, 4, RGB(255, 0, 0));
    }
    EXPECT_EQ(wnd.GetSurface().At(5, 3), kRed);
    EXPECT_FALSE(wnd.GetUpdateRect(nullptr));

    // Nothing is due: a paint now is clipped away entirely.
    {
        CPaintDC dc(&wnd);
        EXPECT_EQ(dc.GetClipBox(nullptr), NULLREGION);
        dc.FillSolidRect(0, 0, 6, 4, RGB(0, 0, 255));
    }
    EXPECT_EQ(wnd.GetSurface().At(0, 0), kRed);

    // A part with erasing: cleared to white, and only that part is painted.
    CRect part(1, 1, 3, 2);
    wnd.InvalidateRect(part, TRUE);
    {
        CPaintDC dc(&wnd);
        EXPECT_EQ(dc.GetPixel(1, 1), RGB(255, 255, 255));
        dc.SetPixel(2, 1, RGB(0, 255, 0));
        dc.SetPixel(4, 1, RGB(0, 255, 0));
    }
    EXPECT_EQ(wnd.GetSurface().At(1, 1), kWhite);
    EXPECT_EQ(wnd.GetSurface().At(2, 1), kGreen);
    EXPECT_EQ(wnd.GetSurface().At(4, 1), kRed);

    // Without erasing the pixels stay until they are painted over.
    wnd.Invalidate(FALSE);
    {
        CPaintDC dc(&wnd);
        EXPECT_EQ(dc.GetPixel(0, 0), RGB(255, 0, 0));
    }
    // Two parts become their bounding box; a part outside the window adds nothing.
    CRect outside(10, 10, 20, 20);
    wnd.InvalidateRect(outside);
    EXPECT_FALSE(wnd.GetUpdateRect(nullptr));
    CRect a(0, 0, 1, 1), b(4, 2, 5, 3), update;
    wnd.InvalidateRect(a, FALSE);
    wnd.InvalidateRect(b, TRUE);
    EXPECT_TRUE(wnd.GetUpdateRect(update, TRUE));
    EXPECT_EQ(update, CRect(0, 0, 5, 3));
    EXPECT_EQ(wnd.GetSurface().At(2, 1), kWhite); // erased now, by the request
}

TEST(Window, ResizingStartsAWhiteSurfaceDueForPainting) {
    CWnd wnd;
    wnd.MoveWindow(0, 0, 4, 4);
    {
        CPaintDC dc(&wnd);
        dc.FillSolidRect(0, 0, 4, 4, RGB(255, 0, 0));
    }
    wnd.MoveWindow(5, 5, 4, 4, FALSE);
    EXPECT_FALSE(wnd.GetUpdateRect(nullptr));
    EXPECT_EQ(wnd.GetSurface().At(0, 0), kRed);
    wnd.MoveWindow(5, 5, 3, 2, FALSE);
    EXPECT_TRUE(wnd.GetUpdateRect(nullptr));
    EXPECT_EQ(wnd.GetSurface().GetWidth(), 3);
    EXPECT_EQ(wnd.GetSurface().At(0, 0), kWhite);

    CPaintDC detached(nullptr);
    EXPECT_EQ(detached.GetClipBox(nullptr), NULLREGION);
    detached.Rectangle(0, 0, 5, 5);
}
