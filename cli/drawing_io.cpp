#include "cli/drawing_io.h"

#include "cli/commands.h"

#include "vestrel/cmx/cmxparser.h"

#include "platform/console.h"
#include "platform/paths.h"

#include <algorithm>
#include <cstdio>

namespace vestrel_cli {

namespace {

// Whether a progress line stands on the terminal, to be cleared before the next line.
bool progressShowing = false;

void ClearProgress() {
    if (progressShowing)
        std::fputs("\r\x1b[K", stderr);
    progressShowing = false;
}

// The library's messages in a few English words, by the start of their German text.
const char* Gloss(const std::string& text) {
    static const struct {
        const char* start;
        const char* gloss;
    } kGlosses[] = {
        {"Die CMX - Datei kann nicht", "cannot be opened"},
        {"Fehlerhafte CMX-Datei", "a damaged CMX file"},
        {"Unerwarteter oder unvollst", "an unexpected or incomplete instruction"},
        {"Keine Outline-Informationen", "no outline table: damaged"},
        {"Keine Bildsektion", "no image section"},
        {"Keine Vorschau", "no preview"},
    };
    for (const auto& g : kGlosses)
        if (text.find(g.start) != std::string::npos)
            return g.gloss;
    return nullptr;
}

std::string CodeList(const std::map<int, unsigned long>& codes) {
    std::string list;
    for (const auto& [code, count] : codes) {
        list += (list.empty() ? "" : ", ") + std::to_string(code);
        if (count > 1)
            list += " (" + std::to_string(count) + " times)";
    }
    return list;
}

std::string WhereItStopped(const CCmxStopRecord& stop) {
    if (stop.instruction == 0)
        return CmxStopText(stop.reason);
    return "the page walk stopped at instruction " + std::to_string(stop.instruction) + " (code " +
           std::to_string(stop.code) + ", file offset " +
           std::to_string(static_cast<unsigned long>(stop.offset)) +
           "): " + CmxStopText(stop.reason);
}

} // namespace

MessageCounter::MessageCounter() : previous_(PlatformSetMessageBoxSink(this)) {}

MessageCounter::~MessageCounter() {
    PlatformSetMessageBoxSink(previous_);
}

int MessageCounter::Show(HWND, const char* text, const char* caption, UINT) {
    std::string line = PlatformAnsiToUtf8(caption) + " " + PlatformAnsiToUtf8(text);
    line.erase(line.find_last_not_of(' ') + 1);
    messages_.push_back(line);
    return IDOK;
}

void MessageCounter::Tell(const std::string& name) const {
    for (const std::string& message : messages_) {
        const char* gloss = Gloss(message);
        Say(name + ": " + message + (gloss != nullptr ? std::string(" (") + gloss + ")" : ""));
    }
}

void Say(const std::string& line) {
    ClearProgress();
    std::fprintf(stderr, "vestrel: %s\n", line.c_str());
}

void ShowProgress(const std::string& text) {
    std::fprintf(stderr, "\r\x1b[K%s", text.c_str());
    progressShowing = true;
}

bool NeedsObjectCount(const MessageCounter& messages, const CCmxStopRecord& stop) {
    return messages.count() > 0 || !stop.Complete() || stop.imagesRefused > 0 ||
           !stop.passedOver.empty();
}

bool ReportLoad(const std::string& name, const MessageCounter& messages, const CCmxStopRecord& stop,
                long objects, const char* written, const RunOptions& options) {
    messages.Tell(name);
    std::vector<std::string> failures;
    std::vector<std::string> warnings;
    if (!stop.Complete())
        failures.push_back(WhereItStopped(stop));
    else if (messages.count() > 0)
        failures.push_back("the library reported damage");
    if (stop.imagesRefused > 0)
        failures.push_back(std::to_string(stop.imagesRefused) +
                           " images left out, the drawing's images passing the memory guard");
    if (!stop.passedOver.empty()) {
        // Instructions passed over are common and no loss by themselves; they are told where
        // they leave the drawing empty, or where the run is strict.
        const std::string codes = CodeList(stop.passedOver);
        if (objects == 0)
            failures.push_back("the drawing is empty: the reader passes over its instructions "
                               "(codes " +
                               codes + ")");
        else if (options.strict)
            failures.push_back("instructions passed over (codes " + codes + ")");
    }
    if (stop.thumbnail == CmxThumbnail::damaged)
        (options.strict ? failures : warnings).push_back("the thumbnail is damaged and left out");
    if (!options.allPages && stop.pages > 1)
        (options.strict ? failures : warnings)
            .push_back("the file has " + std::to_string(stop.pages) + " pages; page" +
                       (stop.pages > 2 ? "s " : " ") + OtherPages(stop.page, stop.pages) +
                       " left out (--page N reads another)");
    if (!options.quiet)
        for (const std::string& warning : warnings)
            Say(name + ": warning: " + warning);
    if (failures.empty())
        return false;
    std::string line = name + ": failed: ";
    for (std::size_t i = 0; i < failures.size(); ++i)
        line += (i ? "; " : "") + failures[i];
    if (objects >= 0)
        line += "; " + std::to_string(objects) + (objects == 1 ? " object" : " objects") + " kept";
    if (written != nullptr)
        line += std::string(", ") + written;
    Say(line);
    return true;
}

std::string InputName(const std::string& input) {
    if (input == kStandardInput)
        return "standard input";
    if (input == kClipboardInput)
        return "the clipboard";
    return input;
}

bool IsFileInput(const std::string& input) {
    return input != kStandardInput && input != kClipboardInput;
}

int ClipboardUsage(const std::string& input) {
#if defined(_WIN32)
    (void)input;
#else
    if (input == kClipboardInput)
        return UsageError("--clipboard reads the Windows clipboard; this system has none");
#endif
    return 0;
}

bool NotAFolder(const std::string& input) {
    if (!IsFileInput(input) || PlatformGetPathKind(input.c_str()) != PlatformPathKind::folder)
        return true;
    Say(input + ": a folder; vestrel convert takes folders of drawings");
    return false;
}

bool ReadStandardInput(std::vector<BYTE>* bytes) {
    if (PlatformReadStandardInput(bytes) && bytes->size() <= 0xFFFFFFFFu)
        return true;
    Say("standard input cannot be read");
    return false;
}

namespace {

// A job file, from a path or from bytes: the fallback for what the CMX reader refused.
DrawingPtr ReadJob(const std::string& input, const std::vector<BYTE>* bytes) {
    try {
        if (bytes != nullptr)
            return DrawingPtr(
                CGrDrawset::ReadJobData(bytes->data(), static_cast<unsigned long>(bytes->size())));
        return DrawingPtr(CGrDrawset::ReadJobFile(input.c_str()));
    } catch (const CFileException& e) {
        Say(bytes != nullptr ? std::string("standard input: ") + e.what() : e.what());
    }
    return nullptr;
}

} // namespace

DrawingPtr ReadDrawing(const std::string& input, const RunOptions& options, bool* failed,
                       CCmxAppearances* looks) {
    *failed = false;
    if (!NotAFolder(input))
        return nullptr;
    MessageCounter messages;
    CCmxParser parser;
    parser.SetPage(options.page);
    parser.SetReadAppearance(looks != nullptr);
    std::vector<BYTE> bytes;
    int loaded = 0;
    if (input == kClipboardInput) {
        loaded = parser.LoadCmxFromClipBoard();
    } else if (input == kStandardInput) {
        if (!ReadStandardInput(&bytes))
            return nullptr;
        loaded = parser.LoadCmxFromMemory(bytes.data(), static_cast<DWORD>(bytes.size()));
    } else {
        loaded = parser.LoadCmx6File(input.c_str());
    }

    const std::string name = InputName(input);
    const CCmxStopRecord& stop = parser.GetStopRecord();
    if (loaded) {
        DrawingPtr drawing(parser.DetachDrawing());
        if (looks != nullptr)
            parser.TakeAppearances(looks);
        *failed = ReportLoad(name, messages, stop, static_cast<long>(drawing->GetCount()), nullptr,
                             options);
        return drawing;
    }
    messages.Tell(name);
    if (stop.reason == CmxStop::noSuchPage) {
        Say(name + ": " + NothingLoaded(stop));
        return nullptr;
    }
    if (input == kClipboardInput) {
        Say("the clipboard holds no CMX drawing");
        return nullptr;
    }
    // Bytes without a CMX header may be a job file; for the rest the stop record says why,
    // beside the library's message for a file that cannot be opened.
    if (stop.reason == CmxStop::noHeader) {
        DrawingPtr job = ReadJob(input, input == kStandardInput ? &bytes : nullptr);
        if (job != nullptr && options.page > 1) {
            Say(name + ": no page " + std::to_string(options.page) + ": a job file holds one");
            return nullptr;
        }
        return job;
    }
    if (stop.reason != CmxStop::noFile)
        Say(name + ": " + CmxStopText(stop.reason));
    return nullptr;
}

std::string NothingLoaded(const CCmxStopRecord& stop) {
    if (stop.reason != CmxStop::noSuchPage)
        return CmxStopText(stop.reason);
    return "no page " + std::to_string(stop.page) + ": the file has " + std::to_string(stop.pages) +
           (stop.pages == 1 ? " page" : " pages");
}

std::string OtherPages(unsigned long page, unsigned long count) {
    // Runs of pages: the one before the page read, the one behind it.
    auto run = [](unsigned long first, unsigned long last) {
        if (first == last)
            return std::to_string(first);
        return std::to_string(first) + (last == first + 1 ? " and " : " to ") +
               std::to_string(last);
    };
    std::string text;
    if (page > 1)
        text = run(1, std::min(page - 1, count));
    if (page < count)
        text += (text.empty() ? "" : " and ") + run(page + 1, count);
    return text;
}

std::string WithExtension(const std::string& path, const std::string& extension) {
    std::size_t slash = path.find_last_of("/\\");
    std::size_t dot = path.find_last_of('.');
    std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    if (dot == std::string::npos || dot < nameStart || dot == nameStart)
        return path + extension;
    return path.substr(0, dot) + extension;
}

std::string BaseName(const std::string& path) {
    std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace vestrel_cli
