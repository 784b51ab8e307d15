// Rectangles and global transforms: what real CorelDRAW files hold beyond poly-curves.
#include "tests/support/cmxbuilder.h"
#include "tests/support/test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace cmxtest;

namespace {

Attributes Filled(std::uint16_t color) {
    Attributes a;
    a.fill = Fill{1, color, {}};
    a.outlineRef = 1;
    return a;
}

struct Extent {
    double minX, minY, maxX, maxY;
};

Extent ExtentOf(const std::vector<tagDoublePoint>& points) {
    Extent e{points.at(0).x, points.at(0).y, points.at(0).x, points.at(0).y};
    for (const tagDoublePoint& p : points) {
        e.minX = std::min(e.minX, p.x);
        e.maxX = std::max(e.maxX, p.x);
        e.minY = std::min(e.minY, p.y);
        e.maxY = std::max(e.maxY, p.y);
    }
    return e;
}

// A drawing laid out as a CorelDRAW file that holds one rectangle: its bounding box, a global
// transform that moves the page's origin, the rectangle in the page's coordinates, and the
// colour and outline tables.
Bytes CorelRectangle() {
    const Variant v{true, false, true};
    CmxBuilder cmx(v);
    cmx.header().scaleFactor = 1e-6;
    cmx.header().left = -804216;
    cmx.header().top = 569653;
    cmx.header().right = 392534;
    cmx.header().bottom = -244136;
    cmx.ColorTable({CmykPercent(0, 0, 0, 100), CmykPercent(0, 100, 100, 0)});
    cmx.OutlineTable({1});
    PageBuilder page(v);
    page.BeginPage();
    page.BeginLayer();
    page.AddGlobalTransform(1, 0, 0, 1, -804216, 569653);
    RectangleShape r;
    r.attributes = Filled(2);
    r.centreX = 598375;
    r.centreY = -406895;
    r.width = 1196750;
    r.height = 813790;
    page.Rectangle(r);
    page.RestoreGlobalTransform();
    cmx.Page(page);
    return cmx.Build();
}

} // namespace

TEST(Rectangle, TheCorelFileFillsItsFrame) {
    Load load(CorelRectangle());
    EXPECT_TRUE(load.messages().empty());
    EXPECT_TRUE(load.parser.GetStopRecord().Complete());
    ASSERT_EQ(load.objects().size(), 1u);
    const auto* path = static_cast<const CGrObjSimple*>(load.objects()[0]);
    EXPECT_EQ(path->GetLayerIndex(), 2);
    EXPECT_EQ(PathLetters(path), "MLLLL");
    const std::vector<tagDoublePoint> points = PathPoints(path);
    EXPECT_EQ(points.front().x, points.back().x);
    EXPECT_EQ(points.front().y, points.back().y);
    // The frame is the bounding box, 1.1 times; the rectangle fills the box to a file unit.
    const CGrDrawset& drawing = *load.parser.GetDrawing();
    const Extent e = ExtentOf(points);
    const double unit = 0.1 * 1.001;
    EXPECT_NEAR(e.minX, 0, unit);
    EXPECT_NEAR(e.minY, 0, unit);
    EXPECT_NEAR(e.maxX, drawing.frameWidth / 1.1, unit);
    EXPECT_NEAR(e.maxY, drawing.frameHeight / 1.1, unit);
}

// With the setting off, rectangles and transforms are passed over as codes without a handler,
// and the stop record names them.
TEST(Rectangle, TheSettingOffPassesThemOver) {
    MessageRecorder quiet;
    CCmxParser parser;
    parser.SetRectanglesAndTransforms(false);
    ASSERT_EQ(parser.LoadCmx6File(WriteTemp(CorelRectangle()).c_str()), 1);
    EXPECT_EQ(parser.GetDrawing()->GetCount(), 0);
    const CCmxStopRecord& stop = parser.GetStopRecord();
    EXPECT_TRUE(stop.Complete());
    EXPECT_EQ(stop.instructions, 5u);
    EXPECT_EQ(stop.passedOver, (std::map<int, unsigned long>{{68, 1}, {94, 1}, {95, 1}}));
}

// Every variant: the corners, rounded corners as quarter arcs, and the rotation's unit
// (millionths of a degree with 32-bit coordinates, tenths with 16-bit ones).
TEST(Rectangle, CornersRoundingAndRotation) {
    struct Case {
        const char* name;
        std::uint32_t radius;
        double degrees;
        std::string letters;
        Extent extent; // around the centre (500, 400)
    };
    const Case cases[] = {
        {"square corners", 0, 0, "MLLLL", {450, 375, 550, 425}},
        {"rounded corners", 10, 0, "MLCxxLCxxLCxxLCxx", {450, 375, 550, 425}},
        {"radius past the short side", 40, 0, "MLCxxLCxxLCxxLCxx", {450, 375, 550, 425}},
        {"turned a quarter", 0, 90, "MLLLL", {475, 350, 525, 450}},
    };
    for (const Variant& v : AllVariants()) {
        for (const Case& c : cases) {
            SCOPED_TRACE(v.Name() + ": " + c.name);
            RectangleShape r;
            r.attributes = Filled(3);
            r.centreX = 500;
            r.centreY = 400;
            r.width = 100;
            r.height = 50;
            r.radius = c.radius;
            r.angle = static_cast<std::int32_t>(c.degrees * (v.shortCoords ? 10 : 1000000));
            PageBuilder page(v);
            page.Rectangle(r, c.degrees == 0 ? 68 : -68);
            Load load(FileWithPage(page, v));
            ASSERT_EQ(load.objects().size(), 1u);
            EXPECT_EQ(PathLetters(load.objects()[0]), c.letters);
            const std::vector<tagDoublePoint> points = PathPoints(load.objects()[0]);
            const Extent e = ExtentOf(points);
            EXPECT_NEAR(e.minX, c.extent.minX, 1e-9);
            EXPECT_NEAR(e.minY, c.extent.minY, 1e-9);
            EXPECT_NEAR(e.maxX, c.extent.maxX, 1e-9);
            EXPECT_NEAR(e.maxY, c.extent.maxY, 1e-9);
            EXPECT_EQ(points.front().x, points.back().x);
            if (c.radius == 10) {
                // The lower edge starts where the lower left arc ends.
                EXPECT_NEAR(points[0].x, 460, 1e-9);
                EXPECT_NEAR(points[0].y, 375, 1e-9);
            }
        }
    }
}

