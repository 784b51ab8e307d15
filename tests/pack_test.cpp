// Compressed files: the chunks behind the thumbnail as one zlib stream in a "pack" chunk.
#include "platform/bytes.h"
#include "tests/support/test_util.h"
#include "vestrel/cmx/probe.h"

#include "platform/gdi.h"

#include <gtest/gtest.h>

#include <functional>

using namespace cmxtest;

namespace {

// A drawing with a colour-management chunk and a thumbnail in front of everything else, whose
// page jumps and draws an image, so that offsets behind the "pack" chunk matter.
CmxBuilder Twins(Variant v) {
    CmxBuilder cmx(v);
    cmx.Chunk("ccmm", Bytes(30, 0x11));
    Thumbnail t;
    t.palette = {255, 255, 255, 0, 0, 0, 200, 0};
    t.pixels.assign(96 * 96, 1);
    cmx.Thumb(t);
    cmx.ColorTable({Rgb(255, 0, 0), Rgb(0, 0, 255)});
    cmx.OutlineTable({1, 2});
    PageBuilder page(v);
    Attributes a;
    a.fill = Fill{1, 2, {}};
    page.PolyCurve(Polyline(0, 0, 10, 10, 4, a));
    page.Jump(0);
    page.PolyCurve(Polyline(5, 5, 10, 10, 4, a)); // jumped over
    page.SetJumpTarget(0, static_cast<std::uint32_t>(page.size()));
    page.DrawImage(ImageRef{});
    page.Rectangle(RectangleShape{});
    cmx.Page(page);
    Raster raster;
    raster.pixels.assign(64, 7);
    cmx.Images({raster});
    return cmx;
}

// The drawing as the job file carries it.
Bytes JobBytes(const CGrDrawset& drawing) {
    Bytes bytes(drawing.GetOleBlockSize());
    unsigned char* buffer = bytes.data();
    drawing.GetOleBlockData(&buffer);
    return bytes;
}

} // namespace

TEST(Pack, ACompressedFileImportsAsItsTwin) {
    for (const Variant& v : AllVariants()) {
        SCOPED_TRACE(v.Name());
        const CmxBuilder cmx = Twins(v);
        const Bytes plain = cmx.Build();
        const Bytes packed = cmx.BuildCompressed();
        ASSERT_LT(packed.size(), plain.size());
        Load a(plain);
        Load b(packed);
        EXPECT_EQ(b.result, 1);
        EXPECT_EQ(b.messages(), a.messages());
        EXPECT_TRUE(b.parser.GetStopRecord().compressed);
        EXPECT_TRUE(b.parser.GetStopRecord().Complete());
        EXPECT_EQ(b.objects().size(), 3u);
        EXPECT_EQ(JobBytes(*b.parser.GetDrawing()), JobBytes(*a.parser.GetDrawing()));
        EXPECT_EQ(CCmxParserProbe(b.parser).DataSize(), CCmxParserProbe(a.parser).DataSize());
    }
}

// The preview takes the thumbnail in front of the compressed chunks, and unpacks them for one
// that went in with them.
TEST(Pack, ThePreviewFindsTheThumbnailInFrontOrPacked) {
    const Bytes plain = Twins(Variant{}).Build();
    for (const Bytes& file : {Twins(Variant{}).BuildCompressed(), CompressedTwin(plain, 0)}) {
        CCmxParser parser;
        CDC dc(130, 130);
        EXPECT_EQ(parser.ShowThumbNail(WriteTemp(file).c_str(), &dc), 1);
        EXPECT_EQ(parser.GetStopRecord().thumbnail, CmxThumbnail::palette);
        EXPECT_TRUE(parser.GetStopRecord().compressed);
        EXPECT_EQ(dc.GetPixel(64, 64), RGB(200, 0, 0));
    }
}

// A stream that is damaged, cut short, longer or shorter than stated, or that states more than
// its bytes can yield or a drawing can hold, fails the load: result 0, message 3, no drawing
// (one held before stays held), and the stop record says why.
TEST(Pack, DamagedStreamsAndBombsFailCleanly) {
    struct Case {
        const char* name;
        std::function<void(Bytes&)> damage;
        CmxStop reason;
    };
    const Case cases[] = {
        {"a damaged stream byte", [](Bytes& f) { f[PackedLengthAt(f) + 16] ^= 0xFF; },
         CmxStop::packDamaged},
        {"a damaged checksum", [](Bytes& f) { f[f.size() - 2] ^= 0x01; }, CmxStop::packDamaged},
        {"the file cut inside the stream", [](Bytes& f) { f.resize(f.size() - 20); },
         CmxStop::packDamaged},
        {"stated one byte longer",
         [](Bytes& f) {
             std::uint8_t* p = &f[PackedLengthAt(f)];
             byteorder::PutU32(p, byteorder::GetU32(p) + 1);
         },
         CmxStop::packDamaged},
        {"stated one byte shorter",
         [](Bytes& f) {
             std::uint8_t* p = &f[PackedLengthAt(f)];
             byteorder::PutU32(p, byteorder::GetU32(p) - 1);
         },
         CmxStop::packDamaged},
        {"another method", [](Bytes& f) { f[PackedLengthAt(f) + 5] = 'X'; }, CmxStop::packDamaged},
        {"stated past what the stream can yield",
         [](Bytes& f) {
             const std::size_t at = PackedLengthAt(f);
             byteorder::PutU32(&f[at], static_cast<std::uint32_t>(1033 * (f.size() - at)));
         },
         CmxStop::packTooLarge},
        {"stated past 256 MiB",
         [](Bytes& f) {
             // A stream long enough to yield it, at the best ratio deflate has.
             f.resize(f.size() + 300000, 0);
             byteorder::PutU32(&f[PackedLengthAt(f)], (256u << 20) + 1);
         },
         CmxStop::packTooLarge},
        {"stated within reach, yielding far less",
         [](Bytes& f) {
             const std::size_t at = PackedLengthAt(f);
             byteorder::PutU32(&f[at], static_cast<std::uint32_t>(500 * (f.size() - at)));
         },
         CmxStop::packDamaged},
    };
    const Bytes good = Twins(Variant{}).BuildCompressed();
    const Bytes held = Twins(Variant{}).Build();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes file = good;
        c.damage(file);
        MessageRecorder recorder;
        CCmxParser parser;
        ASSERT_EQ(parser.LoadCmx6File(WriteTemp(held).c_str()), 1);
        CGrDrawset* drawing = parser.GetDrawing();
        recorder.Clear();
        EXPECT_EQ(parser.LoadCmx6File(WriteTemp(file).c_str()), 0);
        EXPECT_EQ(recorder.Ids(), std::vector<int>{3});
        EXPECT_EQ(parser.GetDrawing(), drawing);
        EXPECT_EQ(parser.GetDataBuffer(), nullptr);
        EXPECT_EQ(parser.GetStopRecord().reason, c.reason);
        EXPECT_TRUE(parser.GetStopRecord().compressed);

        TempDir dir;
        CString cmx(WriteTemp(file).c_str());
        CString job(dir.File("out.job").c_str());
        EXPECT_EQ(parser.ParseCmx6(&cmx, &job), 0);
    }
}
