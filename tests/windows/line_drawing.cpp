// Writes the line drawing that the memory host loads: the benchmarks' unfilled poly-lines of 12
// points, each looking its colour up in the outline table.
//
//   line-drawing SHAPES FILE
#include "tests/support/large_drawing.h"

#include <cstdio>
#include <cstdlib>

using namespace cmxtest;

int main(int argc, char** argv) {
    const int shapes = argc == 3 ? std::atoi(argv[1]) : 0;
    if (shapes <= 0) {
        std::printf("usage: line-drawing SHAPES FILE\n");
        return 2;
    }
    const Bytes bytes = LargeDrawing(kUnfilled, shapes);
    FILE* file = std::fopen(argv[2], "wb");
    const bool written =
        file != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (file != nullptr && std::fclose(file) != 0)
        return 1;
    return written ? 0 : 1;
}
