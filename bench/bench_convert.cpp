// Load and convert throughput, in MB/s of CMX input, for large drawings of three kinds, and how
// the time grows with the number of shapes.
#include "tests/support/cmxbuilder.h"

#include "vestrel/cmx/cmxparser.h"
#include "vestrel/frame/vestrel.h"

#include "platform/msgbox.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>

using namespace cmxtest;

namespace {

enum Kind { kFilled = 0, kUnfilled = 1, kSplitInGroups = 2 };
const char* const kKindNames[] = {"filled", "unfilled", "split-in-groups"};

Attributes FillAttributes(std::uint16_t color) {
    Attributes a;
    a.fill = Fill{1, color, {}};
    a.outlineRef = 1;
    return a;
}

Attributes OutlineAttributes(std::uint16_t outline) {
    Attributes a;
    a.outlineRef = outline;
    return a;
}

// A drawing of n shapes of 12 points per sub-path.
Bytes LargeDrawing(Kind kind, int shapes) {
    Variant v;
    CmxBuilder cmx(v);
    std::vector<ColorEntry> colors;
    for (int i = 0; i < 64; ++i)
        colors.push_back(Rgb(static_cast<std::uint8_t>(i * 4), 100, 200));
    cmx.ColorTable(colors);
    std::vector<std::uint16_t> outlines;
    for (int i = 0; i < 256; ++i)
        outlines.push_back(static_cast<std::uint16_t>(1 + i % 64));
    cmx.OutlineTable(outlines);
    PageBuilder page(v);
    page.BeginPage();
    page.BeginLayer();
    for (int i = 0; i < shapes; ++i) {
        const std::int32_t x = (i * 37) % 900, y = (i * 53) % 900;
        switch (kind) {
        case kFilled:
            page.PolyCurve(Polyline(x, y, 3, 2, 12, FillAttributes(1 + i % 64)));
            break;
        case kUnfilled:
            page.PolyCurve(Polyline(x, y, 3, 2, 12, OutlineAttributes(1 + i % 256)));
            break;
        case kSplitInGroups: {
            if (i % 10 == 0)
                page.BeginGroup();
            // An outline with a hole: two sub-paths of 12 points, as the other kinds have.
            Shape s = Polyline(x, y, 3, 2, 12, FillAttributes(1 + i % 64));
            Shape second = Polyline(x + 5, y + 4, 2, 1, 12, FillAttributes(1));
            s.nodes.insert(s.nodes.end(), second.nodes.begin(), second.nodes.end());
            page.PolyCurve(s);
            if (i % 10 == 9 || i == shapes - 1)
                page.EndGroup();
            break;
        }
        }
    }
    cmx.Page(page);
    return cmx.Build();
}

std::string Folder() {
    static const std::string folder = [] {
        std::random_device random;
        // A memory file system where there is one, so that what is measured is the
        // conversion and not the disk.
        std::error_code error;
        const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", error)
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        auto path = base / ("vestrel-bench-" + std::to_string(random()) + std::to_string(random()));
        std::filesystem::create_directories(path);
        return path.string();
    }();
    return folder;
}

std::string DrawingFile(Kind kind, int shapes) {
    std::string path = Folder() + "/" + kKindNames[kind] + "-" + std::to_string(shapes) + ".cmx";
    if (!std::filesystem::exists(path))
        WriteFile(path, LargeDrawing(kind, shapes));
    return path;
}

class Silence : public CMessageBoxSink {
public:
    int Show(HWND, const char*, const char*, UINT) override { return IDOK; }
};

void BM_Load(benchmark::State& state) {
    const Kind kind = static_cast<Kind>(state.range(0));
    const int shapes = static_cast<int>(state.range(1));
    const std::string path = DrawingFile(kind, shapes);
    const auto size = std::filesystem::file_size(path);
    CCmxParser parser;
    for (auto _ : state) {
        if (parser.LoadCmx6File(path.c_str()) != 1)
            state.SkipWithError("load failed");
        parser.WriteCmxFile(""); // releases the drawing
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
    state.SetComplexityN(shapes);
    state.SetLabel(kKindNames[kind]);
}

void BM_Convert(benchmark::State& state) {
    const Kind kind = static_cast<Kind>(state.range(0));
    const int shapes = static_cast<int>(state.range(1));
    const std::string path = DrawingFile(kind, shapes);
    const auto size = std::filesystem::file_size(path);
    const std::string job = Folder() + "/out.job";
    CCmxParser parser;
    for (auto _ : state) {
        CString cmx(path.c_str()), target(job.c_str());
        if (parser.ParseCmx6(&cmx, &target) != 1)
            state.SkipWithError("conversion failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
    state.SetComplexityN(shapes);
    state.SetLabel(kKindNames[kind]);
}

void Sizes(benchmark::internal::Benchmark* b) {
    for (int kind : {kFilled, kUnfilled, kSplitInGroups})
        for (int shapes : {20000, 40000, 80000})
            b->Args({kind, shapes});
}

BENCHMARK(BM_Load)->Apply(Sizes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Convert)->Apply(Sizes)->Unit(benchmark::kMillisecond);

// Prints, after the runs, how the time per run grows when the shapes double.
class GrowthReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.iterations == 0)
                continue;
            std::string name = run.run_name.function_name + " " + run.report_label;
            times_[name][run.complexity_n] = run.GetAdjustedRealTime();
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\nGrowth when the shapes double (time ratio, linear is 2.0):\n");
        for (const auto& [name, bySize] : times_) {
            double previous = 0;
            long long previousN = 0;
            for (const auto& [n, t] : bySize) {
                if (previous > 0)
                    std::printf("  %-28s %7lld -> %7lld shapes: %.2f\n", name.c_str(), previousN,
                                static_cast<long long>(n), t / previous);
                previous = t;
                previousN = n;
            }
        }
    }

private:
    std::map<std::string, std::map<long long, double>> times_;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    InitVestrelDLL();
    Silence silence;
    PlatformSetMessageBoxSink(&silence);
    GrowthReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::filesystem::remove_all(Folder());
    return 0;
}
