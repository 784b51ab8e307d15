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
    if (messages.count() > 0)
        return nullptr; // the file could not be opened; the library said so
    // Not a CMX drawing: perhaps a job file.
    try {
        return DrawingPtr(CGrDrawset::ReadJobFile(path.c_str()));
    } catch (const CFileException& e) {
        if (parser.GetDataSize() == 0 && parser.GetFormatVersion() != 0)
            std::fprintf(stderr, "vestrel: %s: a CMX file with nothing behind its header\n",
                         path.c_str());
        else
            std::fprintf(stderr, "vestrel: %s\n", e.what());
    }
    return nullptr;
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
