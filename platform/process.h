// The running process.
#pragma once

#include "platform/afxdefs.h"

#include <cstddef>

// The number the operating system gives the running process; it tells apart files that
// processes write beside each other at the same moment.
PLATFORM_API unsigned long PlatformProcessId();

// Makes count bytes at bytes read as zero from now on, and gives the whole pages among them back
// to the operating system where it can, so that a large buffer whose bytes are done with stops
// costing memory while the rest of it is still in use.
PLATFORM_API void PlatformDiscardMemory(void* bytes, std::size_t count);
