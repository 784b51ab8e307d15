// Colour tables, outline tables and rendering attributes.
#include "tests/support/cmxbuilder.h"
#include "vestrel/cmx/probe.h"
#include "tests/support/test_util.h"

#include <gtest/gtest.h>

using namespace cmxtest;

namespace {

// The colour map a file's colour table gives.
std::vector<unsigned long> ColorsOf(const std::vector<ColorEntry>& entries, Variant v = {}) {
    CmxBuilder cmx(v);
    cmx.ColorTable(entries);
    cmx.Page(PageBuilder(v));
    Load load(cmx.Build());
    std::vector<unsigned long> colors;
    const CGrObjColorMap& map = load.parser.GetDrawing()->colorMap;
    for (unsigned short i = 0; i < map.colorCount; ++i)
        colors.push_back(map.GetColor(i));
    return colors;
}

unsigned long Color(unsigned r, unsigned g, unsigned b) {
    return r + 256 * g + 65536 * b;
}

// The layer indices of the paths a page gives, in order.
std::vector<unsigned short> LayersOf(const Bytes& file) {
    Load load(file);
    std::vector<unsigned short> layers;
    for (CGrObj* object : load.objects())
        if (object->GetClass() == GrObjClass::simple)
            layers.push_back(static_cast<CGrObjSimple*>(object)->GetLayerIndex());
    return layers;
}

Shape Dot(Attributes a) {
    return Polyline(0, 0, 1, 1, 2, std::move(a));
}

Attributes FillOf(std::uint16_t type, std::uint16_t ref = 1) {
    Attributes a;
    a.fill = Fill{type, ref, {}};
    return a;
}

Attributes OutlineOf(std::uint16_t ref) {
    Attributes a;
    a.outlineRef = ref;
    return a;
}

} // namespace

TEST(ColorTable, ConvertsEveryModel) {
    struct Case {
        const char* name;
        ColorEntry entry;
        unsigned long color;
    } cases[] = {
        {"CMYK% white", CmykPercent(0, 0, 0, 0), Color(255, 255, 255)},
        {"CMYK% black", CmykPercent(0, 0, 0, 100), Color(0, 0, 0)},
        {"CMYK% red", CmykPercent(0, 100, 100, 0), Color(255, 0, 0)},
        {"CMYK% half cyan", CmykPercent(50, 0, 0, 0), Color(127, 255, 255)},
        {"CMYK% steps", CmykPercent(1, 20, 99, 0), Color(252, 204, 2)},
        {"CMYK% above 100", CmykPercent(90, 0, 0, 90), Color(0, 25, 25)},
        {"CMYK255", Cmyk255(200, 0, 0, 100), Color(0, 155, 155)},
        {"CMYK255 sum capped", Cmyk255(255, 10, 0, 200), Color(0, 45, 55)},
        {"CMY", Cmy(0, 255, 255), Color(255, 0, 0)},
        {"RGB", Rgb(0x10, 0x20, 0x30), 0x302010},
    };
    for (const Variant& v : AllVariants()) {
        for (const Case& c : cases) {
            SCOPED_TRACE(v.Name() + ": " + c.name);
            EXPECT_EQ(ColorsOf({c.entry}, v), std::vector<unsigned long>{c.color});
        }
    }
}

TEST(ColorTable, PercentFactorRoundsZeroToFullIntensity) {
    // The factor lies one unit above the double nearest to 2.55.
    const std::pair<std::uint8_t, unsigned> steps[] = {{0, 255},  {1, 252}, {20, 204},
                                                       {50, 127}, {99, 2},  {100, 0}};
    for (auto [percent, value] : steps)
        EXPECT_EQ(ColorsOf({CmykPercent(percent, 0, 0, 0)}),
                  std::vector<unsigned long>{Color(value, 255, 255)})
            << int(percent);
}

TEST(ColorTable, ModelsWithoutColourRepeatThePrevious) {
    ColorEntry unknown{9, {}, {}, {}, 0};
    EXPECT_EQ(ColorsOf({Model1(), Rgb(1, 2, 3), Model1(), unknown}),
              (std::vector<unsigned long>{0, Color(1, 2, 3), Color(1, 2, 3), Color(1, 2, 3)}));
}

TEST(ColorTable, FurtherTaggedFieldsAreSkipped) {
    ColorEntry withExtra = Rgb(9, 8, 7);
    withExtra.extraFields = {{3, 5, 0, 0xAA, 0xBB}, {4, 3, 0}};
    EXPECT_EQ(ColorsOf({withExtra, Rgb(1, 1, 1)}),
              (std::vector<unsigned long>{Color(9, 8, 7), Color(1, 1, 1)}));
}

