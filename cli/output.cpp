#include "cli/output.h"

#include "cli/commands.h"
#include "cli/drawing_io.h"

#include "platform/cfile.h"
#include "platform/console.h"
#include "platform/paths.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>

namespace vestrel_cli {

bool FlushStandardOutput() {
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return true;
    // The error stays with the stream; it is told once.
    static bool told = false;
    if (!told)
        Say("standard output cannot be written");
    told = true;
    return false;
}

bool WriteOutput(const std::string& path, const std::string& bytes) {
    if (path == kStandardOutput)
        return PlatformWriteStandardOutput(bytes.data(), bytes.size()) && FlushStandardOutput();
    try {
        CFile::WriteWhole(path.c_str(), [&bytes](CFile& file) {
            for (std::size_t at = 0; at < bytes.size();) {
                const auto piece =
                    static_cast<UINT>(std::min<std::size_t>(bytes.size() - at, 1u << 30));
                file.Write(bytes.data() + at, piece);
                at += piece;
            }
        });
        return true;
    } catch (const CFileException& failure) {
        Say(path + ": cannot be written (" + CFileException(failure.m_cause).what() + ")");
    }
    return false;
}

namespace {

// A path spelled one way for comparisons: "." and ".." resolved in its text, and on Windows
// either slash and either case.
std::string PathKey(std::string path) {
#if defined(_WIN32)
    std::replace(path.begin(), path.end(), '\\', '/');
    std::transform(path.begin(), path.end(), path.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
#endif
    return std::filesystem::path(path).lexically_normal().generic_string();
}

} // namespace

bool OutputsAreSafe(const std::vector<OutputPlan>& plans) {
    std::map<std::string, const OutputPlan*> inputs;
    for (const OutputPlan& plan : plans)
        if (IsFileInput(plan.input))
            inputs.emplace(PathKey(plan.input), &plan);
    std::map<std::string, const OutputPlan*> outputs;
    for (const OutputPlan& plan : plans) {
        if (plan.output == kStandardOutput)
            continue;
        const std::string key = PathKey(plan.output);
        const auto input = inputs.find(key);
        if ((input != inputs.end()) ||
            (IsFileInput(plan.input) &&
             PlatformSameFile(plan.input.c_str(), plan.output.c_str()))) {
            Say(plan.output + ": is an input of this run; refused, nothing written");
            return false;
        }
        const auto [other, fresh] = outputs.emplace(key, &plan);
        if (!fresh) {
            Say(plan.output + ": the output of both " + other->second->input + " and " +
                plan.input + "; refused, nothing written");
            return false;
        }
    }
    return true;
}

namespace {

using DrawingRender = std::function<std::string(const CGrDrawset&, const CCmxAppearances*)>;

int WriteRendered(const std::string& command, const Args& args, const char* extension,
                  const DrawingRender& render, bool withAppearance) {
    CommandLine line;
    if (int usage = ParseCommandLine(command, args,
                                     {"--clipboard", "--quiet", "--strict", "--page"}, &line))
        return usage;
    if (line.clipboard)
        line.operands.insert(line.operands.begin(), kClipboardInput);
    if (line.operands.empty() || line.operands.size() > 2)
        return UsageError(command + " takes one CMX or job file, - or --clipboard, and an "
                                    "optional output");
    const std::string& input = line.operands[0];
    if (int usage = ClipboardUsage(input))
        return usage;
    std::string output = line.operands.size() == 2 ? line.operands[1] : kStandardOutput;
    if (line.operands.size() == 1 && extension != nullptr) {
        if (!IsFileInput(input))
            return UsageError(command + " needs an output file to read " + InputName(input));
        output = WithExtension(input, extension);
    }
    if (!OutputsAreSafe({{input, output}}))
        return kExitFailed;
    bool failed = false;
    CCmxAppearances looks;
    DrawingPtr drawing = ReadDrawing(input, line.run, &failed, withAppearance ? &looks : nullptr);
    if (!drawing || !WriteOutput(output, render(*drawing, withAppearance ? &looks : nullptr)))
        return kExitFailed;
    return failed ? kExitFailed : kExitOk;
}

} // namespace

int WriteDrawingAs(const std::string& command, const Args& args, const char* extension,
                   std::string (*render)(const CGrDrawset&)) {
    return WriteRendered(
        command, args, extension,
        [render](const CGrDrawset& drawing, const CCmxAppearances*) { return render(drawing); },
        false);
}

int WriteDrawingAs(const std::string& command, const Args& args, const char* extension,
                   std::string (*render)(const CGrDrawset&, const CCmxAppearances*)) {
    return WriteRendered(command, args, extension, render, true);
}

} // namespace vestrel_cli
