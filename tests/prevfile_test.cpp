// The open dialog with its preview, answered by a chooser that selects files as a person's clicks
// would and looks at the preview after each.
#include "tests/support/catalogue.h"
#include "tests/support/test_util.h"
#include "vestrel/frame/vestrel.h"
#include "vestrel/prevfile/prevfile.h"
#include "vestrel/resources/resource.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

using namespace cmxtest;

namespace {

// At the open dialog: looks at the preview, selects each path in turn and looks again, then
// chooses a path ("" cancels). At a save dialog that follows: answers with the job path (""
// cancels).
class Person : public CFileDialogChooser {
public:
    Person(std::vector<std::string> selections, std::string open, std::string job = "")
        : selections_(std::move(selections)), open_(std::move(open)), job_(std::move(job)),
          previous_(PlatformSetFileDialogChooser(this)) {}
    ~Person() override { PlatformSetFileDialogChooser(previous_); }
    Person(const Person&) = delete;
    Person& operator=(const Person&) = delete;

    int Choose(CFileDialog& dialog, CString* path) override {
        if (!dialog.IsKindOf(RUNTIME_CLASS(CPrevFileDialog))) {
            saveDialogs.push_back(dialog.m_bOpenFileDialog ? "open" : dialog.m_szFileName);
            *path = job_.c_str();
            return job_.empty() ? IDCANCEL : IDOK;
        }
        auto& opened = static_cast<CPrevFileDialog&>(dialog);
        ++openDialogs;
        Look(opened);
        for (const std::string& selection : selections_) {
            Select(dialog, selection.c_str());
            Look(opened);
        }
        if (inspect)
            inspect(opened);
        *path = open_.c_str();
        return open_.empty() ? IDCANCEL : IDOK;
    }

    int openDialogs = 0;
    // The preview when the dialog opened and after each selection, and whether all of it was
    // due for painting with erasing.
    std::vector<CPixelSurface> previews;
    std::vector<bool> erasedWhole;
    std::vector<std::string> paths;
    // The file buffers of the save dialogs that followed.
    std::vector<std::string> saveDialogs;
    std::function<void(CPrevFileDialog&)> inspect;

private:
    void Look(CPrevFileDialog& dialog) {
        CWnd& preview = dialog.previewWnd;
        // What waits for the paint, with the erasing done now.
        CRect due, client;
        preview.GetClientRect(client);
        const bool whole =
            preview.GetUpdateRect(due, TRUE) && due == static_cast<const RECT&>(client);
        bool white = true;
        for (int y = due.top; y < due.bottom; ++y)
            for (int x = due.left; x < due.right; ++x)
                white = white && preview.GetSurface().At(x, y) == CPixelSurface::kWhite;
        erasedWhole.push_back(whole && white);
        preview.UpdateWindow();
        previews.push_back(preview.GetSurface());
        paths.push_back(dialog.previewWnd.filePath.str());
    }

    std::vector<std::string> selections_;
    std::string open_;
    std::string job_;
    CFileDialogChooser* previous_;
};

bool operator==(const CPixelSurface& a, const CPixelSurface& b) {
    return a.GetWidth() == b.GetWidth() && a.GetHeight() == b.GetHeight() &&
           std::equal(a.GetPixels(), a.GetPixels() + a.GetWidth() * a.GetHeight(), b.GetPixels());
}

// The preview's place: the template's control 1000 in the portable dialog's units.
constexpr int kWidth = 150, kHeight = 162;

// The placeholder over the whole window.
CPixelSurface Placeholder() {
    CDC dc(kWidth, kHeight);
    dc.SelectStockObject(LTGRAY_BRUSH);
    dc.SelectStockObject(BLACK_PEN);
    dc.Rectangle(0, 0, kWidth, kHeight);
    dc.MoveTo(0, 0);
    dc.LineTo(kWidth, kHeight);
    dc.MoveTo(1, kHeight - 1);
    dc.LineTo(kWidth, 0);
    return dc.GetSurface();
}

// The thumbnail of Preview(256, 255) at (1, 1) on white: entry i of its palette is the grey i
// (modulo 200) and entry 255 white, and chunk row r, byte c holds (r + c) modulo 256; the block's
// rows are stored bottom row first, and its 16-pixel margin is white.
CPixelSurface ThumbnailShown() {
    CPixelSurface s(kWidth, kHeight);
    for (int y = 1; y < 129; ++y) {
        for (int x = 1; x < 129; ++x) {
            const int row = 128 - y, column = x - 1;
            if (row < 16 || row >= 112 || column < 16 || column >= 112)
                continue;
            const int index = (row - 16 + column - 16) % 256;
            const std::uint32_t grey = index == 255 ? 255 : index % 200;
            s.At(x, y) = grey * 0x010101;
        }
    }
    return s;
}

CPixelSurface Blank() {
    return CPixelSurface(kWidth, kHeight);
}

// What a load makes of the file's preview, drawn at (1, 1) on white.
CPixelSurface LoadedThumbnail(const std::string& path) {
    CCmxParser parser;
    EXPECT_EQ(parser.LoadCmx6File(path.c_str()), 1);
    CDC dc(kWidth, kHeight);
    parser.GetDrawing()->ShowThumbNail(&dc, CPoint(1, 1));
    EXPECT_FALSE(dc.GetSurface() == Blank());
    return dc.GetSurface();
}

// A folder with the files a person meets.
struct Files {
    TempDir dir;
    std::string thumb = dir.File("thumb.cmx");
    std::string large = dir.File("large.cmx");
    std::string plain = dir.File("plain.cmx");
    std::string notes = dir.File("notes.txt");
    std::string folder = dir.File("drawings");

