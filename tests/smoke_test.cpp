#include "vestrel/frame/vestrel.h"
#include <gtest/gtest.h>
TEST(Smoke, Loads) {
    EXPECT_EQ(LoadCmx6FileOle2(), 0);
}
