// Export macros of the vestrel library.
#pragma once

#include "platform/afxdefs.h"

// Classes and C++ functions.
#if defined(VESTREL_BUILDING)
#define VESTREL_API VESTREL_DLL_EXPORT
#else
#define VESTREL_API VESTREL_DLL_IMPORT
#endif

// The plain functions: the Windows DLL exports them under their decorated names through the
// module definition file, so they carry no export attribute there; programs import them.
#if defined(_WIN32) && defined(VESTREL_BUILDING)
#define VESTREL_PLAIN_API
#elif defined(_WIN32)
#define VESTREL_PLAIN_API __declspec(dllimport)
#else
#define VESTREL_PLAIN_API VESTREL_DLL_EXPORT
#endif

// Globals: visible to programs that link the library on ELF systems, not exported by the DLL.
#if defined(_WIN32)
#define VESTREL_GLOBAL_API
#else
#define VESTREL_GLOBAL_API VESTREL_DLL_EXPORT
#endif
