// Poly-curves: node letters, sub-paths, the split group and group membership.
#include "tests/support/cmxbuilder.h"
#include "vestrel/cmx/probe.h"
#include "tests/support/test_util.h"

#include <gtest/gtest.h>

using namespace cmxtest;

namespace {

Attributes Filled() {
    Attributes a;
    a.fill = Fill{1, 1, {}};
    return a;
}

Attributes Unfilled() {
    Attributes a;
    a.outlineRef = 1;
    return a;
}

Shape WithNodes(const std::vector<std::uint8_t>& types, Attributes a = Filled()) {
    Shape shape;
    shape.attributes = std::move(a);
    for (std::size_t i = 0; i < types.size(); ++i)
        shape.nodes.push_back(Node{static_cast<std::int32_t>(10 * i), 5, types[i]});
    return shape;
}

// A shape of sub-paths starting at the given point indices.
Shape SubPaths(int total, const std::vector<int>& starts, Attributes a = Filled()) {
    std::vector<std::uint8_t> types(static_cast<std::size_t>(total), kLineNode);
    for (int s : starts)
        types[static_cast<std::size_t>(s)] = kMoveNode;
    return WithNodes(types, std::move(a));
}

} // namespace

TEST(PolyCurve, NodeTypesMapToLetters) {
    struct Case {
        std::vector<std::uint8_t> types;
        const char* letters;
    } cases[] = {
        {{0x00, 0xC0, 0xC0, 0x80, 0x40}, "MCxxL"},
        {{0x00, 0xC0, 0xC0, 0xC0}, "MCxx"},
        {{0x00, 0xC0, 0x40, 0xC0, 0x80, 0xC0}, "MCLxxC"},
        {{0x08, 0x48, 0x41, 0xD4, 0xA0}, "MLLCx"},
        {{0x40, 0x40}, "LL"},
        {{0x80, 0xC0}, "xC"},
    };
    for (const Variant& v : AllVariants()) {
        for (const Case& c : cases) {
            SCOPED_TRACE(v.Name() + ": " + c.letters);
            PageBuilder page(v);
            page.PolyCurve(WithNodes(c.types));
            Load load(FileWithPage(page, v));
            ASSERT_EQ(load.objects().size(), 1u);
            EXPECT_EQ(PathLetters(load.objects()[0]), c.letters);
        }
    }
}

TEST(PolyCurve, NodeTypeWithBitTwoRejectsTheWholeList) {
    for (std::vector<std::uint8_t> types : {std::vector<std::uint8_t>{0x00, 0x40, 0x42},
                                            std::vector<std::uint8_t>{0x02, 0x00, 0x40}}) {
        PageBuilder page(Variant{});
        page.PolyCurve(WithNodes(types));
        page.PolyCurve(WithNodes({0x00, 0x40}));
        Load load(FileWithPage(page));
        EXPECT_TRUE(load.messages().empty());
        ASSERT_EQ(load.objects().size(), 1u);
        EXPECT_EQ(PathLetters(load.objects()[0]), "ML");
    }
}

TEST(PolyCurve, PointsAreScaledAndShiftedToTheOrigin) {
    for (const Variant& v : AllVariants()) {
        CmxBuilder cmx(v);
        cmx.header().scaleFactor = 2e-5; // coordScale 2
        cmx.header().left = -100;
        cmx.header().bottom = 50;
        cmx.ColorTable({Rgb(1, 1, 1)});
        PageBuilder page(v);
        Shape s;
        s.attributes = Filled();
        s.nodes = {{-100, 50, kMoveNode}, {400, 250, kLineNode}};
        page.PolyCurve(s);
        cmx.Page(page);
        Load load(cmx.Build());
        auto points = PathPoints(load.objects().at(0));
        ASSERT_EQ(points.size(), 2u);
        EXPECT_DOUBLE_EQ(points[0].x, 0.0);
        EXPECT_DOUBLE_EQ(points[0].y, 0.0);
        EXPECT_DOUBLE_EQ(points[1].x, 1000.0);
        EXPECT_DOUBLE_EQ(points[1].y, 400.0);
    }
}

TEST(PolyCurve, UnfilledShapesEndAHairToTheRight) {
    for (bool filled : {true, false}) {
        PageBuilder page(Variant{});
        page.PolyCurve(SubPaths(6, {0, 3}, filled ? Filled() : Unfilled()));
        Load load(FileWithPage(page));
        auto objects = load.objects();
        ASSERT_EQ(objects.size(), 3u);
        for (int piece = 1; piece <= 2; ++piece) {
            auto points = PathPoints(objects[piece]);
            ASSERT_EQ(points.size(), 3u);
            double shift = filled ? 0.0 : 0.0001;
            double firstX = piece == 1 ? 0.0 : 30.0;
            EXPECT_EQ(points[0].x, firstX);
            EXPECT_EQ(points[1].x, firstX + 10);
            EXPECT_EQ(points[2].x, firstX + 20 + shift);
            EXPECT_EQ(points[2].y, 5.0);
        }
    }
}

