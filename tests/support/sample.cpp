#include "tests/support/sample.h"

#include <cmath>

namespace cmxtest {

namespace {

struct Pt {
    double x, y;
};

// Colour references (1-based) and outline references of the scene.
enum : std::uint16_t { kWall = 1, kRoof, kWindow, kDoor, kSun, kGround, kBlack };
enum : std::uint16_t { kSunOutline = 1, kGroundOutline, kBlackOutline };

Attributes Filled(std::uint16_t color) {
    Attributes a;
    a.fill = Fill{1, color, {}};
    a.outlineRef = kBlackOutline;
    return a;
}

Attributes Outlined(std::uint16_t outline) {
    Attributes a;
    a.outlineRef = outline;
    return a;
}

Shape Polygon(const std::vector<Pt>& points, Attributes a, double k = 1) {
    Shape s;
    s.attributes = std::move(a);
    auto node = [k](const Pt& p, std::uint8_t type) {
        return Node{static_cast<std::int32_t>(p.x * k), static_cast<std::int32_t>(p.y * k), type};
    };
    for (std::size_t i = 0; i < points.size(); ++i)
        s.nodes.push_back(node(points[i], i == 0 ? kMoveNode : kLineNode));
    s.nodes.push_back(node(points[0], kLineNode));
    return s;
}

// A circle of four cubic segments.
Shape Circle(double cx, double cy, double r, Attributes a) {
    const double k = 0.5523 * r;
    Shape s;
    s.attributes = std::move(a);
    auto add = [&](double x, double y, std::uint8_t type) {
        s.nodes.push_back(Node{static_cast<std::int32_t>(std::lround(x)),
                               static_cast<std::int32_t>(std::lround(y)), type});
    };
    add(cx + r, cy, kMoveNode);
    const double q[4][6] = {{cx + r, cy + k, cx + k, cy + r, cx, cy + r},
                            {cx - k, cy + r, cx - r, cy + k, cx - r, cy},
                            {cx - r, cy - k, cx - k, cy - r, cx, cy - r},
                            {cx + k, cy - r, cx + r, cy - k, cx + r, cy}};
    for (const auto& seg : q) {
        add(seg[0], seg[1], kCurveNode);
        add(seg[2], seg[3], kCurveNode);
        add(seg[4], seg[5], kCurveEndNode);
    }
    return s;
}

const std::vector<Pt> kWallShape = {{200, 100}, {700, 100}, {700, 500}, {200, 500}};
const std::vector<Pt> kRoofShape = {{150, 500}, {750, 500}, {450, 800}};
const std::vector<Pt> kLeftWindow = {{260, 300}, {380, 300}, {380, 420}, {260, 420}};
const std::vector<Pt> kRightWindow = {{520, 300}, {640, 300}, {640, 420}, {520, 420}};
const std::vector<Pt> kDoorShape = {{400, 100}, {490, 100}, {490, 280}, {400, 280}};

bool Inside(const std::vector<Pt>& polygon, double x, double y) {
    bool inside = false;
    for (std::size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const Pt& a = polygon[i];
        const Pt& b = polygon[j];
        if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x)
            inside = !inside;
    }
    return inside;
}

// Palette of the previews, blue, green, red: 0 sky blue, 1 wall, 2 roof, 3 window, 4 door, 5 sun,
// 6 ground, 7 black, 8 white.
const std::uint8_t kPreviewColors[9][3] = {{235, 215, 170}, {160, 230, 250}, {0, 0, 255},
                                           {255, 155, 55},  {40, 80, 130},   {0, 25, 255},
                                           {40, 160, 40},   {0, 0, 0},       {255, 255, 255}};

// The preview's colour at (x, y) of the scene (0 to 1000, y up).
std::uint8_t SceneColor(double x, double y) {
    std::uint8_t index = y < 100 ? 6 : 0;
    if (std::hypot(x - 850, y - 850) < 80)
        index = 5;
    if (Inside(kWallShape, x, y))
        index = 1;
    if (Inside(kRoofShape, x, y))
        index = 2;
    if (Inside(kLeftWindow, x, y) || Inside(kRightWindow, x, y))
        index = 3;
    if (Inside(kDoorShape, x, y))
        index = 4;
    return index;
}

// The thumbnail: the scene at 96 x 96, rows from the bottom up as a bitmap stores them.
Thumbnail RenderThumbnail() {
    Thumbnail t;
    for (const auto& c : kPreviewColors)
        t.palette.insert(t.palette.end(), {c[0], c[1], c[2], 0});
    for (int row = 0; row < 96; ++row)
        for (int col = 0; col < 96; ++col)
            t.pixels.push_back(
                SceneColor((col + 0.5) * 1000.0 / 96.0, (row + 0.5) * 1000.0 / 96.0));
    return t;
}

// The preview as real writers store it: the scene at 256 x 256 in true colour.
Thumbnail RenderPreview() {
    return Picture24(256, 256, [](std::uint32_t x, std::uint32_t y) {
        const auto& c = kPreviewColors[SceneColor((x + 0.5) * 1000.0 / 256.0,
                                                  (255 - y + 0.5) * 1000.0 / 256.0)];
        return Rgb8{c[2], c[1], c[0]};
    });
}

// The picture: an 8 x 8 checkerboard of four colours, an 8-bit raster with a stored palette.
Raster Picture() {
    Raster r;
    r.type = 3;
    r.width = 8;
    r.height = 8;
    r.bitsPerPixel = 8;
    r.palette = {230, 60, 60, 250, 250, 250, 60, 120, 230, 250, 200, 40};
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            r.pixels.push_back(static_cast<std::uint8_t>(((x / 2 + y / 2) % 2) * 2 + (x + y) % 2));
    return r;
}

} // namespace

