// What the drawset library exports.
#pragma once

#include "platform/afxdefs.h"

#if defined(DRAWSET_BUILDING)
#define DRAWSET_API VESTREL_DLL_EXPORT
#else
#define DRAWSET_API VESTREL_DLL_IMPORT
#endif
