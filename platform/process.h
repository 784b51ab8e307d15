// The running process.
#pragma once

#include "platform/afxdefs.h"

// The number the operating system gives the running process; it tells apart files that
// processes write beside each other at the same moment.
PLATFORM_API unsigned long PlatformProcessId();
