// Image instructions: the index walk, the raster types, and what damaged sizes get.
#include "platform/bytes.h"
#include "tests/support/cmxbuilder.h"
#include "vestrel/cmx/probe.h"
#include "tests/support/test_util.h"

#include <gtest/gtest.h>

using namespace cmxtest;
using byteorder::GetU16;
using byteorder::GetU32;

namespace {

Raster RasterOf(std::uint32_t type, std::size_t pixels, std::uint8_t fill = 0x5A) {
    Raster r;
    r.type = type;
    r.pixels.assign(pixels, fill);
    return r;
}

// A file whose page draws the given references into an index of the given images.
Bytes ImageFile(const std::vector<Raster>& images, const std::vector<ImageRef>& refs,
                Variant v = {}, std::uint16_t entrySize = 6) {
    PageBuilder page(v);
    for (const ImageRef& ref : refs)
        page.DrawImage(ref);
    CmxBuilder cmx(v);
    cmx.ColorTable({Rgb(1, 1, 1)});
    cmx.OutlineTable({1});
    cmx.Page(page);
    cmx.Images(images, entrySize);
    return cmx.Build();
}

ImageRef Ref(std::uint16_t reference) {
    ImageRef ref;
    ref.reference = reference;
    return ref;
}

} // namespace

TEST(Images, RasterTypesBuildTheirBitmaps) {
    struct Case {
        const char* name;
        Raster raster;
        DWORD palette;
    };
    Raster stored = RasterOf(3, 20);
    for (int i = 0; i < 16; ++i)
        stored.palette.insert(stored.palette.end(), {static_cast<std::uint8_t>(i), 100, 200});
    const Case cases[] = {
        {"grey", RasterOf(5, 1000), 256},
        {"black and white", RasterOf(6, 7), 2},
        {"no palette", RasterOf(1, 12), 0},
        {"stored palette", stored, 16},
    };
    for (const Variant& v : AllVariants()) {
        for (const Case& c : cases) {
            SCOPED_TRACE(v.Name() + ": " + c.name);
            Load load(ImageFile({c.raster}, {Ref(1)}, v));
            EXPECT_TRUE(load.messages().empty());
            ASSERT_EQ(load.objects().size(), 1u);
            CGrObj* bitmap = load.objects()[0];
            EXPECT_EQ(bitmap->GetClass(), GrObjClass::bitmap);
            const DWORD length = 40 + 4 * c.palette + static_cast<DWORD>(c.raster.pixels.size());
            ASSERT_EQ(bitmap->GetSize(), length);
            const unsigned char* dib = bitmap->GetData();
            EXPECT_EQ(GetU32(dib), 40u);
            EXPECT_EQ(GetU32(dib + 4), c.raster.width);
            EXPECT_EQ(GetU32(dib + 8), c.raster.height);
            EXPECT_EQ(GetU16(dib + 12), c.raster.planes);
            EXPECT_EQ(GetU16(dib + 14), c.raster.bitsPerPixel);
            EXPECT_EQ(GetU32(dib + 16), 0u);
            EXPECT_EQ(GetU32(dib + 20), c.raster.pixels.size());
            EXPECT_EQ(GetU32(dib + 24), 2835u);
            EXPECT_EQ(GetU32(dib + 32), c.palette);
            EXPECT_EQ(GetU32(dib + 36), c.palette);
            EXPECT_EQ(dib[length - 1], 0x5A);
            EXPECT_EQ(dib[40 + 4 * c.palette], 0x5A);
        }
    }
}

TEST(Images, PaletteEntries) {
    Load grey(ImageFile({RasterOf(5, 1000)}, {Ref(1)}));
    const unsigned char* dib = grey.objects().at(0)->GetData();
    EXPECT_EQ(grey.objects()[0]->GetSize(), 2064u);
    const unsigned char entry17[4] = {17, 17, 17, 0};
    EXPECT_EQ(std::memcmp(dib + 40 + 4 * 17, entry17, 4), 0);

    Load bw(ImageFile({RasterOf(6, 3)}, {Ref(1)}));
    const unsigned char blackWhite[8] = {0, 0, 0, 0, 255, 255, 255, 0};
    EXPECT_EQ(std::memcmp(bw.objects().at(0)->GetData() + 40, blackWhite, 8), 0);

    Raster stored = RasterOf(3, 4);
    for (int i = 0; i < 16; ++i)
        stored.palette.insert(stored.palette.end(), {static_cast<std::uint8_t>(i), 7, 9});
    Load load(ImageFile({stored}, {Ref(1)}));
    const unsigned char* palette = load.objects().at(0)->GetData() + 40;
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(palette[4 * i], i);
        EXPECT_EQ(palette[4 * i + 1], 7);
        EXPECT_EQ(palette[4 * i + 2], 9);
        EXPECT_EQ(palette[4 * i + 3], 0);
    }
}

