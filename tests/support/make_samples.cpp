// Writes the bundled sample drawings into a folder: the scene in every variant, and the rich
// drawing that exercises every instruction, each with the index section that other readers need.
#include "tests/support/cmxbuilder.h"
#include "tests/support/sample.h"

#include <cstdio>
#include <exception>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-samples FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    try {
        cmxtest::WriteFile(folder + "/sample.cmx", cmxtest::SampleDrawing({}, true));
        cmxtest::Variant big{false, true, false};
        cmxtest::WriteFile(folder + "/sample-be16-untagged.cmx", cmxtest::SampleDrawing(big, true));
        cmxtest::WriteFile(folder + "/every-instruction.cmx", cmxtest::RichDrawing({}, true));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make-samples: %s\n", e.what());
        return 1;
    }
    return 0;
}