TEST(Rectangle, InsideAGroupAndCutShort) {
    PageBuilder page(Variant{});
    page.BeginGroup();
    page.Rectangle(RectangleShape{});
    page.EndGroup();
    Load grouped(FileWithPage(page));
    ASSERT_EQ(grouped.objects().size(), 2u);
    EXPECT_EQ(GroupMembers(grouped.objects()[1]), (std::vector<unsigned long>{1}));

    // Operands that run past the page: no path, and the walk stops.
    PageBuilder cut(Variant{});
    Bytes operands = cut.Operands().Byte(1).Word(4).Byte(0).bytes();
    cut.Instruction(68, operands);
    Load load(FileWithPage(cut));
    EXPECT_TRUE(load.objects().empty());
    EXPECT_EQ(load.messages(), std::vector<int>{4});
    EXPECT_EQ(load.parser.GetStopRecord().reason, CmxStop::readPastEnd);
}

// A global transform applies to the file coordinates of what is read while it stands; nested
// ones compose, the inner applied first; a restore takes back the last one.
TEST(GlobalTransform, PlacesWhatItCovers) {
    for (const Variant& v : AllVariants()) {
        SCOPED_TRACE(v.Name());
        PageBuilder page(v);
        page.PolyCurve(Polyline(10, 20, 1, 0, 2, Filled(1)));
        page.AddGlobalTransform(1, 0, 0, 1, 100, 200); // a move
        page.PolyCurve(Polyline(10, 20, 1, 0, 2, Filled(1)));
        page.AddGlobalTransform(0, 1, -1, 0, 0, 0); // a quarter turn inside it
        page.PolyCurve(Polyline(10, 20, 1, 0, 2, Filled(1)));
        page.RestoreGlobalTransform();
        page.PolyCurve(Polyline(10, 20, 1, 0, 2, Filled(1)));
        page.RestoreGlobalTransform();
        page.RestoreGlobalTransform(); // nothing left to take back
        page.PolyCurve(Polyline(10, 20, 1, 0, 2, Filled(1)));
        CmxBuilder cmx(v);
        cmx.header().scaleFactor = 2e-5; // a file unit is two drawing units
        cmx.header().left = -50;
        cmx.header().bottom = -60;
        cmx.ColorTable({Rgb(1, 1, 1)});
        cmx.Page(page);
        Load load(cmx.Build());
        EXPECT_TRUE(load.messages().empty());
        const auto objects = load.objects();
        ASSERT_EQ(objects.size(), 5u);
        const double expected[5][2] = {{10, 20}, {110, 220}, {80, 210}, {110, 220}, {10, 20}};
        for (std::size_t i = 0; i < 5; ++i) {
            const tagDoublePoint p = PathPoints(objects[i]).at(0);
            EXPECT_DOUBLE_EQ(p.x, (expected[i][0] + 50) * 2) << i;
            EXPECT_DOUBLE_EQ(p.y, (expected[i][1] + 60) * 2) << i;
        }
    }
}

// Images take the transform through their matrix, group bounds through their corners.
TEST(GlobalTransform, ImagesAndGroupBounds) {
    PageBuilder page(Variant{});
    page.AddGlobalTransform(0, 1, -1, 0, 1000, 0); // a quarter turn, then a move
    page.BeginGroup(10, 40, 30, 20);
    ImageRef image;
    image.matrix = true;
    const double m[6] = {1, 0, 0, 1, 5, 7};
    std::copy(m, m + 6, image.m);
    page.DrawImage(image);
    page.EndGroup();
    CmxBuilder cmx;
    cmx.header().left = 0;
    cmx.header().bottom = 0;
    cmx.ColorTable({Rgb(1, 1, 1)});
    cmx.Page(page);
    Raster raster;
    raster.pixels.assign(16, 1);
    cmx.Images({raster});
    Load load(cmx.Build());
    const auto objects = load.objects();
    ASSERT_EQ(objects.size(), 2u);
    // The image's own move (5, 7) turns to (-7, 5), then moves by (1000, 0).
    const CMatrix& placed = objects[0]->GetMatrix();
    EXPECT_DOUBLE_EQ(placed.m11, 0);
    EXPECT_DOUBLE_EQ(placed.m12, 1);
    EXPECT_DOUBLE_EQ(placed.m21, -1);
    EXPECT_DOUBLE_EQ(placed.m22, 0);
    EXPECT_DOUBLE_EQ(placed.dx, 993);
    EXPECT_DOUBLE_EQ(placed.dy, 5);
    // The group's box (10..30, 20..40) turned and moved: x 960..980, y 10..30.
    const tagDoubleRect& b = objects[1]->bounds;
    EXPECT_DOUBLE_EQ(b.left, 960);
    EXPECT_DOUBLE_EQ(b.right, 980);
    EXPECT_DOUBLE_EQ(b.top, 30);
    EXPECT_DOUBLE_EQ(b.bottom, 10);
}