    Files() {
        WriteFile(thumb, WithPreview(Variant{}, Preview(256, 255)));
        WriteFile(large, WithPreview(Variant{}, WriterPreview()));
        PageBuilder page(Variant{});
        page.PolyCurve(Polyline(0, 0, 10, 10, 3, Attributes{}));
        WriteFile(plain, FileWithPage(page));
        WriteFile(notes, Bytes(300, 'x'));
        std::filesystem::create_directory(folder);
    }
    // A file that holds the drawing with the thumbnail, where the system allows its name.
    std::string Copy(const std::string& name) const {
        const std::string path = dir.File(name);
        std::error_code error;
        std::filesystem::copy_file(thumb, path, error);
        return path;
    }
};

} // namespace

TEST(OpenDialog, TheDialogAndItsPreviewWindow) {
    Person person({}, "");
    person.inspect = [](CPrevFileDialog& dialog) {
        EXPECT_TRUE(dialog.m_bOpenFileDialog);
        EXPECT_EQ(dialog.m_ofn.Flags, DWORD{0x1846 | OFN_EXPLORER | OFN_ENABLEHOOK});
        EXPECT_EQ(dialog.m_ofn.hInstance, VestrelModule());
        EXPECT_EQ(dialog.m_ofn.lpTemplateName, MAKEINTRESOURCE(IDD_OPEN_PREVIEW));
        EXPECT_EQ(dialog.m_ofn.lpstrDefExt, nullptr);
        EXPECT_STREQ(dialog.m_szFileName, "*.cmx");
        EXPECT_EQ(dialog.m_ofn.lpstrFile, dialog.m_szFileName);
        // One entry, "*.cmx" with an empty pattern, then the end of the list.
        EXPECT_EQ(std::memcmp(dialog.m_ofn.lpstrFilter, "*.cmx\0\0", 8), 0);

        // The template's controls, and the preview over control 1000.
        const struct {
            int id;
            DWORD style;
        } controls[] = {{stc32, 0x40000007}, {IDC_PREVIEW_PLACE, 0x40000007}, {-1, 0x50001007}};
        for (const auto& control : controls) {
            SCOPED_TRACE(control.id);
            CWnd* window = dialog.GetDlgItem(control.id);
            ASSERT_NE(window, nullptr);
            EXPECT_EQ(window->GetStyle(), control.style);
        }
        CWnd& preview = dialog.previewWnd;
        EXPECT_EQ(preview.GetParent(), &dialog);
        EXPECT_EQ(preview.GetDlgCtrlID(), -1);
        EXPECT_EQ(preview.GetStyle(), DWORD{0x5000000F});
        CRect place, previewPlace, client;
        dialog.GetDlgItem(IDC_PREVIEW_PLACE)->GetWindowRect(place);
        preview.GetWindowRect(previewPlace);
        EXPECT_EQ(previewPlace, place);
        preview.GetClientRect(client);
        EXPECT_EQ(client, CRect(0, 0, kWidth, kHeight));
    };
    CCmxParser parser;
    EXPECT_EQ(parser.DoOpenCmxDlg(), 1);
    EXPECT_EQ(person.openDialogs, 1);
    EXPECT_TRUE(person.saveDialogs.empty());
    EXPECT_EQ(parser.GetDrawing(), nullptr);
    EXPECT_TRUE(parser.GetFileName().IsEmpty());
}

