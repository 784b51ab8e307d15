#include "platform/msgbox.h"

#include "src/ansi.h"
#include "src/os.h"

namespace {

CMessageBoxSink*& InstalledSink() {
    static CMessageBoxSink* sink = nullptr;
    return sink;
}

} // namespace

CMessageBoxSink::~CMessageBoxSink() = default;

int PlatformMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
    if (CMessageBoxSink* sink = InstalledSink())
        return sink->Show(owner, text, caption, type);
    return platform_os::ShowSystemMessageBox(owner, text, caption, type);
}

CMessageBoxSink* PlatformSetMessageBoxSink(CMessageBoxSink* sink) {
    CMessageBoxSink* previous = InstalledSink();
    InstalledSink() = sink;
    return previous;
}

std::string PlatformAnsiToUtf8(const char* text) {
    std::string out;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p) {
        const unsigned code = platform_ansi::CodePoint(*p);
        if (code < 0x80) {
            out += static_cast<char>(code);
            continue;
        }
        if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
        } else {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        }
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
    return out;
}
