// The system's windows, file dialogs and device contexts on Windows, driven as the framework
// drives them: an object takes a window's messages by replacing its window procedure (from the
// window's creation on, through a CBT hook, for the windows it creates), the file dialogs run in
// Explorer style with a hook procedure that attaches the dialog object to the child dialog, and a
// paint context is the one BeginPaint gives.
#include "src/syswin.h"

#include <windows.h>

#include <commdlg.h>

#include <algorithm>
#include <memory>

namespace {

// The window property that names the object attached to a window.
const char kObjectProperty[] = "vestrel.CWnd";

CWnd* Attached(HWND window) {
    return static_cast<CWnd*>(::GetPropA(window, kObjectProperty));
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* object = Attached(window);
    if (object == nullptr)
        return ::DefWindowProcA(window, message, wParam, lParam);
    const LRESULT result = PlatformWindowAccess::Dispatch(object, message, wParam, lParam);
    // A dialog's sender reads a notification's answer from the dialog's result slot.
    if (message == WM_NOTIFY && ::GetWindowLongPtrA(window, DWLP_DLGPROC) != 0)
        ::SetWindowLongPtrA(window, DWLP_MSGRESULT, result);
    if (message == WM_NCDESTROY) {
        // The window is gone: it gets its own procedure back, and the object lets go of it.
        void* super = PlatformWindowAccess::SuperProc(object);
        if (super != nullptr && ::GetWindowLongPtrA(window, GWLP_WNDPROC) ==
                                    reinterpret_cast<LONG_PTR>(&WindowProcedure))
            ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(super));
        ::RemovePropA(window, kObjectProperty);
        PlatformWindowAccess::Detached(object);
    }
    return result;
}

BOOL Take(CWnd* object, HWND window) {
    if (Attached(window) != nullptr || !::SetPropA(window, kObjectProperty, object))
        return FALSE;
    PlatformWindowAccess::Attach(object, window);
    PlatformWindowAccess::SuperProc(object) = reinterpret_cast<void*>(
        ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProcedure)));
    return TRUE;
}

// The object whose window is being created on this thread.
thread_local CWnd* creating = nullptr;

LRESULT CALLBACK CreationHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && creating != nullptr) {
        CWnd* object = creating;
        creating = nullptr;
        Take(object, reinterpret_cast<HWND>(wParam));
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

UINT_PTR CALLBACK FileDialogHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    static const UINT selectionChanged = ::RegisterWindowMessageA(LBSELCHSTRINGA);
    static const UINT fileOk = ::RegisterWindowMessageA(FILEOKSTRINGA);
    if (message == WM_INITDIALOG) {
        // The child dialog of an Explorer-style dialog, or an old-style dialog itself.
        const auto* ofn = reinterpret_cast<const OPENFILENAMEA*>(lParam);
        auto* dialog = reinterpret_cast<CFileDialog*>(ofn->lCustData);
        if (!Take(dialog, window))
            return TRUE;
        return static_cast<UINT_PTR>(
            PlatformWindowAccess::Dispatch(dialog, WM_INITDIALOG, wParam, lParam));
    }
    // Old-style dialogs tell their hook of a selection and of the choice.
    auto* dialog = static_cast<CFileDialog*>(Attached(window));
    if (dialog == nullptr)
        return 0;
    if (message == selectionChanged) {
        PlatformWindowAccess::LBSelChanged(dialog, static_cast<UINT>(wParam), LOWORD(lParam),
                                           HIWORD(lParam));
        return 0;
    }
    if (message == fileOk)
        return static_cast<UINT_PTR>(PlatformWindowAccess::FileNameOK(dialog));
    return 0;
}

// Drawing on a context of the system, by GDI's own calls. The pens and brushes it makes for CPen
// and CBrush objects are its own, and go when others replace them.
class GdiDrawing final : public platform_os::DrawingBackend {
public:
    explicit GdiDrawing(HDC dc)
        : dc_(dc), originalPen_(::GetCurrentObject(dc, OBJ_PEN)),
          originalBrush_(::GetCurrentObject(dc, OBJ_BRUSH)) {}
    ~GdiDrawing() override {
        ::SelectObject(dc_, originalPen_);
        ::SelectObject(dc_, originalBrush_);
        if (ownPen_ != nullptr)
            ::DeleteObject(ownPen_);
        if (ownBrush_ != nullptr)
            ::DeleteObject(ownBrush_);
    }
    GdiDrawing(const GdiDrawing&) = delete;
    GdiDrawing& operator=(const GdiDrawing&) = delete;

