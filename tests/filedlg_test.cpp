// The file dialog: what a chooser sees, and what the dialog makes of its answer.
#include "platform/filedlg.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// Answers every dialog with one result and path, and records what it was shown.
class ScriptedChooser : public CFileDialogChooser {
public:
    ScriptedChooser(int result, std::string path)
        : result_(result), path_(std::move(path)), previous_(PlatformSetFileDialogChooser(this)) {}
    ~ScriptedChooser() override { PlatformSetFileDialogChooser(previous_); }
    ScriptedChooser(const ScriptedChooser&) = delete;
    ScriptedChooser& operator=(const ScriptedChooser&) = delete;

    int Choose(CFileDialog& dialog, CString* path) override {
        ++calls;
        open = dialog.m_bOpenFileDialog != FALSE;
        flags = dialog.m_ofn.Flags;
        defExt = dialog.m_ofn.lpstrDefExt != nullptr ? dialog.m_ofn.lpstrDefExt : "(none)";
        buffer = dialog.m_ofn.lpstrFile;
        filter.clear();
        for (const char* p = dialog.m_ofn.lpstrFilter; p != nullptr && *p != 0;
             p += std::strlen(p) + 1)
            filter.push_back(p);
        for (const std::string& selection : selections)
            Select(dialog, selection.c_str());
        *path = path_.c_str();
        return result_;
    }

    std::vector<std::string> selections;
    int calls = 0;
    bool open = false;
    DWORD flags = 0;
    std::string defExt;
    std::string buffer;
    std::vector<std::string> filter;

private:
    int result_;
    std::string path_;
    CFileDialogChooser* previous_;
};

} // namespace

#if !defined(_WIN32)
// Windows runs its own dialog then.
TEST(FileDialog, WithoutAChooserEveryDialogIsCancelled) {
    CFileDialogChooser* suite = PlatformSetFileDialogChooser(nullptr);
    CFileDialog dialog(FALSE, "job", "*.job");
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.GetPathName(), "*.job");
    EXPECT_TRUE(dialog.IsKindOf(RUNTIME_CLASS(CDialog)));
    PlatformSetFileDialogChooser(suite);
}
#endif

TEST(FileDialog, TheChooserSeesTheDialog) {
    ScriptedChooser chooser(IDOK, "/data/out.job");
    CFileDialog dialog(FALSE, "job", nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                       "Job files (*.job)|*.job|All files|*.*||");
    std::strcpy(dialog.m_szFileName, "*.job");
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(chooser.calls, 1);
    EXPECT_FALSE(chooser.open);
    EXPECT_EQ(chooser.flags, DWORD{0x6 | OFN_EXPLORER | OFN_ENABLEHOOK});
    EXPECT_EQ(chooser.defExt, "job");
    EXPECT_EQ(chooser.buffer, "*.job");
    EXPECT_EQ(chooser.filter,
              (std::vector<std::string>{"Job files (*.job)", "*.job", "All files", "*.*"}));
    EXPECT_EQ(dialog.GetPathName(), "/data/out.job");
    EXPECT_EQ(dialog.GetFileName(), "out.job");
    EXPECT_EQ(dialog.GetFileExt(), "job");
    EXPECT_STREQ(dialog.m_szFileName, "/data/out.job");
    EXPECT_EQ(dialog.m_ofn.lStructSize, sizeof(OPENFILENAME));

    CFileDialog opener(TRUE, nullptr, nullptr, 0x1846);
    EXPECT_EQ(opener.DoModal(), IDOK);
    EXPECT_TRUE(chooser.open);
    EXPECT_EQ(chooser.defExt, "(none)");
    EXPECT_TRUE(chooser.filter.empty());
    EXPECT_EQ(chooser.buffer, "");
}

