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
// count bytes for a store of the caller's own, at an address aligned to alignment (a power of
// two), or null. On Windows they come straight from the system, committed, and alignment may not
// exceed its allocation granule (64 KiB); PlatformFreeAligned gives them back to the system at
// once. Elsewhere they come from the heap.
PLATFORM_API void* PlatformAllocateAligned(std::size_t count, std::size_t alignment);
PLATFORM_API void PlatformFreeAligned(void* bytes, std::size_t alignment);
