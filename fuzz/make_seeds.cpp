// Writes the fuzzers' seed corpus from the CMX builder: the rich drawing and the sample in every
// variant, and small drawings that each stress one part of the reader. The job reader's seeds
// are the job files that the conversion makes of those drawings.
//
//   make-fuzz-seeds FOLDER   writes FOLDER/load, FOLDER/convert, FOLDER/thumbnail, FOLDER/jobfile,
//                            FOLDER/compressed, FOLDER/dropblock, FOLDER/clipboard
#include "fuzz/roads.h"
#include "tests/support/catalogue.h"
#include "tests/support/sample.h"

#include "vestrel/cmx/cmxparser.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

using namespace cmxtest;

namespace {

namespace fs = std::filesystem;

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
             {"load", "convert", "thumbnail", "jobfile", "compressed", "dropblock", "clipboard"}) {
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
            {"shapes", Shapes},
            {"named-colors", NamedColors},
        };
        for (const auto& [name, make] : focused) {
            for (const Variant& v : {plain, other}) {
                put("load", name + "-" + v.Name() + ".cmx", make(v));
                put("convert", name + "-" + v.Name() + ".cmx", make(v));
            }
            for (const char* target : {"dropblock", "clipboard"})
                put(target, name + ".cmx", make(plain));
        }
        for (const auto& [name, t] : Previews()) {
            // The writers' 256 x 256 preview would set the fuzzer's input length to 192 KiB; the
            // wide preview takes the same road in a quarter of that.
            if (name != "preview-writer")
                put("thumbnail", name + ".cmx", WithPreview(plain, t));
        }
        put("thumbnail", "preview-BE16Untagged.cmx", WithPreview(other, Preview(16, 3)));
        // A preview packed with the other chunks, which the preview unpacks for.
        put("thumbnail", "preview-packed.cmx",
            CompressedTwin(WithPreview(plain, Preview(9, 5)), 0));

        // Compressed files, and uncompressed ones whose twins the road makes.
        for (const Variant& v : {plain, other}) {
            put("compressed", "rich-" + v.Name() + "-packed.cmx",
                CompressedTwin(RichDrawing(v), 0));
            put("compressed", "shapes-" + v.Name() + ".cmx", Shapes(v));
        }
        put("compressed", "shapes-packed.cmx", CompressedTwin(Shapes(plain), 0));
        put("compressed", "sample-packed.cmx", CompressedTwin(SampleDrawing(plain), 0));

        // Several pages, each with its reference list and listed in the page index; and the
        // header chunk of 184 bytes that older files state, the body behind the 204 bytes read.
        SampleLayout pages;
        pages.secondPage = true;
        const Bytes twoPages = SampleDrawing(plain, true, pages);
        for (const char* target : {"load", "convert", "dropblock", "clipboard"})
            put(target, "sample-pages.cmx", twoPages);
        put("compressed", "sample-pages-packed.cmx", CompressedTwin(twoPages, 0));
        CmxBuilder older;
        older.header().chunkSize = 184;
        PageBuilder olderPage(plain);
        olderPage.PolyCurve(Polyline(0, 0, 10, 10, 3, {}));
        older.Page(olderPage);
        older.ColorTable({Rgb(1, 2, 3)});
        for (const char* target : {"load", "dropblock"})
            put(target, "header-184.cmx", older.Build());

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
