#include "platform/module.h"
#include "platform/wnd.h"

#include "src/syswin.h"

#include <algorithm>
#include <map>
#include <memory>

namespace {

// Keeps right and bottom within an int for any placement.
constexpr int kPlacementLimit = 1 << 30;

// Dialog units in pixels for the portable dialogs: the base units of MS Sans Serif 8 at 96 dots
// per inch, the dialog font of the templates they show.
constexpr int kBaseUnitX = 6;
constexpr int kBaseUnitY = 13;

int DialogX(int units) {
    return (units * kBaseUnitX + (units < 0 ? -2 : 2)) / 4;
}

int DialogY(int units) {
    return (units * kBaseUnitY + (units < 0 ? -4 : 4)) / 8;
}

// Objects for system windows that no object holds, until DeleteTempMap.
std::map<HWND, std::unique_ptr<CWnd>>& TempMap() {
    static std::map<HWND, std::unique_ptr<CWnd>> map;
    return map;
}

} // namespace

LRESULT PlatformWindowAccess::Dispatch(CWnd* window, UINT message, WPARAM wParam, LPARAM lParam) {
    // Messages nest (a handler may send another), so the one handled before comes back after.
    const CWnd::Message outer = window->current_;
    window->current_ = CWnd::Message{message, wParam, lParam};
    struct Restore {
        CWnd* window;
        CWnd::Message message;
        ~Restore() { window->current_ = message; }
    } restore{window, outer};
    return window->WindowProc(message, wParam, lParam);
}

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

CCmdTarget::~CCmdTarget() = default;

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr}};
    static const AFX_MSGMAP map = {nullptr, entries};
    return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const {
    return GetThisMessageMap();
}

IMPLEMENT_DYNAMIC(CWnd, CCmdTarget)
IMPLEMENT_DYNAMIC(CPaintDC, CDC)
IMPLEMENT_DYNAMIC(CStatic, CWnd)
IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()

CWnd::CWnd() = default;

CWnd::~CWnd() {
    if (m_hWnd != nullptr)
        DestroyWindow();
    Unlink();
}

CWnd* CWnd::FromHandlePermanent(HWND window) {
    platform_os::SystemWindows* system = platform_os::Windows();
    return window != nullptr && system != nullptr ? system->Permanent(window) : nullptr;
}

CWnd* CWnd::FromHandle(HWND window) {
    if (window == nullptr || platform_os::Windows() == nullptr)
        return nullptr;
    if (CWnd* permanent = FromHandlePermanent(window))
        return permanent;
    std::unique_ptr<CWnd>& temporary = TempMap()[window];
    if (!temporary) {
        temporary = std::make_unique<CWnd>();
        temporary->m_hWnd = window;
    }
    return temporary.get();
}

void CWnd::DeleteTempMap() {
    // A temporary object only names a window; it never destroys one.
    for (auto& [window, temporary] : TempMap())
        temporary->m_hWnd = nullptr;
    TempMap().clear();
}

BOOL CWnd::Create(LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent,
                  UINT id, void*) {
    if (m_hWnd != nullptr || created_)
        return FALSE;
    platform_os::SystemWindows* system = platform_os::Windows();
    const bool systemParent = parent == nullptr || parent->m_hWnd != nullptr;
    if (system == nullptr || !systemParent)
        return CreatePortable(style, rect, parent, id, className, windowName);
    return system->Create(this, className, windowName, style, rect,
                          parent != nullptr ? parent->m_hWnd : nullptr, id) != nullptr
               ? TRUE
               : FALSE;
}

