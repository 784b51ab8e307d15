// A C++ host built with the library's own toolchain: it uses the exported classes and catches
// a file exception that the platform raises, passing through the drawset and vestrel DLLs.
//
//   host-exception CMX
#include "vestrel/frame/vestrel.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::printf("usage: host-exception CMX\n");
        return 2;
    }
    InitVestrelDLL();
    CCmxParser parser;
    if (LoadCmx6File(argv[1]) != 1 || parser.LoadCmx6File(argv[1]) != 1) {
        std::printf("host-exception: %s does not load\n", argv[1]);
        return 1;
    }
    int caught = 0;
    for (int road = 0; road < 2; ++road) {
        try {
            const char* job = "no-such-folder/drawing.job";
            if (road == 0)
                WriteJobFile(job);
            else
                parser.WriteJobFile(job);
            std::printf("host-exception: a job was written where none can be\n");
        } catch (const CFileException& e) {
            std::printf("host-exception: caught from %s: cause %d, %s\n",
                        road == 0 ? "WriteJobFile" : "CCmxParser::WriteJobFile", e.m_cause,
                        e.what());
            ++caught;
        }
    }
    return caught == 2 ? 0 : 1;
}
