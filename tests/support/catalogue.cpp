// The catalogue of named drawings that the CMX builder makes.
#include "tests/support/catalogue.h"

#include "tests/support/sample.h"

#include <algorithm>

namespace cmxtest {

namespace {

Attributes Filled(std::uint16_t color) {
    Attributes a;
    a.fill = Fill{1, color, {}};
    return a;
}

Attributes Outlined(std::uint16_t outline) {
    Attributes a;
    a.outlineRef = outline;
    return a;
}

Bytes Pixels(std::size_t n) {
    Bytes pixels;
    for (std::size_t i = 0; i < n; ++i)
        pixels.push_back(static_cast<std::uint8_t>(i * 7));
    return pixels;
}

// A drawing with the usual tables around the given page and images.
Bytes Drawing(Variant v, const PageBuilder& page, const std::vector<Raster>& images = {},
              std::uint16_t entrySize = 6) {
    CmxBuilder cmx(v);
    cmx.ColorTable({Rgb(255, 0, 0), Rgb(0, 255, 0), Rgb(0, 0, 255)});
    cmx.OutlineTable({1, 2, 3});
    cmx.Page(page);
    if (!images.empty())
        cmx.Images(images, entrySize);
    return cmx.Build();
}

} // namespace

// Every raster type: no palette, black and white, grey, and stored palettes of 2, 16 and 256.
Bytes RasterTypes(Variant v) {
    std::vector<Raster> images;
    for (std::uint32_t type : {1u, 6u, 5u, 2u, 3u, 4u}) {
        Raster r;
        r.type = type;
        r.width = 4;
        r.height = 2;
        r.pixels = Pixels(8);
        const int entries = type == 2 ? 2 : type == 3 ? 16 : type == 4 ? 256 : 0;
        for (int i = 0; i < 3 * entries; ++i)
            r.palette.push_back(static_cast<std::uint8_t>(i));
        images.push_back(r);
    }
    PageBuilder page(v);
    for (std::uint16_t ref = 0; ref <= images.size() + 1; ++ref) {
        ImageRef image;
        image.reference = ref;
        image.matrix = ref % 2 == 1;
        image.attributes = Filled(1);
        page.DrawImage(image, ref % 3 == 0 ? -69 : 69);
    }
    return Drawing(v, page, images, 10);
}

Thumbnail Preview(int colors, int white, std::optional<std::uint32_t> clrUsed) {
    Thumbnail t;
    t.palette.resize(static_cast<std::size_t>(colors) * 4); // blue, green, red, 0
    for (int i = 0; i < colors; ++i) {
        const auto value = static_cast<std::uint8_t>(i == white ? 255 : i % 200);
        std::fill_n(t.palette.begin() + i * 4, 3, value);
    }
    t.clrUsed = clrUsed;
    for (int i = 0; i < 96 * 96; ++i)
        t.pixels.push_back(
            static_cast<std::uint8_t>((i / 96 + i % 96) % (colors > 0 ? colors : 7)));
    return t;
}

Bytes WithPreview(Variant v, const Thumbnail& t) {
    CmxBuilder cmx(v);
    cmx.Thumb(t);
    cmx.ColorTable({Rgb(1, 2, 3)});
    PageBuilder page(v);
    page.PolyCurve(Polyline(0, 0, 10, 10, 3, Filled(1)));
    cmx.Page(page);
    return cmx.Build();
}

// Shapes with several sub-paths, curve runs and every node type.
Bytes SplitShapes(Variant v) {
    PageBuilder page(v);
    Shape three;
    three.attributes = Outlined(2);
    for (int piece = 0; piece < 3; ++piece) {
        three.nodes.push_back(Node{piece * 100, 0, kMoveNode});
        three.nodes.push_back(Node{piece * 100 + 10, 50, kCurveNode});
        three.nodes.push_back(Node{piece * 100 + 20, 50, kCurveNode});
        three.nodes.push_back(Node{piece * 100 + 30, 0, kCurveEndNode});
        three.nodes.push_back(
            Node{piece * 100 + 40, 0, static_cast<std::uint8_t>(kLineNode | 0x08)});
    }
    page.PolyCurve(three);
    page.BeginGroup();
    page.PolyCurve(three, -67);
    page.EndGroup();
    Shape empty;
    empty.attributes = Filled(3);
    page.PolyCurve(empty);
    return Drawing(v, page);
}

// Nested groups, a group left open, and more ends than beginnings.
Bytes Groups(Variant v) {
    PageBuilder page(v);
    page.EndGroup();
    page.BeginGroup();
    page.BeginGroup(1, 2, 3, 4, -13);
    page.PolyCurve(Polyline(0, 0, 1, 1, 2, Filled(1)));
    page.BeginGroup();
    page.PolyCurve(Polyline(5, 5, 1, 1, 3, Outlined(1)));
    page.EndGroup(-14);
    page.EndGroup();
    page.BeginGroup();
    page.PolyCurve(Polyline(9, 9, 1, 1, 2, Filled(2)));
    return Drawing(v, page);
}

// Jumps of both signs, forward inside the page, and an instruction in the long size form.
Bytes Jumps(Variant v) {
    PageBuilder page(v);
    page.PolyCurve(Polyline(0, 0, 1, 1, 2, Filled(1)));
    page.Jump(0);
    page.PolyCurve(Polyline(1, 1, 1, 1, 2, Filled(2)));
    page.SetJumpTarget(0, static_cast<std::uint32_t>(page.size()));
    page.Jump(0, -111);
    page.Instruction(42, {1, 2, 3, 4, 5, 6});
    page.SetJumpTarget(1, static_cast<std::uint32_t>(page.size()));
    page.PolyCurve(Polyline(2, 2, 1, 1, 2, Filled(3)), 67, InstrOptions{true, {}});
    page.DrawChars(2);
    page.Instruction(-65, {9, 9});
    return Drawing(v, page);
}

// Fields that writers add and the reader skips, every fill type and every attribute record.
Bytes TaggedExtras(Variant v) {
    const Bytes field = {7, 6, 0, 1, 2, 3};
    CmxBuilder cmx(v);
    ColorEntry rgb = Rgb(10, 20, 30);
    rgb.extraFields = {field};
    cmx.ColorTable({rgb, CmykPercent(50, 0, 0, 0), Cmyk255(200, 0, 0, 100), Cmy(0, 255, 255),
                    Model1(), ColorEntry{9, {}, {field}, {}, 0}});
    cmx.OutlineTable({1, 2, 3, 4});
    PageBuilder page(v);
    page.BeginPage();
    page.BeginLayer("Extras", 0x10);
    for (std::uint16_t type : {1, 2, 6, 7, 10, 11, 0}) {
        Attributes a;
        a.fill = Fill{type, 2, {field}};
        a.outlineRef = 3;
        a.outlineExtraFields = {field};
        a.lens = a.canvas = a.container = true;
        a.trailing = field;
        page.PolyCurve(Polyline(type, 0, 5, 5, 3, a));
    }
    page.PolyCurve(Polyline(0, 0, 5, 5, 2, Outlined(0)));
    page.PolyCurve(Polyline(0, 0, 5, 5, 2, Attributes{}));
    cmx.Page(page);
    return cmx.Build();
}

// Rectangles and global transforms, nested, and restored more often than set.
Bytes Shapes(Variant v) {
    CmxBuilder cmx(v);
    cmx.ColorTable({Rgb(255, 0, 0), Rgb(0, 255, 0), Rgb(0, 0, 255)});
    cmx.OutlineTable({1, 2, 3});
    PageBuilder page(v);
    page.AddGlobalTransform(1, 0, 0, 1, 100, -50);
    RectangleShape r;
    r.attributes = Filled(1);
    page.Rectangle(r);
    page.AddGlobalTransform(0, 1, -1, 0, 0, 0);
    r.radius = 10;
    r.angle = v.shortCoords ? 450 : 45000000;
    r.attributes = Outlined(2);
    page.Rectangle(r, -68);
    page.BeginGroup();
    page.PolyCurve(Polyline(0, 0, 10, 5, 4, Filled(3)));
    page.EndGroup();
    page.RestoreGlobalTransform();
    page.RestoreGlobalTransform();
    page.RestoreGlobalTransform();
    page.Rectangle(r);
    cmx.Page(page);
    return cmx.Build();
}

// Colours as CorelDRAW writes them, the name field first, filling and outlining shapes.
Bytes NamedColors(Variant v) {
    CmxBuilder cmx(v);
    cmx.ColorTable({Named(CmykPercent(7, 0, 94, 0), "Gelb"), Named(Rgb(200, 30, 30), "Rot"),
                    Named(Cmyk255(255, 200, 0, 0), "Blau"), Named(Model1(), "Registrierung")});
    cmx.OutlineTable({2, 3});
    PageBuilder page(v);
    page.BeginPage();
    page.PolyCurve(Polyline(0, 0, 10, 10, 3, Filled(1)));
    page.PolyCurve(Polyline(5, 0, 10, 10, 3, Outlined(2)));
    RectangleShape r;
    r.attributes = Filled(2);
    page.Rectangle(r);
    page.PolyCurve(Polyline(9, 0, 10, 10, 3, Filled(4)));
    cmx.Page(page);
    return cmx.Build();
}

Thumbnail TrueColorPreview() {
    Thumbnail t;
    t.bitCount = 32;
    for (int i = 0; i < 96 * 96; ++i)
        t.pixels.insert(t.pixels.end(), {static_cast<std::uint8_t>(i % 96), 40,
                                         static_cast<std::uint8_t>(i / 96), 0});
    return t;
}

std::vector<NamedDrawing> Catalogue() {
    std::vector<NamedDrawing> drawings;
    const std::pair<const char*, Bytes (*)(Variant)> kinds[] = {
        {"rich", RichDrawing},           {"sample", SampleDrawing}, {"raster-types", RasterTypes},
        {"split-shapes", SplitShapes},   {"groups", Groups},        {"jumps", Jumps},
        {"tagged-extras", TaggedExtras}, {"shapes", Shapes},        {"named-colors", NamedColors},
    };
    for (const auto& [name, make] : kinds)
        for (const Variant& v : AllVariants())
            drawings.push_back({std::string(name) + "-" + v.Name(), make(v)});
    for (const auto& [name, t] : Previews())
        drawings.push_back({name, WithPreview(Variant{}, t)});
    drawings.push_back(
        {"preview-BE16Untagged", WithPreview(Variant{false, true, false}, Preview(16, 3))});
    // Compressed twins, the preview's among the packed chunks.
    drawings.push_back({"rich-packed", CompressedTwin(RichDrawing(Variant{}), 0)});
    drawings.push_back({"shapes-packed", CompressedTwin(Shapes(Variant{}), 0)});
    drawings.push_back(
        {"preview-packed", CompressedTwin(WithPreview(Variant{}, Preview(9, 5)), 0)});
    CmxBuilder bare;
    bare.Page(PageBuilder(Variant{}));
    drawings.push_back({"empty", bare.Build()});
    return drawings;
}

std::vector<std::pair<std::string, Thumbnail>> Previews() {
    return {
        {"preview-256", Preview(256, 255)},
        {"preview-white-5", Preview(9, 5)},
        {"preview-no-white", Preview(4, -1)},
        {"preview-no-palette", Preview(0, -1)},
        {"preview-longer-palette", Preview(6, 2, 4)},
        {"preview-32-bit", TrueColorPreview()},
        {"preview-writer", WriterPreview()},
        {"preview-wide", Picture24(160, 100,
                                   [](std::uint32_t x, std::uint32_t y) {
                                       return Rgb8{static_cast<std::uint8_t>(x),
                                                   static_cast<std::uint8_t>(2 * y),
                                                   static_cast<std::uint8_t>(x < 80 ? 40 : 220)};
                                   })},
    };
}

} // namespace cmxtest
