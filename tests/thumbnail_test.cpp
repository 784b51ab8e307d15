// The "DISP" chunk and the thumbnail block it becomes.
#include "drawset/bytes.h"
#include "tests/support/parser_access.h"
#include "tests/support/test_util.h"

#include <gtest/gtest.h>

#include <functional>

using namespace cmxtest;
using drawset_bytes::GetU32;

namespace {

// A palette of n entries, with pure white at index white (or none when white < 0).
std::vector<std::uint8_t> Palette(int n, int white) {
    std::vector<std::uint8_t> palette;
    for (int i = 0; i < n; ++i) {
        std::uint8_t v = i == white ? 255 : static_cast<std::uint8_t>(i % 200);
        palette.insert(palette.end(), {v, v, v, static_cast<std::uint8_t>(i == white ? 7 : 0)});
    }
    return palette;
}

Thumbnail Picture(int colors, int white) {
    Thumbnail t;
    t.palette = Palette(colors, white);
    for (int r = 0; r < 96; ++r)
        for (int c = 0; c < 96; ++c)
            t.pixels.push_back(static_cast<std::uint8_t>((r * 96 + c) % 251));
    return t;
}

Bytes FileWithThumbnail(const Thumbnail& t, Variant v = {}) {
    CmxBuilder cmx(v);
    cmx.Thumb(t);
    cmx.ColorTable({Rgb(1, 1, 1)});
    cmx.Page(PageBuilder(v));
    return cmx.Build();
}

} // namespace

TEST(Thumbnail, BlockLayout) {
    for (const Variant& v : AllVariants()) {
        SCOPED_TRACE(v.Name());
        Load load(FileWithThumbnail(Picture(256, 5), v));
        EXPECT_TRUE(load.messages().empty());
        const CGrObjBitmap* thumb = load.parser.GetDrawing()->thumbnail;
        ASSERT_NE(thumb, nullptr);
        ASSERT_EQ(thumb->GetSize(), 16424u + 1024u);
        const unsigned char* block = thumb->GetData();
        // The chunk's pixels sit in the middle, the margin holds the white index.
        EXPECT_EQ(block[0], 5);
        EXPECT_EQ(block[2047], 5);
        EXPECT_EQ(block[2048 + 15], 5);
        EXPECT_EQ(block[2064], 0);       // chunk row 0, byte 0
        EXPECT_EQ(block[2064 + 95], 95); // chunk row 0, byte 95
        EXPECT_EQ(block[2064 + 96], 5);  // right margin
        EXPECT_EQ(block[14319], (95 * 96 + 95) % 251);
        EXPECT_EQ(block[14336], 5);
        EXPECT_EQ(block[16383], 5);
        // The header, with the picture's new size.
        EXPECT_EQ(GetU32(block + 16384), 40u);
        EXPECT_EQ(GetU32(block + 16384 + 4), 128u);
        EXPECT_EQ(GetU32(block + 16384 + 8), 128u);
        EXPECT_EQ(GetU32(block + 16384 + 20), 16384u);
        EXPECT_EQ(GetU32(block + 16384 + 32), 256u);
        // The palette, unchanged.
        EXPECT_EQ(std::memcmp(block + 16424, Palette(256, 5).data(), 1024), 0);
    }
}

TEST(Thumbnail, WhiteIndex) {
    struct Case {
        int colors;
        int white;
        unsigned char margin;
    } cases[] = {{16, 5, 5}, {16, -1, 0}, {0, -1, 0}, {2, 0, 0}, {300, 280, 0}};
    for (const Case& c : cases) {
        Load load(FileWithThumbnail(Picture(c.colors, c.white)));
        const CGrObjBitmap* thumb = load.parser.GetDrawing()->thumbnail;
        ASSERT_NE(thumb, nullptr) << c.colors;
        EXPECT_EQ(thumb->GetSize(), 16424u + 4u * static_cast<DWORD>(c.colors));
        EXPECT_EQ(thumb->GetData()[0], c.margin) << c.colors << " " << c.white;
    }
}

TEST(Thumbnail, LongerPaletteThanCountedStillFindsThePixels) {
    // A full 256-entry table whose header counts 236 entries.
    Thumbnail t = Picture(256, 3);
    t.clrUsed = 236;
    Load load(FileWithThumbnail(t));
    const CGrObjBitmap* thumb = load.parser.GetDrawing()->thumbnail;
    ASSERT_NE(thumb, nullptr);
    EXPECT_EQ(thumb->GetSize(), 16424u + 4u * 236u);
    EXPECT_EQ(thumb->GetData()[2064], 0);
    EXPECT_EQ(thumb->GetData()[2064 + 1], 1);
    EXPECT_EQ(thumb->GetData()[14319], (95 * 96 + 95) % 251);
    EXPECT_EQ(GetU32(thumb->GetData() + 16384 + 32), 236u);
}

TEST(Thumbnail, MissingOrDamagedChunkReleasesTheThumbnail) {
    struct Case {
        const char* name;
        std::function<Bytes()> file;
    };
    const Case cases[] = {
        {"no chunk",
         [] {
             CmxBuilder cmx;
             cmx.Page(PageBuilder(Variant{}));
             return cmx.Build();
         }},
        {"biClrUsed past the body",
         [] {
             Thumbnail t = Picture(4, 1);
             t.clrUsed = 0x40000000;
             return FileWithThumbnail(t);
         }},
        {"pixels cut short",
         [] {
             Thumbnail t = Picture(4, 1);
             t.pixels.resize(9000);
             return FileWithThumbnail(t);
         }},
        {"file ends inside the chunk",
         [] {
             CmxBuilder cmx;
             cmx.Page(PageBuilder(Variant{}));
             cmx.Thumb(Picture(4, 1));
             Bytes file = cmx.Build();
             file.resize(file.size() - 100);
             return file;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Load load(c.file());
        EXPECT_EQ(load.result, 1);
        EXPECT_EQ(load.parser.GetDrawing()->thumbnail, nullptr);
        EXPECT_TRUE(load.messages().empty() || load.messages() == std::vector<int>{5});
    }
}

TEST(Thumbnail, DecodingLeavesTheReadPositionAlone) {
    CCmxParser parser;
    CCmxParserTestAccess access(parser);
    CmxBuilder cmx;
    cmx.Thumb(Picture(4, 2));
    access.SetBody(cmx.body(), Variant{});
    access.SetPos(17);
    EXPECT_EQ(access.ProcessThumbNail(), 1);
    EXPECT_EQ(access.pos(), 17u);
    access.Release();

    CCmxParser other;
    CCmxParserTestAccess missing(other);
    missing.SetBody({1, 2, 3}, Variant{});
    missing.SetPos(2);
    EXPECT_EQ(missing.ProcessThumbNail(), -1);
    EXPECT_EQ(missing.pos(), 2u);
    EXPECT_EQ(other.GetDrawing()->thumbnail, nullptr);
    missing.Release();
}
