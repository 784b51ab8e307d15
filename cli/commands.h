// The vestrel command's sub-commands. Each returns the process's exit status: 0 when it did
// what was asked, 1 when it failed (the library's message or a line on standard error says
// why), 2 for bad usage.
#pragma once

#include <string>
#include <vector>

namespace vestrel_cli {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

using Args = std::vector<std::string>;

int Info(const Args& args);
int Convert(const Args& args);
int Dump(const Args& args);
int Svg(const Args& args);
int Thumbnail(const Args& args);
// Has a running automation server export its selection as CMX and converts that (Windows).
int Corel(const Args& args);

// Prints a usage error for a command and returns kExitUsage.
int UsageError(const std::string& message);

} // namespace vestrel_cli
