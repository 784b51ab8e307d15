// Drawings drawn as their writer shows them: fills, outlines at their widths, dashes, open
// paths, images, checked at chosen pixels of the rendered picture.
#include "cli/commands.h"
#include "cli/svg.h"
#include "tests/support/test_util.h"

#include "platform/pngcodec.h"
#include "vestrel/cmx/cmxparser.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using namespace cmxtest;

namespace {

// A frame of 1000 x 1000 units, drawn at 100 x 100 pixels: a pixel is 10 units, and row r
// shows y = 1000 - 10 r.
Bytes AppearanceDrawing(Variant variant) {
    CmxBuilder cmx(variant);
    cmx.ColorTable(
        {Rgb(255, 0, 0), Rgb(0, 0, 255), Rgb(0, 160, 0), Rgb(255, 255, 0), Rgb(0, 0, 0)});
    cmx.OutlineEntries(
        {{1, 1, 2, 0, 1, 1}, {1, 1, 2, 0, 2, 1}, {1, 1, 3, 0, 3, 2}, {1, 1, 5, 0, 1, 1}});
    cmx.PenTable({{60}, {10}, {20}});
    cmx.LineStyleTable({2});
    cmx.DotDashTable({{}, {5, 5}});
    Raster green;
    green.width = 2;
    green.height = 2;
    green.bitsPerPixel = 24;
    green.pixels = {0, 160, 0, 0, 160, 0, 0, 0, 0, 160, 0, 0, 160, 0, 0, 0};
    cmx.Images({green});

    PageBuilder page(variant);
    page.BeginPage();
    page.BeginLayer();
    Attributes red;
    red.fill = Fill{1, 1, {}};
    Shape square;
    square.attributes = red;
    square.nodes = {{100, 100, kMoveNode},
                    {400, 100, kLineNode},
                    {400, 400, kLineNode},
                    {100, 400, kLineNode | 0x08}};
    page.PolyCurve(square);
    // Three open lines: 6 pixels wide, 1 pixel wide, and 2 wide in dashes of 10 pixels.
    for (auto [y, outline] : {std::pair{850, 1}, {695, 2}, {550, 3}}) {
        Attributes line;
        line.outlineRef = static_cast<std::uint16_t>(outline);
        page.PolyCurve(Polyline(500, y, 400, 0, 2, line));
    }
    // An open V with a fill, which its writer does not fill.
    Attributes yellow;
    yellow.fill = Fill{1, 4, {}};
    yellow.outlineRef = 4;
    Shape vee;
    vee.attributes = yellow;
    vee.nodes = {{100, 600, kMoveNode}, {250, 900, kLineNode}, {400, 600, kLineNode}};
    page.PolyCurve(vee);
    ImageRef image;
    image.left = 600;
    image.top = 400;
    image.right = 900;
    image.bottom = 100;
    page.DrawImage(image);
    cmx.Page(page);
    return cmx.Build();
}

} // namespace

#ifdef _WIN32
TEST(Render, SaysItIsNotAvailable) {
    TempDir dir;
    const std::string out = dir.File("drawing.png");
    EXPECT_EQ(vestrel_cli::Render({WriteTemp(AppearanceDrawing(Variant{})), out}),
              vestrel_cli::kExitFailed);
    EXPECT_FALSE(std::filesystem::exists(out));
}
#else
namespace {

struct Probe {
    const char* what;
    int x, y;
    std::uint32_t rgb; // 0x00RRGGBB
};

bool Near(std::uint32_t a, std::uint32_t b) {
    for (int shift = 0; shift < 24; shift += 8)
        if (std::abs(static_cast<int>((a >> shift) & 0xFF) -
                     static_cast<int>((b >> shift) & 0xFF)) > 64)
            return false;
    return true;
}

} // namespace

