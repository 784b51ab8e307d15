// The kinds of window a CWnd can hold, and what the windows, dialogs and device contexts ask of a
// system that has windows of its own. Windows has them (src/win32/windows_win32.cpp); elsewhere
// Windows() is null and every window and device context is portable.
#pragma once

#include "platform/filedlg.h"
#include "platform/wnd.h"

#include "src/drawing.h"

#include <memory>

namespace platform_os {

// A kind of window: what every CWnd member does with the window an object holds. An object
// settles its kind once, when it creates or attaches a window, and hands each member's work to
// it. The portable window (src/portablewnd.cpp) is the platform's own, kept in-process: every
// window where the system has none, the portable dialogs everywhere, and any object that holds
// no window. The system's window is SystemWindows.
class WindowBackend {
public:
    virtual ~WindowBackend() = default;

    // TRUE while window holds a window of this kind.
    virtual BOOL Holds(const CWnd& window) = 0;
    // Makes window one of this kind under parent (null, or of the same kind), in the parent's
    // client coordinates. WM_CREATE already reaches the window's message map; a result of -1
    // destroys it again and yields FALSE.
    virtual BOOL Create(CWnd& window, LPCSTR className, LPCSTR windowName, DWORD style,
                        const RECT& rect, CWnd* parent, UINT id) = 0;
    virtual BOOL Destroy(CWnd& window) = 0;
    // The object goes away: a system window goes with it; a portable one only leaves its parent
    // and children, without messages to an object that is half gone.
    virtual void Release(CWnd& window) = 0;

    virtual CWnd* GetParent(const CWnd& window) = 0;
    virtual CWnd* GetDlgItem(const CWnd& window, int id) = 0;
    virtual int GetDlgCtrlID(const CWnd& window) = 0;
    virtual DWORD GetStyle(const CWnd& window) = 0;
    virtual void Move(CWnd& window, int x, int y, int width, int height, BOOL repaint) = 0;
    virtual void GetWindowRect(const CWnd& window, LPRECT rect) = 0;
    virtual void GetClientRect(const CWnd& window, LPRECT rect) = 0;
    virtual void InvalidateRect(CWnd& window, LPCRECT rect, BOOL erase) = 0;
    virtual BOOL GetUpdateRect(CWnd& window, LPRECT rect, BOOL erase) = 0;
    virtual void Update(CWnd& window) = 0;

    virtual LRESULT Send(CWnd& window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // The window's own handling of what its message maps leave.
    virtual LRESULT CallDefault(CWnd& window, UINT message, WPARAM wParam, LPARAM lParam) = 0;

    // Painting window through dc, and its end.
    virtual void BeginPaint(CWnd& window, CPaintDC& dc) = 0;
    virtual void EndPaint(CPaintDC& dc) = 0;
};

// The platform's own windows.
WindowBackend& PortableWindows();

// The system's windows, with what only they have: taking over a window that exists, finding the
// object of a window, the system's device contexts and file dialogs.
class SystemWindows : public WindowBackend {
public:
    // Attaches window to an existing system window and routes the window's messages through it.
    virtual BOOL Subclass(CWnd* window, HWND handle) = 0;
    // The object attached to a system window, or null.
    virtual CWnd* Permanent(HWND handle) = 0;
    // The drawing of a CDC attached to a context of the system, which selects the pen and brush
    // that the context held again when it goes; null for a null context.
    virtual std::unique_ptr<DrawingBackend> AttachDC(HDC dc) = 0;
    // Runs the system's file dialog for dialog, owned by owner (null: the calling thread's
    // active window); IDOK or IDCANCEL.
    virtual int RunFileDialog(CFileDialog* dialog, HWND owner) = 0;
};

// The system's windows, or null where every window is portable.
SystemWindows* Windows();

} // namespace platform_os

// The members of the window classes that the kinds of window reach.
struct PlatformWindowAccess {
    using PortableState = CWnd::PortableState;

    // Hands a message to the window's WindowProc, as the message being handled.
    static LRESULT Dispatch(CWnd* window, UINT message, WPARAM wParam, LPARAM lParam);
    static PortableState& Portable(CWnd& window) { return window.portable_; }
    static const PortableState& Portable(const CWnd& window) { return window.portable_; }
    static void*& SuperProc(CWnd* window) { return window->superProc_; }
    // The object now holds the system window handle.
    static void Attach(CWnd* window, HWND handle) {
        window->m_hWnd = handle;
        window->backend_ = platform_os::Windows();
    }
    // The object lets go of its system window and holds none.
    static void Forget(CWnd* window) {
        window->m_hWnd = nullptr;
        window->superProc_ = nullptr;
        window->backend_ = &platform_os::PortableWindows();
    }
    // The system window has gone: the object holds none and hears of it.
    static void Detached(CWnd* window) {
        Forget(window);
        window->PostNcDestroy();
    }
    static void PostNcDestroy(CWnd& window) { window.PostNcDestroy(); }
    static HWND& PaintedWindow(CPaintDC& dc) { return dc.window_; }
    static void ClipTo(CPaintDC& dc, const CRect& rect) { dc.SetClipBox(rect); }
    static void LBSelChanged(CFileDialog* dialog, UINT idBox, UINT curSel, UINT code) {
        dialog->OnLBSelChangedNotify(idBox, curSel, code);
    }
    static BOOL FileNameOK(CFileDialog* dialog) { return dialog->OnFileNameOK(); }
};
