// Writes the bundled sample drawings into a folder: the scene in two variants, laid out as real
// writers lay out their files, and the rich drawing that exercises every instruction, each with
// the index section that other readers need.
#include "tests/support/cmxbuilder.h"
#include "tests/support/sample.h"

#include "platform/bytes.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-samples FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    try {
        // The scene as real writers lay it out: 32-bit coordinates in tenths of a micrometre
        // (unit 35, factor 1e-7), a page of 20 cm, with a second page; 16-bit coordinates in
        // hundredths of a millimetre (factor 1e-5), a page of 10 cm.
        cmxtest::SampleLayout real;
        real.real = true;
        real.unitsPerSceneUnit = 2000;
        real.scaleFactor = 1e-7;
        real.secondPage = true;
        cmxtest::WriteFile(folder + "/sample.cmx", cmxtest::SampleDrawing({}, true, real));
        cmxtest::SampleLayout small = real;
        small.unitsPerSceneUnit = 10;
        small.scaleFactor = 1e-5;
        small.secondPage = false;
        cmxtest::Variant big{false, true, false};
        cmxtest::WriteFile(folder + "/sample-be16-untagged.cmx",
                           cmxtest::SampleDrawing(big, true, small));
        // The rich drawing keeps its factor of 1e-5 (hundredths of a millimetre): a page of 1 cm.
        cmxtest::Bytes rich = cmxtest::RichDrawing({}, true);
        std::memcpy(&rich[52], "Windows 3.1", 11);
        byteorder::PutU16(&rich[82], 35);
        cmxtest::WriteFile(folder + "/every-instruction.cmx", rich);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make-samples: %s\n", e.what());
        return 1;
    }
    return 0;
}
