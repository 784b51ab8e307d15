// Drawing a drawing's thumbnail block on a device context.
#include "platform/bytes.h"
#include "tests/support/test_util.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <iterator>

using namespace cmxtest;

namespace {

constexpr int kSide = 128;
constexpr std::size_t kPixels = 128 * 128;

// A block as the reader builds it: index pixels, header, palette. Entry i of the palette is
// grey level i, except that entry 1 is pure white; every pixel holds fill.
std::vector<unsigned char> Block(std::uint32_t colors, unsigned char fill = 1) {
    std::vector<unsigned char> block(kPixels + 40 + 4 * static_cast<std::size_t>(colors), fill);
    unsigned char* h = block.data() + kPixels;
    std::memset(h, 0, 40);
    byteorder::PutU32(h, 40);
    byteorder::PutU32(h + 4, kSide);
    byteorder::PutU32(h + 8, kSide);
    h[12] = 1;
    h[14] = 8;
    byteorder::PutU32(h + 20, kPixels);
    byteorder::PutU32(h + 32, colors);
    byteorder::PutU32(h + 36, colors);
    for (std::uint32_t i = 0; i < colors; ++i) {
        unsigned char grey = i == 1 ? 255 : static_cast<unsigned char>(i);
        unsigned char* q = block.data() + kPixels + 40 + 4 * i;
        q[0] = q[1] = q[2] = grey;
        q[3] = 0;
    }
    return block;
}

void Attach(CGrDrawset& drawing, const std::vector<unsigned char>& block) {
    CGrObjBitmap* bitmap = drawing.thumbnail;
    ::operator delete(bitmap->data);
    unsigned char* data = bitmap->GetMem(static_cast<unsigned long>(block.size()));
    std::memcpy(data, block.data(), block.size());
}

std::uint32_t Grey(unsigned level) {
    return level * 0x010101u;
}

// The surface pixels that are not white.
std::size_t Coloured(const CDC& dc) {
    std::size_t n = 0;
    const CPixelSurface& s = dc.GetSurface();
    for (int y = 0; y < s.GetHeight(); ++y)
        for (int x = 0; x < s.GetWidth(); ++x)
            n += s.At(x, y) != CPixelSurface::kWhite;
    return n;
}

} // namespace

TEST(ThumbnailDrawing, RowsAreBottomUpAtThePoint) {
    CGrDrawset drawing;
    std::vector<unsigned char> block = Block(256);
    block[0] = 10;               // first row stored, first column
    block[127] = 20;             // first row stored, last column
    block[127 * 128] = 30;       // last row stored, first column
    block[16 * 128 + 16] = 40;   // where the chunk's first picture byte goes
    block[111 * 128 + 111] = 50; // and its last
    Attach(drawing, block);
    CDC dc(kSide + 2, kSide + 2);
    drawing.ShowThumbNail(&dc, CPoint(1, 1));
    const CPixelSurface& s = dc.GetSurface();
    EXPECT_EQ(s.At(1, 128), Grey(10)); // the bottom row on screen
    EXPECT_EQ(s.At(128, 128), Grey(20));
    EXPECT_EQ(s.At(1, 1), Grey(30)); // the top row on screen
    EXPECT_EQ(s.At(17, 1 + 127 - 16), Grey(40));
    EXPECT_EQ(s.At(112, 1 + 127 - 111), Grey(50));
    // Everything else is the white index, visible as white; the frame around stays untouched.
    EXPECT_EQ(Coloured(dc), 5u);
}