TEST(Render, DrawsFillsOutlinesDashesAndImagesWhereTheyStand) {
    const Probe probes[] = {
        {"inside the fill", 25, 75, 0xFF0000},
        {"outside everything", 5, 5, 0xFFFFFF},
        {"on the wide outline", 70, 15, 0x0000FF},
        {"2 pixels off the wide outline", 70, 13, 0x0000FF},
        {"4 pixels off the wide outline", 70, 19, 0xFFFFFF},
        {"on the thin outline", 70, 30, 0x0000FF},
        {"2 pixels off the thin outline", 70, 28, 0xFFFFFF},
        {"on a dash", 55, 45, 0x00A000},
        {"in a gap", 65, 45, 0xFFFFFF},
        {"on the next dash", 75, 45, 0x00A000},
        {"inside the open V", 25, 25, 0xFFFFFF},
        {"on the open V's side", 14, 32, 0x000000},
        {"inside the image", 75, 75, 0x00A000},
    };
    for (Variant variant : {Variant{}, Variant{false, true, false}}) {
        SCOPED_TRACE(variant.Name());
        TempDir dir;
        const std::string in = WriteTemp(AppearanceDrawing(variant));
        const std::string out = dir.File("drawing.png");
        ASSERT_EQ(vestrel_cli::Render({in, out, "--size", "100"}), vestrel_cli::kExitOk);
        const Bytes png = ReadFileBytes(out);
        CPixelSurface picture;
        ASSERT_TRUE(PlatformDecodePng(png.data(), png.size(), &picture));
        ASSERT_EQ(picture.GetWidth(), 100);
        ASSERT_EQ(picture.GetHeight(), 100);
        for (const Probe& probe : probes) {
            const std::uint32_t seen = picture.At(probe.x, probe.y) & 0xFFFFFF;
            EXPECT_TRUE(Near(seen, probe.rgb))
                << probe.what << ": " << std::hex << seen << " for " << probe.rgb;
        }
    }
}

#endif

TEST(Render, AppearanceOnlyWhenAskedAndInTheJobsColours) {
    MessageRecorder recorder;
    const std::string in = WriteTemp(AppearanceDrawing(Variant{}));
    CCmxParser plain;
    ASSERT_EQ(plain.LoadCmx6File(in.c_str()), 1);
    EXPECT_EQ(plain.GetAppearances().Count(), 0u);

    CCmxParser parser;
    parser.SetReadAppearance(true);
    ASSERT_EQ(parser.LoadCmx6File(in.c_str()), 1);
    const CGrDrawset& drawing = *parser.GetDrawing();
    const auto* square = static_cast<const CGrObj*>(drawing.GetHead());
    const CCmxAppearance* look = parser.GetAppearances().Find(square);
    ASSERT_NE(look, nullptr);
    EXPECT_EQ(look->fill, CCmxAppearance::FillKind::uniform);
    EXPECT_TRUE(look->closed);
    unsigned long jobColor = 0;
    ASSERT_TRUE(drawing.colorMap.LookupReference(
        static_cast<const CGrObjSimple*>(square)->GetLayerIndex(), &jobColor));
    EXPECT_EQ(look->fillColor, jobColor);
    // The dashed line: width 20, dashes counted in widths.
    POSITION at = drawing.FindIndex(3);
    const CCmxAppearance* dashed =
        parser.GetAppearances().Find(static_cast<const CGrObj*>(drawing.GetAt(at)));
    ASSERT_NE(dashed, nullptr);
    EXPECT_DOUBLE_EQ(dashed->outlineWidth, 20.0);
    EXPECT_EQ(dashed->dashes, (std::vector<double>{5, 5}));
    EXPECT_FALSE(dashed->closed);
    const std::string svg = vestrel_cli::DrawingSvg(drawing, &parser.GetAppearances());
    EXPECT_EQ(svg.find("vector-effect"), std::string::npos);
    EXPECT_NE(svg.find("stroke-dasharray=\"100 100\""), std::string::npos);
}