    // A stock object is the system's own, not a copy of its colour.
    void SelectPen(const CPen& selected, int stock) override {
        if (stock >= 0)
            UsePen(::GetStockObject(stock), false);
        else if (selected.GetStyle() == PS_NULL)
            UsePen(::GetStockObject(NULL_PEN), false);
        else
            UsePen(::CreatePen(selected.GetStyle(), selected.GetWidth(), selected.GetColor()),
                   true);
    }
    void SelectBrush(const CBrush& selected, int stock) override {
        if (stock >= 0)
            UseBrush(::GetStockObject(stock), false);
        else if (selected.GetStyle() == BS_NULL)
            UseBrush(::GetStockObject(NULL_BRUSH), false);
        else
            UseBrush(::CreateSolidBrush(selected.GetColor()), true);
    }
    void MoveTo(int x, int y) override { ::MoveToEx(dc_, x, y, nullptr); }
    // The system's context keeps its current position in step with the CDC's.
    BOOL LineTo(CPoint, CPoint to) override { return ::LineTo(dc_, to.x, to.y); }
    BOOL Rectangle(int left, int top, int right, int bottom) override {
        return ::Rectangle(dc_, left, top, right, bottom);
    }
    void FillSolidRect(const CRect& rect, COLORREF color) override {
        // As the framework fills: an opaque text output of nothing in the background colour.
        const COLORREF background = ::SetBkColor(dc_, color);
        ::ExtTextOutA(dc_, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
        ::SetBkColor(dc_, background);
    }
    COLORREF SetPixel(int x, int y, COLORREF color) override {
        return ::SetPixel(dc_, x, y, color);
    }
    COLORREF GetPixel(int x, int y) const override { return ::GetPixel(dc_, x, y); }
    int GetClipBox(LPRECT rect) const override { return ::GetClipBox(dc_, rect); }
    int SetDIBitsToDevice(int x, int y, const BITMAPINFOHEADER& header,
                          const platform_os::DibLayout& layout, const RGBQUAD* colors,
                          const void* bits) override {
        struct {
            BITMAPINFOHEADER header;
            RGBQUAD colors[256];
        } info;
        info.header = header;
        info.header.biSize = sizeof(BITMAPINFOHEADER);
        info.header.biSizeImage = 0;
        info.header.biClrUsed = header.biBitCount <= 8 ? 1u << header.biBitCount : 0;
        std::copy_n(colors, 256, info.colors);
        const auto rows = static_cast<LONG>(layout.height);
        return ::SetDIBitsToDevice(dc_, x, y, static_cast<DWORD>(layout.width),
                                   static_cast<DWORD>(rows), 0, 0, 0, static_cast<UINT>(rows), bits,
                                   reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS);
    }

private:
    void UsePen(HGDIOBJ pen, bool own) {
        ::SelectObject(dc_, pen);
        if (ownPen_ != nullptr)
            ::DeleteObject(ownPen_);
        ownPen_ = own ? pen : nullptr;
    }
    void UseBrush(HGDIOBJ brush, bool own) {
        ::SelectObject(dc_, brush);
        if (ownBrush_ != nullptr)
            ::DeleteObject(ownBrush_);
        ownBrush_ = own ? brush : nullptr;
    }

    HDC dc_;
    HGDIOBJ originalPen_;
    HGDIOBJ originalBrush_;
    HGDIOBJ ownPen_ = nullptr;
    HGDIOBJ ownBrush_ = nullptr;
};

class Win32Windows : public platform_os::SystemWindows {
public:
    BOOL Holds(const CWnd& window) override { return window.m_hWnd != nullptr ? TRUE : FALSE; }

