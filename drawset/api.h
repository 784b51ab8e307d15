// What the drawset library exports.
#pragma once

#include "platform/afxdefs.h"

#if defined(DRAWSET_BUILDING)
#define DRAWSET_API VESTREL_DLL_EXPORT
#else
#define DRAWSET_API VESTREL_DLL_IMPORT
#endif

// The record classes. Their inline members are built by each library that uses them, and the
// vestrel library exports them beside its own classes, as the framework's extension libraries
// do; its other uses of the classes go to the drawset library's members.
#if defined(DRAWSET_BUILDING) || defined(VESTREL_BUILDING)
#define DRAWSET_RECORD_API VESTREL_DLL_EXPORT
#else
#define DRAWSET_RECORD_API VESTREL_DLL_IMPORT
#endif
