#include "cli/drawing_io.h"

#include "vestrel/cmx/cmxparser.h"

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

DrawingPtr ReadDrawing(const std::string& path) {
    MessageCounter messages;
    CCmxParser parser;
    if (parser.LoadCmx6File(path.c_str()))
        return DrawingPtr(parser.DetachDrawing());
    const CmxStop reason = parser.GetStopRecord().reason;
    if (reason != CmxStop::noHeader) {
        // The library's message says why a file cannot be opened; the rest is said here.
        if (reason != CmxStop::noFile)
            std::fprintf(stderr, "vestrel: %s: %s\n", path.c_str(), StopText(reason));
        return nullptr;
    }
    // Not a CMX drawing: perhaps a job file.
    try {
        return DrawingPtr(CGrDrawset::ReadJobFile(path.c_str()));
    } catch (const CFileException& e) {
        std::fprintf(stderr, "vestrel: %s\n", e.what());
    }
    return nullptr;
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
