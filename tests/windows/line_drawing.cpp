// Writes the line drawing that the memory host loads: unfilled poly-lines of 12 points, each
// looking its colour up in the outline table, with the tables behind the page where CorelDRAW
// writes them.
//
//   line-drawing SHAPES FILE
#include "tests/support/cmxbuilder.h"

#include <cstdio>
#include <cstdlib>

using namespace cmxtest;

int main(int argc, char** argv) {
    const int shapes = argc == 3 ? std::atoi(argv[1]) : 0;
    if (shapes <= 0) {
        std::printf("usage: line-drawing SHAPES FILE\n");
        return 2;
    }
    Variant v;
    CmxBuilder cmx(v);
    PageBuilder page(v);
    page.BeginPage();
    page.BeginLayer();
    for (int i = 0; i < shapes; ++i) {
        Attributes a;
        a.outlineRef = static_cast<std::uint16_t>(1 + i % 256);
        page.PolyCurve(Polyline((i * 37) % 900, (i * 53) % 900, 3, 2, 12, a));
    }
    cmx.Page(page);
    std::vector<ColorEntry> colors;
    for (int i = 0; i < 64; ++i)
        colors.push_back(Rgb(static_cast<std::uint8_t>(i * 4), 100, 200));
    cmx.ColorTable(colors);
    std::vector<std::uint16_t> outlines;
    for (int i = 0; i < 256; ++i)
        outlines.push_back(static_cast<std::uint16_t>(1 + i % 64));
    cmx.OutlineTable(outlines);
    const Bytes bytes = cmx.Build();
    FILE* file = std::fopen(argv[2], "wb");
    const bool written =
        file != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (file != nullptr && std::fclose(file) != 0)
        return 1;
    return written ? 0 : 1;
}
