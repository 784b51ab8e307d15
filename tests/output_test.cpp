// Job output: writing and releasing the drawing, the one-call conversion and the save dialogs.
#include "tests/support/sample.h"
#include "tests/support/test_util.h"
#include "vestrel/frame/vestrel.h"

#include "platform/filedlg.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

using namespace cmxtest;

namespace {

// Answers every file dialog with a path, or cancels, and records what the dialogs asked.
class Chooser : public CFileDialogChooser {
public:
    explicit Chooser(std::string answer) : answer_(std::move(answer)) {
        previous_ = PlatformSetFileDialogChooser(this);
    }
    ~Chooser() override { PlatformSetFileDialogChooser(previous_); }
    Chooser(const Chooser&) = delete;
    Chooser& operator=(const Chooser&) = delete;

    int Choose(CFileDialog& dialog, CString* path) override {
        Asked asked;
        asked.open = dialog.m_bOpenFileDialog;
        asked.flags = dialog.m_ofn.Flags;
        asked.defExt = dialog.m_ofn.lpstrDefExt != nullptr ? dialog.m_ofn.lpstrDefExt : "";
        // As the system reads the filter: texts up to an empty one.
        for (const char* p = dialog.m_ofn.lpstrFilter; p != nullptr && *p != 0;
             p += std::strlen(p) + 1)
            asked.filter += std::string(asked.filter.empty() ? "" : "|") + p;
        asked.file = dialog.m_ofn.lpstrFile != nullptr ? dialog.m_ofn.lpstrFile : "";
        asked.instance = dialog.m_ofn.hInstance;
        asks.push_back(asked);
        if (answer_.empty())
            return IDCANCEL;
        *path = answer_.c_str();
        return IDOK;
    }

    struct Asked {
        BOOL open;
        DWORD flags;
        std::string defExt, filter, file;
        HINSTANCE instance;
    };
    std::vector<Asked> asks;

private:
    std::string answer_;
    CFileDialogChooser* previous_;
};

const Bytes& Sample() {
    static const Bytes sample = SampleDrawing();
    return sample;
}

Bytes JobOf(const Bytes& cmx) {
    TempDir dir;
    std::string job = dir.File("x.job");
    CCmxParser parser;
    CString in(WriteTemp(cmx).c_str()), out(job.c_str());
    EXPECT_EQ(parser.ParseCmx6(&in, &out), 1);
    return ReadFileBytes(job);
}

} // namespace

TEST(Output, WriteJobFileWritesAndReleasesTheDrawing) {
    TempDir dir;
    Load load(Sample());
    const int objects = load.parser.GetDrawing()->GetCount();
    const std::string job = dir.File("sample.job");
    EXPECT_EQ(load.parser.WriteJobFile(job.c_str()), 1);
    EXPECT_EQ(load.parser.GetDrawing(), nullptr);
    EXPECT_EQ(load.parser.GetGroupStack(), nullptr);
    std::unique_ptr<CGrDrawset> back(CGrDrawset::ReadJobFile(job.c_str()));
    EXPECT_EQ(back->GetCount(), objects);
    EXPECT_EQ(back->frameWidth, 1100.0);
    // A second write finds no drawing: nothing is written, the result is still 1.
    const std::string second = dir.File("second.job");
    EXPECT_EQ(load.parser.WriteJobFile(second.c_str()), 1);
    EXPECT_FALSE(std::filesystem::exists(second));
    EXPECT_EQ(load.parser.SetFrameSize(5, 6), 1);
}

TEST(Output, AFailedWriteKeepsTheDrawing) {
    Load load(Sample());
    EXPECT_THROW(load.parser.WriteJobFile("/nonexistent/folder/x.job"), CFileException);
    EXPECT_THROW(load.parser.WriteJobFile(""), CFileException);
    ASSERT_NE(load.parser.GetDrawing(), nullptr);
    TempDir dir;
    EXPECT_EQ(load.parser.WriteJobFile(dir.File("x.job").c_str()), 1);
    EXPECT_TRUE(std::filesystem::exists(dir.File("x.job")));
}

