// Writes the fuzzers' seed corpus from the CMX builder: the rich drawing and the sample in every
// variant, and small drawings that each stress one part of the reader. The job reader's seeds
// are the job files that the conversion makes of those drawings.
//
//   make-fuzz-seeds FOLDER   writes FOLDER/load, FOLDER/convert, FOLDER/thumbnail, FOLDER/jobfile,
//                            FOLDER/dropblock, FOLDER/clipboard
#include "fuzz/roads.h"
#include "tests/support/cmxbuilder.h"
#include "tests/support/sample.h"

#include "vestrel/cmx/cmxparser.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

using namespace cmxtest;

namespace {

namespace fs = std::filesystem;

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

Thumbnail Preview(int colors, int white, std::optional<std::uint32_t> clrUsed = {}) {
    Thumbnail t;
    for (int i = 0; i < colors; ++i) {
        const auto value = static_cast<std::uint8_t>(i == white ? 255 : i % 200);
        t.palette.insert(t.palette.end(), {value, value, value, 0});
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
                    Model1(), ColorEntry{9, {}, {field}}});
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

void Write(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

// The job file that the conversion makes of a drawing.
Bytes JobOf(const Bytes& drawing, const fs::path& folder) {
    const fs::path cmxPath = folder / "seed.cmx";
    const fs::path jobPath = folder / "seed.job";
    Write(cmxPath, drawing);
    CCmxParser parser;
    CString cmx(cmxPath.string().c_str());
    CString job(jobPath.string().c_str());
    if (parser.ParseCmx6(&cmx, &job) != 1)
        throw std::runtime_error("a seed drawing does not convert");
    std::ifstream in(jobPath, std::ios::binary);
    Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    fs::remove(cmxPath);
    fs::remove(jobPath);
    return bytes;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-fuzz-seeds FOLDER\n");
        return 2;
    }
    try {
        vestrel_fuzz::StartLibraries();
        const fs::path root = argv[1];
        for (const char* target :
             {"load", "convert", "thumbnail", "jobfile", "dropblock", "clipboard"}) {
            fs::remove_all(root / target);
            fs::create_directories(root / target);
        }
        const Variant plain{};
        const Variant other{false, true, false};
        auto put = [&](const char* target, const std::string& name, const Bytes& bytes) {
            Write(root / target / name, bytes);
        };
        // The load reads everything; the conversion the same in another order; the preview
        // only the thumbnail.
        for (const Variant& v : AllVariants()) {
            put("load", "rich-" + v.Name() + ".cmx", RichDrawing(v));
            put("load", "sample-" + v.Name() + ".cmx", SampleDrawing(v));
        }
        // The drop block and the clipboard read what the load reads, less the thumbnail, which
        // one seed carries all the same.
        for (const Variant& v : {plain, other}) {
            for (const char* target : {"convert", "dropblock", "clipboard"})
                put(target, "rich-" + v.Name() + ".cmx", RichDrawing(v));
        }
        for (const char* target : {"dropblock", "clipboard"})
            put(target, "sample.cmx", SampleDrawing(plain));
        put("convert", "sample.cmx", SampleDrawing(plain));
        put("thumbnail", "sample.cmx", SampleDrawing(plain));
        const std::vector<std::pair<std::string, std::function<Bytes(Variant)>>> focused = {
            {"raster-types", RasterTypes},
            {"split-shapes", SplitShapes},
            {"groups", Groups},
            {"jumps", Jumps},
            {"tagged-extras", TaggedExtras},
        };
        for (const auto& [name, make] : focused) {
            for (const Variant& v : {plain, other}) {
                put("load", name + "-" + v.Name() + ".cmx", make(v));
                put("convert", name + "-" + v.Name() + ".cmx", make(v));
            }
            for (const char* target : {"dropblock", "clipboard"})
                put(target, name + ".cmx", make(plain));
        }
        const std::vector<std::pair<std::string, Thumbnail>> previews = {
            {"preview-256", Preview(256, 255)},           {"preview-white-5", Preview(9, 5)},
            {"preview-no-white", Preview(4, -1)},         {"preview-no-palette", Preview(0, -1)},
            {"preview-longer-palette", Preview(6, 2, 4)},
        };
        for (const auto& [name, t] : previews) {
            put("thumbnail", name + ".cmx", WithPreview(plain, t));
        }
        put("thumbnail", "preview-BE16Untagged.cmx", WithPreview(other, Preview(16, 3)));

        // Jobs: the drawings converted. A thumbnail costs 16 KiB, so only a few carry one.
        put("jobfile", "rich.job", JobOf(RichDrawing(plain), root / "jobfile"));
        put("jobfile", "sample.job", JobOf(SampleDrawing(plain), root / "jobfile"));
        for (const auto& [name, make] : focused)
            put("jobfile", name + ".job", JobOf(make(plain), root / "jobfile"));
        CmxBuilder bare;
        bare.Page(PageBuilder(plain));
        put("jobfile", "empty.job", JobOf(bare.Build(), root / "jobfile"));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make-fuzz-seeds: %s\n", e.what());
        return 1;
    }
    return 0;
}
