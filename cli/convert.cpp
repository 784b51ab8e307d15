// vestrel convert: CMX files to job files.
#include "cli/commands.h"
#include "cli/drawing_io.h"
#include "cli/output.h"

#include "vestrel/cmx/cmxparser.h"
#include "vestrel/corelclient/corelclient.h"

#include "platform/console.h"
#include "platform/filedlg.h"
#include "platform/oledisp.h"
#include "platform/paths.h"
#include "platform/process.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <iostream>

namespace vestrel_cli {

namespace {

// Answers the library's save dialog on the terminal. An answer that names the drawing itself is
// refused like an empty one.
class TerminalChooser : public CFileDialogChooser {
public:
    explicit TerminalChooser(const std::string& input) : input_(input) {}
    int Choose(CFileDialog&, CString* path) override {
        std::fputs("Job file: ", stderr);
        std::string line;
        if (!std::getline(std::cin, line) || line.empty())
            return IDCANCEL;
        if (!OutputsAreSafe({{input_, line}})) {
            refused = true;
            return IDCANCEL;
        }
        chosen = line;
        *path = line.c_str();
        return IDOK;
    }
    std::string chosen;
    bool refused = false;

private:
    std::string input_;
};

bool EndsWithCmx(const std::string& path) {
    if (path.size() < 4)
        return false;
    std::string end = path.substr(path.size() - 4);
    std::transform(end.begin(), end.end(), end.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return end == ".cmx";
}

// A job file named like a drawing would most likely replace one: `convert a.cmx b.cmx` meant
// two drawings.
int JobNamedCmx(const std::string& output) {
    if (!EndsWithCmx(output))
        return 0;
    return UsageError("convert: the job file " + output +
                      " would be named like a drawing; convert several files with -o FOLDER");
}

// The objects of the job file at path; -1 when it cannot be read back.
long JobObjects(const std::string& path) {
    try {
        DrawingPtr job(CGrDrawset::ReadJobFile(path.c_str()));
        return static_cast<long>(job->GetCount());
    } catch (const CFileException&) {
        return -1;
    }
}

// Converts one file through the library's one-call conversion; true when it converted whole.
// With a chooser the library's save dialog asks for the job path.
bool ConvertOne(const std::string& in, std::string out, const RunOptions& options,
                TerminalChooser* chooser = nullptr) {
    // A job path of one character asks for the path in the dialog; a name of one character
    // given on the command line is still a name.
    if (chooser != nullptr)
        out.assign(1, '*');
    else if (out.size() == 1)
        out.insert(0, "./");
    MessageCounter messages;
    CCmxParser parser;
    parser.SetPage(options.page);
    CString cmxPath(in.c_str());
    CString jobPath(out.c_str());
    int written = 0;
    try {
        written = parser.ParseCmx6(&cmxPath, &jobPath);
    } catch (const CFileException& e) {
        messages.Tell(in);
        Say(e.what());
        return false;
    }
    const CCmxStopRecord& stop = parser.GetStopRecord();
    if (!written) {
        messages.Tell(in);
        if (chooser != nullptr && chooser->refused)
            return false;
        if (stop.reason == CmxStop::cancelled)
            Say(in + ": no job file chosen");
        else if (stop.reason != CmxStop::noFile)
            Say(in + ": " + NothingLoaded(stop) + "; no job written");
        return false;
    }
    if (chooser != nullptr)
        out = chooser->chosen;
    // The conversion keeps no drawing; where the verdict needs its object count, the job tells.
    const long objects = NeedsObjectCount(messages, stop) ? JobObjects(out) : -1;
    return !ReportLoad(in, messages, stop, objects, "job written", options);
}

std::string Parent(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// The job of one page of a run that converts every page: NAME-pN with the job's extension.
std::string PageJob(const std::string& job, unsigned long page) {
    const std::size_t slash = job.find_last_of("/\\");
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::size_t dot = job.find_last_of('.');
    if (dot == std::string::npos || dot <= nameStart)
        dot = job.size();
    return job.substr(0, dot) + "-p" + std::to_string(page) + job.substr(dot);
}

// Converts one page of the drawing on the clipboard or of the bytes read from standard input:
// it is loaded, then written as a job file. Returns true when it converted whole; pages, when
// given, receives the drawing's page count.
bool ConvertLoadedPage(const std::string& input, const std::vector<BYTE>& bytes,
                       const std::string& out, const RunOptions& options,
                       unsigned long* pages = nullptr) {
    MessageCounter messages;
    CCmxParser parser;
    parser.SetPage(options.page);
    const int loaded =
        input == kClipboardInput
            ? parser.LoadCmxFromClipBoard()
            : parser.LoadCmxFromMemory(bytes.data(), static_cast<DWORD>(bytes.size()));
    const std::string name = InputName(input);
    const CCmxStopRecord& stop = parser.GetStopRecord();
    if (pages != nullptr)
        *pages = stop.pages;
    if (!loaded) {
        messages.Tell(name);
        Say(name + ": " +
            (input == kClipboardInput && stop.reason != CmxStop::noSuchPage
                 ? std::string("no CMX drawing on it")
                 : NothingLoaded(stop)));
        return false;
    }
    const long objects = static_cast<long>(parser.GetDrawing()->GetCount());
    try {
        parser.WriteJobFile(out.c_str());
    } catch (const CFileException& e) {
        messages.Tell(name);
        Say(e.what());
        return false;
    }
    return !ReportLoad(name, messages, stop, objects, "job written", options);
}

// The drawing on the clipboard or on standard input, one page or, with --page all, every page
// into NAME-pN.job. Returns true when everything converted whole.
bool ConvertLoaded(const std::string& input, const std::string& out, const RunOptions& options) {
    std::vector<BYTE> bytes;
    if (input != kClipboardInput && !ReadStandardInput(&bytes))
        return false;
    if (!options.allPages)
        return ConvertLoadedPage(input, bytes, out, options);
    RunOptions each = options;
    each.page = 1;
    unsigned long pages = 0;
    bool whole = ConvertLoadedPage(input, bytes, PageJob(out, 1), each, &pages);
    for (unsigned long page = 2; page <= pages; ++page) {
        each.page = page;
        whole = ConvertLoadedPage(input, bytes, PageJob(out, page), each) && whole;
    }
    return whole;
}

// With --page all, each plan becomes one per page of its drawing, page N into NAME-pN.job; a
// drawing whose pages cannot be counted keeps one plan for page 1, whose conversion tells why.
std::vector<unsigned long> PagePlans(std::vector<OutputPlan>* plans, const RunOptions& options) {
    std::vector<unsigned long> pages;
    if (!options.allPages) {
        pages.assign(plans->size(), options.page);
        return pages;
    }
    std::vector<OutputPlan> expanded;
    for (const OutputPlan& plan : *plans) {
        CCmxParser counter;
        const long count = std::max(counter.CountCmx6Pages(plan.input.c_str()), 1L);
        for (long page = 1; page <= count; ++page) {
            expanded.push_back(
                {plan.input, PageJob(plan.output, static_cast<unsigned long>(page))});
            pages.push_back(static_cast<unsigned long>(page));
        }
    }
    *plans = std::move(expanded);
    return pages;
}

// Converts the planned drawings, each page as planned; false when one did not convert whole.
std::size_t ConvertPlans(const std::vector<OutputPlan>& plans,
                         const std::vector<unsigned long>& pages, const CommandLine& line) {
    const bool progress = !line.run.quiet && PlatformStderrIsTerminal() && plans.size() > 1;
    std::size_t failed = 0;
    for (std::size_t i = 0; i < plans.size(); ++i) {
        const OutputPlan& plan = plans[i];
        if (progress) {
            char count[48];
            std::snprintf(count, sizeof count, "[%zu/%zu] ", i + 1, plans.size());
            ShowProgress(count + BaseName(plan.input));
        }
        // The jobs of drawings in folders below a folder keep their places below the output.
        const std::string parent = Parent(plan.output);
        if (!line.folder.empty() && !parent.empty() && !PlatformCreateFolders(parent.c_str())) {
            Say(parent + ": the folder cannot be created");
            ++failed;
            continue;
        }
        RunOptions run = line.run;
        run.page = pages[i];
        if (!ConvertOne(plan.input, plan.output, run))
            ++failed;
    }
    return failed;
}

std::string Join(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '/' || folder.back() == '\\')
        return folder + name;
    return folder + "/" + name;
}

// Adds the *.cmx files of folder (and, when recursive, of the folders below it) to found, each
// with its path below the folder. False, having said so, when a folder cannot be read.
bool FindDrawings(const std::string& folder, const std::string& below, bool recursive,
                  std::vector<std::pair<std::string, std::string>>* found) {
    const std::string path = Join(folder, below);
    std::vector<PlatformFolderEntry> entries;
    if (!PlatformListFolder(path.c_str(), &entries)) {
        Say(path + ": the folder cannot be read");
        return false;
    }
    bool read = true;
    for (const PlatformFolderEntry& entry : entries) {
        const std::string name = below + entry.name;
        if (entry.folder) {
            if (recursive)
                read = FindDrawings(folder, name + "/", true, found) && read;
        } else if (EndsWithCmx(entry.name)) {
            found->emplace_back(Join(folder, name), name);
        }
    }
    return read;
}

// Converts drawings and folders of drawings, each into its own job file: into the output folder
// when there is one, else beside the drawing.
int ConvertMany(const CommandLine& line) {
    std::vector<OutputPlan> plans;
    bool complete = true;
    for (const std::string& operand : line.operands) {
        if (operand == kStandardInput)
            return UsageError("convert - takes one job file and reads the drawing from standard "
                              "input");
        if (PlatformGetPathKind(operand.c_str()) != PlatformPathKind::folder) {
            plans.push_back(
                {operand, line.folder.empty()
                              ? WithExtension(operand, ".job")
                              : Join(line.folder, WithExtension(BaseName(operand), ".job"))});
            continue;
        }
        std::vector<std::pair<std::string, std::string>> found;
        complete = FindDrawings(operand, "", line.recursive, &found) && complete;
        if (found.empty()) {
            Say(operand + (line.recursive ? ": no *.cmx files in the folder or below it"
                                          : ": no *.cmx files in the folder"));
            complete = false;
        }
        for (const auto& [path, below] : found)
            plans.push_back({path, line.folder.empty()
                                       ? WithExtension(path, ".job")
                                       : Join(line.folder, WithExtension(below, ".job"))});
    }
    const std::vector<unsigned long> pages = PagePlans(&plans, line.run);
    if (!OutputsAreSafe(plans))
        return kExitFailed;
    if (!line.folder.empty() && !PlatformCreateFolders(line.folder.c_str())) {
        Say(line.folder + ": the folder cannot be created");
        return kExitFailed;
    }
    const std::size_t failed = ConvertPlans(plans, pages, line);
    if (!line.run.quiet)
        Say(std::to_string(plans.size() - failed) + " converted, " + std::to_string(failed) +
            " failed");
    return failed == 0 && complete ? kExitOk : kExitFailed;
}

} // namespace

int Convert(const Args& args) {
    CommandLine line;
    if (int usage = ParseCommandLine(
            "convert", args, {"-o", "-r", "--ask", "--clipboard", "--quiet", "--strict", "--page"},
            &line))
        return usage;
    const Args& operands = line.operands;
    if (line.clipboard) {
        if (int usage = ClipboardUsage(kClipboardInput))
            return usage;
        if (operands.size() != 1 || line.ask || !line.folder.empty())
            return UsageError("convert --clipboard takes one job file");
        if (int usage = JobNamedCmx(operands[0]))
            return usage;
        return ConvertLoaded(kClipboardInput, operands[0], line.run) ? kExitOk : kExitFailed;
    }
    if (operands.empty())
        return UsageError("convert needs a CMX file");
    if (operands[0] == kStandardInput) {
        if (operands.size() != 2 || line.ask || !line.folder.empty() ||
            operands[1] == kStandardInput)
            return UsageError("convert - takes one job file and reads the drawing from "
                              "standard input");
        if (int usage = JobNamedCmx(operands[1]))
            return usage;
        return ConvertLoaded(kStandardInput, operands[1], line.run) ? kExitOk : kExitFailed;
    }
    const bool folderInput = PlatformGetPathKind(operands[0].c_str()) == PlatformPathKind::folder;
    if (line.ask) {
        if (operands.size() != 1 || !line.folder.empty() || folderInput)
            return UsageError("convert --ask takes one CMX file and no output");
        if (line.run.allPages)
            return UsageError("convert --ask asks for one job file; --page all names its own");
        TerminalChooser chooser(operands[0]);
        CFileDialogChooser* previous = PlatformSetFileDialogChooser(&chooser);
        const bool done = ConvertOne(operands[0], std::string(), line.run, &chooser);
        PlatformSetFileDialogChooser(previous);
        return done ? kExitOk : kExitFailed;
    }
    if (!line.folder.empty() || folderInput || operands.size() > 2) {
        if (line.folder.empty() && operands.size() > 1)
            return UsageError("convert several files or folders with -o FOLDER");
        return ConvertMany(line);
    }
    const std::string out = operands.size() == 2 ? operands[1] : WithExtension(operands[0], ".job");
    if (!OutputsAreSafe({{operands[0], out}}))
        return kExitFailed;
    if (operands.size() == 2) {
        if (PlatformGetPathKind(out.c_str()) == PlatformPathKind::folder)
            return UsageError("convert: " + out + " is a folder; write into it with -o " + out);
        if (int usage = JobNamedCmx(out))
            return usage;
    }
    std::vector<OutputPlan> plans = {{operands[0], out}};
    const std::vector<unsigned long> pages = PagePlans(&plans, line.run);
    if (!OutputsAreSafe(plans))
        return kExitFailed;
    return ConvertPlans(plans, pages, line) == 0 ? kExitOk : kExitFailed;
}

int Corel(const Args& args) {
    if (args.size() != 2)
        return UsageError("corel takes a program identifier and one job file");
    if (!AfxOleInit())
        return UsageError("corel drives a running CorelDRAW through COM, which only Windows has");
    const std::string& progId = args[0];
    LPDISPATCH dispatch = nullptr;
    const HRESULT hr = PlatformGetActiveDispatch(progId.c_str(), &dispatch);
    if (FAILED(hr)) {
        std::fprintf(stderr, "vestrel: no running automation server for %s (0x%08lX)\n",
                     progId.c_str(), static_cast<unsigned long>(static_cast<ULONG>(hr)));
        return kExitFailed;
    }
    // The server exports into a file of its own beside the other temporary files; the
    // conversion reads it from there.
    std::error_code error;
    const std::string cmx = (std::filesystem::temp_directory_path(error) /
                             ("vestrel-corel-" + std::to_string(PlatformProcessId()) + ".cmx"))
                                .string();
    IDrawAutomate automate(dispatch);
    CCorelOleClient client(&automate);
    bool converted = false;
    try {
        if (client.DoExportCmx(cmx.c_str(), "", 0) == 1)
            std::fprintf(stderr, "vestrel: %s: nothing to export\n", progId.c_str());
        else
            converted = ConvertOne(cmx, args[1], RunOptions{});
    } catch (const CException& e) {
        std::fprintf(stderr, "vestrel: %s: %s\n", progId.c_str(), e.what());
    }
    std::filesystem::remove(cmx, error);
    return converted ? kExitOk : kExitFailed;
}

} // namespace vestrel_cli
