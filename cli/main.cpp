// vestrel: converts and inspects CMX drawings.
#include "cli/commands.h"
#include "cli/output.h"

#include "vestrel/frame/vestrel.h"

#include <cstdio>

namespace {

int Run(const std::string& command, const vestrel_cli::Args& args) {
    using namespace vestrel_cli;
    if (command == "-h" || command == "--help" || command == "help") {
        std::fputs(CommandHelp(""), stdout);
        return kExitOk;
    }
    if (command == "--version") {
        std::puts("vestrel " VESTREL_VERSION);
        return kExitOk;
    }
    for (const std::string& arg : args) {
        if (arg == "--")
            break;
        if (arg == "-h" || arg == "--help") {
            const char* help = CommandHelp(command);
            std::fputs(help != nullptr ? help : CommandHelp(""), stdout);
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
    if (command == "render")
        return Render(args);
    if (command == "corel")
        return Corel(args);
    return UsageError("unknown command '" + command + "'");
}

} // namespace

int main(int argc, char** argv) {
    using namespace vestrel_cli;
    if (argc < 2)
        return UsageError("no command given");
    const int status = Run(argv[1], Args(argv + 2, argv + argc));
    // What stands in standard output's buffer must still reach it, or the run failed.
    if (!FlushStandardOutput())
        return status == kExitOk ? kExitFailed : status;
    return status;
}