TEST(ThumbnailDrawing, WhiteIndexAndPaletteEdges) {
    struct Case {
        const char* name;
        std::uint32_t colors;
        unsigned char index;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {"the white entry", 16, 1, 0xFFFFFF},
        {"a grey entry", 16, 15, Grey(15)},
        {"past the palette", 16, 16, 0},
        {"far past the palette", 2, 255, 0},
        {"more entries than an index can name", 300, 200, Grey(200)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CGrDrawset drawing;
        Attach(drawing, Block(c.colors, c.index));
        CDC dc(kSide, kSide);
        dc.FillSolidRect(0, 0, kSide, kSide, RGB(255, 0, 0));
        drawing.ShowThumbNail(&dc, CPoint(0, 0));
        EXPECT_EQ(dc.GetSurface().At(0, 0), c.expected);
        EXPECT_EQ(dc.GetSurface().At(kSide - 1, kSide - 1), c.expected);
    }
}

TEST(ThumbnailDrawing, NothingWithoutAUsableBlock) {
    auto damaged = [](auto change) {
        std::vector<unsigned char> block = Block(16, 0);
        change(block);
        return block;
    };
    auto field = [](std::size_t offset, std::uint32_t value) {
        return [=](std::vector<unsigned char>& b) {
            byteorder::PutU32(b.data() + kPixels + offset, value);
        };
    };
    struct Case {
        const char* name;
        std::vector<unsigned char> block;
    };
    const Case cases[] = {
        {"no palette", Block(0, 0)},
        {"one byte short", damaged([](auto& b) { b.pop_back(); })},
        {"one byte over", damaged([](auto& b) { b.push_back(0); })},
        {"only the pixels", damaged([](auto& b) { b.resize(kPixels); })},
        {"cut inside the header", damaged([](auto& b) { b.resize(kPixels + 39); })},
        {"palette count beyond the block", damaged(field(32, 0xFFFFFFFF))},
        {"palette count a little beyond", damaged(field(32, 17))},
        {"another width", damaged(field(4, 96))},
        {"another height", damaged(field(8, 96))},
        {"top-down", damaged(field(8, static_cast<std::uint32_t>(-128)))},
        {"4 bits per pixel", damaged([](auto& b) { b[kPixels + 14] = 4; })},
        {"compressed", damaged(field(16, 1))},
        {"another image size", damaged(field(20, 0))},
        {"a longer header", damaged(field(0, 108))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CGrDrawset drawing;
        Attach(drawing, c.block);
        CDC dc(kSide, kSide);
        drawing.ShowThumbNail(&dc, CPoint(0, 0));
        EXPECT_EQ(Coloured(dc), 0u);
    }

    CDC dc(kSide, kSide);
    CGrDrawset empty;
    empty.ShowThumbNail(&dc, CPoint(0, 0));
    empty.ShowThumbNail(nullptr, CPoint(0, 0));
    delete empty.thumbnail;
    empty.thumbnail = nullptr;
    empty.ShowThumbNail(&dc, CPoint(0, 0));
    EXPECT_EQ(Coloured(dc), 0u);
}

TEST(ThumbnailDrawing, ClippedToTheContext) {
    CGrDrawset drawing;
    Attach(drawing, Block(16, 0));
    const CPoint places[] = {{-100, -100}, {90, 90}, {-200, 0}, {INT_MAX, INT_MIN}};
    const std::size_t visible[] = {28 * 28, 10 * 10, 0, 0};
    for (std::size_t i = 0; i < std::size(places); ++i) {
        SCOPED_TRACE(i);
        CDC dc(100, 100);
        drawing.ShowThumbNail(&dc, places[i]);
        EXPECT_EQ(Coloured(dc), visible[i]);
    }
}

TEST(ThumbnailDrawing, ALoadedDrawingShowsItsPicture) {
    Thumbnail thumb;
    // Entry 0 red, entry 1 blue, entry 2 pure white: the margin.
    thumb.palette = {0, 0, 255, 0, 255, 0, 0, 0, 255, 255, 255, 7};
    for (int y = 0; y < 96; ++y)
        for (int x = 0; x < 96; ++x)
            thumb.pixels.push_back(y < 48 ? 0 : 1);
    CmxBuilder cmx;
    cmx.Thumb(thumb);
    cmx.ColorTable({Rgb(255, 0, 0)});
    PageBuilder page(Variant{});
    cmx.Page(page);
    Load load(cmx.Build());
    ASSERT_EQ(load.result, 1);
    CDC dc(130, 130);
    load.parser.GetDrawing()->ShowThumbNail(&dc, CPoint(1, 1));
    const CPixelSurface& s = dc.GetSurface();
    // The chunk's first rows are stored first, so they show at the bottom.
    EXPECT_EQ(s.At(17, 1 + 127 - 16), 0xFF0000u);
    EXPECT_EQ(s.At(112, 1 + 127 - 111), 0x0000FFu);
    EXPECT_EQ(s.At(1, 1), 0xFFFFFFu);
    EXPECT_EQ(s.At(16, 64), 0xFFFFFFu);
    EXPECT_EQ(Coloured(dc), std::size_t{96 * 96});
}
