#include "tests/support/large_drawing.h"

namespace cmxtest {

const char* const kKindNames[4] = {"filled", "unfilled", "split-in-groups", "images"};

namespace {

// Images draw this many times fewer pictures than the other kinds draw shapes.
constexpr int kShapesPerImage = 100;

Attributes FillAttributes(std::uint16_t color) {
    Attributes a;
    a.fill = Fill{1, color, {}};
    a.outlineRef = 1;
    return a;
}

Attributes OutlineAttributes(std::uint16_t outline) {
    Attributes a;
    a.outlineRef = outline;
    return a;
}

// A picture of 64 x 64 pixels of 24 bits, different for each index.
Raster Picture(int index) {
    Raster r;
    r.type = 1;
    r.width = 64;
    r.height = 64;
    r.bitsPerPixel = 24;
    r.pixels.resize(64 * 64 * 3);
    for (std::size_t i = 0; i < r.pixels.size(); ++i)
        r.pixels[i] = static_cast<std::uint8_t>(i * 7 + static_cast<std::size_t>(index));
    return r;
}

} // namespace

Bytes LargeDrawing(Kind kind, int shapes) {
    Variant v;
    CmxBuilder cmx(v);
    PageBuilder page(v);
    page.BeginPage();
    page.BeginLayer();
    const int count = kind == kImages ? shapes / kShapesPerImage : shapes;
    for (int i = 0; i < count; ++i) {
        const std::int32_t x = (i * 37) % 900, y = (i * 53) % 900;
        switch (kind) {
        case kFilled:
            page.PolyCurve(Polyline(x, y, 3, 2, 12, FillAttributes(1 + i % 64)));
            break;
        case kUnfilled:
            page.PolyCurve(Polyline(x, y, 3, 2, 12, OutlineAttributes(1 + i % 256)));
            break;
        case kSplitInGroups: {
            if (i % 10 == 0)
                page.BeginGroup();
            // An outline with a hole: two sub-paths of 12 points, as the other kinds have.
            Shape s = Polyline(x, y, 3, 2, 12, FillAttributes(1 + i % 64));
            Shape second = Polyline(x + 5, y + 4, 2, 1, 12, FillAttributes(1));
            s.nodes.insert(s.nodes.end(), second.nodes.begin(), second.nodes.end());
            page.PolyCurve(s);
            if (i % 10 == 9 || i == shapes - 1)
                page.EndGroup();
            break;
        }
        case kImages: {
            ImageRef ref;
            ref.reference = static_cast<std::uint16_t>(1 + i);
            ref.left = x;
            ref.top = y + 100;
            ref.right = x + 100;
            ref.bottom = y;
            page.DrawImage(ref);
            break;
        }
        }
    }
    cmx.Page(page);
    std::vector<ColorEntry> colors;
    for (int i = 0; i < 64; ++i)
        colors.push_back(Rgb(static_cast<std::uint8_t>(i * 4), 100, 200));
    cmx.ColorTable(colors);
    std::vector<std::uint16_t> outlines;
    for (int i = 0; i < 256; ++i)
        outlines.push_back(static_cast<std::uint16_t>(1 + i % 64));
    cmx.OutlineTable(outlines);
    if (kind == kImages) {
        std::vector<Raster> pictures;
        for (int i = 0; i < count; ++i)
            pictures.push_back(Picture(i));
        cmx.Images(pictures);
    }
    return cmx.Build();
}

} // namespace cmxtest
