// Damage through the public roads: files cut short anywhere, tagged sizes that cannot hold
// their own header, and a hostile preview, each through the load, the conversion and the
// preview. The checks of the fuzzers apply to every drawing that results.
#include "platform/bytes.h"
#include "fuzz/roads.h"
#include "tests/support/test_util.h"

#include "platform/gdi.h"

#include <gtest/gtest.h>

#include <functional>

using namespace cmxtest;

namespace {

constexpr int kNoPage = 3;
constexpr int kIncomplete = 4;
// The builder's header chunk ends here.
constexpr std::size_t kHeader = 200;

struct ChunkSpan {
    std::string id;
    std::size_t start; // file offset of the id
    std::size_t end;   // file offset behind the data (before a pad byte)
};

// The chunks of a file that the builder wrote, by their sizes.
std::vector<ChunkSpan> Chunks(const Bytes& file, Variant v) {
    std::vector<ChunkSpan> chunks;
    std::size_t at = kHeader;
    while (at + 8 <= file.size()) {
        const std::uint8_t* s = &file[at + 4];
        const std::size_t size = v.littleEndian ? byteorder::GetU32(s) : byteorder::GetU32BE(s);
        chunks.push_back(ChunkSpan{std::string(file.begin() + static_cast<long>(at),
                                               file.begin() + static_cast<long>(at) + 4),
                                   at, at + 8 + size});
        at += 8 + size + size % 2;
    }
    return chunks;
}

// Every byte of every chunk, but only every 61st of a preview's pixels, which are read alike.
std::vector<std::size_t> Cuts(const std::vector<ChunkSpan>& chunks) {
    std::vector<std::size_t> cuts = {0, 100, kHeader, kHeader + 1};
    for (const ChunkSpan& c : chunks) {
        const std::size_t step = c.id == "DISP" ? 61 : 1;
        for (std::size_t at = c.start; at < c.start + 64 && at < c.end; ++at)
            cuts.push_back(at);
        for (std::size_t at = c.start + 64; at < c.end; at += step)
            cuts.push_back(at);
        cuts.push_back(c.end - 1);
    }
    return cuts;
}

const ChunkSpan& Find(const std::vector<ChunkSpan>& chunks, const char* id) {
    for (const ChunkSpan& c : chunks)
        if (c.id == id)
            return c;
    throw std::runtime_error("no chunk");
}

Attributes Filled(std::uint16_t color = 1) {
    Attributes a;
    a.fill = Fill{1, color, {}};
    return a;
}

Shape Line(std::int32_t y, Attributes a = Filled()) {
    return Polyline(0, y, 10, 0, 2, a);
}

// A tagged field whose size word holds size.
Bytes Field(Variant v, std::uint16_t size) {
    ByteWriter w(v);
    w.Byte(7).Word(size);
    return w.bytes();
}

std::vector<Variant> TaggedVariants() {
    std::vector<Variant> tagged;
    for (const Variant& v : AllVariants())
        if (v.tagged)
            tagged.push_back(v);
    return tagged;
}

} // namespace

// Every cut ends in the outcome its place gives: nothing behind the header is refused without
// a message, a file without its page shows message 3, a page cut short shows message 4 and
// keeps every object of the instructions before the cut, and a cut behind the page keeps the
// whole page. The conversion and the preview take every cut as well.
TEST(Robustness, FilesCutShortAtEveryChunkAndInsideEveryInstruction) {
    for (const Variant& v : AllVariants()) {
        SCOPED_TRACE(v.Name());
        const Bytes full = RichDrawing(v);
        const std::vector<ChunkSpan> chunks = Chunks(full, v);
        ASSERT_EQ(chunks.back().end + chunks.back().end % 2, full.size());
        const ChunkSpan& page = Find(chunks, "page");
        int previousObjects = 0;
        for (std::size_t cut : Cuts(chunks)) {
            SCOPED_TRACE(cut);
            const Bytes file(full.begin(), full.begin() + static_cast<long>(cut));
            Load load(file);
            const std::vector<int> messages = load.messages();
            const int objects = static_cast<int>(load.objects().size());
            if (cut <= kHeader) {
                EXPECT_EQ(load.result, 0);
                EXPECT_TRUE(messages.empty());
                continue;
            }
            ASSERT_EQ(load.result, 1);
            EXPECT_EQ(vestrel_fuzz::CheckDrawing(*load.parser.GetDrawing(),
                                                 vestrel_fuzz::Source::cmxReader),
                      "");
            if (cut < page.start + 4) {
                ASSERT_FALSE(messages.empty());
                EXPECT_EQ(messages.back(), kNoPage);
            } else if (cut < page.end) {
                ASSERT_FALSE(messages.empty());
                EXPECT_EQ(messages.back(), kIncomplete);
                // A longer piece of the page never yields fewer objects.
                EXPECT_GE(objects, previousObjects);
                previousObjects = objects;
            } else {
                EXPECT_EQ(std::count(messages.begin(), messages.end(), kIncomplete), 0);
                // The image may be left out when its section is cut.
                EXPECT_GE(objects, 8);
            }
            if (v.littleEndian == v.shortCoords) {
                // The other roads, in half of the variants: they share the reader.
                EXPECT_EQ(vestrel_fuzz::ConvertRoad(file.data(), file.size()), "");
                EXPECT_EQ(vestrel_fuzz::ThumbnailRoad(file.data(), file.size()), "");
            }
        }
    }
}

