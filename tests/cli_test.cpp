// The vestrel command's sub-commands, called as the program calls them.
#include "cli/commands.h"
#include "cli/output.h"
#include "cli/svg.h"
#include "tests/support/sample.h"
#include "tests/support/test_util.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

using namespace cmxtest;
using namespace vestrel_cli;

namespace {

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string SampleFile() {
    static const std::string path = WriteTemp(SampleDrawing(), "sample.cmx");
    return path;
}

} // namespace

TEST(Cli, ExitStatuses) {
    MessageRecorder recorder;
    TempDir dir;
    struct Case {
        int (*command)(const Args&);
        Args args;
        int status;
    } cases[] = {
        {Info, {}, kExitUsage},
        {Info, {"a", "b"}, kExitUsage},
        {Info, {"/nonexistent.cmx"}, kExitFailed},
        {Info, {SampleFile()}, kExitOk},
        {Info, {dir.path()}, kExitFailed}, // a folder is no drawing, but for convert
        {Dump, {dir.path()}, kExitFailed},
        {Convert, {}, kExitUsage},
        {Convert, {"--bogus", SampleFile()}, kExitUsage},
        {Convert, {SampleFile(), "-o"}, kExitUsage},
        {Convert, {"a", "b", "c"}, kExitUsage},
        {Convert, {"/nonexistent.cmx", dir.File("x.job")}, kExitFailed},
        {Convert, {SampleFile(), dir.File("x.job")}, kExitOk},
        {Convert, {SampleFile(), "/nonexistent/x.job"}, kExitFailed},
        {Dump, {}, kExitUsage},
        {Dump, {"/nonexistent"}, kExitFailed},
        {Svg, {SampleFile(), dir.File("x.svg")}, kExitOk},
        {Svg, {}, kExitUsage},
        {vestrel_cli::Thumbnail, {SampleFile(), dir.File("x.png")}, kExitOk},
        {vestrel_cli::Thumbnail, {"/nonexistent.cmx"}, kExitFailed},
    };
    for (const Case& c : cases) {
        std::string line;
        for (const std::string& a : c.args)
            line += a + " ";
        EXPECT_EQ(c.command(c.args), c.status) << line;
    }
}

// What a run says on standard error, and its status.
struct Outcome {
    int status;
    std::string err;
};

Outcome Capture(int (*command)(const Args&), const Args& args) {
    testing::internal::CaptureStderr();
    const int status = command(args);
    return {status, testing::internal::GetCapturedStderr()};
}

// An output that names an input, by its path or by another spelling of it, is refused before
// anything is written, for every command.
TEST(Cli, AnOutputThatIsTheInputIsRefused) {
    MessageRecorder recorder;
    TempDir dir;
    const std::string in = dir.File("drawing.cmx");
    WriteFile(in, SampleDrawing());
    const std::string job = dir.File("drawing.job");
    ASSERT_EQ(Convert({in, job}), kExitOk);
    const std::string other = dir.path() + "/./drawing.cmx";
    const std::string svg = dir.File("picture.svg");
    WriteFile(svg, ReadFileBytes(job));
    struct Case {
        int (*command)(const Args&);
        Args args;
        std::string file;
    } cases[] = {
        {Convert, {in, in}, in},
        {Convert, {in, other}, in},
        {Svg, {in, other}, in},
        {vestrel_cli::Thumbnail, {in, in}, in},
        {Dump, {in, other}, in},
        {Svg, {job, job}, job},
        {Dump, {job, dir.path() + "/../" + BaseName(dir.path()) + "/drawing.job"}, job},
        {Svg, {svg}, svg}, // the default output is the input
    };
    for (const Case& c : cases) {
        const Bytes before = ReadFileBytes(c.file);
        const Outcome run = Capture(c.command, c.args);
        EXPECT_EQ(run.status, kExitFailed) << c.args[0] << " " << c.args.back();
        EXPECT_NE(run.err.find("is an input of this run; refused, nothing written"),
                  std::string::npos)
            << run.err;
        EXPECT_EQ(ReadFileBytes(c.file), before) << c.args[0];
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3);
}

