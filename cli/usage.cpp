#include "cli/commands.h"

#include <cstdio>

namespace vestrel_cli {

int UsageError(const std::string& message) {
    std::fprintf(stderr, "vestrel: %s\nTry 'vestrel --help'.\n", message.c_str());
    return kExitUsage;
}

} // namespace vestrel_cli