    BOOL Create(CWnd& window, LPCSTR className, LPCSTR text, DWORD style, const RECT& rect,
                CWnd* parent, UINT id) override {
        HHOOK hook = ::SetWindowsHookExA(WH_CBT, CreationHook, nullptr, ::GetCurrentThreadId());
        if (hook == nullptr)
            return FALSE;
        creating = &window;
        // A child's menu handle is its control id.
        HWND created = ::CreateWindowExA(
            0, className, text, style, rect.left, rect.top, rect.right - rect.left,
            rect.bottom - rect.top, parent != nullptr ? parent->m_hWnd : nullptr,
            (style & WS_CHILD) != 0 ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)) : nullptr,
            ::GetModuleHandleA(nullptr), nullptr);
        creating = nullptr;
        ::UnhookWindowsHookEx(hook);
        return created != nullptr ? TRUE : FALSE;
    }
    // The system's WM_NCDESTROY detaches the object.
    BOOL Destroy(CWnd& window) override { return ::DestroyWindow(window.m_hWnd); }
    void Release(CWnd& window) override { ::DestroyWindow(window.m_hWnd); }

    CWnd* GetParent(const CWnd& window) override {
        return CWnd::FromHandle(::GetParent(window.m_hWnd));
    }
    CWnd* GetDlgItem(const CWnd& window, int id) override {
        return CWnd::FromHandle(::GetDlgItem(window.m_hWnd, id));
    }
    int GetDlgCtrlID(const CWnd& window) override { return ::GetDlgCtrlID(window.m_hWnd); }
    DWORD GetStyle(const CWnd& window) override {
        return static_cast<DWORD>(::GetWindowLongA(window.m_hWnd, GWL_STYLE));
    }
    void Move(CWnd& window, int x, int y, int width, int height, BOOL repaint) override {
        ::MoveWindow(window.m_hWnd, x, y, width, height, repaint);
    }
    void GetWindowRect(const CWnd& window, LPRECT rect) override {
        ::GetWindowRect(window.m_hWnd, rect);
    }
    void GetClientRect(const CWnd& window, LPRECT rect) override {
        ::GetClientRect(window.m_hWnd, rect);
    }
    void InvalidateRect(CWnd& window, LPCRECT rect, BOOL erase) override {
        ::InvalidateRect(window.m_hWnd, rect, erase);
    }
    BOOL GetUpdateRect(CWnd& window, LPRECT rect, BOOL erase) override {
        return ::GetUpdateRect(window.m_hWnd, rect, erase);
    }
    void Update(CWnd& window) override { ::UpdateWindow(window.m_hWnd); }

    LRESULT Send(CWnd& window, UINT message, WPARAM wParam, LPARAM lParam) override {
        return ::SendMessageA(window.m_hWnd, message, wParam, lParam);
    }
    LRESULT CallDefault(CWnd& window, UINT message, WPARAM wParam, LPARAM lParam) override {
        void* super = PlatformWindowAccess::SuperProc(&window);
        if (super == nullptr)
            return ::DefWindowProcA(window.m_hWnd, message, wParam, lParam);
        return ::CallWindowProcA(reinterpret_cast<WNDPROC>(super), window.m_hWnd, message, wParam,
                                 lParam);
    }

    // The context is the one BeginPaint gives.
    void BeginPaint(CWnd& window, CPaintDC& dc) override {
        HWND& painted = PlatformWindowAccess::PaintedWindow(dc);
        painted = window.m_hWnd;
        dc.Attach(::BeginPaint(painted, &dc.m_ps));
    }
    void EndPaint(CPaintDC& dc) override {
        dc.Detach();
        ::EndPaint(PlatformWindowAccess::PaintedWindow(dc), &dc.m_ps);
    }

    BOOL Subclass(CWnd* window, HWND handle) override { return Take(window, handle); }
    CWnd* Permanent(HWND handle) override { return Attached(handle); }
    std::unique_ptr<platform_os::DrawingBackend> AttachDC(HDC dc) override {
        if (dc == nullptr)
            return nullptr;
        return std::make_unique<GdiDrawing>(dc);
    }

    int RunFileDialog(CFileDialog* dialog, HWND owner) override {
        OPENFILENAMEA& ofn = dialog->m_ofn;
        ofn.hwndOwner = owner != nullptr ? owner : ::GetActiveWindow();
        ofn.lpfnHook = FileDialogHook;
        ofn.lCustData = reinterpret_cast<LPARAM>(dialog);
        ofn.Flags |= OFN_ENABLEHOOK;
        const BOOL chosen =
            dialog->m_bOpenFileDialog ? ::GetOpenFileNameA(&ofn) : ::GetSaveFileNameA(&ofn);
        return chosen ? IDOK : IDCANCEL;
    }
};

} // namespace

namespace platform_os {

SystemWindows* Windows() {
    // Never destroyed: windows that outlive it at exit still reach it from their destructors.
    static Win32Windows* windows = new Win32Windows;
    return windows;
}

} // namespace platform_os