BOOL CWnd::CreatePortable(DWORD style, const RECT& rect, CWnd* parent, UINT id, LPCSTR className,
                          LPCSTR windowName) {
    parent_ = parent;
    if (parent != nullptr)
        parent->children_.push_back(this);
    id_ = static_cast<int>(id);
    style_ = style;
    created_ = true;
    windowRect_.SetRectEmpty();
    MoveWindow(&rect, TRUE);
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
    if (SendMessage(WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        DestroyWindow();
        return FALSE;
    }
    return TRUE;
}

BOOL CWnd::DestroyWindow() {
    if (m_hWnd != nullptr) {
        // The system's WM_NCDESTROY detaches the object.
        platform_os::SystemWindows* system = platform_os::Windows();
        return system != nullptr && system->Destroy(m_hWnd) ? TRUE : FALSE;
    }
    if (!created_)
        return FALSE;
    SendMessage(WM_DESTROY);
    // Children go first, each unlinking itself.
    while (!children_.empty())
        children_.back()->DestroyWindow();
    SendMessage(WM_NCDESTROY);
    Unlink();
    created_ = false;
    id_ = 0;
    style_ = 0;
    PostNcDestroy();
    return TRUE;
}

void CWnd::Unlink() {
    if (parent_ != nullptr) {
        auto& siblings = parent_->children_;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
        parent_ = nullptr;
    }
    for (CWnd* child : children_)
        child->parent_ = nullptr;
    children_.clear();
}

BOOL CWnd::SubclassWindow(HWND window) {
    platform_os::SystemWindows* system = platform_os::Windows();
    if (m_hWnd != nullptr || window == nullptr || system == nullptr)
        return FALSE;
    return system->Subclass(this, window);
}

CWnd* CWnd::GetParent() const {
    if (m_hWnd != nullptr)
        return FromHandle(platform_os::Windows()->GetParent(m_hWnd));
    return parent_;
}

CWnd* CWnd::GetDlgItem(int id) const {
    if (m_hWnd != nullptr)
        return FromHandle(platform_os::Windows()->GetDlgItem(m_hWnd, id));
    for (CWnd* child : children_)
        if (child->id_ == id)
            return child;
    return nullptr;
}

int CWnd::GetDlgCtrlID() const {
    return m_hWnd != nullptr ? platform_os::Windows()->GetDlgCtrlID(m_hWnd) : id_;
}

DWORD CWnd::GetStyle() const {
    return m_hWnd != nullptr ? platform_os::Windows()->GetStyle(m_hWnd) : style_;
}

void CWnd::MoveWindow(int x, int y, int width, int height, BOOL repaint) {
    if (m_hWnd != nullptr) {
        platform_os::Windows()->Move(m_hWnd, x, y, width, height, repaint);
        return;
    }
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
    if (rect == nullptr)
        return;
    if (m_hWnd != nullptr)
        platform_os::Windows()->GetClientRect(m_hWnd, rect);
    else
        *rect = CRect(0, 0, windowRect_.Width(), windowRect_.Height());
}

void CWnd::GetWindowRect(LPRECT rect) const {
    if (rect == nullptr)
        return;
    if (m_hWnd != nullptr) {
        platform_os::Windows()->GetWindowRect(m_hWnd, rect);
        return;
    }
    CRect place = windowRect_;
    // Placements are clamped, so a chain of ancestors cannot wrap an int in any real tree;
    // the sum is clamped all the same.
    for (const CWnd* up = parent_; up != nullptr; up = up->parent_)
        place.OffsetRect(std::clamp<int>(up->windowRect_.left, -kPlacementLimit, kPlacementLimit),
                         std::clamp<int>(up->windowRect_.top, -kPlacementLimit, kPlacementLimit));
    *rect = place;
}

void CWnd::Invalidate(BOOL erase) {
    InvalidateRect(nullptr, erase);
}

void CWnd::InvalidateRect(LPCRECT rect, BOOL erase) {
    if (m_hWnd != nullptr) {
        platform_os::Windows()->InvalidateRect(m_hWnd, rect, erase);
        return;
    }
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
    if (m_hWnd != nullptr)
        return platform_os::Windows()->GetUpdateRect(m_hWnd, rect, erase);
    if (rect != nullptr)
        *rect = update_;
    if (erase && erase_) {
        EraseUpdate();
        erase_ = false;
    }
    return update_.IsRectEmpty() ? FALSE : TRUE;
}

void CWnd::UpdateWindow() {
    if (m_hWnd != nullptr)
        platform_os::Windows()->Update(m_hWnd);
    else if (!update_.IsRectEmpty())
        SendMessage(WM_PAINT);
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_hWnd != nullptr)
        return platform_os::Windows()->Send(m_hWnd, message, wParam, lParam);
    return PlatformWindowAccess::Dispatch(this, message, wParam, lParam);
}

