// What the portable windows, dialogs and device contexts ask of a system that has windows of its
// own. Windows has them (src/win32/windows_win32.cpp); elsewhere Windows() is null and every
// window and device context is portable.
#pragma once

#include "platform/filedlg.h"
#include "platform/wnd.h"

namespace platform_os {

// A device context of the system that a CDC draws on. Destroying it selects the pen and brush
// that the context held when it was attached again.
class SystemDC {
public:
    virtual ~SystemDC() = default;
    virtual void SelectStockObject(int index) = 0;
    virtual void SelectPen(const CPen& pen) = 0;
    virtual void SelectBrush(const CBrush& brush) = 0;
    virtual void MoveTo(int x, int y) = 0;
    virtual BOOL LineTo(int x, int y) = 0;
    virtual BOOL Rectangle(int left, int top, int right, int bottom) = 0;
    virtual void FillSolidRect(const RECT& rect, COLORREF color) = 0;
    virtual COLORREF SetPixel(int x, int y, COLORREF color) = 0;
    virtual COLORREF GetPixel(int x, int y) const = 0;
    virtual int GetClipBox(LPRECT rect) const = 0;
    // A bitmap that the caller has checked: bits hold every row the header describes, and
    // colors holds the 256 entries that an index of up to 8 bits can name.
    virtual int SetDIBitsToDevice(int x, int y, const BITMAPINFOHEADER& header,
                                  const RGBQUAD* colors, const void* bits) = 0;
};

class SystemWindows {
public:
    virtual ~SystemWindows() = default;

    // Creates a window and attaches it to window before its first message, so that WM_CREATE
    // already reaches its message map. Null when the system refuses.
    virtual HWND Create(CWnd* window, LPCSTR className, LPCSTR text, DWORD style, const RECT& rect,
                        HWND parent, UINT id) = 0;
    // Attaches window to an existing system window and routes the window's messages through it.
    virtual BOOL Subclass(CWnd* window, HWND handle) = 0;
    // The object attached to a system window, or null.
    virtual CWnd* Permanent(HWND handle) = 0;
    // The system window's own procedure, for what the object does not handle.
    virtual LRESULT CallDefault(HWND handle, void* superProc, UINT message, WPARAM wParam,
                                LPARAM lParam) = 0;
    virtual LRESULT Send(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) = 0;
    virtual BOOL Destroy(HWND handle) = 0;

    virtual HWND GetParent(HWND handle) = 0;
    virtual HWND GetDlgItem(HWND handle, int id) = 0;
    virtual int GetDlgCtrlID(HWND handle) = 0;
    virtual DWORD GetStyle(HWND handle) = 0;
    virtual void Move(HWND handle, int x, int y, int width, int height, BOOL repaint) = 0;
    virtual void GetWindowRect(HWND handle, LPRECT rect) = 0;
    virtual void GetClientRect(HWND handle, LPRECT rect) = 0;
    virtual void InvalidateRect(HWND handle, LPCRECT rect, BOOL erase) = 0;
    virtual BOOL GetUpdateRect(HWND handle, LPRECT rect, BOOL erase) = 0;
    virtual void Update(HWND handle) = 0;

    // Painting: the context that BeginPaint gives, and its end.
    virtual HDC BeginPaint(HWND handle, PAINTSTRUCT* paint) = 0;
    virtual void EndPaint(HWND handle, const PAINTSTRUCT* paint) = 0;
    // A context for a CDC; null for a null one.
    virtual SystemDC* AttachDC(HDC dc) = 0;

    // Runs the system's file dialog for dialog, owned by owner (null: the calling thread's
    // active window); IDOK or IDCANCEL.
    virtual int RunFileDialog(CFileDialog* dialog, HWND owner) = 0;
};

// The system's windows, or null where every window is portable.
SystemWindows* Windows();

} // namespace platform_os

// The members of the window classes that the system's side reaches.
struct PlatformWindowAccess {
    // Hands a message to the window's WindowProc, as the message being handled.
    static LRESULT Dispatch(CWnd* window, UINT message, WPARAM wParam, LPARAM lParam);
    static void*& SuperProc(CWnd* window) { return window->superProc_; }
    // The system window has gone: the object holds none and hears of it.
    static void Detached(CWnd* window) {
        window->m_hWnd = nullptr;
        window->superProc_ = nullptr;
        window->PostNcDestroy();
    }
    static void LBSelChanged(CFileDialog* dialog, UINT idBox, UINT curSel, UINT code) {
        dialog->OnLBSelChangedNotify(idBox, curSel, code);
    }
    static BOOL FileNameOK(CFileDialog* dialog) { return dialog->OnFileNameOK(); }
};