TEST(PolyCurve, SubPathsBecomePathsBehindTheirGroup) {
    struct Case {
        const char* name;
        int objectsBefore;
        int total;
        std::vector<int> starts;
        std::vector<std::size_t> pieceSizes;
        std::vector<unsigned long> members;
        int groupPosition; // 1-based
    } cases[] = {
        {"after five objects", 5, 12, {0, 4, 9}, {4, 5, 3}, {7, 8, 9}, 6},
        {"in an empty list", 0, 12, {0, 4, 9}, {4, 5, 3}, {2, 3, 4}, 1},
        {"first point not a move", 1, 5, {2}, {2, 3}, {3, 4}, 2},
    };
    for (const Variant& v : AllVariants()) {
        for (const Case& c : cases) {
            SCOPED_TRACE(v.Name() + ": " + c.name);
            PageBuilder page(v);
            for (int i = 0; i < c.objectsBefore; ++i)
                page.PolyCurve(SubPaths(2, {0}));
            page.PolyCurve(SubPaths(c.total, c.starts));
            Load load(FileWithPage(page, v));
            auto objects = load.objects();
            ASSERT_EQ(objects.size(), c.objectsBefore + 1 + c.pieceSizes.size());
            CGrObj* group = objects[static_cast<std::size_t>(c.groupPosition - 1)];
            EXPECT_EQ(group->GetType(), 6);
            EXPECT_EQ(group->GetClass(), GrObjClass::group);
            EXPECT_EQ(GroupMembers(group), c.members);
            for (std::size_t k = 0; k < c.pieceSizes.size(); ++k)
                EXPECT_EQ(PathPoints(objects[c.members[k] - 1]).size(), c.pieceSizes[k]);
        }
    }
}

TEST(PolyCurve, PathsTakeTheCurrentColourReference) {
    Attributes a;
    a.fill = Fill{1, 3, {}};
    PageBuilder page(Variant{});
    page.PolyCurve(SubPaths(4, {0, 2}, a));
    Load load(FileWithPage(page));
    auto objects = load.objects();
    ASSERT_EQ(objects.size(), 3u);
    EXPECT_EQ(static_cast<CGrObjSimple*>(objects[1])->GetLayerIndex(), 3);
    EXPECT_EQ(static_cast<CGrObjSimple*>(objects[2])->GetLayerIndex(), 3);
}

TEST(PolyCurve, AnOpenGroupLearnsTheLastPieceOnly) {
    for (const Variant& v : AllVariants()) {
        SCOPED_TRACE(v.Name());
        PageBuilder page(v);
        page.PolyCurve(SubPaths(2, {0}));
        page.BeginGroup();
        page.PolyCurve(SubPaths(2, {0}));
        page.PolyCurve(SubPaths(6, {0, 2, 4}));
        page.EndGroup();
        Load load(FileWithPage(page, v));
        auto objects = load.objects();
        // path, path, split group, three pieces, the open group
        ASSERT_EQ(objects.size(), 7u);
        EXPECT_EQ(GroupMembers(objects[2]), (std::vector<unsigned long>{4, 5, 6}));
        EXPECT_EQ(GroupMembers(objects[6]), (std::vector<unsigned long>{2, 6}));
    }
}

TEST(PolyCurve, PointCountZeroBuildsAnEmptyPath) {
    PageBuilder page(Variant{});
    Shape empty;
    empty.attributes = Unfilled();
    page.PolyCurve(empty);
    Load load(FileWithPage(page));
    ASSERT_EQ(load.objects().size(), 1u);
    EXPECT_EQ(PathPoints(load.objects()[0]).size(), 0u);
    EXPECT_EQ(load.objects()[0]->GetSize(), 4u);
}

TEST(PolyCurve, PointCountPastTheInstructionIsRejected) {
    for (const Variant& v : AllVariants()) {
        SCOPED_TRACE(v.Name());
        PageBuilder page(v);
        Shape s = SubPaths(3, {0});
        s.countOverride = 65535;
        page.PolyCurve(s);
        // Plenty of page bytes behind it, which the points must not be taken from.
        for (int i = 0; i < 50; ++i)
            page.PolyCurve(SubPaths(2, {0}));
        Load load(FileWithPage(page, v));
        EXPECT_TRUE(load.messages().empty());
        EXPECT_EQ(load.objects().size(), 50u);
    }
}

// One instruction, one shape: a second point list is passed over like a field the reader does
// not know, so that a file cannot make one instruction's bytes build shape after shape.
TEST(PolyCurve, ASecondPointListIsPassedOver) {
    for (const Variant& v : AllVariants()) {
        if (!v.tagged)
            continue;
        SCOPED_TRACE(v.Name());
        PageBuilder page(v);
        Bytes operands = page.ShapeOperands(SubPaths(3, {0}));
        auto sizeAt = [&](std::size_t at) {
            return v.littleEndian ? operands[at] | operands[at + 1] << 8
                                  : operands[at] << 8 | operands[at + 1];
        };
        const std::size_t points = static_cast<std::size_t>(sizeAt(1));
        const Bytes list(operands.begin() + static_cast<std::ptrdiff_t>(points),
                         operands.begin() + static_cast<std::ptrdiff_t>(points) +
                             sizeAt(points + 1));
        operands.insert(operands.end() - 1, list.begin(), list.end());
        page.Instruction(67, operands);
        Load load(FileWithPage(page, v));
        EXPECT_TRUE(load.messages().empty());
        ASSERT_EQ(load.objects().size(), 1u);
        EXPECT_EQ(PathPoints(load.objects()[0]).size(), 3u);
    }
}

TEST(PolyCurve, GroupDepthWithoutAGroupTellsNoGroup) {
    CCmxParser parser;
    CCmxParserProbe access(parser);
    PageBuilder page(Variant{});
    Bytes operands = page.ShapeOperands(SubPaths(3, {0}));
    access.SetBody(operands, Variant{});
    access.SetGroupDepth(3);
    access.SetInstructionEnd(static_cast<DWORD>(operands.size()));
    access.GetTag();
    access.GetTagSize();
    int fill = access.GetRenderingAttributes();
    access.GetTag();
    access.GetTagSize();
    EXPECT_EQ(access.GetPointList(fill), 1);
    EXPECT_EQ(parser.GetDrawing()->GetCount(), 1);
    access.Release();
}