void CWnd::EraseUpdate() {
    CRect area;
    CRect bounds(0, 0, surface_.GetWidth(), surface_.GetHeight());
    if (!area.IntersectRect(&update_, &bounds))
        return;
    for (LONG y = area.top; y < area.bottom; ++y)
        std::fill_n(&surface_.At(area.left, y), area.right - area.left, CPixelSurface::kWhite);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (OnWndMsg(message, wParam, lParam, &result))
        return result;
    return DefWindowProc(message, wParam, lParam);
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (message == WM_COMMAND)
        return OnCommand(wParam, lParam);
    if (message == WM_NOTIFY)
        return OnNotify(wParam, lParam, result);
    for (const AFX_MSGMAP* map = GetMessageMap(); map != nullptr;
         map = map->pfnGetBaseMap != nullptr ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry->pfn != nullptr; ++entry) {
            if (entry->nMessage == message) {
                *result = entry->pfn(this, wParam, lParam);
                return TRUE;
            }
        }
    }
    return FALSE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT code = HIWORD(wParam);
    const UINT id = LOWORD(wParam);
    for (const AFX_MSGMAP* map = GetMessageMap(); map != nullptr;
         map = map->pfnGetBaseMap != nullptr ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry->pfn != nullptr; ++entry) {
            if (entry->nMessage == WM_COMMAND && entry->nCode == code && id >= entry->nID &&
                id <= entry->nLastID) {
                entry->pfn(this, wParam, lParam);
                return TRUE;
            }
        }
    }
    return FALSE;
}

BOOL CWnd::OnNotify(WPARAM, LPARAM, LRESULT*) {
    return FALSE;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_hWnd != nullptr)
        return platform_os::Windows()->CallDefault(m_hWnd, superProc_, message, wParam, lParam);
    switch (message) {
    case WM_PAINT: {
        CPaintDC validate(this);
        return 0;
    }
    case WM_NCCREATE:
        return TRUE;
    default:
        return 0;
    }
}

void CWnd::PostNcDestroy() {}

LRESULT CWnd::Default() {
    return DefWindowProc(current_.message, current_.wParam, current_.lParam);
}

int CWnd::OnCreate(LPCREATESTRUCT) {
    return static_cast<int>(Default());
}

void CWnd::OnPaint() {
    Default();
}

void CWnd::OnMove(int, int) {
    Default();
}

CPaintDC::CPaintDC(CWnd* window) : CDC(window != nullptr ? &window->surface_ : nullptr), m_ps() {
    if (window != nullptr && window->m_hWnd != nullptr) {
        platform_os::SystemWindows* system = platform_os::Windows();
        window_ = window->m_hWnd;
        Attach(system->BeginPaint(window_, &m_ps));
        return;
    }
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

CPaintDC::~CPaintDC() {
    if (window_ == nullptr)
        return;
    Detach();
    platform_os::Windows()->EndPaint(window_, &m_ps);
}

CStatic::CStatic() = default;
CStatic::~CStatic() = default;

BOOL CStatic::Create(LPCSTR text, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create("STATIC", text, style, rect, parent, id);
}

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_MESSAGE(WM_INITDIALOG, HandleInitDialog)
END_MESSAGE_MAP()

CDialog::CDialog() = default;

CDialog::~CDialog() {
    DestroyPortable();
}

BOOL CDialog::OnInitDialog() {
    return TRUE;
}

LRESULT CDialog::HandleInitDialog(WPARAM, LPARAM) {
    return OnInitDialog();
}

BOOL CDialog::CreatePortable(const PlatformDialogItem* dialogTemplate, CWnd* parent, int x, int y) {
    CRect place(x, y, x, y);
    DWORD style = WS_CHILD | WS_VISIBLE;
    if (dialogTemplate != nullptr) {
        place.SetRect(x + DialogX(dialogTemplate->x), y + DialogY(dialogTemplate->y),
                      x + DialogX(dialogTemplate->x + dialogTemplate->cx),
                      y + DialogY(dialogTemplate->y + dialogTemplate->cy));
        style = dialogTemplate->style;
    }
    if (!CWnd::CreatePortable(style, place, parent, 0, "#32770",
                              dialogTemplate != nullptr ? dialogTemplate->text : ""))
        return FALSE;
    if (dialogTemplate == nullptr)
        return TRUE;
    for (const PlatformDialogItem* item = dialogTemplate + 1;
         item->kind == PlatformDialogItem::control; ++item) {
        auto control = std::make_unique<CStatic>();
        const CRect rect(DialogX(item->x), DialogY(item->y), DialogX(item->x + item->cx),
                         DialogY(item->y + item->cy));
        if (control->Create(item->text, item->style, rect, this, static_cast<UINT>(item->id)))
            controls_.push_back(control.release());
    }
    return TRUE;
}

void CDialog::DestroyPortable() {
    if (m_hWnd == nullptr)
        DestroyWindow();
    for (CWnd* control : controls_)
        delete control;
    controls_.clear();
}
