// Load and convert throughput, in MB/s of CMX input, for large drawings of four kinds, how the
// time grows with the number of shapes, and the peak resident size of a process that converts
// one drawing.
//
//   vestrel-bench                          the benchmarks, then the peak resident sizes
//   vestrel-bench --line-drawing FILE      writes the 200,000-shape line drawing to FILE
//   vestrel-bench --drawing KIND N FILE    writes a drawing of the benchmark (KIND 0 to 3)
//   vestrel-bench --peak FILE.cmx FILE.job converts once and prints the process's peak (bytes)
#include "tests/support/cmxbuilder.h"
#include "tests/support/large_drawing.h"

#include "vestrel/cmx/cmxparser.h"
#include "vestrel/frame/vestrel.h"

#include "platform/msgbox.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>

using namespace cmxtest;

namespace {

// The line drawing: unfilled shapes, as many as a large technical drawing holds.
constexpr int kLineShapes = 200000;

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

void Label(benchmark::State& state, const std::string& path, Kind kind, int shapes) {
    state.SetBytesProcessed(
        static_cast<int64_t>(state.iterations() * std::filesystem::file_size(path)));
    state.SetComplexityN(shapes);
    state.SetLabel(kKindNames[kind]);
}

void BM_Load(benchmark::State& state) {
    const Kind kind = static_cast<Kind>(state.range(0));
    const int shapes = static_cast<int>(state.range(1));
    const std::string path = DrawingFile(kind, shapes);
    CCmxParser parser;
    for (auto _ : state) {
        if (parser.LoadCmx6File(path.c_str()) != 1)
            state.SkipWithError("load failed");
        parser.WriteCmxFile(""); // releases the drawing
    }
    Label(state, path, kind, shapes);
}

void BM_Convert(benchmark::State& state) {
    const Kind kind = static_cast<Kind>(state.range(0));
    const int shapes = static_cast<int>(state.range(1));
    const std::string path = DrawingFile(kind, shapes);
    const std::string job = Folder() + "/out.job";
    CCmxParser parser;
    for (auto _ : state) {
        CString cmx(path.c_str()), target(job.c_str());
        if (parser.ParseCmx6(&cmx, &target) != 1)
            state.SkipWithError("conversion failed");
    }
    Label(state, path, kind, shapes);
}

void Sizes(benchmark::internal::Benchmark* b) {
    for (int kind : {kFilled, kUnfilled, kSplitInGroups, kImages})
        for (int shapes : {20000, 40000, 80000})
            b->Args({kind, shapes});
}

BENCHMARK(BM_Load)->Apply(Sizes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Convert)->Apply(Sizes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Convert)->Args({kUnfilled, kLineShapes})->Unit(benchmark::kMillisecond);

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
                if (previous > 0 && n == 2 * previousN)
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

// The process's peak resident size in bytes, as Linux keeps it ("VmHWM"); 0 elsewhere.
unsigned long long PeakResidentBytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stoull(line.substr(6)) * 1024; // in kB
    return 0;
}

// One conversion in this process, which has done nothing else; prints its peak resident size.
int ConvertOnce(const char* cmxPath, const char* jobPath) {
    CCmxParser parser;
    CString cmx(cmxPath), job(jobPath);
    if (parser.ParseCmx6(&cmx, &job) != 1)
        return 1;
    std::printf("%llu\n", PeakResidentBytes());
    return 0;
}

// The peak resident size of a fresh process of this program converting each drawing once,
// against the size of the file.
void ReportPeaks(const char* self) {
    struct Drawing {
        Kind kind;
        int shapes;
    };
    const Drawing drawings[] = {{kFilled, 80000},
                                {kUnfilled, 80000},
                                {kSplitInGroups, 80000},
                                {kImages, 80000},
                                {kUnfilled, kLineShapes}};
    std::printf("\nPeak resident size of a process that converts one drawing:\n");
    for (const Drawing& d : drawings) {
        const std::string path = DrawingFile(d.kind, d.shapes);
        const double fileBytes = static_cast<double>(std::filesystem::file_size(path));
        std::string command;
        for (const std::string& part :
             {std::string(self), std::string("--peak"), path, Folder() + "/peak.job"})
            command.append("'").append(part).append("' ");
        unsigned long long peak = 0;
        if (FILE* child = popen(command.c_str(), "r")) {
            if (std::fscanf(child, "%llu", &peak) != 1)
                peak = 0;
            pclose(child);
        }
        std::printf("  %-16s %6d shapes  %6.1f MB file  %6.1f MB peak  %.2f x the file\n",
                    kKindNames[d.kind], d.shapes, fileBytes / 1e6, static_cast<double>(peak) / 1e6,
                    static_cast<double>(peak) / fileBytes);
    }
}

} // namespace

int main(int argc, char** argv) {
    InitVestrelDLL();
    Silence silence;
    PlatformSetMessageBoxSink(&silence);
    if (argc == 4 && std::strcmp(argv[1], "--peak") == 0)
        return ConvertOnce(argv[2], argv[3]);
    if (argc == 3 && std::strcmp(argv[1], "--line-drawing") == 0) {
        WriteFile(argv[2], LargeDrawing(kUnfilled, kLineShapes));
        return 0;
    }
    if (argc == 5 && std::strcmp(argv[1], "--drawing") == 0) {
        const int kind = std::atoi(argv[2]);
        if (kind < kFilled || kind > kImages)
            return 2;
        WriteFile(argv[4], LargeDrawing(static_cast<Kind>(kind), std::atoi(argv[3])));
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    GrowthReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    ReportPeaks(argv[0]);
    std::filesystem::remove_all(Folder());
    return 0;
}
