// Loading CMX files: the header check, the body, the chunk search and the frame size.
#include "tests/support/cmxbuilder.h"
#include "vestrel/cmx/probe.h"
#include "tests/support/test_util.h"

#include "platform/bytes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>

using namespace cmxtest;

namespace {

Bytes SimpleFile(Variant v = {}) {
    PageBuilder page(v);
    Attributes filled;
    filled.fill = Fill{1, 2, {}};
    page.PolyCurve(Polyline(0, 0, 10, 10, 3, filled));
    return FileWithPage(page, v);
}

// Three pages, each followed by its reference list: page n holds n lines at height n, behind a
// jump over an instruction without a handler.
Bytes ThreePages(Variant v) {
    CmxBuilder cmx(v);
    cmx.ColorTable({Rgb(1, 2, 3)});
    std::vector<PageBuilder> pages;
    for (int n = 1; n <= 3; ++n) {
        PageBuilder page(v);
        page.BeginPage();
        page.Jump(0);
        page.Instruction(99, Bytes(8, 0));
        page.SetJumpTarget(0, static_cast<std::uint32_t>(page.size()));
        for (int i = 0; i < n; ++i)
            page.PolyCurve(Polyline(0, n, 10, 0, 2, {}));
        pages.push_back(page);
    }
    cmx.Pages(pages);
    cmx.Index();
    return cmx.Build();
}

} // namespace

TEST(Load, ReturnsExactlyOneAndLeavesTheBodyReleased) {
    Bytes file = SimpleFile();
    Load load(file);
    EXPECT_EQ(load.result, 1);
    EXPECT_TRUE(load.messages().empty());
    EXPECT_EQ(load.parser.GetDataBuffer(), nullptr);
    EXPECT_EQ(CCmxParserProbe(load.parser).Position(), 0u);
    EXPECT_EQ(CCmxParserProbe(load.parser).DataSize(), file.size() - 200);
    EXPECT_EQ(CCmxParserProbe(load.parser).FormatVersion(), '2');
    ASSERT_NE(load.parser.GetDrawing(), nullptr);
    ASSERT_NE(load.parser.GetGroupStack(), nullptr);
    EXPECT_EQ(load.objects().size(), 1u);
}