TEST(FileDialog, CancelAndEmptyAnswersLeaveTheBuffer) {
    struct Case {
        const char* name;
        int result;
        const char* path;
    };
    const Case cases[] = {
        {"cancelled", IDCANCEL, "/data/a.cmx"},
        {"another button", 7, "/data/a.cmx"},
        {"OK without a path", IDOK, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedChooser chooser(c.result, c.path);
        CFileDialog dialog(TRUE, "cmx", "*.cmx");
        EXPECT_EQ(dialog.DoModal(), IDCANCEL);
        EXPECT_EQ(dialog.GetPathName(), "*.cmx");
        EXPECT_STREQ(dialog.m_szFileName, "*.cmx");
    }
}

TEST(FileDialog, DefaultExtensionForNamesWithoutOne) {
    struct Case {
        const char* defExt;
        const char* chosen;
        const char* expected;
    };
    const Case cases[] = {
        {"job", "/data/out", "/data/out.job"},
        {"job", "/data/out.txt", "/data/out.txt"},
        {"job", "/data/v1.2/out", "/data/v1.2/out.job"},
        {"job", "C:\\v1.2\\out", "C:\\v1.2\\out.job"},
        {"job", "out", "out.job"},
        {".job", "out", "out.job"},
        {"jobfile", "out", "out.job"},
        {"job", "/data/", "/data/"},
        {"", "out", "out"},
        {nullptr, "out", "out"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen);
        ScriptedChooser chooser(IDOK, c.chosen);
        CFileDialog dialog(FALSE, c.defExt);
        ASSERT_EQ(dialog.DoModal(), IDOK);
        EXPECT_EQ(dialog.GetPathName(), c.expected);
        EXPECT_STREQ(dialog.m_szFileName, c.expected);
    }
}

TEST(FileDialog, TheFileBufferIsCutSafely) {
    const std::string longPath = "/" + std::string(400, 'd') + "/drawing.cmx";
    {
        ScriptedChooser chooser(IDOK, longPath);
        CFileDialog dialog(TRUE, nullptr, longPath.c_str());
        EXPECT_EQ(std::strlen(dialog.m_szFileName), std::size_t{_MAX_PATH - 1});
        ASSERT_EQ(dialog.DoModal(), IDOK);
        EXPECT_EQ(dialog.GetPathName(), longPath.c_str());
        EXPECT_EQ(dialog.GetFileName(), "drawing.cmx");
        EXPECT_EQ(std::string(dialog.m_szFileName), longPath.substr(0, _MAX_PATH - 1));
    }
    struct Case {
        DWORD maxFile;
        const char* expected;
    };
    const Case cases[] = {{20, "/data/drawing.cmx"}, {9, "/data/dr"}, {1, ""}, {0, "########"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.maxFile);
        ScriptedChooser chooser(IDOK, "/data/drawing.cmx");
        char buffer[24];
        std::memset(buffer, '#', sizeof buffer);
        buffer[8] = '\0';
        CFileDialog dialog(TRUE);
        dialog.m_ofn.lpstrFile = buffer;
        dialog.m_ofn.nMaxFile = c.maxFile;
        ASSERT_EQ(dialog.DoModal(), IDOK);
        EXPECT_STREQ(buffer, c.expected);
        // Nothing is written past the given length.
        for (std::size_t i = std::max<std::size_t>(c.maxFile, 9); i < sizeof buffer; ++i)
            EXPECT_EQ(buffer[i], '#') << i;
        EXPECT_EQ(dialog.GetPathName(), "/data/drawing.cmx");
    }
}

TEST(FileDialog, InstallingReturnsThePreviousChooser) {
    ScriptedChooser first(IDOK, "a");
    ScriptedChooser second(IDCANCEL, "b");
    EXPECT_EQ(PlatformSetFileDialogChooser(&first), &second);
    CFileDialog dialog(TRUE);
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(first.calls, 1);
    EXPECT_EQ(second.calls, 0);
    EXPECT_EQ(PlatformSetFileDialogChooser(&second), &first);
}

namespace {

// Hears what the dialog tells it, and refuses the choice when asked to.
class Listening : public CFileDialog {
public:
    explicit Listening(bool refuse) : CFileDialog(TRUE, "cmx", "*.cmx"), refuse_(refuse) {}
    BOOL OnInitDialog() override {
        heard.push_back("init dialog");
        return CFileDialog::OnInitDialog();
    }
    std::vector<std::string> heard;

protected:
    void OnInitDone() override { heard.push_back("init done"); }
    void OnFileNameChange() override { heard.push_back("selection " + GetPathName().str()); }
    BOOL OnFileNameOK() override {
        heard.push_back("ok " + GetPathName().str());
        return refuse_ ? TRUE : FALSE;
    }

private:
    bool refuse_;
};

} // namespace

TEST(FileDialog, TheDialogHearsOfItsOpeningSelectionsAndTheChoice) {
    for (bool refuse : {false, true}) {
        SCOPED_TRACE(refuse);
        ScriptedChooser chooser(IDOK, "/a/two");
        chooser.selections = {"/a/one.cmx"};
        Listening dialog(refuse);
        EXPECT_EQ(dialog.DoModal(), refuse ? IDCANCEL : IDOK);
        EXPECT_EQ(dialog.heard,
                  (std::vector<std::string>{"init dialog", "init done", "selection /a/one.cmx",
                                            "ok /a/two.cmx"}));
        // A refused choice leaves the buffer as it was.
        EXPECT_STREQ(dialog.m_szFileName, refuse ? "*.cmx" : "/a/two.cmx");
    }
    // Selections outside the dialog's time reach nobody.
    class Late : public ScriptedChooser {
    public:
        Late() : ScriptedChooser(IDCANCEL, "") {}
        void SelectIn(CFileDialog& dialog) { Select(dialog, "/a/late.cmx"); }
    } late;
    Listening dialog(false);
    late.SelectIn(dialog);
    EXPECT_TRUE(dialog.heard.empty());
}