TEST(Images, HeaderValuesAreTruncated) {
    Raster r = RasterOf(1, 4);
    r.height = 0x12345;
    r.planes = 0x10001;
    r.bitsPerPixel = 0x20008;
    r.xResolution = 2835000;
    r.yResolution = 2834999;
    Load load(ImageFile({r}, {Ref(1)}));
    const unsigned char* dib = load.objects().at(0)->GetData();
    EXPECT_EQ(GetU32(dib + 8), 0x2345u);
    EXPECT_EQ(GetU16(dib + 12), 1);
    EXPECT_EQ(GetU16(dib + 14), 8);
    EXPECT_EQ(GetU32(dib + 24), 2835u);
    EXPECT_EQ(GetU32(dib + 28), 2834u);
}

TEST(Images, TheIndexWalkPicksTheEntry) {
    std::vector<Raster> images = {RasterOf(1, 1, 0x11), RasterOf(1, 2, 0x22), RasterOf(1, 3, 0x33)};
    struct Case {
        std::uint16_t reference;
        int pixels; // 0: no image
    } cases[] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 3}, {65535, 3}};
    for (std::uint16_t entrySize : {6, 10}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::to_string(c.reference) + " size " + std::to_string(entrySize));
            Load load(ImageFile(images, {Ref(c.reference)}, Variant{}, entrySize));
            EXPECT_TRUE(load.messages().empty());
            if (c.pixels == 0) {
                EXPECT_TRUE(load.objects().empty());
            } else {
                ASSERT_EQ(load.objects().size(), 1u);
                EXPECT_EQ(load.objects()[0]->GetSize(), 40u + static_cast<DWORD>(c.pixels));
            }
        }
    }
    Load empty(ImageFile({}, {Ref(1)}));
    EXPECT_TRUE(empty.objects().empty());
}

TEST(Images, RectangleAndMatrixPlaceTheBitmap) {
    ImageRef ref = Ref(1);
    ref.left = 10;
    ref.top = 80;
    ref.right = 70;
    ref.bottom = 20;
    ref.matrix = true;
    double m[6] = {2, 0.5, -0.5, 3, 110, 220};
    std::copy(m, m + 6, ref.m);
    CmxBuilder cmx;
    cmx.header().left = 10;
    cmx.header().bottom = 20;
    PageBuilder page(Variant{});
    page.DrawImage(ref);
    cmx.Page(page);
    cmx.Images({RasterOf(1, 4)});
    Load load(cmx.Build());
    ASSERT_EQ(load.objects().size(), 1u);
    const CGrObj* bitmap = load.objects()[0];
    EXPECT_EQ(bitmap->bounds.left, 10.0);
    EXPECT_EQ(bitmap->bounds.top, 80.0);
    EXPECT_EQ(bitmap->bounds.right, 70.0);
    EXPECT_EQ(bitmap->bounds.bottom, 20.0);
    EXPECT_EQ(bitmap->GetMatrix().m11, 2.0);
    EXPECT_EQ(bitmap->GetMatrix().m22, 3.0);
    EXPECT_EQ(bitmap->GetMatrix().dx, 100.0);
    EXPECT_EQ(bitmap->GetMatrix().dy, 200.0);
}

TEST(Images, ImagesInsideGroupsAreMembers) {
    PageBuilder page(Variant{});
    Attributes a;
    a.fill = Fill{1, 1, {}};
    page.PolyCurve(Polyline(0, 0, 1, 1, 2, a));
    page.BeginGroup();
    page.DrawImage(Ref(1));
    page.DrawChars(3);
    page.DrawImage(Ref(1));
    page.EndGroup();
    CmxBuilder cmx;
    cmx.ColorTable({Rgb(1, 1, 1)});
    cmx.Page(page);
    cmx.Images({RasterOf(1, 4)});
    Load load(cmx.Build());
    auto objects = load.objects();
    ASSERT_EQ(objects.size(), 4u);
    EXPECT_EQ(GroupMembers(objects[3]), (std::vector<unsigned long>{2, 3}));
}

TEST(Images, MissingIndexShowsMessageSixPerImage) {
    PageBuilder page(Variant{});
    page.DrawImage(Ref(1));
    page.DrawImage(Ref(2));
    CmxBuilder cmx;
    cmx.ColorTable({Rgb(1, 1, 1)});
    cmx.Page(page);
    Load load(cmx.Build());
    EXPECT_EQ(load.messages(), (std::vector<int>{6, 6}));
    EXPECT_TRUE(load.objects().empty());
}