TEST(ColorTable, NamedEntriesHaveTheLayoutOfRealFiles) {
    CmxBuilder cmx;
    cmx.ColorTable({Named(CmykPercent(7, 0, 94, 0), "Yellow")});
    // "rclr", its size and the count come before the entry.
    const Bytes entry(cmx.body().begin() + 10, cmx.body().end());
    ASSERT_EQ(entry.size(), 50u + 5 + 7 + 9 + 1);
    EXPECT_EQ(Bytes(entry.begin(), entry.begin() + 3), (Bytes{0x0a, 0x32, 0x00}));
    EXPECT_EQ(Bytes(entry.begin() + 50, entry.end() - 10),
              (Bytes{0x01, 0x05, 0x00, 0x02, 0x05, 0x02, 0x07, 0x00, 0x07, 0x00, 0x5e, 0x00}));
    EXPECT_EQ(Bytes(entry.end() - 10, entry.end() - 7), (Bytes{0x03, 0x09, 0x00}));
    EXPECT_EQ(entry.back(), 0xFF);
}

// Real writers put the name first and may order and add fields as they like: the model and the
// colour data are found by their tags.
TEST(ColorTable, FieldsAreFoundByTheirTags) {
    const Variant le{}, be{false, false, true};
    for (const Variant& v : {le, be}) {
        SCOPED_TRACE(v.Name());
        auto field = [&](std::uint8_t id, const Bytes& data) {
            ByteWriter w(v);
            const std::size_t t = w.BeginTag(id);
            w.Raw(data);
            w.EndTag(t);
            return w.bytes();
        };
        auto table = [&](const std::vector<Bytes>& entries) {
            ByteWriter w(v);
            w.Word(static_cast<std::uint16_t>(entries.size()));
            for (const Bytes& e : entries)
                w.Raw(e).Byte(0xFF);
            CmxBuilder cmx(v);
            cmx.Chunk("rclr", w.bytes());
            cmx.Page(PageBuilder(v));
            Load load(cmx.Build());
            std::vector<unsigned long> colors;
            const CGrObjColorMap& map = load.parser.GetDrawing()->colorMap;
            for (unsigned short i = 0; i < map.colorCount; ++i)
                colors.push_back(map.GetColor(i));
            return colors;
        };
        auto cat = [](std::vector<Bytes> parts) {
            Bytes all;
            for (const Bytes& p : parts)
                all.insert(all.end(), p.begin(), p.end());
            return all;
        };
        const Bytes model = field(1, {2, 5}), data = field(2, {7, 0, 94, 0});
        EXPECT_EQ(ColorsOf({Named(CmykPercent(7, 0, 94, 0), "Gelb"), Named(Rgb(1, 2, 3), "x")}, v),
                  (std::vector<unsigned long>{Color(237, 255, 15), Color(1, 2, 3)}));
        EXPECT_EQ(table({cat({data, model}), cat({field(9, Bytes(40, 1)), field(1, {5, 0}),
                                                  field(3, {}), field(2, {9, 8, 7, 6, 5})})}),
                  (std::vector<unsigned long>{Color(237, 255, 15), Color(9, 8, 7)}));
        // A colour field shorter than its model's data reads zeros for what it lacks, and the
        // entry behind it reads from its own start.
        EXPECT_EQ(
            table({cat({model, field(2, {50})}), cat({field(1, {5, 0}), field(2, {1, 2, 3})})}),
            (std::vector<unsigned long>{Color(127, 255, 255), Color(1, 2, 3)}));
    }
    // Untagged files carry no name: the entry reads as any other.
    EXPECT_EQ(ColorsOf({Named(CmykPercent(7, 0, 94, 0), "Gelb")}, Variant{true, false, false}),
              std::vector<unsigned long>{Color(237, 255, 15)});
}

TEST(ColorTable, EmptyAndMissingTables) {
    EXPECT_TRUE(ColorsOf({}).empty());
    CmxBuilder cmx;
    cmx.Page(PageBuilder(Variant{}));
    Load load(cmx.Build());
    EXPECT_EQ(load.messages(), std::vector<int>{5});
    EXPECT_EQ(load.parser.GetDrawing()->colorMap.colorCount, 0);
}

