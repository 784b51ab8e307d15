// Loads the CMX file named by its argument and prints the drawing's object count.
#include "vestrel/cmx/cmxparser.h"
#include "vestrel/frame/vestrel.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    InitVestrelDLL();
    CCmxParser parser;
    if (!parser.LoadCmx6File(argv[1]))
        return 1;
    std::printf("objects: %d\n", static_cast<int>(parser.GetDrawing()->GetCount()));
    return 0;
}