TEST(Output, FrameSizeReachesTheJob) {
    TempDir dir;
    Load load(Sample());
    EXPECT_EQ(load.parser.SetFrameSize(210, 4294967295u), 1);
    load.parser.WriteJobFile(dir.File("x.job").c_str());
    std::unique_ptr<CGrDrawset> back(CGrDrawset::ReadJobFile(dir.File("x.job").c_str()));
    EXPECT_EQ(back->frameWidth, 210.0);
    EXPECT_EQ(back->frameHeight, 4294967295.0);
}

TEST(Output, WriteCmxFileOnlyReleases) {
    TempDir dir;
    Load load(Sample());
    EXPECT_EQ(load.parser.WriteCmxFile(dir.File("x.cmx").c_str()), 1);
    EXPECT_EQ(load.parser.GetDrawing(), nullptr);
    EXPECT_FALSE(std::filesystem::exists(dir.File("x.cmx")));
}

TEST(Output, SaveDialogWritesOnOkAndKeepsTheDrawingOnCancel) {
    TempDir dir;
    Load load(Sample());
    {
        Chooser cancel("");
        load.parser.DoWriteJobDlg();
        ASSERT_EQ(cancel.asks.size(), 1u);
        EXPECT_FALSE(cancel.asks[0].open);
        EXPECT_EQ(cancel.asks[0].defExt, "job");
        EXPECT_EQ(cancel.asks[0].file, "*.job");
        EXPECT_EQ(cancel.asks[0].flags & 6u, 6u);
        EXPECT_NE(load.parser.GetDrawing(), nullptr);
    }
    // Without a chooser the portable dialog answers Cancel.
    load.parser.DoWriteJobDlg();
    EXPECT_NE(load.parser.GetDrawing(), nullptr);
    Chooser ok(dir.File("chosen"));
    load.parser.DoWriteJobDlg();
    EXPECT_EQ(load.parser.GetDrawing(), nullptr);
    EXPECT_TRUE(std::filesystem::exists(dir.File("chosen.job")));
}

TEST(Output, ParseCmx6ConvertsInOneCall) {
    TempDir dir;
    MessageRecorder recorder;
    CCmxParser parser;
    CString in(WriteTemp(Sample()).c_str());
    const std::string job = dir.File("out.job");
    CString out(job.c_str());
    const CString inBefore = in, outBefore = out;
    EXPECT_EQ(parser.ParseCmx6(&in, &out), 1);
    EXPECT_EQ(in, inBefore);
    EXPECT_EQ(out, outBefore);
    EXPECT_EQ(parser.GetDrawing(), nullptr);
    EXPECT_EQ(parser.GetDataBuffer(), nullptr);
    EXPECT_TRUE(recorder.messages.empty());
    // The same drawing as a load followed by a write.
    Load load(Sample());
    load.parser.WriteJobFile(dir.File("loaded.job").c_str());
    EXPECT_EQ(ReadFileBytes(job), ReadFileBytes(dir.File("loaded.job")));
}

TEST(Output, ParseCmx6Failures) {
    TempDir dir;
    MessageRecorder recorder;
    CCmxParser parser;
    CString job(dir.File("x.job").c_str());
    CString missing("/nonexistent/in.cmx");
    EXPECT_EQ(parser.ParseCmx6(&missing, &job), 0);
    EXPECT_EQ(recorder.Ids(), std::vector<int>{1});
    Bytes notCmx = Sample();
    notCmx[25] = 'x';
    CString bad(WriteTemp(notCmx).c_str());
    EXPECT_EQ(parser.ParseCmx6(&bad, &job), 0);
    CString empty(WriteTemp(Bytes(Sample().begin(), Sample().begin() + 200)).c_str());
    EXPECT_EQ(parser.ParseCmx6(&empty, &job), 0);
    EXPECT_EQ(recorder.Ids(), std::vector<int>{1});
    EXPECT_FALSE(std::filesystem::exists(dir.File("x.job")));
    EXPECT_EQ(parser.GetDrawing(), nullptr);

    CString in(WriteTemp(Sample()).c_str());
    CString unwritable("/nonexistent/folder/x.job");
    EXPECT_THROW(parser.ParseCmx6(&in, &unwritable), CFileException);
    EXPECT_EQ(parser.GetDrawing(), nullptr);
    EXPECT_EQ(parser.GetDataBuffer(), nullptr);
}

