// What a command-line host asks of its console.
#pragma once

#include "platform/afxdefs.h"

// TRUE when standard error is a terminal, where a progress line makes sense.
PLATFORM_API BOOL PlatformStderrIsTerminal();
