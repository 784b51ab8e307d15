// The page walk: instruction sizes, codes, groups and jumps, and where a damaged page stops it.
#include "tests/support/cmxbuilder.h"
#include "vestrel/cmx/probe.h"
#include "tests/support/test_util.h"

#include <gtest/gtest.h>

using namespace cmxtest;

namespace {

Attributes Filled(std::uint16_t color = 1) {
    Attributes a;
    a.fill = Fill{1, color, {}};
    return a;
}

Shape Line(std::int32_t y) {
    return Polyline(0, y, 10, 0, 2, Filled());
}

constexpr int kIncomplete = 4;

} // namespace

TEST(Walk, EveryVariantReadsTheRichDrawing) {
    for (const Variant& v : AllVariants()) {
        SCOPED_TRACE(v.Name());
        Load load(RichDrawing(v));
        EXPECT_EQ(load.result, 1);
        EXPECT_TRUE(load.messages().empty());
        // Four paths outside the group, a split shape of two pieces with its kind-6 group, a
        // nested path and an image inside the group, then the group itself.
        EXPECT_EQ(load.objects().size(), 9u);
    }
}

TEST(Walk, InstructionsWithoutHandlerArePassedOverBySize) {
    for (const Variant& v : AllVariants()) {
        SCOPED_TRACE(v.Name());
        PageBuilder page(v);
        page.Instruction(42, Bytes(8, 0x43));
        page.Instruction(-65, Bytes(20, 0xFF));
        page.Instruction(0, {});
        page.PolyCurve(Line(5));
        Load load(FileWithPage(page, v));
        EXPECT_TRUE(load.messages().empty());
        ASSERT_EQ(load.objects().size(), 1u);
        EXPECT_EQ(PathPoints(load.objects()[0]).size(), 2u);
    }
}

TEST(Walk, LongSizeFormTakesTheSizeFromTheDoubleWord) {
    for (const Variant& v : AllVariants()) {
        SCOPED_TRACE(v.Name());
        PageBuilder page(v);
        page.PolyCurve(Line(5), 67, InstrOptions{true, {}});
        page.PolyCurve(Line(6));
        Load load(FileWithPage(page, v));
        EXPECT_TRUE(load.messages().empty());
        ASSERT_EQ(load.objects().size(), 2u);
        EXPECT_EQ(PathPoints(load.objects()[0])[0].y, 5.0);
        EXPECT_EQ(PathPoints(load.objects()[1])[0].y, 6.0);
    }
}

TEST(Walk, HandlersThatReadMoreOrLessDoNotDisturbTheWalk) {
    PageBuilder page(Variant{});
    // A page instruction without operands: its handler reads into the next instruction.
    page.Instruction(9, {});
    // A layer instruction with bytes behind what its handler reads.
    ByteWriter layer(Variant{});
    layer.Word(1).Word(0).DWord(0).DWord(0).String("x").IdentityMatrix().Raw(Bytes(30, 0x77));
    page.Instruction(11, layer.bytes());
    page.PolyCurve(Line(7));
    Load load(FileWithPage(page));
    EXPECT_TRUE(load.messages().empty());
    ASSERT_EQ(load.objects().size(), 1u);
}

TEST(Walk, TopLevelGroupFollowsItsMembers) {
    for (const Variant& v : AllVariants()) {
        SCOPED_TRACE(v.Name());
        PageBuilder page(v);
        page.PolyCurve(Line(1));
        page.BeginGroup(10, 40, 30, 20);
        page.PolyCurve(Line(2));
        page.BeginGroup();
        page.PolyCurve(Line(3));
        page.EndGroup();
        page.EndGroup();
        Load load(FileWithPage(page, v));
        auto objects = load.objects();
        ASSERT_EQ(objects.size(), 4u);
        EXPECT_EQ(objects[3]->GetClass(), GrObjClass::group);
        EXPECT_EQ(objects[3]->GetType(), GROBJ_TYPE_GROUP);
        EXPECT_EQ(GroupMembers(objects[3]), (std::vector<unsigned long>{2, 3}));
        EXPECT_EQ(objects[3]->bounds.left, 10.0);
        EXPECT_EQ(objects[3]->bounds.top, 40.0);
        EXPECT_EQ(objects[3]->bounds.right, 30.0);
        EXPECT_EQ(objects[3]->bounds.bottom, 20.0);
        EXPECT_EQ(CCmxParserProbe(load.parser).GroupDepth(), 0);
        EXPECT_TRUE(load.parser.GetGroupStack()->IsEmpty());
    }
}