// A tagged size of 0, 1 or 2 does not cover its own tag id and size word; skipping the rest of
// such a group would cover nearly 64 KiB. The skip ends at the page or the body, the walk
// stops where the instruction cannot be finished, and nothing is read outside the buffer.
TEST(Robustness, TaggedSizesBelowThree) {
    struct Case {
        const char* name;
        std::function<Bytes(Variant, std::uint16_t)> file;
        int objects;
        std::vector<int> messages;
    };
    auto shapeFile = [](Variant v, const Attributes& damaged) {
        PageBuilder page(v);
        page.PolyCurve(Line(1));
        page.PolyCurve(Line(2, damaged));
        page.PolyCurve(Line(3));
        return FileWithPage(page, v);
    };
    const Case cases[] = {
        {"field behind a fill",
         [&](Variant v, std::uint16_t size) {
             Attributes a;
             a.fill = Fill{2, 1, {Field(v, size)}};
             return shapeFile(v, a);
         },
         1,
         {kIncomplete}},
        {"field inside a uniform fill",
         [&](Variant v, std::uint16_t size) {
             // Damage in a record nested in a field ends the reading too.
             Attributes a;
             a.fill = Fill{1, 1, {}};
             a.uniformFillExtraFields = {Field(v, size)};
             return shapeFile(v, a);
         },
         1,
         {kIncomplete}},
        {"field behind an outline reference",
         [&](Variant v, std::uint16_t size) {
             Attributes a;
             a.outlineRef = 1;
             a.outlineExtraFields = {Field(v, size)};
             return shapeFile(v, a);
         },
         1,
         {kIncomplete}},
        {"size of the attribute group",
         [](Variant v, std::uint16_t size) {
             // A size that cannot be the group's is not believed: the shape reads on.
             PageBuilder page(v);
             page.PolyCurve(Line(1));
             Bytes operands = page.ShapeOperands(Line(2));
             ByteWriter patch(v);
             patch.Word(size);
             std::copy(patch.bytes().begin(), patch.bytes().end(), operands.begin() + 1);
             page.Instruction(67, operands);
             page.PolyCurve(Line(3));
             return FileWithPage(page, v);
         },
         3,
         {}},
        {"field behind a colour table entry",
         [](Variant v, std::uint16_t size) {
             // The table ends at the damaged entry; the drawing loads.
             CmxBuilder cmx(v);
             ColorEntry damaged = Rgb(4, 5, 6);
             damaged.extraFields = {Field(v, size)};
             cmx.ColorTable({Rgb(1, 2, 3), damaged, Rgb(7, 8, 9)});
             cmx.OutlineTable({1});
             PageBuilder page(v);
             page.PolyCurve(Line(1));
             cmx.Page(page);
             return cmx.Build();
         },
         1,
         {}},
    };
    for (const Variant& v : TaggedVariants()) {
        for (const Case& c : cases) {
            for (std::uint16_t size : {0, 1, 2}) {
                SCOPED_TRACE(v.Name() + ": " + c.name + " " + std::to_string(size));
                const Bytes file = c.file(v, size);
                Load load(file);
                EXPECT_EQ(load.result, 1);
                EXPECT_EQ(load.messages(), c.messages);
                EXPECT_EQ(static_cast<int>(load.objects().size()), c.objects);
                EXPECT_EQ(vestrel_fuzz::CheckDrawing(*load.parser.GetDrawing(),
                                                     vestrel_fuzz::Source::cmxReader),
                          "");
                EXPECT_EQ(vestrel_fuzz::ConvertRoad(file.data(), file.size()), "");
            }
        }
    }
}

