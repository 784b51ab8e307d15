// The suite's entry: the library is initialised once, as a host does it.
#include "vestrel/frame/vestrel.h"

#include "platform/filedlg.h"
#include "platform/msgbox.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

// No test may wait for a person: a box that no test records is written to standard error
// instead of being shown.
class NoBoxes : public CMessageBoxSink {
public:
    int Show(HWND, const char* text, const char* caption, UINT) override {
        std::fprintf(stderr, "message box: %s %s\n", PlatformAnsiToUtf8(caption).c_str(),
                     PlatformAnsiToUtf8(text).c_str());
        return IDOK;
    }
};

// Nor for a file dialog: one that no test answers is cancelled, and said so on standard error.
class NoDialogs : public CFileDialogChooser {
public:
    int Choose(CFileDialog& dialog, CString*) override {
        std::fprintf(stderr, "file dialog: cancelled %s dialog for %s\n",
                     dialog.m_bOpenFileDialog ? "an open" : "a save", dialog.m_szFileName);
        return IDCANCEL;
    }
};

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    InitVestrelDLL();
    NoBoxes noBoxes;
    PlatformSetMessageBoxSink(&noBoxes);
    NoDialogs noDialogs;
    PlatformSetFileDialogChooser(&noDialogs);
    return RUN_ALL_TESTS();
}