TEST(Load, RejectedHeadersGiveNoMessageAndNoLists) {
    struct Case {
        const char* name;
        std::function<void(Bytes&)> damage;
    };
    const Case cases[] = {
        {"identifier followed by another byte", [](Bytes& f) { f[20 + 24] = 'X'; }},
        {"identifier in another case", [](Bytes& f) { f[21] = 'c'; }},
        {"file ends inside the identifier", [](Bytes& f) { f.resize(40); }},
        {"file holds only the RIFF part", [](Bytes& f) { f.resize(20); }},
        {"empty file", [](Bytes& f) { f.clear(); }},
        {"only the header", [](Bytes& f) { f.resize(200); }},
        {"header cut behind the identifier", [](Bytes& f) { f.resize(100); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes file = SimpleFile();
        c.damage(file);
        Load load(file);
        EXPECT_EQ(load.result, 0);
        EXPECT_TRUE(load.messages().empty());
        EXPECT_EQ(load.parser.GetDrawing(), nullptr);
        EXPECT_EQ(load.parser.GetGroupStack(), nullptr);
        EXPECT_EQ(load.parser.GetDataBuffer(), nullptr);
    }
}

// The stop record of loads that end before the page: the reason, and nothing walked.
TEST(Load, TheStopRecordSaysWhyALoadEndedEarly) {
    struct Case {
        const char* name;
        std::function<std::string()> path;
        int result;
        CmxStop reason;
    };
    const Case cases[] = {
        {"no file", [] { return std::string("/nonexistent/drawing.cmx"); }, 0, CmxStop::noFile},
        {"no header",
         [] {
             Bytes f = SimpleFile();
             f[21] = 'c';
             return WriteTemp(f);
         },
         0, CmxStop::noHeader},
        {"only the header",
         [] {
             Bytes f = SimpleFile();
             f.resize(200);
             return WriteTemp(f);
         },
         0, CmxStop::emptyBody},
        {"no page",
         [] {
             CmxBuilder cmx;
             cmx.ColorTable({Rgb(1, 2, 3)});
             return WriteTemp(cmx.Build());
         },
         1, CmxStop::noPage},
        {"the file ends inside the page's size",
         [] {
             CmxBuilder cmx;
             cmx.Raw({'p', 'a', 'g', 'e', 0});
             return WriteTemp(cmx.Build());
         },
         1, CmxStop::cutShort},
        {"complete", [] { return WriteTemp(SimpleFile()); }, 1, CmxStop::complete},
    };
    const Bytes full = SimpleFile();
    const std::string cut = WriteTemp(Bytes(full.begin(), full.end() - 3));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MessageRecorder quiet;
        CCmxParser parser;
        // A record left by an earlier load does not carry over.
        ASSERT_EQ(parser.LoadCmx6File(cut.c_str()), 1);
        EXPECT_EQ(parser.GetStopRecord().reason, CmxStop::cutShort);
        EXPECT_EQ(parser.LoadCmx6File(c.path().c_str()), c.result);
        const CCmxStopRecord& stop = parser.GetStopRecord();
        EXPECT_EQ(stop.reason, c.reason);
        EXPECT_EQ(stop.instruction, 0u);
        EXPECT_EQ(stop.instructions, c.reason == CmxStop::complete ? 1u : 0u);
    }
}

// Each load starts from the walk state of a new parser: colour reference 65535, group depth
// 0, no global transform, whatever the load before it left, on the file road and in the
// conversion.
TEST(Load, EveryLoadStartsFromAFreshWalkState) {
    // A last shape of colour 7, a group left open and a transform left standing.
    PageBuilder before(Variant{});
    Attributes seven;
    seven.fill = Fill{1, 7, {}};
    before.AddGlobalTransform(1, 0, 0, 1, 300, 300);
    before.BeginGroup();
    before.PolyCurve(Polyline(0, 0, 1, 1, 2, seven));
    const std::string first = WriteTemp(FileWithPage(before));
    // A first shape that inherits its colour, outside any group.
    PageBuilder after(Variant{});
    Attributes fountain;
    fountain.fill = Fill{2, 1, {}};
    after.PolyCurve(Polyline(10, 20, 1, 1, 2, fountain));
    after.EndGroup();
    after.PolyCurve(Polyline(10, 20, 1, 1, 2, fountain));
    const std::string second = WriteTemp(FileWithPage(after));

    auto expectFresh = [](const CGrDrawset& drawing) {
        const std::vector<CGrObj*> objects = Objects(drawing);
        // Depth 0 at the start: the unbalanced end wraps the depth, and no group closes.
        ASSERT_EQ(objects.size(), 2u);
        for (const CGrObj* object : objects) {
            EXPECT_EQ(static_cast<const CGrObjSimple*>(object)->GetLayerIndex(), 0xFFFF);
            EXPECT_EQ(PathPoints(object).at(0).x, 10.0);
        }
    };
    MessageRecorder quiet;
    CCmxParser parser;
    ASSERT_EQ(parser.LoadCmx6File(first.c_str()), 1);
    ASSERT_EQ(parser.LoadCmx6File(second.c_str()), 1);
    expectFresh(*parser.GetDrawing());

    ASSERT_EQ(parser.LoadCmx6File(first.c_str()), 1);
    TempDir dir;
    CString cmx(second.c_str());
    CString job(dir.File("second.job").c_str());
    ASSERT_EQ(parser.ParseCmx6(&cmx, &job), 1);
    std::unique_ptr<CGrDrawset> converted(CGrDrawset::ReadJobFile(job));
    expectFresh(*converted);
}

// The body starts where the header chunk ends as the file states it; a stated size that cannot
// be the header chunk's leaves the body behind the 204 bytes read as the header.
TEST(Load, TheBodyStartsWhereTheHeaderChunkEnds) {
    struct Case {
        const char* name;
        std::uint32_t chunkSize;
        std::function<void(Bytes&)> patch;
        std::size_t bodyStart;
    };
    const auto stated = [](std::uint32_t size) {
        return [size](Bytes& f) { byteorder::PutU32(&f[16], size); };
    };
    const Case cases[] = {
        {"180, the page right behind it", 180, [](Bytes&) {}, 200},
        {"184", 184, [](Bytes&) {}, 204},
        {"a longer header chunk", 200, [](Bytes&) {}, 220},
        {"too small for the header's fields", 184, stated(111), 204},
        {"zero", 184, stated(0), 204},
        {"past the file", 184, stated(0xFFFFFFF0), 204},
        {"a RIFX file states it big-endian", 180,
         [](Bytes& f) {
             std::memcpy(&f[0], "RIFX", 4);
             byteorder::PutU32BE(&f[16], 180);
         },
         200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CmxBuilder cmx;
        cmx.header().chunkSize = c.chunkSize;
        PageBuilder page(cmx.variant());
        page.PolyCurve(Polyline(0, 0, 10, 10, 3, {}));
        cmx.Page(page);
        cmx.ColorTable({Rgb(1, 2, 3)});
        Bytes file = cmx.Build();
        c.patch(file);
        Load load(file);
        EXPECT_EQ(load.result, 1);
        EXPECT_TRUE(load.messages().empty());
        EXPECT_EQ(load.objects().size(), 1u);
        EXPECT_EQ(load.parser.GetBodyStart(), c.bodyStart);
        EXPECT_EQ(CCmxParserProbe(load.parser).DataSize(), file.size() - c.bodyStart);
    }
}

TEST(Load, RiffMagicIsNotCompared) {
    Bytes file = SimpleFile();
    std::memcpy(&file[0], "XXXX", 4);
    Load load(file);
    EXPECT_EQ(load.result, 1);
    EXPECT_EQ(load.objects().size(), 1u);
}

TEST(Load, MissingFileShowsMessageOne) {
    MessageRecorder recorder;
    CCmxParser parser;
    EXPECT_EQ(parser.LoadCmx6File("/nonexistent/drawing.cmx"), 0);
    EXPECT_EQ(recorder.Ids(), std::vector<int>{1});
    EXPECT_EQ(parser.GetDrawing(), nullptr);
}

TEST(Load, FolderIsNotACmxFile) {
    TempDir dir;
    MessageRecorder recorder;
    CCmxParser parser;
    EXPECT_EQ(parser.LoadCmx6File(dir.path().c_str()), 0);
    EXPECT_EQ(recorder.Ids(), std::vector<int>{1});
}

TEST(Load, BodyWithoutPageShowsMessageThree) {
    CmxBuilder cmx;
    cmx.ColorTable({Rgb(1, 2, 3)});
    cmx.Chunk("junk", {1, 2, 3, 4});
    Load load(cmx.Build());
    EXPECT_EQ(load.result, 1);
    EXPECT_EQ(load.messages(), std::vector<int>{3});
    ASSERT_NE(load.parser.GetDrawing(), nullptr);
    EXPECT_TRUE(load.parser.GetDrawing()->IsEmpty());
}

TEST(Load, FrameSizeComesFromTheBoundingBox) {
    struct Case {
        double scale;
        std::int32_t left, top, right, bottom;
        double width, height;
    } cases[] = {
        {1.0e-6, 0, 1000, 2000, 0, 220.0, 110.0},
        {1.0e-5, -500, 300, 500, -300, 1100.0, 660.0},
        {1.0e-5, 10, 0, 0, 10, -11.0, -11.0},
    };
    for (const Variant& v : {Variant{true, false, true}, Variant{false, true, false}}) {
        for (const Case& c : cases) {
            CmxBuilder cmx(v);
            cmx.header().scaleFactor = c.scale;
            cmx.header().left = c.left;
            cmx.header().top = c.top;
            cmx.header().right = c.right;
            cmx.header().bottom = c.bottom;
            cmx.Page(PageBuilder(v));
            Load load(cmx.Build());
            ASSERT_EQ(load.result, 1);
            EXPECT_NEAR(CCmxParserProbe(load.parser).CoordScale(), c.scale * 100000.0, 1e-15);
            EXPECT_NEAR(load.parser.GetDrawing()->frameWidth, c.width, 1e-9);
            EXPECT_NEAR(load.parser.GetDrawing()->frameHeight, c.height, 1e-9);
        }
    }
}

TEST(Load, FrameDifferencesAreTakenIn32Bits) {
    CmxBuilder cmx;
    cmx.header().scaleFactor = 1e-5;
    cmx.header().left = -2147483647 - 1;
    cmx.header().right = 2147483647;
    cmx.header().bottom = 0;
    cmx.header().top = 0;
    cmx.Page(PageBuilder(Variant{}));
    Load load(cmx.Build());
    ASSERT_EQ(load.result, 1);
    EXPECT_NEAR(load.parser.GetDrawing()->frameWidth, -1.1, 1e-12);
}

TEST(Load, ASecondLoadGivesNewLists) {
    MessageRecorder recorder;
    CCmxParser parser;
    std::string path = WriteTemp(SimpleFile());
    ASSERT_EQ(parser.LoadCmx6File(path.c_str()), 1);
    ASSERT_EQ(parser.LoadCmx6File(path.c_str()), 1);
    EXPECT_EQ(parser.GetDrawing()->GetCount(), 1);
}

TEST(Load, ChunkSearchFindsTheFirstOccurrenceAnywhere) {
    CCmxParser parser;
    CCmxParserProbe access(parser);
    Bytes body = {'x', 'p', 'a', 'g', 'e', 'p', 'a', 'g', 'e', 'r', 'c'};
    access.SetBody(body, Variant{});
    EXPECT_EQ(access.FindChunk("page"), access.Body() + 1);
    EXPECT_EQ(access.FindChunk("rclr"), nullptr);
    access.Seek(2);
    EXPECT_EQ(access.FindListChunk("page"), access.Body() + 5);
    EXPECT_EQ(access.Position(), 2u);
    access.Seek(8);
    EXPECT_EQ(access.FindListChunk("page"), nullptr);
    access.Seek(11);
    EXPECT_EQ(access.FindListChunk("rc"), nullptr);
    // Cached and uncached answers agree.
    EXPECT_EQ(access.FindChunk("page"), access.Body() + 1);
    access.Release();
}

TEST(Load, DataSearchAnswersFromEveryPosition) {
    CCmxParser parser;
    CCmxParserProbe access(parser);
    Bytes body = {'d', 'a', 't', 'a', 'x', 'd', 'd', 'a', 't', 'a', 'd', 'a', 't'};
    access.SetBody(body, Variant{});
    const long expected[] = {0, 6, 6, 6, 6, 6, 6, -1, -1, -1, -1, -1, -1, -1};
    for (DWORD from = 0; from <= body.size(); ++from) {
        access.Seek(from);
        unsigned char* at = access.FindListChunk("data");
        EXPECT_EQ(at == nullptr ? -1 : at - access.Body(), expected[from]) << from;
    }
    access.Release();
}

TEST(Load, EmptyBodySearchFindsNothing) {
    CCmxParser parser;
    CCmxParserProbe access(parser);
    access.SetBody({}, Variant{});
    EXPECT_EQ(access.FindChunk("page"), nullptr);
    EXPECT_EQ(access.FindListChunk("data"), nullptr);
    access.Release();
}

TEST(Load, HeaderNumbersAreLittleEndianInEveryByteOrder) {
    for (const Variant& v : AllVariants()) {
        CmxBuilder cmx(v);
        cmx.header().left = 0x01020304;
        cmx.header().bottom = -7;
        cmx.header().scaleFactor = 0.25;
        cmx.Page(PageBuilder(v));
        Load load(cmx.Build());
        EXPECT_EQ(load.parser.GetBoundLeft(), 0x01020304);
        EXPECT_EQ(load.parser.GetBoundBottom(), -7);
        EXPECT_EQ(load.parser.GetScaleFactor(), 0.25);
    }
}

TEST(Load, InspectionCountsInstructionsAndFindsChunks) {
    MessageRecorder recorder;
    CCmxParser parser;
    CCmxFileInfo info;
    const Bytes file = RichDrawing(Variant{});
    ASSERT_EQ(parser.InspectCmx6File(WriteTemp(file).c_str(), &info), 1);
    EXPECT_TRUE(info.stop.Complete());
    EXPECT_EQ(info.instructions[67], 4u);
    EXPECT_EQ(info.instructions[-67], 1u);
    EXPECT_EQ(info.instructions[13], 2u);
    EXPECT_EQ(info.instructions[111], 1u);
    EXPECT_EQ(info.instructions.count(99), 0u); // jumped over
    EXPECT_EQ(info.objectCount, 9);
    EXPECT_EQ(std::string(info.chunks[0].id), "page");
    // Chunk offsets are file offsets.
    ASSERT_GT(info.chunks[0].offset, 0);
    EXPECT_EQ(std::memcmp(&file[static_cast<std::size_t>(info.chunks[0].offset)], "page", 4), 0);
    EXPECT_EQ(parser.GetDrawing(), nullptr);
    EXPECT_EQ(parser.InspectCmx6File("/nonexistent.cmx", &info), 0);
    EXPECT_EQ(recorder.Ids(), std::vector<int>{1});
}

// The walk gives back the instructions it has passed; the tables, the images and the thumbnail
// that stand behind a large page are still found and read in full, by a load and by a
// conversion, which looks for the thumbnail only after the walk.
TEST(Load, TablesBehindALargePageAreFoundAfterTheWalkGaveItsBytesBack) {
    constexpr int kShapes = 30000; // some 4 MB of instructions
    Variant v;
    PageBuilder page(v);
    for (int i = 0; i < kShapes; ++i) {
        Attributes outline;
        outline.outlineRef = static_cast<std::uint16_t>(1 + i % 3);
        page.PolyCurve(Polyline(i % 500, 0, 1, 1, 12, outline));
    }
    ImageRef ref;
    ref.reference = 1;
    page.DrawImage(ref);
    CmxBuilder cmx(v);
    cmx.Page(page);
    cmx.ColorTable({Rgb(1, 1, 1), Rgb(2, 2, 2), Rgb(3, 3, 3)});
    cmx.OutlineTable({1, 2, 3});
    Raster raster;
    raster.pixels.assign(4 * 4, 0x5A);
    cmx.Images({raster});
    Thumbnail thumbnail;
    thumbnail.palette.assign(4 * 16, 0x40);
    thumbnail.pixels.assign(96 * 96, 1);
    cmx.Thumb(thumbnail);
    const std::string path = WriteTemp(cmx.Build());

    auto expectWhole = [](const CGrDrawset& drawing) {
        ASSERT_EQ(drawing.GetCount(), kShapes + 1);
        ASSERT_NE(drawing.thumbnail, nullptr);
        EXPECT_GT(drawing.thumbnail->GetSize(), 0u);
        const auto* last = static_cast<const CGrObjSimple*>(drawing.GetObjByNumber(kShapes));
        EXPECT_EQ(last->GetLayerIndex(), 1 + (kShapes - 1) % 3);
        EXPECT_EQ(drawing.GetObjByNumber(kShapes + 1)->GetClass(), GrObjClass::bitmap);
    };
    MessageRecorder quiet;
    CCmxParser parser;
    ASSERT_EQ(parser.LoadCmx6File(path.c_str()), 1);
    expectWhole(*parser.GetDrawing());
    TempDir dir;
    CString cmxPath(path.c_str()), job(dir.File("large.job").c_str());
    ASSERT_EQ(parser.ParseCmx6(&cmxPath, &job), 1);
    std::unique_ptr<CGrDrawset> converted(CGrDrawset::ReadJobFile(job));
    expectWhole(*converted);
    EXPECT_TRUE(quiet.Ids().empty());
}

// A load reads the page it is set to; one past the pages loads nothing and keeps what was held.
TEST(Pages, EachPageLoadsByItsNumber) {
    for (const Variant& v : {Variant{}, Variant{false, true, false}}) {
        SCOPED_TRACE(v.Name());
        const Bytes file = ThreePages(v);
        const std::string path = WriteTemp(file);
        MessageRecorder recorder;
        for (unsigned long n = 0; n <= 3; ++n) {
            SCOPED_TRACE(n);
            CCmxParser parser;
            parser.SetPage(n);
            ASSERT_EQ(parser.LoadCmx6File(path.c_str()), 1);
            const unsigned long page = n == 0 ? 1 : n;
            const CCmxStopRecord& stop = parser.GetStopRecord();
            EXPECT_TRUE(stop.Complete());
            EXPECT_TRUE(stop.passedOver.empty());
            EXPECT_EQ(stop.page, page);
            EXPECT_EQ(stop.pages, 3u);
            const std::vector<CGrObj*> objects = Objects(*parser.GetDrawing());
            ASSERT_EQ(objects.size(), page);
            EXPECT_EQ(PathPoints(objects[0])[0].y, static_cast<double>(page));
        }
        CCmxParser parser;
        ASSERT_EQ(parser.LoadCmx6File(path.c_str()), 1);
        const CGrDrawset* held = parser.GetDrawing();
        parser.SetPage(4);
        EXPECT_EQ(parser.LoadCmx6File(path.c_str()), 0);
        EXPECT_EQ(parser.GetStopRecord().reason, CmxStop::noSuchPage);
        EXPECT_EQ(parser.GetStopRecord().pages, 3u);
        EXPECT_EQ(parser.GetDrawing(), held);
        EXPECT_TRUE(recorder.messages.empty());
        EXPECT_EQ(parser.CountCmx6Pages(path.c_str()), 3);
    }
    // A compressed body is counted and read alike.
    const Bytes packed = CompressedTwin(ThreePages(Variant{}), 0);
    CCmxParser parser;
    EXPECT_EQ(parser.CountCmxImagePages(packed.data(), static_cast<DWORD>(packed.size())), 3);
    parser.SetPage(3);
    ASSERT_EQ(parser.LoadCmxFromMemory(packed.data(), static_cast<DWORD>(packed.size())), 1);
    EXPECT_EQ(parser.GetDrawing()->GetCount(), 3);
}

// Counting follows the chunks' stated sizes and stops where they leave the body.
TEST(Pages, CountingStaysWithinTheBytes) {
    const auto pageIds = [](std::size_t count, std::uint32_t size) {
        CmxBuilder cmx;
        for (std::size_t i = 0; i < count; ++i)
            cmx.Raw({'p', 'a', 'g', 'e'}).Raw(ByteWriter(Variant{}).DWord(size).bytes());
        return cmx.Build();
    };
    CmxBuilder tableOnly;
    tableOnly.ColorTable({Rgb(1, 2, 3)});
    Bytes notCmx = ThreePages(Variant{});
    notCmx[21] = 'c';
    const std::pair<const char*, Bytes> cases[] = {
        {"no page", tableOnly.Build()},
        {"a size past the body ends the count", pageIds(3, 0x7FFFFFF0)},
        {"pages of size 0 one behind the other", pageIds(5000, 0)},
        {"no CMX file", notCmx},
    };
    const long expected[] = {0, 1, 5000, -1};
    CCmxParser parser;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].first);
        const Bytes& file = cases[i].second;
        EXPECT_EQ(parser.CountCmxImagePages(file.data(), static_cast<DWORD>(file.size())),
                  expected[i]);
    }
    EXPECT_EQ(parser.CountCmx6Pages("/nonexistent.cmx"), -1);
}