TEST(OpenDialog, ThePreviewFollowsTheSelection) {
    Files files;
    struct Step {
        std::string name;
        std::string path;
        CPixelSurface shows;
    };
    std::vector<Step> steps = {
        {"a file with a thumbnail", files.thumb, ThumbnailShown()},
        {"a file with a writer's large preview", files.large, LoadedThumbnail(files.large)},
        {"a folder", files.folder, Placeholder()},
        {"a CMX file without a thumbnail", files.plain, Blank()},
        {"a file of another type", files.notes, Placeholder()},
        {"a missing file", files.dir.File("missing.cmx"), Placeholder()},
        {"nothing", "", Placeholder()},
        // The pattern anywhere in the path keeps the file from the parser, even where a file of
        // that name exists; the search is case-sensitive.
        {"the pattern", files.Copy("*.cmx"), Placeholder()},
        {"the pattern in a name", files.Copy("a*.cmxb"), Placeholder()},
        {"the pattern in capitals", files.Copy("*.CMX"), ThumbnailShown()},
    };
#if defined(_WIN32)
    // Windows allows no '*' in names: the pattern in capitals names no file there.
    steps.back().shows = Placeholder();
#endif
    std::vector<std::string> selections;
    for (const Step& step : steps)
        selections.push_back(step.path);
    Person person(selections, "");
    CCmxParser parser;
    MessageRecorder recorder;
    EXPECT_EQ(parser.DoOpenCmxDlg(), 1);
    ASSERT_EQ(person.previews.size(), steps.size() + 1);
    EXPECT_TRUE(person.previews[0] == Placeholder()) << "on opening";
    EXPECT_EQ(person.paths[0], "");
    for (std::size_t i = 0; i < steps.size(); ++i) {
        SCOPED_TRACE(steps[i].name);
        EXPECT_TRUE(person.erasedWhole[i + 1]);
        EXPECT_TRUE(person.previews[i + 1] == steps[i].shows);
        // Selecting nothing leaves the dialog's file name, which holds the pattern.
        EXPECT_EQ(person.paths[i + 1], steps[i].path.empty() ? "*.cmx" : steps[i].path);
    }
    EXPECT_TRUE(recorder.messages.empty());
    EXPECT_EQ(parser.GetDrawing(), nullptr);
    EXPECT_EQ(parser.GetDataBuffer(), nullptr);
}

TEST(OpenDialog, OkStoresThePathLoadsTheFileAndAsksForTheJob) {
    Files files;
    CCmxParser parser;
    {
        Person person({files.thumb}, files.thumb, files.dir.File("out"));
        EXPECT_EQ(parser.DoOpenCmxDlg(), 1);
        EXPECT_EQ(person.saveDialogs, std::vector<std::string>{"*.job"});
    }
    EXPECT_EQ(parser.GetFileName(), files.thumb.c_str());
    // The job is written and the drawing released.
    EXPECT_TRUE(std::filesystem::exists(files.dir.File("out.job")));
    EXPECT_EQ(parser.GetDrawing(), nullptr);

    // The save dialog cancelled: the drawing stays held.
    {
        Person person({}, files.plain);
        EXPECT_EQ(parser.DoOpenCmxDlg(), 1);
        EXPECT_EQ(person.saveDialogs.size(), 1u);
    }
    EXPECT_EQ(parser.GetFileName(), files.plain.c_str());
    EXPECT_NE(parser.GetDrawing(), nullptr);
    parser.WriteCmxFile("");

    // A file that does not load: its own message, and no save dialog.
    {
        MessageRecorder recorder;
        Person person({}, files.notes);
        EXPECT_EQ(parser.DoOpenCmxDlg(), 1);
        EXPECT_TRUE(person.saveDialogs.empty());
        EXPECT_EQ(parser.GetFileName(), files.notes.c_str());
        EXPECT_EQ(parser.GetDrawing(), nullptr);
    }

    // Cancel keeps the file name of the last choice.
    {
        Person person({files.thumb}, "");
        EXPECT_EQ(parser.DoOpenCmxDlg(), 1);
        EXPECT_TRUE(person.saveDialogs.empty());
    }
    EXPECT_EQ(parser.GetFileName(), files.notes.c_str());
    EXPECT_EQ(parser.GetDrawing(), nullptr);
}