TEST(ColorTable, CountBeyondTheBytesGetsNoMemory) {
    for (const Variant& v : AllVariants()) {
        CmxBuilder cmx(v);
        cmx.ColorTable({Rgb(1, 2, 3), Rgb(4, 5, 6)}, 65535);
        Load load(cmx.Build());
        EXPECT_EQ(load.result, 1);
        const CGrObjColorMap& map = load.parser.GetDrawing()->colorMap;
        // No more entries than the table's bytes can carry at the smallest entry size.
        EXPECT_LT(map.colorCount, 64);
        EXPECT_EQ(map.GetColor(0), Color(1, 2, 3));
        EXPECT_EQ(map.GetColor(1), Color(4, 5, 6));
    }
}

TEST(Attributes, FillAndOutlineSetTheColourReference) {
    struct Case {
        const char* name;
        std::vector<Attributes> shapes;
        std::vector<unsigned short> layers;
    };
    Attributes fillAndOutline = FillOf(1, 7);
    fillAndOutline.outlineRef = 2;
    Attributes fountainAndOutline = FillOf(2);
    fountainAndOutline.outlineRef = 3;
    const Case cases[] = {
        {"uniform fill", {FillOf(1, 7)}, {7}},
        {"fill wins over outline", {fillAndOutline}, {7}},
        {"outline without fill", {OutlineOf(2)}, {5}},
        {"fountain fill inherits", {FillOf(2)}, {0xFFFF}},
        {"fountain with outline inherits", {FillOf(1, 4), fountainAndOutline}, {4, 4}},
        {"every skipped fill inherits",
         {FillOf(1, 3), FillOf(6), FillOf(7), FillOf(10), FillOf(11), FillOf(0), FillOf(99)},
         {3, 3, 3, 3, 3, 3, 3}},
        {"mask 0 inherits", {FillOf(1, 9), Attributes{}}, {9, 9}},
        {"outline past the table", {FillOf(1, 9), OutlineOf(4)}, {9, 0}},
        {"outline reference 0", {FillOf(1, 9), OutlineOf(0)}, {9, 0}},
    };
    for (const Variant& v : AllVariants()) {
        for (const Case& c : cases) {
            SCOPED_TRACE(v.Name() + ": " + c.name);
            PageBuilder page(v);
            for (const Attributes& a : c.shapes)
                page.PolyCurve(Dot(a));
            CmxBuilder cmx(v);
            cmx.ColorTable({Rgb(1, 1, 1)});
            cmx.OutlineTable({1, 5, 6});
            cmx.Page(page);
            EXPECT_EQ(LayersOf(cmx.Build()), c.layers);
        }
    }
}

TEST(Attributes, LensCanvasAndContainerAreSkipped) {
    for (const Variant& v : AllVariants()) {
        Attributes a = FillOf(1, 2);
        a.lens = a.canvas = a.container = true;
        PageBuilder page(v);
        page.PolyCurve(Dot(a));
        Load load(FileWithPage(page, v));
        ASSERT_EQ(load.objects().size(), 1u) << v.Name();
        EXPECT_EQ(PathPoints(load.objects()[0]).size(), 2u);
        EXPECT_EQ(PathPoints(load.objects()[0])[1].x, 1.0);
    }
}

// Without the outline table every shape without fill takes colour 0; message 5 is shown once a
// load, also when the missing colour table has shown it, and the stop record counts the shapes.
TEST(Attributes, MissingOutlineTableShowsMessageFiveOncePerLoad) {
    PageBuilder page(Variant{});
    for (int i = 0; i < 3; ++i) {
        page.PolyCurve(Dot(OutlineOf(1)));
        page.PolyCurve(Dot(FillOf(1, 2)));
    }
    CmxBuilder withColors;
    withColors.ColorTable({Rgb(1, 1, 1)});
    withColors.Page(page);
    CmxBuilder withoutColors;
    withoutColors.Page(page);
    for (const Bytes& file : {withColors.Build(), withoutColors.Build()}) {
        MessageRecorder recorder;
        CCmxParser parser;
        const CString path(WriteTemp(file).c_str());
        for (int load = 0; load < 2; ++load) {
            ASSERT_EQ(parser.LoadCmx6File(path), 1);
            EXPECT_EQ(parser.GetStopRecord().shapesWithoutOutlineTable, 3u);
        }
        EXPECT_EQ(recorder.Ids(), (std::vector<int>{5, 5}));
    }
    EXPECT_EQ(LayersOf(withColors.Build()), (std::vector<unsigned short>{0, 2, 0, 2, 0, 2}));
    Load complete(FileWithPage(page));
    EXPECT_EQ(complete.parser.GetStopRecord().shapesWithoutOutlineTable, 0u);
}

