// libFuzzer target for one road, chosen at build time: VESTREL_FUZZ_ROAD names a function of
// roads.h (LoadRoad, ConvertRoad, ThumbnailRoad, JobRoad, DropBlockRoad or ClipboardRoad). A fault
// the road reports aborts, so libFuzzer keeps the input.
#include "fuzz/roads.h"

#include <cstdio>
#include <cstdlib>

#ifndef VESTREL_FUZZ_ROAD
#error "VESTREL_FUZZ_ROAD names the road to fuzz"
#endif

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    vestrel_fuzz::StartLibraries();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string fault = vestrel_fuzz::VESTREL_FUZZ_ROAD(data, size);
    if (!fault.empty()) {
        std::fprintf(stderr, "vestrel-fuzz: %s\n", fault.c_str());
        std::abort();
    }
    return 0;
}