TEST(Walk, NegativeGroupCodesOpenAndCloseGroups) {
    PageBuilder page(Variant{});
    page.BeginGroup(0, 1, 1, 0, -13);
    page.PolyCurve(Line(2), -67);
    page.EndGroup(-14);
    Load load(FileWithPage(page));
    auto objects = load.objects();
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_EQ(GroupMembers(objects[1]), (std::vector<unsigned long>{1}));
}

TEST(Walk, GroupLeftOpenStaysOnTheGroupStack) {
    PageBuilder page(Variant{});
    page.BeginGroup();
    page.PolyCurve(Line(2));
    Load load(FileWithPage(page));
    EXPECT_EQ(load.objects().size(), 1u);
    EXPECT_EQ(CCmxParserProbe(load.parser).GroupDepth(), 1);
    ASSERT_EQ(load.parser.GetGroupStack()->GetCount(), 1);
    auto* group = static_cast<CGrObj*>(load.parser.GetGroupStack()->GetHead());
    EXPECT_EQ(GroupMembers(group), (std::vector<unsigned long>{1}));
}

TEST(Walk, UnbalancedEndGroupsWrapTheDepth) {
    PageBuilder page(Variant{});
    page.EndGroup();
    page.BeginGroup(); // back to 0, no group
    page.BeginGroup(); // depth 1: a group
    page.PolyCurve(Line(1));
    page.EndGroup();
    Load load(FileWithPage(page));
    auto objects = load.objects();
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_EQ(GroupMembers(objects[1]), (std::vector<unsigned long>{1}));

    PageBuilder many(Variant{});
    for (int i = 0; i < 65536; ++i)
        many.EndGroup();
    many.PolyCurve(Line(1));
    Load wrapped(FileWithPage(many));
    EXPECT_EQ(wrapped.result, 1);
    EXPECT_TRUE(wrapped.messages().empty());
    EXPECT_EQ(CCmxParserProbe(wrapped.parser).GroupDepth(), 0);
    EXPECT_EQ(wrapped.objects().size(), 1u);
}

TEST(Walk, DrawCharsHasAHandlerOnlyInItsPositiveForm) {
    for (short code : {65, -65}) {
        PageBuilder page(Variant{});
        ByteWriter chars(Variant{});
        // A count whose points lie past the page: the handler reads past the page's end.
        chars.Byte(1).Word(0).Word(500);
        page.Instruction(code, chars.bytes());
        Load load(FileWithPage(page));
        EXPECT_EQ(load.result, 1);
        EXPECT_EQ(load.messages(), code == 65 ? std::vector<int>{kIncomplete} : std::vector<int>{});
    }
}

TEST(Walk, JumpsMoveTheWalkForward) {
    for (short code : {111, -111}) {
        for (const Variant& v : AllVariants()) {
            SCOPED_TRACE(v.Name() + std::to_string(code));
            PageBuilder page(v);
            page.PolyCurve(Line(1));
            page.Jump(0, code);
            page.PolyCurve(Line(2)); // jumped over
            page.SetJumpTarget(0, static_cast<std::uint32_t>(page.size()));
            page.PolyCurve(Line(3));
            Load load(FileWithPage(page, v));
            EXPECT_TRUE(load.messages().empty());
            auto objects = load.objects();
            ASSERT_EQ(objects.size(), 2u);
            EXPECT_EQ(PathPoints(objects[1])[0].y, 3.0);
        }
    }
}