TEST(Images, OtherKindsAndMissingDataAreLeftOut) {
    Raster other = RasterOf(1, 4);
    other.kind = 17;
    Load load(ImageFile({other}, {Ref(1)}));
    EXPECT_TRUE(load.objects().empty());
    EXPECT_TRUE(load.messages().empty());

    // An image record with no "data" id behind it.
    Bytes file = ImageFile({RasterOf(1, 4)}, {Ref(1)});
    for (std::size_t i = file.size() - 120; i + 4 <= file.size(); ++i)
        if (std::memcmp(&file[i], "data", 4) == 0)
            file[i] = 'D';
    Load noData(file);
    EXPECT_TRUE(noData.objects().empty());
}

// Sizes that would make a read or a copy pass the body's end: the image is not imported, no
// message is shown, and the walk goes on.
TEST(Images, HostileSizesLeaveTheImageOut) {
    struct Case {
        const char* name;
        Raster raster;
        std::uint16_t entrySize;
    };
    Raster longPixels = RasterOf(1, 4);
    longPixels.pixelLengthOverride = 0xFFFFFFF0u;
    Raster pastEnd = RasterOf(1, 4);
    pastEnd.pixelLengthOverride = 6; // past the pixels and the pad byte
    Raster manyColours = RasterOf(3, 4);
    manyColours.paletteCountOverride = 65535;
    const Case cases[] = {
        {"pixel length near 4 GiB", longPixels, 6},
        {"pixel length one past the end", pastEnd, 6},
        {"palette count past the end", manyColours, 6},
        {"index entry size below 6", RasterOf(1, 4), 5},
        {"index entry size 0", RasterOf(1, 4), 0},
    };
    for (const Variant& v : AllVariants()) {
        for (const Case& c : cases) {
            SCOPED_TRACE(v.Name() + ": " + c.name);
            PageBuilder page(v);
            page.DrawImage(Ref(1));
            Attributes a;
            a.fill = Fill{1, 1, {}};
            page.PolyCurve(Polyline(0, 0, 1, 1, 2, a));
            CmxBuilder cmx(v);
            cmx.ColorTable({Rgb(1, 1, 1)});
            cmx.Page(page);
            cmx.Images({c.raster}, c.entrySize);
            Bytes file = cmx.Build();
            // The pixels close the file, so one byte more than they hold is past the end.
            Load load(file);
            EXPECT_TRUE(load.messages().empty());
            ASSERT_EQ(load.objects().size(), 1u);
            EXPECT_EQ(load.objects()[0]->GetClass(), GrObjClass::simple);
        }
    }
}

// A drawing that places one raster many times keeps every copy: the guard against files that
// claim gigabytes, 64 times the body plus an allowance of 256 MiB, lies far beyond what a real
// writer makes. With the allowance lowered, a small file meets it; the images it refuses are
// counted in the stop record.
TEST(Images, TheGuardKeepsRealDrawingsWholeAndCountsWhatItRefuses) {
    PageBuilder page(Variant{});
    for (int i = 0; i < 300; ++i)
        page.DrawImage(Ref(1));
    CmxBuilder cmx;
    cmx.ColorTable({Rgb(1, 1, 1)});
    cmx.Page(page);
    cmx.Images({RasterOf(1, 10000)});
    const Bytes file = cmx.Build();
    const std::size_t body = file.size() - cmx.bodyStart();
    const std::size_t kept = 64 * body / (40 + 10000);
    const struct {
        std::optional<ULONGLONG> allowance;
        std::size_t images;
    } cases[] = {{{}, 300}, {0, kept}};
    for (const auto& c : cases) {
        MessageRecorder quiet;
        CCmxParser parser;
        if (c.allowance)
            CCmxParserProbe(parser).SetImageAllowance(*c.allowance);
        ASSERT_EQ(parser.LoadCmx6File(WriteTemp(file).c_str()), 1);
        EXPECT_EQ(static_cast<std::size_t>(parser.GetDrawing()->GetCount()), c.images);
        EXPECT_EQ(parser.GetStopRecord().imagesRefused, 300 - c.images);
        EXPECT_TRUE(parser.GetStopRecord().Complete());
    }
}

TEST(Images, TextIsReadAndDropped) {
    CCmxParser parser;
    CCmxParserProbe access(parser);
    for (const Variant& v : AllVariants()) {
        PageBuilder page(v);
        page.DrawChars(3);
        Bytes instruction = page.data();
        Bytes operands(instruction.begin() + 4, instruction.end());
        access.SetBody(operands, v);
        EXPECT_EQ(access.DoDrawChars(), 1);
        DWORD header = v.tagged ? 3 : 0;
        DWORD point = v.shortCoords ? 4 : 8;
        // The record is read to its end tag.
        EXPECT_EQ(access.Position(), header + 2 + 3 * (2 + point) + (v.tagged ? 1 : 0)) << v.Name();
        EXPECT_EQ(parser.GetDrawing()->GetCount(), 0);
    }
    access.Release();
}
