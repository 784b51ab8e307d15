#include "cli/drawing_io.h"

#include "cli/commands.h"

#include "vestrel/cmx/cmxparser.h"

#include "platform/console.h"

#include <cstdio>

namespace vestrel_cli {

MessageCounter::MessageCounter() : previous_(PlatformSetMessageBoxSink(this)) {}

MessageCounter::~MessageCounter() {
    PlatformSetMessageBoxSink(previous_);
}

int MessageCounter::Show(HWND, const char* text, const char* caption, UINT) {
    ++count_;
    std::string line = PlatformAnsiToUtf8(caption) + " " + PlatformAnsiToUtf8(text) + "\n";
    std::fputs(line.c_str(), stderr);
    return IDOK;
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

bool ReadStandardInput(std::vector<BYTE>* bytes) {
    if (PlatformReadStandardInput(bytes) && bytes->size() <= 0xFFFFFFFFu)
        return true;
    std::fprintf(stderr, "vestrel: standard input cannot be read\n");
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
        if (bytes != nullptr)
            std::fprintf(stderr, "vestrel: standard input: %s\n", e.what());
        else
            std::fprintf(stderr, "vestrel: %s\n", e.what());
    }
    return nullptr;
}

// After a CMX load that gave no drawing: bytes without a CMX header may be a job file; for the
// rest the stop record says why, beside the library's message for a file that cannot be opened.
DrawingPtr AfterRefusal(const std::string& input, const std::vector<BYTE>* bytes,
                        const CCmxParser& parser) {
    const CmxStop reason = parser.GetStopRecord().reason;
    if (reason == CmxStop::noHeader)
        return ReadJob(input, bytes);
    if (reason != CmxStop::noFile)
        std::fprintf(stderr, "vestrel: %s: %s\n", InputName(input).c_str(), StopText(reason));
    return nullptr;
}

} // namespace

DrawingPtr ReadDrawing(const std::string& input) {
    MessageCounter messages;
    CCmxParser parser;
    if (input == kClipboardInput) {
        if (parser.LoadCmxFromClipBoard())
            return DrawingPtr(parser.DetachDrawing());
        std::fprintf(stderr, "vestrel: the clipboard holds no CMX drawing\n");
        return nullptr;
    }
    if (input == kStandardInput) {
        std::vector<BYTE> bytes;
        if (!ReadStandardInput(&bytes))
            return nullptr;
        if (parser.LoadCmxFromMemory(bytes.data(), static_cast<DWORD>(bytes.size())))
            return DrawingPtr(parser.DetachDrawing());
        return AfterRefusal(input, &bytes, parser);
    }
    if (parser.LoadCmx6File(input.c_str()))
        return DrawingPtr(parser.DetachDrawing());
    return AfterRefusal(input, nullptr, parser);
}

const char* StopText(CmxStop reason) {
    switch (reason) {
    case CmxStop::complete:
        return "complete";
    case CmxStop::noFile:
        return "cannot be opened";
    case CmxStop::noHeader:
        return "not a CMX file";
    case CmxStop::emptyBody:
        return "a CMX file with nothing behind its header";
    case CmxStop::packDamaged:
        return "its compressed body is damaged";
    case CmxStop::packTooLarge:
        return "its compressed body claims more than a drawing can hold";
    case CmxStop::noPage:
        return "no page";
    case CmxStop::cutShort:
        return "an instruction runs past the page or the file";
    case CmxStop::sizeBelowHeader:
        return "an instruction's size cannot hold its header";
    case CmxStop::badJump:
        return "a jump that does not move forward inside the page";
    case CmxStop::readPastEnd:
        return "an instruction's operands run past the page";
    case CmxStop::cancelled:
        return "cancelled";
    }
    return "?";
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