namespace {

// The longest path the system opens, in characters, without the terminating zero.
#if defined(_WIN32)
constexpr std::size_t kLongestPath = _MAX_PATH - 1;
#else
constexpr std::size_t kLongestPath = PATH_MAX - 1;
#endif

// A path of exactly length characters in folder, through folders of up to 200 characters,
// ending in a name with the extension .cmx.
std::string PathOfLength(std::string folder, std::size_t length) {
    const std::size_t name = 8; // the shortest name: "/" plus at least three letters and ".cmx"
    while (folder.size() + name < length) {
        const std::size_t part = std::min<std::size_t>(200, length - folder.size() - name);
        if (part < 2)
            break;
        folder += '/';
        folder.append(part - 1, 'd');
        std::filesystem::create_directory(folder);
    }
    const std::size_t letters = length - folder.size() - 5;
    folder += '/';
    folder.append(letters, 'n');
    return folder + ".cmx";
}

} // namespace

TEST(OpenDialog, PathsOfAnyLengthUpToThePlatformsMaximum) {
    TempDir dir;
    const Bytes drawing = WithPreview(Variant{}, Preview(4, 3));
    for (std::size_t length :
         {dir.path().size() + 9, std::size_t{100}, std::size_t{_MAX_PATH - 1}, kLongestPath}) {
        SCOPED_TRACE(length);
        const std::string path = PathOfLength(dir.path(), length);
        ASSERT_EQ(path.size(), length);
        WriteFile(path, drawing);
        Person person({path}, path);
        CCmxParser parser;
        EXPECT_EQ(parser.DoOpenCmxDlg(), 1);
        EXPECT_EQ(person.paths.back(), path);
        EXPECT_EQ(parser.GetFileName(), path.c_str());
        EXPECT_NE(parser.GetDrawing(), nullptr);
        EXPECT_EQ(person.saveDialogs.size(), 1u);
    }
}

TEST(OpenDialog, AnOldStyleDialogShowsTheSelectionAtTheNextPaint) {
    Files files;
    CCmxParser parser;
    CPrevFileDialog dialog(&parser, TRUE, nullptr, "*.cmx", 0x1846);
    dialog.m_ofn.hInstance = VestrelModule();
    dialog.m_ofn.lpTemplateName = MAKEINTRESOURCE(IDD_OPEN_PREVIEW);
    dialog.m_ofn.Flags &= ~OFN_EXPLORER;
    Person person({files.thumb}, "");
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    ASSERT_EQ(person.previews.size(), 2u);
    // The list's selection reaches the preview as the dialog's file name, and nothing is
    // repainted until the window is invalidated.
    EXPECT_EQ(person.paths[1], "*.cmx");
    EXPECT_FALSE(person.erasedWhole[1]);
    EXPECT_TRUE(person.previews[1] == Placeholder());
}

TEST(OpenDialog, APreviewLeavesAHeldDrawingAlone) {
    Files files;
    CCmxParser parser;
    ASSERT_EQ(parser.LoadCmx6File(files.plain.c_str()), 1);
    const CGrDrawset* held = parser.GetDrawing();
    const int objects = held->GetCount();
    Person person({files.thumb, files.plain}, "");
    EXPECT_EQ(parser.DoOpenCmxDlg(), 1);
    EXPECT_TRUE(person.previews[1] == ThumbnailShown());
    EXPECT_EQ(parser.GetDrawing(), held);
    EXPECT_EQ(held->GetCount(), objects);
}

TEST(OpenDialog, ThePlainFunctionsOpenItOnTheGlobalParser) {
    Files files;
    {
        Person person({}, "");
        EXPECT_EQ(LoadCmx6File(nullptr), 1);
        EXPECT_EQ(DoOpenCmxDlg(), 1);
        EXPECT_EQ(person.openDialogs, 2);
    }
    Person person({}, files.thumb, files.dir.File("global.job"));
    EXPECT_EQ(LoadCmx6File(nullptr), 1);
    EXPECT_TRUE(std::filesystem::exists(files.dir.File("global.job")));
#if VESTREL_TESTS_SEE_GLOBALS
    EXPECT_EQ(theCmxParser.GetFileName(), files.thumb.c_str());
#endif
}
