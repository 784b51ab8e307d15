// The vestrel command's sub-commands. Each returns the process's exit status: 0 when it did
// what was asked, 1 when it failed (a line on standard error says why), 2 for bad usage.
#pragma once

#include "cli/drawing_io.h"

#include <string>
#include <string_view>
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
// Rasterises the SVG of a drawing into a PNG (where the system has the means).
int Render(const Args& args);
int Thumbnail(const Args& args);
// Has a running automation server export its selection as CMX and converts that (Windows).
int Corel(const Args& args);

// dump and svg: reads the drawing of the command's input (a file, -, or --clipboard) and writes
// render's text to the output named, or by default to the input with the extension (standard
// output when extension is null).
int WriteDrawingAs(const std::string& command, const Args& args, const char* extension,
                   std::string (*render)(const CGrDrawset&));
// The same for a render that draws the objects' appearance, which is then read too.
int WriteDrawingAs(const std::string& command, const Args& args, const char* extension,
                   std::string (*render)(const CGrDrawset&, const CCmxAppearances*));

// Prints a usage error for a command and returns kExitUsage.
int UsageError(const std::string& message);

// The help of a command ("" for the command as a whole); null for a command that does not exist.
const char* CommandHelp(const std::string& command);

// A command's arguments: its operands in order, and its options.
struct CommandLine {
    std::vector<std::string> operands;
    std::string folder;     // -o FOLDER
    bool recursive = false; // -r
    bool ask = false;       // --ask
    bool clipboard = false; // --clipboard
    RunOptions run;         // --quiet, --strict, --page
};

// Parses args for command, which takes the options in allowed ("-o", "-r", "--ask",
// "--clipboard", "--quiet", "--strict", "--page"; "--page all" only for convert). "-" is an
// operand; "--" ends the options. Returns 0, or the usage error's status.
int ParseCommandLine(const std::string& command, const Args& args,
                     std::initializer_list<std::string_view> allowed, CommandLine* line);

} // namespace vestrel_cli
