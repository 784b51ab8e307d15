// libFuzzer target: CCmxParser::LoadCmx6File.
#include "fuzz/roads.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    vestrel_fuzz::StartLibraries();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string fault = vestrel_fuzz::LoadRoad(data, size);
    if (!fault.empty()) {
        std::fprintf(stderr, "vestrel-fuzz: %s\n", fault.c_str());
        std::abort();
    }
    return 0;
}
