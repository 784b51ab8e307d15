// Message boxes. The portable box writes what a person would see to standard error: the
// caption, then the text. Tests and fuzzers install a sink that records or silences the boxes.
#pragma once

#include "platform/afxdefs.h"

#include <string>

class PLATFORM_API CMessageBoxSink {
public:
    virtual ~CMessageBoxSink();
    // Shows one box and returns the button that closed it (IDOK for an OK box).
    virtual int Show(HWND owner, const char* text, const char* caption, UINT type) = 0;
};

// Shows a box through the installed sink, or the platform's own box when there is none.
PLATFORM_API int PlatformMessageBox(HWND owner, const char* text, const char* caption, UINT type);

// Installs sink (null restores the platform's box) and returns the sink installed before.
PLATFORM_API CMessageBoxSink* PlatformSetMessageBoxSink(CMessageBoxSink* sink);

// Text in the ANSI code page (Windows-1252) converted to UTF-8, for terminals.
PLATFORM_API std::string PlatformAnsiToUtf8(const char* text);