// A preview that the body's end cuts short is no preview, on every road: the preview draws
// nothing and returns 1, the conversion writes a job without a thumbnail.
// A field that states more than its record holds: the walk stops behind the instruction, a
// colour table at the entry, and the drawing keeps what came before.
TEST(Robustness, TaggedSizesPastTheirRecord) {
    for (const Variant& v : TaggedVariants()) {
        SCOPED_TRACE(v.Name());
        PageBuilder page(v);
        page.PolyCurve(Line(1));
        Bytes operands = page.ShapeOperands(Line(2));
        // The point list's size, behind the attribute group.
        const std::size_t points = v.littleEndian ? operands[1] : operands[2];
        ByteWriter patch(v);
        patch.Word(0xFFF0);
        std::copy(patch.bytes().begin(), patch.bytes().end(), operands.begin() + points + 1);
        page.Instruction(67, operands);
        page.PolyCurve(Line(3));
        CmxBuilder cmx(v);
        ColorEntry damaged = Rgb(4, 5, 6);
        damaged.extraFields = {{7, 0xF0, 0xFF}};
        cmx.ColorTable({Rgb(1, 2, 3), damaged, Rgb(7, 8, 9)});
        cmx.OutlineTable({1});
        cmx.Page(page);
        const Bytes file = cmx.Build();
        Load load(file);
        EXPECT_EQ(load.result, 1);
        EXPECT_EQ(load.messages(), std::vector<int>{kIncomplete});
        // The damaged shape's points lie whole inside its instruction; nothing behind it is read.
        EXPECT_EQ(load.objects().size(), 2u);
        EXPECT_EQ(load.parser.GetStopRecord().reason, CmxStop::readPastEnd);
        const CGrObjColorMap& map = load.parser.GetDrawing()->colorMap;
        EXPECT_EQ(map.GetColor(1), 4u + 256 * 5 + 65536 * 6);
        EXPECT_NE(map.GetColor(2), 7u + 256 * 8 + 65536 * 9);
        EXPECT_EQ(vestrel_fuzz::ConvertRoad(file.data(), file.size()), "");
    }
}

TEST(Robustness, HostilePreviewOnEveryRoad) {
    struct Case {
        const char* name;
        std::optional<std::uint32_t> clrUsed;
        std::size_t pixels;
    };
    const Case cases[] = {
        {"biClrUsed 0xFFFFFFFF", 0xFFFFFFFFu, 96 * 96},
        {"biClrUsed 0x40000000", 0x40000000u, 96 * 96},
        {"biClrUsed one past the palette", 5, 96 * 96},
        {"pixels cut short", {}, 96 * 96 - 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Thumbnail t;
        t.palette = {255, 255, 255, 0, 0, 0, 0, 0, 10, 20, 30, 0, 1, 2, 3, 0};
        t.clrUsed = c.clrUsed;
        t.pixels.assign(c.pixels, 1);
        // The chunk closes the file, so that the body's end cuts it short.
        CmxBuilder cmx;
        cmx.ColorTable({Rgb(1, 2, 3)});
        PageBuilder page(Variant{});
        page.PolyCurve(Line(1));
        cmx.Page(page);
        cmx.Thumb(t);
        const Bytes file = cmx.Build();

        CCmxParser parser;
        CDC dc(130, 130);
        EXPECT_EQ(parser.ShowThumbNail(WriteTemp(file).c_str(), &dc), 1);
        EXPECT_EQ(dc.GetPixel(64, 64), RGB(255, 255, 255));

        TempDir dir;
        CString cmxPath(WriteTemp(file).c_str());
        CString jobPath(dir.File("preview.job").c_str());
        EXPECT_EQ(parser.ParseCmx6(&cmxPath, &jobPath), 1);
        std::unique_ptr<CGrDrawset> back(CGrDrawset::ReadJobFile(jobPath));
        EXPECT_EQ(back->thumbnail, nullptr);
        EXPECT_EQ(back->GetCount(), 1);
        EXPECT_EQ(vestrel_fuzz::ThumbnailRoad(file.data(), file.size()), "");
    }
}

// A host loads file after file into one parser, and previews files while a drawing is held.
// Whatever a damaged file leaves behind (a group left open, a wrapped depth) the next load
// builds a sound drawing, and a preview of a damaged file leaves the held drawing as it was.
TEST(Robustness, OneParserThroughDamagedFilesInTurn) {
    MessageRecorder quiet;
    for (const Variant& v : AllVariants()) {
        SCOPED_TRACE(v.Name());
        const Bytes full = RichDrawing(v);
        const std::vector<ChunkSpan> chunks = Chunks(full, v);
        const ChunkSpan& page = Find(chunks, "page");
        CCmxParser parser;
        for (std::size_t cut = page.start; cut <= page.end; ++cut) {
            SCOPED_TRACE(cut);
            const Bytes file(full.begin(), full.begin() + static_cast<long>(cut));
            const std::string path = WriteTemp(file);
            ASSERT_EQ(parser.LoadCmx6File(CString(path.c_str())), 1);
            CGrDrawset* held = parser.GetDrawing();
            ASSERT_NE(held, nullptr);
            EXPECT_EQ(vestrel_fuzz::CheckDrawing(*held, vestrel_fuzz::Source::cmxReader), "");
            const long count = held->GetCount();
            CDC dc(130, 130);
            EXPECT_EQ(parser.ShowThumbNail(CString(path.c_str()), &dc), 1);
            EXPECT_EQ(parser.GetDrawing(), held);
            EXPECT_EQ(held->GetCount(), count);
        }
    }
}