TEST(Attributes, OutlineTableCountBeyondItsBytes) {
    for (const Variant& v : AllVariants()) {
        PageBuilder page(v);
        page.PolyCurve(Dot(OutlineOf(2)));
        page.PolyCurve(Dot(OutlineOf(60000)));
        CmxBuilder cmx(v);
        cmx.ColorTable({Rgb(1, 1, 1)});
        cmx.Page(page);
        cmx.OutlineTable({4, 8}, 65535);
        Load load(cmx.Build());
        EXPECT_TRUE(load.messages().empty()) << v.Name();
        EXPECT_EQ(LayersOf(cmx.Build()), (std::vector<unsigned short>{8, 0})) << v.Name();
    }
}

TEST(Attributes, ColourAndOutlineComeFromOneReadingOfTheOutlineTable) {
    for (const Variant& v : AllVariants()) {
        PageBuilder page(v);
        page.PolyCurve(Dot(OutlineOf(1)));
        page.PolyCurve(Dot(OutlineOf(2)));
        CmxBuilder cmx(v);
        cmx.ColorTable({Rgb(1, 1, 1), Rgb(2, 2, 2)});
        cmx.Page(page);
        cmx.OutlineEntries({{1, 1, 2, 0, 1, 1}, {1, 1, 1, 0, 1, 1}});
        // The file ends inside the second entry: it gives neither a colour nor an outline.
        Bytes file = cmx.Build();
        file.resize(file.size() - 2);
        EXPECT_EQ(LayersOf(file), (std::vector<unsigned short>{2, 0})) << v.Name();
        MessageRecorder recorder;
        CCmxParser parser;
        parser.SetReadAppearance(true);
        parser.LoadCmx6File(CString(WriteTemp(file).c_str()));
        const std::vector<CGrObj*> shapes = Objects(*parser.GetDrawing());
        ASSERT_EQ(shapes.size(), 2u) << v.Name();
        const CCmxAppearance* first = parser.GetAppearances().Find(shapes[0]);
        const CCmxAppearance* second = parser.GetAppearances().Find(shapes[1]);
        ASSERT_TRUE(first != nullptr && second != nullptr) << v.Name();
        EXPECT_TRUE(first->outline) << v.Name();
        EXPECT_FALSE(second->outline) << v.Name();
    }
}

TEST(Attributes, OutlineLookupLeavesTheReadPositionAlone) {
    CCmxParser parser;
    CCmxParserProbe access(parser);
    CmxBuilder cmx;
    cmx.OutlineTable({11, 12, 13});
    access.SetBody(cmx.body(), Variant{});
    access.Seek(3);
    EXPECT_EQ(access.GetOutlineColor(3), 13);
    EXPECT_EQ(access.Position(), 3u);
    EXPECT_EQ(CCmxParserProbe(parser).CurLayerIndex(), 13);
    EXPECT_EQ(access.GetOutlineColor(4), 0);
    EXPECT_EQ(access.Position(), 3u);
    access.Release();
}

TEST(Attributes, MaskOnlyReadsNothingElse) {
    CCmxParser parser;
    CCmxParserProbe access(parser);
    access.SetBody({0x00, 0x01, 0x02}, Variant{});
    access.SetCurLayerIndex(42);
    EXPECT_EQ(access.GetRenderingAttributes(), 0);
    EXPECT_EQ(access.Position(), 1u);
    EXPECT_EQ(CCmxParserProbe(parser).CurLayerIndex(), 42);
    access.Release();
}

