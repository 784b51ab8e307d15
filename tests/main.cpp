// The suite's entry: the library is initialised once, as a host does it.
#include "vestrel/frame/vestrel.h"

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

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    InitVestrelDLL();
    NoBoxes noBoxes;
    PlatformSetMessageBoxSink(&noBoxes);
    return RUN_ALL_TESTS();
}