Bytes SampleDrawing(Variant variant) {
    return SampleDrawing(variant, false);
}

Bytes SampleDrawing(Variant variant, bool indexed) {
    return SampleDrawing(variant, indexed, SampleLayout{});
}

Bytes SampleDrawing(Variant variant, bool indexed, const SampleLayout& layout) {
    const std::int32_t k = layout.unitsPerSceneUnit;
    CmxBuilder cmx(variant);
    cmx.header().left = 0;
    cmx.header().bottom = 0;
    cmx.header().right = 1000 * k;
    cmx.header().top = 1000 * k;
    cmx.header().scaleFactor = layout.scaleFactor;
    if (layout.real) {
        cmx.header().os = "Windows 3.1";
        cmx.header().unit = 35;
    }
    cmx.Thumb(layout.real ? RenderPreview() : RenderThumbnail());
    std::vector<ColorEntry> colors = {Rgb(250, 230, 160),       CmykPercent(0, 100, 100, 0),
                                      Cmyk255(200, 100, 0, 0),  Rgb(130, 80, 40),
                                      Cmy(0, 100, 255),         Rgb(40, 160, 40),
                                      CmykPercent(0, 0, 0, 100)};
    if (layout.real) {
        const char* const names[] = {"Wall",       "Roof red",    "Window blue", "Door brown",
                                     "Sun yellow", "Grass green", "Black"};
        for (std::size_t i = 0; i < colors.size(); ++i)
            colors[i] = Named(colors[i], names[i]);
    }
    cmx.ColorTable(colors);
    cmx.OutlineTable({kSun, kGround, kBlack});

    PageBuilder page(variant);
    page.BeginPage(0, 1000 * k, 1000 * k, 0);
    page.BeginLayer("House");
    page.PolyCurve(Polygon(kWallShape, Filled(kWall), k));
    page.PolyCurve(Polygon(kRoofShape, Filled(kRoof), k));
    // Both windows in one shape: two sub-paths.
    Shape windows = Polygon(kLeftWindow, Filled(kWindow), k);
    Shape right = Polygon(kRightWindow, Filled(kWindow), k);
    windows.nodes.insert(windows.nodes.end(), right.nodes.begin(), right.nodes.end());
    page.PolyCurve(windows);
    // The door, grouped with its knob and, in a nested group, its frame.
    page.BeginGroup(400 * k, 280 * k, 490 * k, 100 * k);
    page.PolyCurve(Polygon(kDoorShape, Filled(kDoor), k));
    page.PolyCurve(Circle(470.0 * k, 190.0 * k, 8.0 * k, Outlined(kBlackOutline)));
    page.BeginGroup(395 * k, 285 * k, 495 * k, 100 * k);
    page.PolyCurve(
        Polygon({{395, 100}, {395, 285}, {495, 285}, {495, 100}}, Outlined(kBlackOutline), k));
    page.EndGroup();
    page.EndGroup();
    page.BeginLayer("Sky");
    page.PolyCurve(Circle(850.0 * k, 850.0 * k, 80.0 * k, Outlined(kSunOutline)));
    Shape ground;
    ground.attributes = Outlined(kGroundOutline);
    ground.nodes = {{0, 100 * k, kMoveNode}, {1000 * k, 100 * k, kLineNode}};
    page.PolyCurve(ground);
    ImageRef picture;
    picture.left = 540 * k;
    picture.bottom = 140 * k;
    picture.right = 640 * k;
    picture.top = 240 * k;
    picture.reference = 1;
    page.DrawImage(picture);
    page.DrawChars(5);
    if (!layout.secondPage) {
        cmx.Page(page);
    } else {
        // The garden behind the house: a tree, its trunk and crown, beside a hedge.
        PageBuilder garden(variant);
        garden.BeginPage(0, 1000 * k, 1000 * k, 0);
        garden.BeginLayer("Garden");
        garden.PolyCurve(
            Polygon({{300, 100}, {360, 100}, {360, 400}, {300, 400}}, Filled(kDoor), k));
        garden.PolyCurve(Circle(330.0 * k, 520.0 * k, 150.0 * k, Filled(kGround)));
        garden.PolyCurve(
            Polygon({{550, 100}, {900, 100}, {900, 250}, {550, 250}}, Filled(kGround), k));
        garden.PolyCurve(ground);
        cmx.Pages({page, garden});
    }
    cmx.Images({Picture()});
    if (indexed)
        cmx.Index();
    return cmx.Build();
}

} // namespace cmxtest
