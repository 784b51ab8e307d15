#include "platform/wnd.h"

#include <algorithm>

namespace {

// Keeps right and bottom within an int for any placement.
constexpr int kPlacementLimit = 1 << 30;

} // namespace

IMPLEMENT_DYNAMIC(CWnd, CObject)
IMPLEMENT_DYNAMIC(CPaintDC, CDC)

CWnd::CWnd() = default;
CWnd::~CWnd() = default;

void CWnd::MoveWindow(int x, int y, int width, int height, BOOL repaint) {
    x = std::clamp(x, -kPlacementLimit, kPlacementLimit);
    y = std::clamp(y, -kPlacementLimit, kPlacementLimit);
    width = std::clamp(width, 0, CPixelSurface::kMaxSide);
    height = std::clamp(height, 0, CPixelSurface::kMaxSide);
    const bool resized = width != windowRect_.Width() || height != windowRect_.Height();
    windowRect_.SetRect(x, y, x + width, y + height);
    if (resized) {
        // The old pixels mean nothing at the new size.
        surface_.Reset(width, height);
        update_.SetRectEmpty();
        Invalidate(TRUE);
    } else if (repaint) {
        Invalidate(TRUE);
    }
}

void CWnd::MoveWindow(LPCRECT rect, BOOL repaint) {
    if (rect != nullptr)
        MoveWindow(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top,
                   repaint);
}

void CWnd::GetClientRect(LPRECT rect) const {
    if (rect != nullptr)
        *rect = CRect(0, 0, windowRect_.Width(), windowRect_.Height());
}

void CWnd::GetWindowRect(LPRECT rect) const {
    if (rect != nullptr)
        *rect = windowRect_;
}

void CWnd::Invalidate(BOOL erase) {
    InvalidateRect(nullptr, erase);
}

void CWnd::InvalidateRect(LPCRECT rect, BOOL erase) {
    CRect client;
    GetClientRect(client);
    CRect part = client;
    if (rect != nullptr && !part.IntersectRect(rect, &client))
        return;
    if (part.IsRectEmpty())
        return;
    update_.UnionRect(&update_, &part);
    if (erase)
        erase_ = true;
}

BOOL CWnd::GetUpdateRect(LPRECT rect, BOOL erase) {
    if (rect != nullptr)
        *rect = update_;
    if (erase && erase_) {
        EraseUpdate();
        erase_ = false;
    }
    return update_.IsRectEmpty() ? FALSE : TRUE;
}

void CWnd::EraseUpdate() {
    CRect area;
    CRect bounds(0, 0, surface_.GetWidth(), surface_.GetHeight());
    if (!area.IntersectRect(&update_, &bounds))
        return;
    for (LONG y = area.top; y < area.bottom; ++y)
        std::fill_n(&surface_.At(area.left, y), area.right - area.left, CPixelSurface::kWhite);
}

CPaintDC::CPaintDC(CWnd* window) : CDC(window != nullptr ? &window->surface_ : nullptr), m_ps() {
    if (window == nullptr) {
        SetClipBox(CRect());
        return;
    }
    m_ps.rcPaint = window->update_;
    if (window->erase_)
        window->EraseUpdate();
    SetClipBox(window->update_);
    window->update_.SetRectEmpty();
    window->erase_ = false;
}

CPaintDC::~CPaintDC() = default;
