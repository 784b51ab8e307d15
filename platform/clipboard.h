// The clipboard and global memory blocks, under their Win32 names and signatures. On Windows
// they are the system's own. Elsewhere the process has a clipboard of its own with the same
// rules: format names registered without regard to case (the first spelling stays), predefined
// formats without names, data handed over as global memory blocks that the clipboard then owns
// and frees when it is emptied. It holds no GDI objects, so the bitmap, palette and metafile
// formats that carry them cannot be set.
#pragma once

#include "platform/afxdefs.h"

#if !defined(_WIN32)

typedef HANDLE HGLOBAL;

#define GMEM_FIXED 0x0000
#define GMEM_MOVEABLE 0x0002
#define GMEM_ZEROINIT 0x0040
#define GMEM_DDESHARE 0x2000
#define GMEM_SHARE 0x2000
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)
#define GMEM_LOCKCOUNT 0x00FF
#define GMEM_DISCARDED 0x4000
#define GMEM_INVALID_HANDLE 0x8000

#define CF_TEXT 1
#define CF_BITMAP 2
#define CF_METAFILEPICT 3
#define CF_SYLK 4
#define CF_DIF 5
#define CF_TIFF 6
#define CF_OEMTEXT 7
#define CF_DIB 8
#define CF_PALETTE 9
#define CF_PENDATA 10
#define CF_RIFF 11
#define CF_WAVE 12
#define CF_UNICODETEXT 13
#define CF_ENHMETAFILE 14
#define CF_HDROP 15
#define CF_LOCALE 16
#define CF_DIBV5 17
#define CF_OWNERDISPLAY 0x0080
#define CF_DSPTEXT 0x0081
#define CF_DSPBITMAP 0x0082
#define CF_DSPMETAFILEPICT 0x0083
#define CF_DSPENHMETAFILE 0x008E
#define CF_PRIVATEFIRST 0x0200
#define CF_PRIVATELAST 0x02FF
#define CF_GDIOBJFIRST 0x0300
#define CF_GDIOBJLAST 0x03FF

extern "C" {

// A block of bytes, zeroed. A moveable block of 0 bytes has no memory: locking it gives null.
PLATFORM_API HGLOBAL WINAPI GlobalAlloc(UINT flags, SIZE_T bytes);
// The block's first byte; a moveable block counts its locks.
PLATFORM_API LPVOID WINAPI GlobalLock(HGLOBAL block);
// TRUE while the block stays locked, FALSE once it is unlocked (or was not locked).
PLATFORM_API BOOL WINAPI GlobalUnlock(HGLOBAL block);
PLATFORM_API SIZE_T WINAPI GlobalSize(HGLOBAL block);
// The lock count, GMEM_DISCARDED for a block without memory, GMEM_INVALID_HANDLE for no block.
PLATFORM_API UINT WINAPI GlobalFlags(HGLOBAL block);
// Null when the block was freed, the handle itself when it is no block.
PLATFORM_API HGLOBAL WINAPI GlobalFree(HGLOBAL block);

PLATFORM_API BOOL WINAPI OpenClipboard(HWND owner);
PLATFORM_API BOOL WINAPI CloseClipboard();
PLATFORM_API BOOL WINAPI EmptyClipboard();
PLATFORM_API int WINAPI CountClipboardFormats();
PLATFORM_API UINT WINAPI EnumClipboardFormats(UINT format);
// The registered name and its length; 0 for a predefined format, or when the buffer cannot
// hold the name and its terminating zero.
PLATFORM_API int WINAPI GetClipboardFormatNameA(UINT format, LPSTR name, int maxCount);
PLATFORM_API UINT WINAPI RegisterClipboardFormatA(LPCSTR name);
PLATFORM_API BOOL WINAPI IsClipboardFormatAvailable(UINT format);
PLATFORM_API HANDLE WINAPI GetClipboardData(UINT format);
PLATFORM_API HANDLE WINAPI SetClipboardData(UINT format, HANDLE data);
}

#endif
