#include "platform/msgbox.h"

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
    // Windows-1252 differs from Latin-1 in 0x80 to 0x9F; those map to these code points.
    static const char16_t kHigh[32] = {
        0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
    std::string out;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p) {
        unsigned code = *p;
        if (code < 0x80) {
            out += static_cast<char>(code);
            continue;
        }
        if (code < 0xA0)
            code = kHigh[code - 0x80];
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