TEST(Walk, JumpToTheHeaderStartMovesToTheBufferStart) {
    CCmxParser parser;
    CCmxParserProbe access(parser);
    ByteWriter w(Variant{});
    w.Byte(1).Word(7).DWord(204).Byte(0xFF);
    access.SetBody(w.bytes(), Variant{});
    EXPECT_EQ(access.ProcessInstr(0, 111), 1);
    EXPECT_EQ(access.Position(), 0u);
    access.Release();
}

TEST(Walk, ProcessInstrTellsWhetherACodeHasAHandler) {
    CCmxParser parser;
    CCmxParserProbe access(parser);
    access.SetBody(Bytes(64, 0), Variant{});
    for (short code : {9, -9, 11, -11, 13, -13, 14, -14, 65, 67, -67, 69, -69, 111, -111}) {
        access.Seek(0);
        EXPECT_EQ(access.ProcessInstr(0, code), 1) << code;
    }
    for (short code : {0, 1, -65, 66, 12, 112, -32768, 32767})
        EXPECT_EQ(access.ProcessInstr(0, code), 0) << code;
    access.Release();
}

// Damage that stops the walk: the load shows message 4, keeps what was read before, and the
// stop record names the reason and the second instruction, where the damage lies.
TEST(Walk, DamagedInstructionsStopTheWalk) {
    struct Case {
        const char* name;
        std::function<void(PageBuilder&)> damage;
        CmxStop reason;
        short code;
    };
    const Case cases[] = {
        {"size 0",
         [](PageBuilder& p) {
             p.Instruction(42, {}, InstrOptions{false, 0});
         },
         CmxStop::sizeBelowHeader, 42},
        {"size below the header",
         [](PageBuilder& p) {
             p.Instruction(42, {}, InstrOptions{false, 3});
         },
         CmxStop::sizeBelowHeader, 42},
        {"long size below its header",
         [](PageBuilder& p) {
             p.Instruction(42, {}, InstrOptions{true, 7});
         },
         CmxStop::sizeBelowHeader, 42},
        {"long size with a huge double word",
         [](PageBuilder& p) {
             p.Instruction(42, {}, InstrOptions{true, 0xFFFFFFF0u});
         },
         CmxStop::cutShort, 42},
        {"size past the page",
         [](PageBuilder& p) {
             p.Instruction(42, {}, InstrOptions{false, 999});
         },
         CmxStop::cutShort, 42},
        {"operands past the page",
         [](PageBuilder& p) {
             p.Instruction(65, Bytes{1, 0xFF, 0xFF, 0xFF, 0xFF});
         },
         CmxStop::readPastEnd, 65},
        {"jump backwards", [](PageBuilder& p) { p.Jump(0); }, CmxStop::badJump, 111},
        {"jump to itself", [](PageBuilder& p) { p.Jump(static_cast<std::uint32_t>(p.size())); },
         CmxStop::badJump, 111},
        {"jump past the page, inside the body",
         [](PageBuilder& p) {
             // The page ends behind this jump and the next instruction.
             PageBuilder probe = p;
             probe.Jump(0);
             probe.PolyCurve(Line(2));
             p.Jump(static_cast<std::uint32_t>(probe.size()) + 20);
         },
         CmxStop::badJump, 111},
        {"jump past the body", [](PageBuilder& p) { p.Jump(100000); }, CmxStop::badJump, 111},
        {"jump below the header", [](PageBuilder& p) { p.Jump(100, -111, true); }, CmxStop::badJump,
         -111},
    };
    for (const Variant& v : AllVariants()) {
        for (const Case& c : cases) {
            SCOPED_TRACE(v.Name() + ": " + c.name);
            PageBuilder page(v);
            page.PolyCurve(Line(1));
            const std::size_t damaged = page.size();
            c.damage(page);
            page.PolyCurve(Line(2));
            CmxBuilder cmx(v);
            cmx.ColorTable({Rgb(1, 2, 3)});
            const std::size_t pageData = cmx.body().size() + 8;
            cmx.Page(page);
            // Bytes behind the page, where a jump past it lands inside the body.
            cmx.Chunk("junk", Bytes(64, 0));
            Load load(cmx.Build());
            EXPECT_EQ(load.result, 1);
            EXPECT_EQ(load.messages(), std::vector<int>{kIncomplete});
            ASSERT_EQ(load.objects().size(), 1u);
            EXPECT_EQ(PathPoints(load.objects()[0])[0].y, 1.0);
            const CCmxStopRecord& stop = load.parser.GetStopRecord();
            EXPECT_EQ(stop.reason, c.reason);
            EXPECT_EQ(stop.instruction, 2u);
            EXPECT_EQ(stop.code, c.code);
            EXPECT_EQ(stop.offset, cmx.bodyStart() + pageData + damaged);
        }
    }
}

