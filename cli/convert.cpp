// vestrel convert: CMX files to job files.
#include "cli/commands.h"
#include "cli/drawing_io.h"

#include "vestrel/cmx/cmxparser.h"

#include "platform/console.h"
#include "platform/filedlg.h"

#include <algorithm>
#include <cstdio>
#include <iostream>

namespace vestrel_cli {

namespace {

// Answers the library's save dialog on the terminal.
class TerminalChooser : public CFileDialogChooser {
public:
    int Choose(CFileDialog&, CString* path) override {
        std::fputs("Job file: ", stderr);
        std::string line;
        if (!std::getline(std::cin, line) || line.empty())
            return IDCANCEL;
        *path = line.c_str();
        return IDOK;
    }
};

// Converts one file; returns true when the job file was written. With ask, the library's save
// dialog asks for the job path.
bool ConvertOne(const std::string& in, std::string out, bool ask = false) {
    // A job path of one character asks for the path in the dialog; a name of one character
    // given on the command line is still a name.
    if (ask)
        out.assign(1, '*');
    else if (out.size() == 1)
        out.insert(0, "./");
    MessageCounter messages;
    CCmxParser parser;
    CString cmxPath(in.c_str());
    CString jobPath(out.c_str());
    try {
        if (parser.ParseCmx6(&cmxPath, &jobPath))
            return true;
    } catch (const CFileException& e) {
        std::fprintf(stderr, "vestrel: %s\n", e.what());
        return false;
    }
    if (messages.count() == 0)
        std::fprintf(stderr, "vestrel: %s: %s\n", in.c_str(),
                     ask ? "no job file chosen" : "not a CMX file, or nothing behind its header");
    return false;
}

// Converts the drawing on the clipboard or on standard input: it is loaded, then written as a
// job file. Returns true when the job file was written.
bool ConvertLoaded(const std::string& input, const std::string& out) {
    MessageCounter messages;
    CCmxParser parser;
    int loaded = 0;
    if (input == kClipboardInput) {
        loaded = parser.LoadCmxFromClipBoard();
    } else {
        std::vector<BYTE> bytes;
        if (!ReadStandardInput(&bytes))
            return false;
        loaded = parser.LoadCmxFromMemory(bytes.data(), static_cast<DWORD>(bytes.size()));
    }
    if (!loaded) {
        std::fprintf(stderr, "vestrel: %s: %s\n", InputName(input).c_str(),
                     input == kClipboardInput ? "no CMX drawing on it"
                                              : "not a CMX file, or nothing behind its header");
        return false;
    }
    try {
        parser.WriteJobFile(out.c_str());
    } catch (const CFileException& e) {
        std::fprintf(stderr, "vestrel: %s\n", e.what());
        return false;
    }
    return true;
}

} // namespace

int Convert(const Args& args) {
    std::vector<std::string> inputs;
    std::string folder;
    bool ask = false;
    bool clipboard = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-o") {
            if (i + 1 >= args.size())
                return UsageError("-o needs a folder");
            folder = args[++i];
        } else if (args[i] == "--ask") {
            ask = true;
        } else if (args[i] == kClipboardInput) {
            clipboard = true;
        } else if (!args[i].empty() && args[i][0] == '-' && args[i] != kStandardInput) {
            return UsageError("convert: unknown option '" + args[i] + "'");
        } else {
            inputs.push_back(args[i]);
        }
    }
    if (clipboard) {
        if (int usage = ClipboardUsage(kClipboardInput))
            return usage;
        if (inputs.size() != 1 || ask || !folder.empty())
            return UsageError("convert --clipboard takes one job file");
        return ConvertLoaded(kClipboardInput, inputs[0]) ? kExitOk : kExitFailed;
    }
    if (inputs.empty())
        return UsageError("convert needs a CMX file");
    if (std::find(inputs.begin(), inputs.end(), kStandardInput) != inputs.end()) {
        if (inputs.size() != 2 || inputs[0] != kStandardInput || ask || !folder.empty())
            return UsageError("convert - takes one job file and reads the drawing from "
                              "standard input");
        return ConvertLoaded(kStandardInput, inputs[1]) ? kExitOk : kExitFailed;
    }
    if (ask) {
        if (inputs.size() != 1 || !folder.empty())
            return UsageError("convert --ask takes one CMX file and no output");
        TerminalChooser chooser;
        CFileDialogChooser* previous = PlatformSetFileDialogChooser(&chooser);
        bool done = ConvertOne(inputs[0], std::string(), true);
        PlatformSetFileDialogChooser(previous);
        return done ? kExitOk : kExitFailed;
    }
    if (folder.empty()) {
        if (inputs.size() > 2)
            return UsageError("convert several files with -o FOLDER");
        std::string out = inputs.size() == 2 ? inputs[1] : WithExtension(inputs[0], ".job");
        return ConvertOne(inputs[0], out) ? kExitOk : kExitFailed;
    }
    const bool progress = PlatformStderrIsTerminal() && inputs.size() > 1;
    int failed = 0;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        if (progress)
            std::fprintf(stderr, "\r\x1b[K[%zu/%zu] %s", i + 1, inputs.size(),
                         BaseName(inputs[i]).c_str());
        std::string out = folder + "/" + WithExtension(BaseName(inputs[i]), ".job");
        if (!ConvertOne(inputs[i], out))
            ++failed;
    }
    if (progress)
        std::fprintf(stderr, "\r\x1b[K%zu converted, %d failed\n", inputs.size() - failed, failed);
    return failed == 0 ? kExitOk : kExitFailed;
}

} // namespace vestrel_cli
