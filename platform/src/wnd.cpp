#include "platform/module.h"
#include "platform/wnd.h"

#include "src/syswin.h"

#include <map>
#include <memory>

namespace {

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

CWnd::CWnd() : backend_(&platform_os::PortableWindows()) {}

CWnd::~CWnd() {
    backend_->Release(*this);
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
        PlatformWindowAccess::Attach(temporary.get(), window);
    }
    return temporary.get();
}

void CWnd::DeleteTempMap() {
    // A temporary object only names a window; it never destroys one.
    for (auto& [window, temporary] : TempMap())
        PlatformWindowAccess::Forget(temporary.get());
    TempMap().clear();
}

BOOL CWnd::Create(LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent,
                  UINT id, void*) {
    if (backend_->Holds(*this))
        return FALSE;
    // A child is of its parent's kind; a window without one is the system's where there is a
    // system with windows.
    platform_os::WindowBackend* kind =
        parent != nullptr ? parent->backend_ : platform_os::Windows();
    if (kind == nullptr)
        kind = &platform_os::PortableWindows();
    return kind->Create(*this, className, windowName, style, rect, parent, id);
}

BOOL CWnd::CreatePortable(DWORD style, const RECT& rect, CWnd* parent, UINT id, LPCSTR className,
                          LPCSTR windowName) {
    if (backend_->Holds(*this))
        return FALSE;
    return platform_os::PortableWindows().Create(*this, className, windowName, style, rect, parent,
                                                 id);
}

BOOL CWnd::DestroyWindow() {
    return backend_->Destroy(*this);
}

BOOL CWnd::SubclassWindow(HWND window) {
    platform_os::SystemWindows* system = platform_os::Windows();
    if (backend_->Holds(*this) || window == nullptr || system == nullptr)
        return FALSE;
    return system->Subclass(this, window);
}

CWnd* CWnd::GetParent() const {
    return backend_->GetParent(*this);
}

CWnd* CWnd::GetDlgItem(int id) const {
    return backend_->GetDlgItem(*this, id);
}

int CWnd::GetDlgCtrlID() const {
    return backend_->GetDlgCtrlID(*this);
}

DWORD CWnd::GetStyle() const {
    return backend_->GetStyle(*this);
}

void CWnd::MoveWindow(int x, int y, int width, int height, BOOL repaint) {
    backend_->Move(*this, x, y, width, height, repaint);
}

void CWnd::MoveWindow(LPCRECT rect, BOOL repaint) {
    if (rect != nullptr)
        MoveWindow(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top,
                   repaint);
}

void CWnd::GetClientRect(LPRECT rect) const {
    if (rect != nullptr)
        backend_->GetClientRect(*this, rect);
}

void CWnd::GetWindowRect(LPRECT rect) const {
    if (rect != nullptr)
        backend_->GetWindowRect(*this, rect);
}

void CWnd::Invalidate(BOOL erase) {
    InvalidateRect(nullptr, erase);
}

void CWnd::InvalidateRect(LPCRECT rect, BOOL erase) {
    backend_->InvalidateRect(*this, rect, erase);
}

BOOL CWnd::GetUpdateRect(LPRECT rect, BOOL erase) {
    return backend_->GetUpdateRect(*this, rect, erase);
}

void CWnd::UpdateWindow() {
    backend_->Update(*this);
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return backend_->Send(*this, message, wParam, lParam);
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
    return backend_->CallDefault(*this, message, wParam, lParam);
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

CPaintDC::CPaintDC(CWnd* window)
    : CDC(window != nullptr ? &window->portable_.surface : nullptr), m_ps(),
      painter_(window != nullptr ? window->backend_ : nullptr) {
    if (painter_ != nullptr)
        painter_->BeginPaint(*window, *this);
    else
        SetClipBox(CRect());
}

CPaintDC::~CPaintDC() {
    if (painter_ != nullptr)
        painter_->EndPaint(*this);
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
    // A system window that the dialog may hold stays; the object's destruction takes it.
    platform_os::PortableWindows().Destroy(*this);
    for (CWnd* control : controls_)
        delete control;
    controls_.clear();
}
