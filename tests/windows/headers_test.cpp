// A host's sources include the system's headers first, as they always have, and the library's
// after them: the Win32 names are the system's own, so both agree.
#include <windows.h>

#include <oaidl.h>

#include "platform/afx.h"
#include "vestrel/frame/vestrel.h"

#include <gtest/gtest.h>

#include <type_traits>

TEST(Win32Headers, ThePlatformsTypesAreTheSystems) {
    static_assert(std::is_base_of_v<tagRECT, CRect> && std::is_base_of_v<tagPOINT, CPoint>);
    static_assert(std::is_same_v<decltype(OPENFILENAME::lpstrFile), LPSTR>);
    RECT window = {1, 2, 30, 40};
    CRect rect(window);
    EXPECT_EQ(rect.Width(), 29);
    EXPECT_EQ(RGB(1, 2, 3), 0x030201u);
    BITMAPINFOHEADER header = {};
    EXPECT_TRUE(PlatformReadBitmapInfoHeader(&header, sizeof header, &header));
    VARIANT variant;
    ::VariantInit(&variant);
    EXPECT_EQ(variant.vt, VT_EMPTY);
}
