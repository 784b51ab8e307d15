// A portable window without a system handle, and the paint context that draws into it.
//
// The window keeps a pixel surface the size of its client area and an update rectangle: the
// part that invalidation has marked for repainting. A paint context on the window draws into
// that surface, clipped to the update rectangle, and leaves the window valid again, as
// BeginPaint and EndPaint do; a test paints a window and then reads its pixels.
#pragma once

#include "platform/gdi.h"

#if !defined(_WIN32)
struct HDC__;
typedef HDC__* HDC;

struct tagPAINTSTRUCT {
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
    BOOL fRestore;
    BOOL fIncUpdate;
    BYTE rgbReserved[32];
};
typedef tagPAINTSTRUCT PAINTSTRUCT;
#endif

class PLATFORM_API CWnd : public CObject {
    DECLARE_DYNAMIC(CWnd)
public:
    // A window of no size at (0, 0).
    CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    ~CWnd() override;

    // Places the window, in its parent's coordinates; the whole window is client area. A new
    // size starts a white surface that needs painting, whatever repaint says; otherwise repaint
    // marks the whole client area for repainting with erasing.
    void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);
    void MoveWindow(LPCRECT rect, BOOL repaint = TRUE);

    // (0, 0) and the client area's size.
    void GetClientRect(LPRECT rect) const;
    // The window's place in its parent's coordinates.
    void GetWindowRect(LPRECT rect) const;

    // Marks the client area, or a part of it (null for all), for repainting; erase asks the
    // next paint to clear the marked part to white first.
    void Invalidate(BOOL erase = TRUE);
    void InvalidateRect(LPCRECT rect, BOOL erase = TRUE);
    // FALSE when no repaint is due. rect, when given, receives the update rectangle; erase
    // clears a pending erase now.
    BOOL GetUpdateRect(LPRECT rect, BOOL erase = FALSE);

    // What the window shows.
    const CPixelSurface& GetSurface() const { return surface_; }

private:
    friend class CPaintDC;

    void EraseUpdate();

    CRect windowRect_;
    CRect update_;
    bool erase_ = false;
    CPixelSurface surface_;
};

class PLATFORM_API CPaintDC : public CDC {
    DECLARE_DYNAMIC(CPaintDC)
public:
    // Begins painting: erases the update rectangle when that is pending, clips to it and
    // validates the window. A null window gives a context that draws nothing.
    explicit CPaintDC(CWnd* window);
    ~CPaintDC() override;

    // The part being painted. There is no system context, and fErase stays FALSE: the
    // context has already erased what needed erasing.
    PAINTSTRUCT m_ps;
};
