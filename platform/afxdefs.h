// Basic Win32 and MFC types that the libraries use, on every platform.
#pragma once

#include <cstddef>
#include <cstdint>

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

#if defined(_WIN32)
// On Windows the Win32 names are the system's own, so that a program may include windows.h
// before or after the platform's headers.
#if defined(UNICODE) || defined(_UNICODE)
#error "vestrel's interfaces take ANSI text: build without UNICODE"
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
// Elsewhere the platform defines what the libraries use of them. The standard calling convention
// of Win32 is the only one there.
#define WINAPI

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef unsigned int UINT;
typedef std::uint32_t DWORD;
typedef std::int32_t LONG;
typedef std::int64_t LONGLONG;
typedef std::uint64_t ULONGLONG;
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
typedef const char* LPCSTR;
typedef const char* LPCTSTR;
typedef char* LPSTR;
typedef char* LPTSTR;
typedef void* LPVOID;

#define TRUE 1
#define FALSE 0

// Module instances and windows are opaque handles.
struct HINSTANCE__;
typedef HINSTANCE__* HINSTANCE;
struct HWND__;
typedef HWND__* HWND;

#define IDOK 1
#define IDCANCEL 2
#define MB_OK 0x00000000
#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3
// Maximum length of a path, terminating zero included.
#define _MAX_PATH 260
#endif
