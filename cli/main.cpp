// vestrel: converts and inspects CMX drawings.
#include "cli/commands.h"

#include "vestrel/frame/vestrel.h"

#include <cstdio>
#include <cstring>

namespace {

const char kUsage[] =
    "Usage: vestrel COMMAND [ARGUMENTS]\n"
    "\n"
    "Imports CMX drawings (Corel Presentation Exchange) and writes them as job files.\n"
    "\n"
    "Commands:\n"
    "  convert IN.cmx [OUT.job]     convert one drawing (default: IN with the extension .job)\n"
    "  convert IN.cmx... -o DIR     convert several drawings into DIR\n"
    "  convert --ask IN.cmx         convert one drawing, asking for the job file's name\n"
    "  convert --clipboard OUT.job  convert the drawing on the clipboard (Windows)\n"
    "  info FILE.cmx                show the header, the chunks and the instructions\n"
    "  dump FILE                    print a CMX or job file's drawing as JSON\n"
    "  svg IN [OUT.svg]             draw a CMX or job file's drawing as SVG\n"
    "  thumbnail IN.cmx [OUT.png]   write a CMX file's thumbnail as a 128 x 128 PNG\n"
    "\n"
    "A file named - is standard input (then OUT is needed); dump and svg read the drawing on\n"
    "the clipboard with --clipboard in its place (Windows).\n"
    "\n"
    "Options:\n"
    "  -h, --help                   show this help\n"
    "  --version                    show the version\n"
    "\n"
    "Exit status: 0 on success, 1 when a file could not be read or written, 2 for bad usage.\n";

} // namespace

int main(int argc, char** argv) {
    using namespace vestrel_cli;
    if (argc < 2)
        return UsageError("no command given");
    const std::string command = argv[1];
    if (command == "-h" || command == "--help" || command == "help") {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }
    if (command == "--version") {
        std::puts("vestrel " VESTREL_VERSION);
        return kExitOk;
    }
    Args args(argv + 2, argv + argc);
    for (const std::string& arg : args) {
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return kExitOk;
        }
    }
    // The library's messages, in German, come from its string table through the resource
    // chain, which the host joins it to.
    InitVestrelDLL();
    if (command == "info")
        return Info(args);
    if (command == "convert")
        return Convert(args);
    if (command == "dump")
        return Dump(args);
    if (command == "svg")
        return Svg(args);
    if (command == "thumbnail")
        return Thumbnail(args);
    return UsageError("unknown command '" + command + "'");
}
