// vestrel info: what the reader sees in a CMX file.
#include "cli/commands.h"
#include "cli/drawing_io.h"

#include "vestrel/cmx/cmxparser.h"
#include "vestrel/cmx/instructions.h"

#include <cstdio>
#include <string>

namespace vestrel_cli {

namespace {

std::string Printable(char c) {
    if (c >= 0x20 && c < 0x7F)
        return std::string("'") + c + "'";
    char code[8];
    std::snprintf(code, sizeof code, "0x%02X", static_cast<unsigned char>(c));
    return code;
}

} // namespace

int Info(const Args& options) {
    CommandLine line;
    if (int usage = ParseCommandLine("info", options, {}, &line))
        return usage;
    const Args& args = line.operands;
    if (args.size() != 1)
        return UsageError("info takes one CMX file, or - for standard input");
    if (!NotAFolder(args[0]))
        return kExitFailed;
    MessageCounter messages;
    CCmxParser parser;
    CCmxFileInfo info;
    std::vector<BYTE> bytes;
    const bool standardInput = args[0] == kStandardInput;
    if (standardInput && !ReadStandardInput(&bytes))
        return kExitFailed;
    const int read = standardInput ? parser.InspectCmxImage(bytes.data(),
                                                            static_cast<DWORD>(bytes.size()), &info)
                                   : parser.InspectCmx6File(args[0].c_str(), &info);
    const std::string name = InputName(args[0]);
    // The library's messages go to standard error; the record below says what they were about.
    messages.Tell(name);
    if (!read) {
        if (info.opened)
            Say(name + ": " + CmxStopText(info.stop.reason));
        return kExitFailed;
    }
    const CCmxHeader& h = info.header;
    std::printf("file:          %s\n", name.c_str());
    std::printf("byte order:    %s (%s)\n",
                h.GetByteOrderChar() == '2' ? "little-endian" : "big-endian",
                Printable(h.GetByteOrderChar()).c_str());
    std::printf("coordinates:   %s (%s)\n", h.GetCoordSizeChar() == '2' ? "16-bit" : "32-bit",
                Printable(h.GetCoordSizeChar()).c_str());
    std::printf("version:       %s (%s)\n", Printable(h.GetVersionChar()).c_str(),
                h.GetVersionChar() == '2' ? "tagged operands" : "untagged operands");
    std::printf("scale factor:  %.17g (coordinate scale %.17g)\n", h.GetScaleFactor(),
                h.GetScaleFactor() * 100000.0);
    std::printf("bounding box:  left %ld, top %ld, right %ld, bottom %ld\n",
                static_cast<long>(h.GetBoundLeft()), static_cast<long>(h.GetBoundTop()),
                static_cast<long>(h.GetBoundRight()), static_cast<long>(h.GetBoundBottom()));
    const CCmxStopRecord& stop = info.stop;
    std::printf("body:          %lu bytes%s\n", static_cast<unsigned long>(info.bodySize),
                stop.compressed ? ", stored compressed" : "");
    std::printf("pages: %lu\n", stop.pages);
    std::printf("chunks (first occurrence, file offset):\n");
    for (int i = 0; i < info.chunkCount; ++i) {
        if (info.chunks[i].offset < 0)
            std::printf("  %-4s  not found\n", info.chunks[i].id);
        else
            std::printf("  %-4s  %ld\n", info.chunks[i].id, info.chunks[i].offset);
    }
    std::printf("instructions (code, count):\n");
    for (const auto& [code, count] : info.instructions) {
        const char* known = vestrel_cmx::InstructionName(code);
        std::string what = known != nullptr ? known : "";
        if (stop.passedOver.count(code) != 0)
            what += what.empty() ? "passed over" : ", passed over";
        std::printf("  %6d  %8lu  %s\n", code, count, what.c_str());
    }
    if (stop.Complete()) {
        std::printf("page walk:     complete\n");
    } else if (stop.instruction != 0) {
        std::printf("page walk:     stopped at instruction %lu (code %d, file offset %lu): %s\n",
                    stop.instruction, stop.code, static_cast<unsigned long>(stop.offset),
                    CmxStopText(stop.reason));
    } else {
        std::printf("page walk:     %s\n", CmxStopText(stop.reason));
    }
    if (stop.imagesRefused > 0)
        std::printf("images left out: %lu, the drawing's images passing the memory guard\n",
                    stop.imagesRefused);
    if (stop.shapesWithoutOutlineTable > 0)
        std::printf("no outline table: %lu shapes without fill take colour reference 0\n",
                    stop.shapesWithoutOutlineTable);
    const char* const thumbnails[] = {"none", "palette", "true colour, given a palette",
                                      "damaged, none"};
    std::printf("thumbnail:     %s\n", thumbnails[static_cast<int>(stop.thumbnail)]);
    std::printf("objects:       %d\n", info.objectCount);
    return kExitOk;
}

} // namespace vestrel_cli
