// The running process.
#pragma once

#include "platform/afxdefs.h"

#include <cstddef>

// The number the operating system gives the running process; it tells apart files that
// processes write beside each other at the same moment.
PLATFORM_API unsigned long PlatformProcessId();

// Gives the whole large pages (two megabytes, aligned) among count bytes at bytes back to the
// operating system where it can, so that a large buffer whose bytes are done with stops costing
// memory while the rest of it is still in use. The caller has zeroed the bytes: they read as
// zero afterwards as before, and a large page written again costs one page fault.
PLATFORM_API void PlatformReleaseZeroedMemory(void* bytes, std::size_t count);
// Asks the system to back the large pages wholly inside count bytes at bytes with large pages
// when they are first written: one page fault then maps two megabytes instead of four kilobytes,
// which counts for buffers of many megabytes. Changes nothing that a program can read; does
// nothing where the system takes no such advice.
PLATFORM_API void PlatformAdviseLargePages(void* bytes, std::size_t count);
