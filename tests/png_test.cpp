// PNG output: what is written decodes to the pixels given, through the system's codec.
#include "cli/png.h"
#include "tests/support/test_util.h"

#include "platform/pngcodec.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace cmxtest;
using namespace vestrel_cli;

namespace {

struct Decoded {
    bool ok = false;
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};

Decoded Decode(const std::vector<unsigned char>& png) {
    Decoded d;
    CPixelSurface surface;
    d.ok = PlatformDecodePng(png.data(), png.size(), &surface) != FALSE;
    d.width = surface.GetWidth();
    d.height = surface.GetHeight();
    d.pixels.assign(surface.GetPixels(), surface.GetPixels() + d.width * d.height);
    return d;
}

// A surface with a different colour in each corner and a black line across.
void Paint(CDC& dc) {
    const int width = dc.GetSurface().GetWidth();
    const int height = dc.GetSurface().GetHeight();
    dc.SetPixel(0, 0, RGB(255, 0, 0));
    dc.SetPixel(width - 1, 0, RGB(0, 255, 0));
    dc.SetPixel(0, height - 1, RGB(0, 0, 255));
    dc.SetPixel(width - 1, height - 1, RGB(1, 2, 3));
    dc.MoveTo(0, height / 2);
    dc.LineTo(width, height / 2);
}

std::vector<std::uint32_t> PixelsOf(const CDC& dc) {
    const CPixelSurface& s = dc.GetSurface();
    return std::vector<std::uint32_t>(s.GetPixels(), s.GetPixels() + s.GetWidth() * s.GetHeight());
}

} // namespace

TEST(Png, EncodedPicturesDecodeToTheirPixels) {
    const std::pair<int, int> sizes[] = {{1, 1}, {5, 3}, {3, 5}, {130, 130}, {1000, 2}};
    for (auto [width, height] : sizes) {
        SCOPED_TRACE(testing::Message() << width << " x " << height);
        CDC dc(width, height);
        Paint(dc);
        const std::vector<unsigned char> png =
            PlatformEncodePng(dc.GetSurface(), CRect(0, 0, width, height));
        ASSERT_FALSE(png.empty());
        Decoded d = Decode(png);
        ASSERT_TRUE(d.ok);
        EXPECT_EQ(d.width, width);
        EXPECT_EQ(d.height, height);
        EXPECT_EQ(d.pixels, PixelsOf(dc));
    }
}

TEST(Png, AreasAreClippedToTheSurface) {
    CDC dc(6, 4);
    Paint(dc);
    Decoded part = Decode(PlatformEncodePng(dc.GetSurface(), CRect(-5, 1, 3, 100)));
    ASSERT_TRUE(part.ok);
    EXPECT_EQ(part.width, 3);
    EXPECT_EQ(part.height, 3);
    EXPECT_EQ(part.pixels[0], dc.GetSurface().At(0, 1));
    for (const CRect& empty : {CRect(0, 0, 0, 4), CRect(6, 0, 9, 4), CRect(2, 3, 1, 1)})
        EXPECT_TRUE(PlatformEncodePng(dc.GetSurface(), empty).empty());
    std::string error;
    EXPECT_FALSE(WritePng(TempDir().File("x.png"), dc.GetSurface(), CRect(0, 0, 0, 0), &error));
    EXPECT_FALSE(error.empty());
}

TEST(Png, Base64) {
    const std::pair<const char*, const char*> cases[] = {
        {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"foobar", "Zm9vYmFy"}};
    for (auto [text, encoded] : cases)
        EXPECT_EQ(Base64(std::vector<unsigned char>(text, text + std::strlen(text))), encoded);
}

TEST(Png, WrittenFilesDecode) {
    TempDir dir;
    CDC dc(7, 4);
    Paint(dc);
    std::string error;
    const std::string path = dir.File("picture.png");
    ASSERT_TRUE(WritePng(path, dc.GetSurface(), CRect(0, 0, 7, 4), &error)) << error;
    Bytes bytes = ReadFileBytes(path);
    Decoded d = Decode(bytes);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.pixels, PixelsOf(dc));

    EXPECT_FALSE(
        WritePng(dir.File("missing/picture.png"), dc.GetSurface(), CRect(0, 0, 7, 4), &error));
    EXPECT_NE(error.find("missing/picture.png"), std::string::npos);
}

TEST(Png, BytesThatAreNoPngDecodeToNothing) {
    CDC dc(5, 3);
    Paint(dc);
    const std::vector<unsigned char> good = PlatformEncodePng(dc.GetSurface(), CRect(0, 0, 5, 3));
    ASSERT_FALSE(good.empty());
    std::vector<unsigned char> damaged = good;
    damaged[good.size() / 2] ^= 0xFF;
    const std::vector<std::vector<unsigned char>> refused = {
        {},
        {'n', 'o', ' ', 'p', 'n', 'g'},
        std::vector<unsigned char>(good.begin(), good.begin() + 8),
        std::vector<unsigned char>(good.begin(), good.end() - 20),
        damaged,
    };
    for (const auto& bytes : refused) {
        SCOPED_TRACE(bytes.size());
        CPixelSurface surface(2, 2);
        EXPECT_FALSE(PlatformDecodePng(bytes.data(), bytes.size(), &surface));
        EXPECT_EQ(surface.GetWidth(), 0);
    }
}
