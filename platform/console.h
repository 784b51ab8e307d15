// What a command-line host asks of its console.
#pragma once

#include "platform/afxdefs.h"

#include <cstddef>
#include <vector>

// TRUE when standard error is a terminal, where a progress line makes sense.
PLATFORM_API BOOL PlatformStderrIsTerminal();
// Reads standard input to its end, byte for byte (no line-end translation on any system).
// FALSE when it cannot be read.
PLATFORM_API BOOL PlatformReadStandardInput(std::vector<BYTE>* bytes);
// Writes bytes to standard output unchanged (no line-end translation on any system) and flushes
// it. FALSE when they cannot all be written.
PLATFORM_API BOOL PlatformWriteStandardOutput(const void* bytes, std::size_t count);
