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
DrawingPtr ReadJob(const std::string& input, const std::vector<BYTE>* bytes,
                   const CCmxParser& refused) {
    try {
        if (bytes != nullptr)
            return DrawingPtr(
                CGrDrawset::ReadJobData(bytes->data(), static_cast<unsigned long>(bytes->size())));
        return DrawingPtr(CGrDrawset::ReadJobFile(input.c_str()));
    } catch (const CFileException& e) {
        if (refused.GetDataSize() == 0 && refused.GetFormatVersion() != 0)
            std::fprintf(stderr, "vestrel: %s: a CMX file with nothing behind its header\n",
                         InputName(input).c_str());
        else if (bytes != nullptr)
            std::fprintf(stderr, "vestrel: standard input: %s\n", e.what());
        else
            std::fprintf(stderr, "vestrel: %s\n", e.what());
    }
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
        return ReadJob(input, &bytes, parser);
    }
    if (parser.LoadCmx6File(input.c_str()))
        return DrawingPtr(parser.DetachDrawing());
    if (messages.count() > 0)
        return nullptr; // the file could not be opened; the library said so
    // Not a CMX drawing: perhaps a job file.
    return ReadJob(input, nullptr, parser);
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
