// The portable window: a window that the platform keeps in-process, with a pixel surface the
// size of its client area, an update rectangle and its place among its parent's children. Every
// window is one where the system has none, and the portable dialogs are built of them everywhere.
#include "platform/wnd.h"

#include "src/syswin.h"

#include <algorithm>

namespace {

// Keeps right and bottom within an int for any placement.
constexpr int kPlacementLimit = 1 << 30;

using PortableState = PlatformWindowAccess::PortableState;

class PortableWindows : public platform_os::WindowBackend {
public:
    BOOL Holds(const CWnd& window) override { return State(window).created ? TRUE : FALSE; }

    BOOL Create(CWnd& window, LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect,
                CWnd* parent, UINT id) override {
        PortableState& state = State(window);
        state.parent = parent;
        if (parent != nullptr)
            State(*parent).children.push_back(&window);
        state.id = static_cast<int>(id);
        state.style = style;
        state.created = true;
        state.windowRect.SetRectEmpty();
        window.MoveWindow(&rect, TRUE);
        CRect place(rect);
        CREATESTRUCT create = {};
        create.hwndParent = nullptr;
        create.cx = place.Width();
        create.cy = place.Height();
        create.x = place.left;
        create.y = place.top;
        create.style = static_cast<LONG>(style);
        create.lpszName = windowName;
        create.lpszClass = className;
        if (window.SendMessage(WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
            window.DestroyWindow();
            return FALSE;
        }
        return TRUE;
    }

    BOOL Destroy(CWnd& window) override {
        PortableState& state = State(window);
        if (!state.created)
            return FALSE;
        window.SendMessage(WM_DESTROY);
        // Children go first, each unlinking itself.
        while (!state.children.empty())
            state.children.back()->DestroyWindow();
        window.SendMessage(WM_NCDESTROY);
        Unlink(window);
        state.created = false;
        state.id = 0;
        state.style = 0;
        PlatformWindowAccess::PostNcDestroy(window);
        return TRUE;
    }

    void Release(CWnd& window) override { Unlink(window); }

    CWnd* GetParent(const CWnd& window) override { return State(window).parent; }

    CWnd* GetDlgItem(const CWnd& window, int id) override {
        for (CWnd* child : State(window).children)
            if (State(*child).id == id)
                return child;
        return nullptr;
    }

    int GetDlgCtrlID(const CWnd& window) override { return State(window).id; }
    DWORD GetStyle(const CWnd& window) override { return State(window).style; }

    // Portable windows are all client area; a new size starts a white surface that needs
    // painting, whatever repaint says.
    void Move(CWnd& window, int x, int y, int width, int height, BOOL repaint) override {
        PortableState& state = State(window);
        x = std::clamp(x, -kPlacementLimit, kPlacementLimit);
        y = std::clamp(y, -kPlacementLimit, kPlacementLimit);
        width = std::clamp(width, 0, CPixelSurface::kMaxSide);
        height = std::clamp(height, 0, CPixelSurface::kMaxSide);
        const bool resized =
            width != state.windowRect.Width() || height != state.windowRect.Height();
        state.windowRect.SetRect(x, y, x + width, y + height);
        if (resized) {
            // The old pixels mean nothing at the new size.
            state.surface.Reset(width, height);
            state.update.SetRectEmpty();
            InvalidateRect(window, nullptr, TRUE);
        } else if (repaint) {
            InvalidateRect(window, nullptr, TRUE);
        }
    }

    void GetWindowRect(const CWnd& window, LPRECT rect) override {
        const PortableState& state = State(window);
        CRect place = state.windowRect;
        // Placements are clamped, so a chain of ancestors cannot wrap an int in any real tree;
        // the sum is clamped all the same.
        for (const CWnd* up = state.parent; up != nullptr; up = State(*up).parent) {
            const CRect& above = State(*up).windowRect;
            place.OffsetRect(std::clamp<int>(above.left, -kPlacementLimit, kPlacementLimit),
                             std::clamp<int>(above.top, -kPlacementLimit, kPlacementLimit));
        }
        *rect = place;
    }

    void GetClientRect(const CWnd& window, LPRECT rect) override {
        const CRect& place = State(window).windowRect;
        *rect = CRect(0, 0, place.Width(), place.Height());
    }

    void InvalidateRect(CWnd& window, LPCRECT rect, BOOL erase) override {
        PortableState& state = State(window);
        CRect client;
        GetClientRect(window, client);
        CRect part = client;
        if (rect != nullptr && !part.IntersectRect(rect, &client))
            return;
        if (part.IsRectEmpty())
            return;
        state.update.UnionRect(&state.update, &part);
        if (erase)
            state.erase = true;
    }

    BOOL GetUpdateRect(CWnd& window, LPRECT rect, BOOL erase) override {
        PortableState& state = State(window);
        if (rect != nullptr)
            *rect = state.update;
        if (erase && state.erase) {
            EraseUpdate(state);
            state.erase = false;
        }
        return state.update.IsRectEmpty() ? FALSE : TRUE;
    }

    void Update(CWnd& window) override {
        if (!State(window).update.IsRectEmpty())
            window.SendMessage(WM_PAINT);
    }

    LRESULT Send(CWnd& window, UINT message, WPARAM wParam, LPARAM lParam) override {
        return PlatformWindowAccess::Dispatch(&window, message, wParam, lParam);
    }

    // A paint validates, WM_CREATE succeeds, everything else yields 0.
    LRESULT CallDefault(CWnd& window, UINT message, WPARAM, LPARAM) override {
        switch (message) {
        case WM_PAINT: {
            CPaintDC validate(&window);
            return 0;
        }
        case WM_NCCREATE:
            return TRUE;
        default:
            return 0;
        }
    }

    // The context draws into the window's surface. It erases the update rectangle when that is
    // pending, clips to it and validates the window; fErase stays FALSE, as the context has
    // already erased what needed erasing.
    void BeginPaint(CWnd& window, CPaintDC& dc) override {
        PortableState& state = State(window);
        dc.m_ps.rcPaint = state.update;
        if (state.erase)
            EraseUpdate(state);
        PlatformWindowAccess::ClipTo(dc, state.update);
        state.update.SetRectEmpty();
        state.erase = false;
    }

    void EndPaint(CPaintDC&) override {}

private:
    static PortableState& State(CWnd& window) { return PlatformWindowAccess::Portable(window); }
    static const PortableState& State(const CWnd& window) {
        return PlatformWindowAccess::Portable(window);
    }

    static void EraseUpdate(PortableState& state) {
        CRect area;
        CRect bounds(0, 0, state.surface.GetWidth(), state.surface.GetHeight());
        if (!area.IntersectRect(&state.update, &bounds))
            return;
        for (LONG y = area.top; y < area.bottom; ++y)
            std::fill_n(&state.surface.At(area.left, y), area.right - area.left,
                        CPixelSurface::kWhite);
    }

    // Leaves the parent's children and lets go of its own.
    static void Unlink(CWnd& window) {
        PortableState& state = State(window);
        if (state.parent != nullptr) {
            auto& siblings = State(*state.parent).children;
            siblings.erase(std::remove(siblings.begin(), siblings.end(), &window), siblings.end());
            state.parent = nullptr;
        }
        for (CWnd* child : state.children)
            State(*child).parent = nullptr;
        state.children.clear();
    }
};

} // namespace

namespace platform_os {

WindowBackend& PortableWindows() {
    // Never destroyed: windows that outlive it at exit still reach it from their destructors.
    static ::PortableWindows* windows = new ::PortableWindows;
    return *windows;
}

} // namespace platform_os