// A load that loses part of the drawing fails the file and says what became of it; a whole
// compressed drawing converts.
TEST(Cli, DrawingsLoadedWithLossesFail) {
    MessageRecorder recorder;
    TempDir dir;
    Bytes cut = SampleDrawing();
    cut.resize(cut.size() * 2 / 3);
    PageBuilder shapes(Variant{});
    shapes.Rectangle(RectangleShape{});
    CmxBuilder packed;
    packed.ColorTable({Rgb(1, 2, 3)});
    packed.Page(shapes);
    Bytes damagedPack = packed.BuildCompressed();
    damagedPack[PackedLengthAt(damagedPack) + 16] ^= 0xFF;
    PageBuilder skipped(Variant{});
    skipped.Instruction(42, {});
    skipped.Instruction(42, {});
    skipped.Instruction(99, {});
    CmxBuilder allSkipped;
    allSkipped.Page(skipped);
    struct Case {
        const char* name;
        Bytes file;
        int status;
        std::vector<std::string> said;
    } cases[] = {
        {"cut.cmx",
         cut,
         kExitFailed,
         {"cut.cmx: Fehler : ", "cut.cmx: failed: ", " objects kept, job written\n"}},
        {"packed.cmx", packed.BuildCompressed(), kExitOk, {}},
        {"damaged-pack.cmx",
         damagedPack,
         kExitFailed,
         {"damaged-pack.cmx: its compressed body is damaged; no job written\n"}},
        {"skipped.cmx",
         allSkipped.Build(),
         kExitFailed,
         {"skipped.cmx: failed: ", "the drawing is empty: the reader passes over its instructions "
                                   "(codes 42 (2 times), 99); 0 objects kept, job written\n"}},
    };
    for (const Case& c : cases) {
        const std::string in = dir.File(c.name);
        WriteFile(in, c.file);
        for (auto command : {Convert, Svg}) {
            const Outcome run = Capture(command, {in, in + ".out"});
            EXPECT_EQ(run.status, c.status) << c.name;
            for (const std::string& part : command == Convert ? c.said : Args{})
                EXPECT_NE(run.err.find(part), std::string::npos) << part << "\nin\n" << run.err;
            if (c.status == kExitOk) {
                EXPECT_EQ(run.err, "");
            }
        }
    }
}