TEST(Output, OneCharacterJobPathAsksForThePath) {
    TempDir dir;
    CCmxParser parser;
    CString in(WriteTemp(Sample()).c_str());
    CString one("x");
    {
        Chooser cancel("");
        EXPECT_EQ(parser.ParseCmx6(&in, &one), 0);
        ASSERT_EQ(cancel.asks.size(), 1u);
        EXPECT_FALSE(cancel.asks[0].open);
        EXPECT_EQ(cancel.asks[0].filter, "*.job|*.job");
        EXPECT_EQ(cancel.asks[0].file, "*.job");
        EXPECT_EQ(cancel.asks[0].defExt, "");
        EXPECT_EQ(cancel.asks[0].instance, VestrelModule());
        EXPECT_EQ(cancel.asks[0].flags & 0x80006u, 0x80006u);
        EXPECT_EQ(parser.GetDrawing(), nullptr);
        EXPECT_EQ(parser.GetDataBuffer(), nullptr);
    }
    Chooser ok(dir.File("picked"));
    EXPECT_EQ(parser.ParseCmx6(&in, &one), 1);
    // No default extension without the dialog's own.
    EXPECT_TRUE(std::filesystem::exists(dir.File("picked")));
    EXPECT_EQ(one, "x");
}

TEST(Output, ParseCmx6TakesTheThumbnailAfterThePages) {
    Bytes job = JobOf(Sample());
    std::unique_ptr<CGrDrawset> drawing(CGrDrawset::ReadJobData(job.data(), job.size()));
    ASSERT_NE(drawing->thumbnail, nullptr);
    EXPECT_EQ(drawing->thumbnail->GetSize(), 16424u + 9u * 4u);
}

TEST(Output, ExportedWriteJobFile) {
    TempDir dir;
    MessageRecorder recorder;
    ASSERT_EQ(LoadCmx6File(WriteTemp(Sample()).c_str()), 1);
    EXPECT_EQ(WriteJobFile(dir.File("g.job").c_str()), 1);
    EXPECT_TRUE(std::filesystem::exists(dir.File("g.job")));
#if VESTREL_TESTS_SEE_GLOBALS
    EXPECT_EQ(theCmxParser.GetDrawing(), nullptr);
#endif
    EXPECT_EQ(WriteJobFile(dir.File("h.job").c_str()), 1);
    EXPECT_EQ(SetFrameSize(1, 2), 1);
    EXPECT_FALSE(std::filesystem::exists(dir.File("h.job")));
}

TEST(Preview, ShowThumbNailDrawsTheFilesPreview) {
    CCmxParser parser;
    CDC dc(130, 130);
    EXPECT_EQ(parser.ShowThumbNail(WriteTemp(Sample()).c_str(), &dc), 1);
    EXPECT_EQ(parser.GetDrawing(), nullptr);
    EXPECT_EQ(parser.GetDataBuffer(), nullptr);
    // The margin is white, the sky light blue, and nothing is drawn at (0, 0).
    EXPECT_EQ(dc.GetPixel(0, 0), RGB(255, 255, 255));
    EXPECT_EQ(dc.GetPixel(1, 1), RGB(255, 255, 255));
    EXPECT_EQ(dc.GetPixel(17, 17), RGB(170, 215, 235));

    CDC blank(130, 130);
    CCmxParser other;
    EXPECT_EQ(other.ShowThumbNail("/nonexistent.cmx", &blank), 0);
    CmxBuilder noThumbnail;
    noThumbnail.Page(PageBuilder(Variant{}));
    EXPECT_EQ(other.ShowThumbNail(WriteTemp(noThumbnail.Build()).c_str(), &blank), 1);
    EXPECT_EQ(other.ShowThumbNail(WriteTemp(Bytes(300, 7)).c_str(), &blank), 0);
    EXPECT_EQ(blank.GetPixel(64, 64), RGB(255, 255, 255));
}

TEST(Preview, AHeldDrawingStaysHeld) {
    Load load(Sample());
    CGrDrawset* held = load.parser.GetDrawing();
    CDC dc(130, 130);
    EXPECT_EQ(load.parser.ShowThumbNail(WriteTemp(Sample()).c_str(), &dc), 1);
    EXPECT_EQ(load.parser.GetDrawing(), held);
    EXPECT_EQ(held->GetCount(), 12);
}
