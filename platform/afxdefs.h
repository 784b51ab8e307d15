// Basic Win32 and MFC types that the libraries use, on every platform.
#pragma once

#include <cstddef>
#include <cstdint>

// On Windows the system's own declarations serve; the definitions below stand in for them
// elsewhere, and give way where the system has its own.
#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

#if defined(_WIN32)
#define VESTREL_DLL_EXPORT __declspec(dllexport)
#define VESTREL_DLL_IMPORT __declspec(dllimport)
#else
#define VESTREL_DLL_EXPORT __attribute__((visibility("default")))
#define VESTREL_DLL_IMPORT __attribute__((visibility("default")))
#endif

#if defined(PLATFORM_BUILDING)
#define PLATFORM_API VESTREL_DLL_EXPORT
#else
#define PLATFORM_API VESTREL_DLL_IMPORT
#endif

// The system's headers give Windows its standard calling convention; elsewhere there is one.
#ifndef WINAPI
#define WINAPI
#endif

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef unsigned int UINT;
#if defined(_WIN32)
typedef unsigned long DWORD;
typedef long LONG;
#else
typedef std::uint32_t DWORD;
typedef std::int32_t LONG;
#endif
typedef std::int64_t LONGLONG;
typedef std::uint64_t ULONGLONG;
#if !defined(_WIN32)
typedef std::int16_t SHORT;
typedef std::uint16_t USHORT;
typedef std::uint32_t ULONG;
typedef int INT;
typedef char CHAR;
typedef float FLOAT;
typedef double DOUBLE;
typedef void* PVOID;
typedef void* HANDLE;
typedef std::size_t SIZE_T;
typedef std::uintptr_t ULONG_PTR;
#endif
typedef const char* LPCSTR;
typedef const char* LPCTSTR;
typedef char* LPSTR;
typedef char* LPTSTR;
typedef void* LPVOID;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// Module instances and windows are opaque handles.
struct HINSTANCE__;
typedef HINSTANCE__* HINSTANCE;
struct HWND__;
typedef HWND__* HWND;

// The system's headers define these as macros; the same macros serve every platform.
#ifndef IDOK
#define IDOK 1
#define IDCANCEL 2
#endif
#ifndef MB_OK
#define MB_OK 0x00000000
#endif
#ifndef DLL_PROCESS_ATTACH
#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3
#endif
// Maximum length of a path, terminating zero included.
#ifndef _MAX_PATH
#define _MAX_PATH 260
#endif
