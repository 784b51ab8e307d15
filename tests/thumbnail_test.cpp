// The "DISP" chunk and the thumbnail block it becomes.
#include "platform/bytes.h"
#include "tests/support/cmxbuilder.h"
#include "vestrel/cmx/probe.h"
#include "tests/support/test_util.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <functional>

using namespace cmxtest;
using byteorder::GetU16;
using byteorder::GetU32;

namespace {

// A palette of n entries, with pure white at index white and again at secondWhite (none where
// an index is below 0).
std::vector<std::uint8_t> Palette(int n, int white, int secondWhite = -1) {
    std::vector<std::uint8_t> palette;
    for (int i = 0; i < n; ++i) {
        const bool isWhite = i == white || i == secondWhite;
        std::uint8_t v = isWhite ? 255 : static_cast<std::uint8_t>(i % 200);
        palette.insert(palette.end(), {v, v, v, static_cast<std::uint8_t>(isWhite ? 7 : 0)});
    }
    return palette;
}

Thumbnail Picture(int colors, int white, int secondWhite = -1) {
    Thumbnail t;
    t.palette = Palette(colors, white, secondWhite);
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

// The margin holds the index of the first pure white entry, as read from the margin's pixels.
TEST(Thumbnail, WhiteIndex) {
    struct Case {
        int colors;
        int white, secondWhite;
        unsigned char margin;
    } cases[] = {{16, 5, -1, 5}, {16, -1, -1, 0}, {2, 0, -1, 0}, {300, 280, -1, 0}, {16, 7, 3, 3}};
    for (const Case& c : cases) {
        Load load(FileWithThumbnail(Picture(c.colors, c.white, c.secondWhite)));
        const CGrObjBitmap* thumb = load.parser.GetDrawing()->thumbnail;
        ASSERT_NE(thumb, nullptr) << c.colors;
        EXPECT_EQ(thumb->GetSize(), 16424u + 4u * static_cast<DWORD>(c.colors));
        EXPECT_EQ(thumb->GetData()[0], c.margin) << c.colors << " " << c.white;
        EXPECT_EQ(thumb->GetData()[16383], c.margin);
    }
}

// The pixels follow the palette that biClrUsed counts, whatever the chunk's stated size; an
// 8-bit picture that counts no colours carries all 256.
TEST(Thumbnail, PixelsFollowTheCountedPalette) {
    struct Case {
        const char* name;
        int stored;                           // palette entries in the chunk
        std::optional<std::uint32_t> clrUsed; // as the header says
        std::optional<std::uint32_t> chunkSize;
        std::uint32_t blockColors;
        unsigned char firstPixel; // chunk byte read as row 0, byte 0
    };
    const Case cases[] = {
        {"as counted", 16, {}, {}, 16, 0},
        {"longer palette than counted", 256, 236, {}, 236, 236 % 200},
        {"stated size 0", 16, {}, 0, 16, 0},
        {"stated size past the body", 16, {}, 0x7FFFFFFF, 16, 0},
        {"biClrUsed 0 and a full palette", 256, 0, {}, 256, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Thumbnail t = Picture(c.stored, -1);
        t.clrUsed = c.clrUsed;
        // Trailing bytes behind the pixels change nothing.
        t.pixels.resize(96 * 96 + 40, 0xEE);
        Bytes file = FileWithThumbnail(t);
        if (c.chunkSize) {
            const std::size_t at = 200 + 4;
            byteorder::PutU32(&file[at], *c.chunkSize);
        }
        Load load(file);
        const CGrObjBitmap* thumb = load.parser.GetDrawing()->thumbnail;
        ASSERT_NE(thumb, nullptr);
        EXPECT_EQ(thumb->GetSize(), 16424u + 4u * c.blockColors);
        EXPECT_EQ(GetU32(thumb->GetData() + 16384 + 32), c.blockColors);
        const unsigned char* pixel = thumb->GetData() + 2064;
        if (c.stored == static_cast<int>(c.blockColors)) {
            // The picture itself: the pixels lie where the counted palette ends.
            EXPECT_EQ(pixel[0], 0);
            EXPECT_EQ(pixel[1], 1);
            EXPECT_EQ(thumb->GetData()[14319], (95 * 96 + 95) % 251);
        } else {
            // The entries that biClrUsed leaves out are read as pixels: blue, green, red of
            // entry 236.
            EXPECT_EQ(pixel[0], c.firstPixel);
        }
        EXPECT_EQ(load.parser.GetStopRecord().thumbnail, CmxThumbnail::palette);
    }
}

// A 24-bit or 32-bit picture gets a palette of its own: its colours exactly when they fit,
// else within the palette's rounding; white stays available for the margin.
TEST(Thumbnail, TrueColourPicturesGetAPalette) {
    struct Case {
        const char* name;
        std::uint16_t bitCount;
        bool gradient; // many colours, else four
        int tolerance;
    };
    const Case cases[] = {
        {"24 bits, four colours", 24, false, 0},
        {"32 bits, four colours", 32, false, 0},
        {"24 bits, a gradient", 24, true, 26},
        {"32 bits, a gradient", 32, true, 26},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const unsigned bytes = c.bitCount / 8u;
        Thumbnail t;
        t.bitCount = c.bitCount;
        std::vector<std::array<int, 3>> colours; // blue, green, red per pixel
        for (int r = 0; r < 96; ++r) {
            for (int col = 0; col < 96; ++col) {
                std::array<int, 3> bgr =
                    c.gradient ? std::array<int, 3>{r * 2, col * 2 + 40, 255 - r}
                               : std::array<int, 3>{(r / 48) * 200, 30, (col / 48) * 90};
                colours.push_back(bgr);
                for (unsigned k = 0; k < bytes; ++k)
                    t.pixels.push_back(static_cast<std::uint8_t>(k < 3 ? bgr[k] : 0x77));
            }
        }
        Load load(FileWithThumbnail(t));
        EXPECT_EQ(load.parser.GetStopRecord().thumbnail, CmxThumbnail::trueColor);
        const CGrObjBitmap* thumb = load.parser.GetDrawing()->thumbnail;
        ASSERT_NE(thumb, nullptr);
        ASSERT_EQ(thumb->GetSize(), 16424u + 1024u);
        const unsigned char* block = thumb->GetData();
        EXPECT_EQ(GetU16(block + 16384 + 14), 8);
        EXPECT_EQ(GetU32(block + 16384 + 32), 256u);
        const unsigned char* palette = block + 16424;
        const unsigned char margin = block[0];
        EXPECT_EQ(palette[4 * margin], 255);
        EXPECT_EQ(palette[4 * margin + 1], 255);
        EXPECT_EQ(palette[4 * margin + 2], 255);
        int worst = 0;
        for (int r = 0; r < 96; ++r)
            for (int col = 0; col < 96; ++col) {
                const unsigned char index = block[(16 + r) * 128 + 16 + col];
                for (int k = 0; k < 3; ++k)
                    worst = std::max(worst,
                                     std::abs(palette[4 * index + k] -
                                              colours[static_cast<std::size_t>(r * 96 + col)][k]));
            }
        EXPECT_LE(worst, c.tolerance);
    }
}

// Writers store larger previews: scaled down to the picture area by area averaging, aspect kept
// and centred on white, the thumbnail looks like the preview box-filtered to that size.
TEST(Thumbnail, LargePicturesAreScaledDownToFit) {
    auto scene = [](std::uint32_t x, std::uint32_t y) {
        return Rgb8{static_cast<std::uint8_t>(x % 256), static_cast<std::uint8_t>(y % 256),
                    static_cast<std::uint8_t>((x / 16 + y / 16) % 2 * 255)};
    };
    Thumbnail eightBit = Picture24(512, 256, scene);
    // The same picture as palette indices: a grey ramp.
    eightBit.bitCount = 8;
    eightBit.palette = Palette(256, 255);
    eightBit.pixels.clear();
    for (std::uint32_t y = 0; y < 256; ++y)
        for (std::uint32_t x = 0; x < 512; ++x)
            eightBit.pixels.push_back(static_cast<std::uint8_t>(x / 2 % 200));
    struct Case {
        const char* name;
        Thumbnail picture;
        // The picture's colour at (x, y), y from the bottom.
        std::function<std::array<int, 3>(std::uint32_t, std::uint32_t)> bgr;
    };
    auto at24 = [](const Thumbnail& t) {
        return [&t](std::uint32_t x, std::uint32_t y) {
            const std::size_t stride = (t.width * 3 + 3) / 4 * 4;
            const std::uint8_t* p = &t.pixels[y * stride + 3 * x];
            return std::array<int, 3>{p[0], p[1], p[2]};
        };
    };
    const Thumbnail preview = WriterPreview(), wide = Picture24(300, 150, scene),
                    tall = Picture24(97, 390, scene);
    const Case cases[] = {
        {"the writers' 256 x 256 preview", preview, at24(preview)},
        {"wide", wide, at24(wide)},
        {"tall, rows padded", tall, at24(tall)},
        {"8 bits", eightBit,
         [](std::uint32_t x, std::uint32_t) {
             const int v = static_cast<int>(x / 2 % 200);
             return std::array<int, 3>{v, v, v};
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Thumbnail& t = c.picture;
        Load load(FileWithThumbnail(t));
        const CGrObjBitmap* thumb = load.parser.GetDrawing()->thumbnail;
        ASSERT_NE(thumb, nullptr);
        const unsigned char* block = thumb->GetData();
        const unsigned char* palette = block + 16424;
        // The picture's box inside the area, as the longer side gives it.
        const std::uint32_t longer = std::max(t.width, t.height);
        const std::uint32_t w = (t.width * 96 + longer / 2) / longer;
        const std::uint32_t h = (t.height * 96 + longer / 2) / longer;
        const std::uint32_t left = (96 - w) / 2, bottom = (96 - h) / 2;
        // The preview box-filtered: each of its pixels counts towards the box it falls in.
        std::vector<std::array<double, 4>> boxes(96 * 96, {0, 0, 0, 0});
        for (std::uint32_t y = 0; y < t.height; ++y)
            for (std::uint32_t x = 0; x < t.width; ++x) {
                auto& box = boxes[(bottom + y * h / t.height) * 96 + left + x * w / t.width];
                const auto bgr = c.bgr(x, y);
                for (int k = 0; k < 3; ++k)
                    box[k] += bgr[k];
                box[3] += 1;
            }
        double error[3] = {0, 0, 0};
        for (std::uint32_t r = 0; r < 96; ++r)
            for (std::uint32_t col = 0; col < 96; ++col) {
                const unsigned char* shown = palette + 4 * block[(16 + r) * 128 + 16 + col];
                const auto& box = boxes[r * 96 + col];
                for (int k = 0; k < 3; ++k) {
                    const double want = box[3] > 0 ? box[k] / box[3] : 255.0;
                    error[k] += std::abs(shown[k] - want) / (96.0 * 96.0);
                }
            }
        for (double e : error)
            EXPECT_LE(e, 20.0);
    }
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
        {"pixels cut short by the body's end",
         [] {
             CmxBuilder cmx;
             cmx.Page(PageBuilder(Variant{}));
             Thumbnail t = Picture(4, 1);
             t.pixels.resize(9000);
             cmx.Thumb(t);
             return cmx.Build();
         }},
        {"a large picture cut short by the body's end",
         [] {
             CmxBuilder cmx;
             cmx.Page(PageBuilder(Variant{}));
             Thumbnail t = WriterPreview();
             t.pixels.resize(t.pixels.size() - 4);
             cmx.Thumb(t);
             return cmx.Build();
         }},
        {"a huge stated picture",
         [] {
             Thumbnail t = WriterPreview();
             t.width = t.height = 0x7FFFFFFF;
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
    CCmxParserProbe access(parser);
    CmxBuilder cmx;
    cmx.Thumb(Picture(4, 2));
    access.SetBody(cmx.body(), Variant{});
    access.Seek(17);
    EXPECT_EQ(access.ProcessThumbNail(), 1);
    EXPECT_EQ(access.Position(), 17u);
    access.Release();

    CCmxParser other;
    CCmxParserProbe missing(other);
    missing.SetBody({1, 2, 3}, Variant{});
    missing.Seek(2);
    EXPECT_EQ(missing.ProcessThumbNail(), -1);
    EXPECT_EQ(missing.Position(), 2u);
    EXPECT_EQ(other.GetDrawing()->thumbnail, nullptr);
    missing.Release();
}