// A batch converts what it can, names what failed and counts both.
TEST(Cli, ABatchWithABadFileConvertsTheGoodOnes) {
    MessageRecorder recorder;
    TempDir dir;
    const std::string bad = dir.File("in/bad.cmx");
    std::filesystem::create_directories(dir.File("in/deeper"));
    Bytes cut = SampleDrawing();
    cut.resize(cut.size() / 2);
    WriteFile(bad, cut);
    WriteFile(dir.File("in/good.CMX"), SampleDrawing());
    WriteFile(dir.File("in/deeper/good.cmx"), RichDrawing({}));
    WriteFile(dir.File("in/notes.txt"), Bytes(10, 'x'));
    const std::string out = dir.File("out/jobs");
    Outcome run = Capture(Convert, {dir.File("in"), "-r", "-o", out});
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_NE(run.err.find(bad + ": failed: "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("vestrel: 2 converted, 1 failed\n"), std::string::npos) << run.err;
    for (const char* job : {"good.job", "deeper/good.job", "bad.job"})
        EXPECT_TRUE(std::filesystem::exists(out + "/" + job)) << job;
    // Without -r the folder's own drawings; two drawings of one name refuse the batch.
    run = Capture(Convert, {dir.File("in"), dir.File("in/deeper"), "-o", dir.File("flat")});
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_NE(run.err.find("the output of both"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir.File("flat")));
    EXPECT_EQ(Capture(Convert, {dir.File("in/deeper"), "--quiet", "-o", dir.File("flat")}).err, "");
    EXPECT_TRUE(std::filesystem::exists(dir.File("flat/good.job")));
}

// A failed write leaves what stood at the path as it was, and no temporary file.
TEST(Cli, AFailedWriteLeavesTheEarlierFile) {
    MessageRecorder recorder;
    TempDir dir;
    for (const char* name : {"old.svg", "old.png", "old.json"}) {
        const std::string out = dir.File(name);
        WriteFile(out, Bytes(5, 'a'));
        // A folder where the temporary file would go makes the write fail.
        const std::string temporary = out + "." + std::to_string(PlatformProcessId()) + ".tmp";
        std::filesystem::create_directory(temporary);
        const std::string what = std::string(name).substr(4);
        const Outcome run = Capture(what == "svg"   ? Svg
                                    : what == "png" ? vestrel_cli::Thumbnail
                                                    : Dump,
                                    {SampleFile(), out});
        EXPECT_EQ(run.status, kExitFailed) << name;
        EXPECT_NE(run.err.find(out + ": cannot be written"), std::string::npos) << run.err;
        EXPECT_EQ(ReadFileBytes(out), Bytes(5, 'a')) << name;
        std::filesystem::remove(temporary);
    }
    EXPECT_TRUE(WriteOutput(dir.File("old.svg"), "new"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3);
}

TEST(Cli, TheClipboardOnWindowsOnly) {
    MessageRecorder recorder;
    ClipboardTurn turn;
    TempDir dir;
    const UINT format = RegisterClipboardFormatA("Corel 32-bit Presentation Exchange Data");
    ASSERT_TRUE(PutOnClipboard({{format, SampleDrawing()}}));
    const std::string job = dir.File("clipboard.job");
#if defined(_WIN32)
    EXPECT_EQ(Convert({"--clipboard", job}), kExitOk);
    EXPECT_TRUE(std::filesystem::exists(job));
    ASSERT_TRUE(PutOnClipboard({}));
    EXPECT_EQ(Convert({"--clipboard", job}), kExitFailed);
#else
    EXPECT_EQ(Convert({"--clipboard", job}), kExitUsage);
    EXPECT_EQ(Dump({"--clipboard"}), kExitUsage);
    EXPECT_FALSE(std::filesystem::exists(job));
#endif
    EXPECT_EQ(Convert({"--clipboard", job, "extra.job"}), kExitUsage);
}

TEST(Cli, ConvertDefaultsToTheJobExtensionBesideTheInput) {
    MessageRecorder recorder;
    TempDir dir;
    std::string in = dir.File("drawing.v2.cmx");
    WriteFile(in, SampleDrawing());
    EXPECT_EQ(Convert({in}), kExitOk);
    EXPECT_TRUE(std::filesystem::exists(dir.File("drawing.v2.job")));
}

TEST(Cli, DumpIsTheSameForTheCmxAndItsJob) {
    MessageRecorder recorder;
    TempDir dir;
    ASSERT_EQ(Convert({SampleFile(), dir.File("s.job")}), kExitOk);
    CCmxParser parser;
    ASSERT_EQ(parser.LoadCmx6File(SampleFile().c_str()), 1);
    std::unique_ptr<CGrDrawset> job(CGrDrawset::ReadJobFile(dir.File("s.job").c_str()));
    const std::string json = DrawingJson(*parser.GetDrawing());
    EXPECT_EQ(json, DrawingJson(*job));
    for (const char* part :
         {"\"frame\": {\"width\": 1100, \"height\": 1100}", "\"colors\": [10544890, 255,",
          "\"kind\": \"group\", \"bounds\": [0, 0, 0, 0], \"members\": [4, 5]",
          "[\"x\", 478.0001, 190]", "\"clrUsed\": 9, \"white\": 8",
          "\"kind\": \"bitmap\", \"bounds\": [540, 240, 640, 140]", "\"biWidth\": 8",
          "\"biClrUsed\": 4}, \"crc32\": \""})
        EXPECT_NE(json.find(part), std::string::npos) << part;
}

TEST(Cli, DumpNumbersReadBack) {
    CGrDrawset drawing;
    CGrObjSimple path;
    const unsigned char letters[] = {'M', 'L'};
    const tagDoublePoint points[] = {{0.1 + 0.2, 1e-300}, {-123456789.123456789, 5e300}};
    path.BuildBefBlock(letters, points, 2);
    drawing.AddObjTail(&path);
    drawing.frameWidth = 1.0 / 3.0;
    const std::string json = DrawingJson(drawing);
    EXPECT_NE(json.find("0.30000000000000004"), std::string::npos);
    EXPECT_NE(json.find("1e-300"), std::string::npos);
    EXPECT_NE(json.find("-123456789.12345679"), std::string::npos);
    EXPECT_NE(json.find("0.3333333333333333"), std::string::npos);
    EXPECT_NE(json.find("\"thumbnail\": null"), std::string::npos);
}

TEST(Cli, SvgDrawsPathsInTheirColoursWithTheYAxisUp) {
    MessageRecorder recorder;
    CCmxParser parser;
    ASSERT_EQ(parser.LoadCmx6File(SampleFile().c_str()), 1);
    const std::string svg = DrawingSvg(*parser.GetDrawing());
    EXPECT_NE(svg.find("viewBox=\"0 -1100 1100 1100\""), std::string::npos);
    EXPECT_NE(svg.find("transform=\"scale(1 -1)\""), std::string::npos);
    // Without its appearance (as from a job file), the roof is outlined in the red of its
    // colour reference.
    EXPECT_NE(svg.find("<path d=\"M150 500 L750 500 L450 800 L150 500\" fill=\"none\" "
                       "stroke=\"#ff0000\""),
              std::string::npos);
    EXPECT_EQ(svg.find("vector-effect"), std::string::npos);
    // The knob's curve runs become cubic segments.
    EXPECT_NE(svg.find(" C478 194 474 198 470 198 C"), std::string::npos);
    EXPECT_NE(svg.find("data:image/png;base64,"), std::string::npos);
    // Eight paths (the split windows are one) and one picture; groups draw nothing of their
    // own.
    std::size_t paths = 0;
    for (std::size_t at = svg.find("<path"); at != std::string::npos;
         at = svg.find("<path", at + 1))
        ++paths;
    EXPECT_EQ(paths, 8u);
    EXPECT_EQ(svg.find("<image"), svg.rfind("<image"));
}

TEST(Cli, ThumbnailOfADrawingWithout) {
    MessageRecorder recorder;
    TempDir dir;
    CmxBuilder cmx;
    cmx.Page(PageBuilder(Variant{}));
    std::string in = WriteTemp(cmx.Build());
    EXPECT_EQ(vestrel_cli::Thumbnail({in, dir.File("t.png")}), kExitFailed);
    EXPECT_FALSE(std::filesystem::exists(dir.File("t.png")));
    ASSERT_EQ(vestrel_cli::Thumbnail({SampleFile(), dir.File("s.png")}), kExitOk);
    EXPECT_EQ(ReadText(dir.File("s.png")).substr(1, 3), "PNG");
}

// info prints the stop record: the codes passed over, where and why the walk stopped, and how
// the body was stored.
TEST(Cli, InfoTellsHowTheLoadEnded) {
    MessageRecorder recorder;
    PageBuilder page(Variant{});
    page.Instruction(42, {});
    page.Rectangle(RectangleShape{});
    CmxBuilder packed;
    packed.ColorTable({Rgb(1, 2, 3)});
    packed.Page(page);
    page.Instruction(42, {}, InstrOptions{false, 2});
    CmxBuilder damaged;
    damaged.Page(page);
    Attributes outlined;
    outlined.outlineRef = 1;
    PageBuilder unfilled(Variant{});
    unfilled.PolyCurve(Polyline(0, 0, 10, 10, 2, outlined));
    unfilled.PolyCurve(Polyline(0, 0, 10, 10, 2, outlined));
    CmxBuilder noOutlines;
    noOutlines.ColorTable({Rgb(1, 2, 3)});
    noOutlines.Page(unfilled);
    struct Case {
        Bytes file;
        std::vector<std::string> lines;
    } cases[] = {
        {packed.BuildCompressed(),
         {"stored compressed", "      42         1  passed over\n",
          "      68         1  rectangle\n", "page walk:     complete\n"}},
        {damaged.Build(),
         {"page walk:     stopped at instruction 3 (code 42, file offset 264): an instruction's "
          "size cannot hold its header\n"}},
        {noOutlines.Build(), {"no outline table: 2 shapes without fill take colour reference 0\n"}},
    };
    for (const Case& c : cases) {
        testing::internal::CaptureStdout();
        EXPECT_EQ(Info({WriteTemp(c.file)}), kExitOk);
        const std::string out = testing::internal::GetCapturedStdout();
        for (const std::string& line : c.lines)
            EXPECT_NE(out.find(line), std::string::npos) << line << "\nin\n" << out;
    }
}

// Pages: --page chooses one, convert --page all writes each as NAME-pN.job, and the pages a run
// leaves out are named in a warning that --strict makes a failure.
TEST(Cli, PagesAreChosenAndThoseLeftOutAreNamed) {
    MessageRecorder recorder;
    TempDir dir;
    CmxBuilder cmx;
    cmxtest::Thumbnail thumb;
    thumb.palette = {0, 0, 0, 0, 255, 255, 255, 0};
    thumb.pixels.assign(96 * 96, 1);
    cmx.Thumb(thumb);
    cmx.ColorTable({Rgb(1, 2, 3)});
    cmx.OutlineTable({1});
    std::vector<PageBuilder> pages;
    for (int n = 1; n <= 3; ++n) {
        pages.emplace_back(Variant{});
        for (int i = 0; i < n; ++i)
            pages.back().PolyCurve(Polyline(0, n, 10, 0, 2, {}));
    }
    cmx.Pages(pages);
    const std::string in = dir.File("three.cmx");
    WriteFile(in, cmx.Build());
    const auto objects = [](const std::string& job) {
        std::unique_ptr<CGrDrawset> drawing(CGrDrawset::ReadJobFile(job.c_str()));
        return drawing->GetCount();
    };
    const struct {
        int (*command)(const Args&);
        Args args;
        int status;
        std::string said;
    } cases[] = {
        {Convert,
         {in, dir.File("a.job")},
         kExitOk,
         "warning: the file has 3 pages; pages 2 and 3 left out"},
        {Convert, {"--strict", in, dir.File("b.job")}, kExitFailed, "failed: the file has 3 pages"},
        {Convert, {"--page", "2", in, dir.File("c.job")}, kExitOk, "pages 1 and 3 left out"},
        {Convert,
         {"--page", "4", in, dir.File("d.job")},
         kExitFailed,
         "no page 4: the file has 3 pages; no job written"},
        {Convert, {"--page", "all", in, "-o", dir.File("all")}, kExitOk, "3 converted, 0 failed"},
        {Dump, {"--page", "3", "--quiet", in, dir.File("e.json")}, kExitOk, ""},
        {Svg, {"--page", "4", in, dir.File("f.svg")}, kExitFailed, "no page 4"},
        {vestrel_cli::Thumbnail, {"--page", "3", in, dir.File("g.png")}, kExitOk, ""},
        {vestrel_cli::Thumbnail, {"--page", "4", in, dir.File("h.png")}, kExitFailed, "no page 4"},
        {Convert, {"--page", "0", in}, kExitUsage, "--page takes a page number from 1 or all"},
        {Dump, {"--page", "all", in}, kExitUsage, "--page takes a page number from 1, not 'all'"},
        {Svg, {in, "--page"}, kExitUsage, "--page needs a page number"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args[1]);
        const Outcome outcome = Capture(c.command, c.args);
        EXPECT_EQ(outcome.status, c.status);
        EXPECT_NE(outcome.err.find(c.said), std::string::npos) << outcome.err;
    }
    EXPECT_EQ(objects(dir.File("a.job")), 1);
    EXPECT_EQ(objects(dir.File("c.job")), 2);
    EXPECT_FALSE(std::filesystem::exists(dir.File("d.job")));
    for (int n = 1; n <= 3; ++n)
        EXPECT_EQ(objects(dir.File("all/three-p" + std::to_string(n) + ".job")), n);
    EXPECT_NE(ReadText(dir.File("e.json")).find("[\"M\", 0, 3]"), std::string::npos);
    testing::internal::CaptureStdout();
    EXPECT_EQ(Info({in}), kExitOk);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("pages: 3\n"), std::string::npos);
}