// The record counts the instructions walked and those passed over, by code.
TEST(Walk, TheStopRecordCountsWhatWasPassedOver) {
    PageBuilder page(Variant{});
    page.Instruction(42, {});
    page.Instruction(-65, {});
    page.PolyCurve(Line(5));
    page.Instruction(42, {});
    page.Instruction(10, {});
    Load load(FileWithPage(page));
    const CCmxStopRecord& stop = load.parser.GetStopRecord();
    EXPECT_TRUE(stop.Complete());
    EXPECT_EQ(stop.instructions, 5u);
    EXPECT_EQ(stop.passedOver, (std::map<int, unsigned long>{{-65, 1}, {10, 1}, {42, 2}}));
    EXPECT_EQ(stop.instruction, 0u);
}

TEST(Walk, TheWalkEndsWithThePageData) {
    // Bytes behind the page chunk that read as instructions are never interpreted.
    PageBuilder page(Variant{});
    page.PolyCurve(Line(1));
    PageBuilder after(Variant{});
    after.PolyCurve(Line(2));
    CmxBuilder cmx;
    cmx.ColorTable({Rgb(1, 2, 3)});
    cmx.OutlineTable({1});
    cmx.Page(page);
    cmx.Raw(after.data());
    Load load(cmx.Build());
    EXPECT_TRUE(load.messages().empty());
    EXPECT_EQ(load.objects().size(), 1u);
}

TEST(Walk, PageFoundInsideAnEarlierChunkStartsTheWalkThere) {
    PageBuilder early(Variant{});
    early.PolyCurve(Line(1));
    ByteWriter inner(Variant{});
    inner.Raw("page", 4).DWord(static_cast<std::uint32_t>(early.size())).Raw(early.data());
    PageBuilder real(Variant{});
    real.PolyCurve(Line(2));
    real.PolyCurve(Line(3));
    CmxBuilder cmx;
    cmx.Chunk("junk", inner.bytes());
    cmx.ColorTable({Rgb(1, 2, 3)});
    cmx.OutlineTable({1});
    cmx.Page(real);
    Load load(cmx.Build());
    ASSERT_EQ(load.objects().size(), 1u);
    EXPECT_EQ(PathPoints(load.objects()[0])[0].y, 1.0);
}

TEST(Walk, FilesCutShortNeverSucceedSilentlyOrFail) {
    for (const Variant& v : AllVariants()) {
        SCOPED_TRACE(v.Name());
        PageBuilder page(v);
        page.BeginPage();
        page.BeginLayer();
        page.BeginGroup();
        page.PolyCurve(Line(1));
        page.EndGroup();
        page.PolyCurve(Line(2));
        CmxBuilder cmx(v);
        cmx.ColorTable({Rgb(1, 2, 3)});
        cmx.OutlineTable({1});
        std::size_t pageAt = cmx.bodyStart() + cmx.body().size();
        cmx.Page(page);
        Bytes full = cmx.Build();
        std::size_t pageEnd = pageAt + 8 + page.size();
        for (std::size_t cut = cmx.bodyStart() + 1; cut < full.size(); ++cut) {
            Load load(Bytes(full.begin(), full.begin() + static_cast<long>(cut)));
            EXPECT_EQ(load.result, 1) << cut;
            if (cut < pageAt + 4) {
                EXPECT_EQ(load.messages().back(), 3) << cut; // no page chunk
            } else if (cut < pageEnd) {
                EXPECT_EQ(load.messages().back(), kIncomplete) << cut;
            }
        }
    }
}
