// The suite's entry: the library is initialised once, as a host does it.
#include "vestrel/frame/vestrel.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    InitVestrelDLL();
    return RUN_ALL_TESTS();
}