// Writers add tagged fields the reader does not know; the operands behind them still read
// from their place.
TEST(Attributes, UnknownTaggedFieldsDoNotMisalignTheShape) {
    struct Case {
        const char* name;
        Attributes attributes;
        unsigned short layer;
    };
    Attributes outline = OutlineOf(2);
    outline.outlineExtraFields = {{2, 7, 0, 1, 2, 3, 4}};
    Attributes fill = FillOf(1, 3);
    fill.fill->extraFields = {{5, 4, 0, 9}};
    Attributes trailing = FillOf(1, 1);
    trailing.trailing = {0x33, 0x44, 0x55};
    const Case cases[] = {
        {"second field in the outline record", outline, 5},
        {"second field in the fill record", fill, 3},
        {"unknown bytes behind the records", trailing, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PageBuilder page(Variant{});
        page.PolyCurve(Polyline(10, 20, 30, 40, 3, c.attributes));
        CmxBuilder cmx;
        cmx.ColorTable({Rgb(1, 1, 1)});
        cmx.OutlineTable({1, 5});
        cmx.Page(page);
        Load load(cmx.Build());
        ASSERT_EQ(load.objects().size(), 1u);
        auto points = PathPoints(load.objects()[0]);
        ASSERT_EQ(points.size(), 3u);
        EXPECT_EQ(points[0].x, 10.0);
        EXPECT_EQ(points[1].y, 60.0);
        EXPECT_EQ(PathLetters(load.objects()[0]), "MLL");
        EXPECT_EQ(static_cast<CGrObjSimple*>(load.objects()[0])->GetLayerIndex(), c.layer);
    }
}

// Fields before the known ones, in the fill and outline specs, the uniform fill and the outline
// table's entries, move nothing: each record finds its fields by their tags.
TEST(Attributes, RecordsAreReadByTheirTags) {
    const Variant le{}, be{false, true, true};
    for (const Variant& v : {le, be}) {
        SCOPED_TRACE(v.Name());
        auto field = [&](std::uint8_t id, const Bytes& data) {
            ByteWriter w(v);
            const std::size_t t = w.BeginTag(id);
            w.Raw(data);
            w.EndTag(t);
            return w.bytes();
        };
        auto words = [&](std::vector<std::uint16_t> values) {
            ByteWriter w(v);
            for (std::uint16_t value : values)
                w.Word(value);
            return w.bytes();
        };
        auto cat = [](std::vector<Bytes> parts) {
            Bytes all;
            for (const Bytes& p : parts)
                all.insert(all.end(), p.begin(), p.end());
            return all;
        };
        const Bytes junk = field(9, Bytes(11, 0x01));
        auto shape = [&](const Bytes& specs, std::uint8_t mask) {
            ByteWriter group(v);
            const std::size_t t = group.BeginTag(1);
            group.Byte(mask).Raw(specs);
            group.EndTag(t);
            PageBuilder page(v);
            const Bytes rest = page.ShapeOperands(Dot(Attributes{}));
            // Behind the empty attribute group: its tag, size and mask.
            return cat({group.bytes(), Bytes(rest.begin() + 4, rest.end())});
        };
        const Bytes uniform = cat({junk, field(1, words({7, 0})), {0xFF}});
        const Bytes fill = cat({junk, field(1, cat({words({1}), uniform})), {0xFF}});
        auto outline = [&](std::uint16_t ref) {
            return cat({junk, field(1, words({ref})), {0xFF}});
        };
        PageBuilder page(v);
        page.Instruction(67, shape(fill, 0x01));
        page.Instruction(67, shape(outline(1), 0x02));
        page.Instruction(67, shape(outline(2), 0x02));
        page.Instruction(67, shape(cat({fill, outline(2)}), 0x03));
        CmxBuilder cmx(v);
        cmx.ColorTable({Rgb(1, 1, 1)});
        cmx.Chunk("rotl", cat({words({2}),
                               junk,
                               field(1, words({1, 2, 5, 4, 5, 6})),
                               {0xFF},
                               field(1, words({1, 2, 6, 4, 5, 6})),
                               field(3, {}),
                               {0xFF}}));
        cmx.Page(page);
        EXPECT_EQ(LayersOf(cmx.Build()), (std::vector<unsigned short>{7, 5, 6, 7}));
    }
}

// The attribute group's stated end only ever moves the reading forward: an end short of what
// the attributes took is not believed, and the shape reads on where they stopped.
TEST(Attributes, AGroupEndShortOfWhatWasReadIsNotBelieved) {
    for (std::uint16_t size : {3, 4, 8}) {
        SCOPED_TRACE(size);
        Attributes a = FillOf(1, 3);
        a.outlineRef = 2;
        PageBuilder page(Variant{});
        Bytes operands = page.ShapeOperands(Polyline(10, 20, 30, 40, 3, a));
        ByteWriter patch(Variant{});
        patch.Word(size);
        std::copy(patch.bytes().begin(), patch.bytes().end(), operands.begin() + 1);
        page.Instruction(67, operands);
        CmxBuilder cmx;
        cmx.ColorTable({Rgb(1, 1, 1)});
        cmx.OutlineTable({1, 5});
        cmx.Page(page);
        Load load(cmx.Build());
        EXPECT_TRUE(load.messages().empty());
        ASSERT_EQ(load.objects().size(), 1u);
        EXPECT_EQ(PathLetters(load.objects()[0]), "MLL");
        EXPECT_EQ(PathPoints(load.objects()[0])[2].x, 70.0);
        EXPECT_EQ(static_cast<CGrObjSimple*>(load.objects()[0])->GetLayerIndex(), 3);
    }
}
