// Windows, message maps, static controls, dialogs and the paint context, in the framework's
// manner.
//
// A CWnd holds either a window of the system (m_hWnd, on systems that have them) or none: then it
// is a portable window, which keeps a pixel surface the size of its client area and an update
// rectangle, the part that invalidation has marked for repainting. The kind is settled when the
// window is created or attached, and every member then works on that kind alone. A portable
// window created with Create joins its parent's children, where GetDlgItem finds it. Messages
// reach a window through WindowProc, which looks them up in the class's message map and its bases'
// maps and hands what none handles to DefWindowProc: the system's procedure of the window, or the
// portable defaults. A paint context on a system window is the system's own (BeginPaint,
// EndPaint); on a portable window it draws into the window's surface, clipped to the update
// rectangle, and leaves the window valid, so a test paints a window and then reads its pixels.
#pragma once

#include "platform/gdi.h"

#include <vector>

#if !defined(_WIN32)
typedef std::uintptr_t WPARAM;
typedef std::intptr_t LPARAM;
typedef std::intptr_t LRESULT;
typedef std::uintptr_t UINT_PTR;

struct HMENU__;
typedef HMENU__* HMENU;

struct tagPAINTSTRUCT {
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
    BOOL fRestore;
    BOOL fIncUpdate;
    BYTE rgbReserved[32];
};
typedef tagPAINTSTRUCT PAINTSTRUCT;

struct tagCREATESTRUCTA {
    LPVOID lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    int cy;
    int cx;
    int y;
    int x;
    LONG style;
    LPCSTR lpszName;
    LPCSTR lpszClass;
    DWORD dwExStyle;
};
typedef tagCREATESTRUCTA CREATESTRUCT;
typedef tagCREATESTRUCTA* LPCREATESTRUCT;

// The header of every WM_NOTIFY message.
struct tagNMHDR {
    HWND hwndFrom;
    UINT_PTR idFrom;
    UINT code;
};
typedef tagNMHDR NMHDR;

#define LOWORD(l) static_cast<WORD>(static_cast<std::uintptr_t>(l) & 0xFFFF)
#define HIWORD(l) static_cast<WORD>((static_cast<std::uintptr_t>(l) >> 16) & 0xFFFF)
#define MAKELONG(low, high)                                                                        \
    static_cast<LONG>(static_cast<DWORD>(static_cast<WORD>(low)) |                                 \
                      (static_cast<DWORD>(static_cast<WORD>(high)) << 16))
#define MAKEWPARAM(low, high) static_cast<WPARAM>(static_cast<DWORD>(MAKELONG(low, high)))
#define MAKELPARAM(low, high) static_cast<LPARAM>(static_cast<DWORD>(MAKELONG(low, high)))

#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_MOVE 0x0003
#define WM_SIZE 0x0005
#define WM_PAINT 0x000F
#define WM_ERASEBKGND 0x0014
#define WM_NOTIFY 0x004E
#define WM_NCCREATE 0x0081
#define WM_NCDESTROY 0x0082
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define WM_USER 0x0400

#define WS_OVERLAPPED 0x00000000
#define WS_TABSTOP 0x00010000
#define WS_GROUP 0x00020000
#define WS_SYSMENU 0x00080000
#define WS_BORDER 0x00800000
#define WS_CAPTION 0x00C00000
#define WS_CLIPCHILDREN 0x02000000
#define WS_CLIPSIBLINGS 0x04000000
#define WS_VISIBLE 0x10000000
#define WS_CHILD 0x40000000
#define WS_POPUP 0x80000000
#define WS_EX_TRANSPARENT 0x00000020

#define DS_MODALFRAME 0x80
#define DS_SETFONT 0x40
#define DS_3DLOOK 0x0004
#define DS_CONTROL 0x0400
#define DS_CENTER 0x0800

#define SS_BLACKFRAME 0x00000007
#define SS_ENHMETAFILE 0x0000000F
#define SS_TYPEMASK 0x0000001F
#define SS_SUNKEN 0x00001000

#define EN_CHANGE 0x0300
#define LBN_SELCHANGE 1
#endif

class CWnd;

// A message map: each entry names a message (WM_COMMAND with a notification code and a range of
// control ids for a control's notification) and the call that handles it. A map ends with an
// entry without a call and continues in the map of the class's base.
typedef LRESULT (*AFX_MSGCALL)(CWnd* window, WPARAM wParam, LPARAM lParam);

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;
    UINT nCode;
    UINT nID;
    UINT nLastID;
    AFX_MSGCALL pfn;
};

struct AFX_MSGMAP {
    // The base class's map, null for the root; a function, so that the map of a class in one
    // library can name the map of its base in another.
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

// Marks message handlers, as in the framework.
#define afx_msg

#define DECLARE_MESSAGE_MAP()                                                                      \
protected:                                                                                         \
    static const AFX_MSGMAP* GetThisMessageMap();                                                  \
    const AFX_MSGMAP* GetMessageMap() const override;

// clang-format off
#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                     \
    const AFX_MSGMAP* theClass::GetMessageMap() const {                                            \
        return GetThisMessageMap();                                                                \
    }                                                                                              \
    const AFX_MSGMAP* theClass::GetThisMessageMap() {                                              \
        using ThisClass [[maybe_unused]] = theClass;                                               \
        using TheBaseClass = baseClass;                                                            \
        static const AFX_MSGMAP_ENTRY messageEntries[] = {

#define END_MESSAGE_MAP()                                                                          \
            {0, 0, 0, 0, nullptr}};                                                                \
        static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, messageEntries};   \
        return &messageMap;                                                                        \
    }
// clang-format on

// The entries. Each handler is called on the window as the class of the map.
#define ON_MESSAGE(message, memberFxn)                                                             \
    {static_cast<UINT>(message), 0, 0, 0, [](CWnd* w, WPARAM wp, LPARAM lp) -> LRESULT {           \
         return static_cast<ThisClass*>(w)->memberFxn(wp, lp);                                     \
     }},
#define ON_WM_CREATE()                                                                             \
    {WM_CREATE, 0, 0, 0, [](CWnd* w, WPARAM, LPARAM lp) -> LRESULT {                               \
         return static_cast<ThisClass*>(w)->OnCreate(reinterpret_cast<LPCREATESTRUCT>(lp));        \
     }},
#define ON_WM_PAINT()                                                                              \
    {WM_PAINT, 0, 0, 0, [](CWnd* w, WPARAM, LPARAM) -> LRESULT {                                   \
         static_cast<ThisClass*>(w)->OnPaint();                                                    \
         return 0;                                                                                 \
     }},
#define ON_WM_MOVE()                                                                               \
    {WM_MOVE, 0, 0, 0, [](CWnd* w, WPARAM, LPARAM lp) -> LRESULT {                                 \
         static_cast<ThisClass*>(w)->OnMove(static_cast<short>(LOWORD(lp)),                        \
                                            static_cast<short>(HIWORD(lp)));                       \
         return 0;                                                                                 \
     }},
#define ON_CONTROL(code, id, memberFxn)                                                            \
    {WM_COMMAND, static_cast<UINT>(code), static_cast<UINT>(id), static_cast<UINT>(id),            \
     [](CWnd* w, WPARAM, LPARAM) -> LRESULT {                                                      \
         static_cast<ThisClass*>(w)->memberFxn();                                                  \
         return 0;                                                                                 \
     }},
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
#define ON_LBN_SELCHANGE(id, memberFxn) ON_CONTROL(LBN_SELCHANGE, id, memberFxn)

// The root of the classes with message maps.
class PLATFORM_API CCmdTarget : public CObject {
    DECLARE_DYNAMIC(CCmdTarget)
public:
    CCmdTarget() = default;
    ~CCmdTarget() override;

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
};

struct PlatformWindowAccess;
namespace platform_os {
class WindowBackend;
}

class PLATFORM_API CWnd : public CCmdTarget {
    DECLARE_DYNAMIC(CWnd)
public:
    // A window of no size at (0, 0), without a system handle.
    CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    // Destroys the window it still holds.
    ~CWnd() override;

    // The system's window, or null for a portable window.
    HWND m_hWnd = nullptr;
    HWND GetSafeHwnd() const { return m_hWnd; }

    // The object attached to a system window; null when there is none.
    static CWnd* FromHandlePermanent(HWND window);
    // The same, or else a temporary object for the window, valid until the next
    // DeleteTempMap.
    static CWnd* FromHandle(HWND window);
    static void DeleteTempMap();

    // Creates a window with its parent, in the parent's client coordinates. The window is the
    // system's where the system has windows and the parent is one of them (or there is no
    // parent), a portable one otherwise. It receives WM_CREATE through its message map; a
    // result of -1 destroys it again and Create returns FALSE.
    virtual BOOL Create(LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect,
                        CWnd* parent, UINT id, void* context = nullptr);
    // Destroys the window and its children; the object stays and may create another.
    virtual BOOL DestroyWindow();
    // Routes the messages of an existing system window through this object.
    BOOL SubclassWindow(HWND window);

    CWnd* GetParent() const;
    // The child with the control id, null when there is none.
    CWnd* GetDlgItem(int id) const;
    int GetDlgCtrlID() const;
    DWORD GetStyle() const;

    // Places the window, in its parent's client coordinates. Portable windows are all client
    // area; a new size starts a white surface that needs painting, whatever repaint says;
    // otherwise repaint marks the whole client area for repainting with erasing.
    void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);
    void MoveWindow(LPCRECT rect, BOOL repaint = TRUE);

    // (0, 0) and the client area's size.
    void GetClientRect(LPRECT rect) const;
    // The window's place in screen coordinates: a portable window's place in its parent's
    // client coordinates, offset by the places of its ancestors.
    void GetWindowRect(LPRECT rect) const;

    // Marks the client area, or a part of it (null for all), for repainting; erase asks the
    // next paint to clear the marked part first (to white on a portable window).
    void Invalidate(BOOL erase = TRUE);
    void InvalidateRect(LPCRECT rect, BOOL erase = TRUE);
    // FALSE when no repaint is due. rect, when given, receives the update rectangle; erase
    // clears a pending erase now.
    BOOL GetUpdateRect(LPRECT rect, BOOL erase = FALSE);
    // Sends WM_PAINT at once when a repaint is due.
    void UpdateWindow();

    // Hands a message to the window and returns its result.
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    // What a portable window shows.
    const CPixelSurface& GetSurface() const { return portable_.surface; }

protected:
    // Every message: the message maps, then DefWindowProc for what no map handles.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // TRUE with the result when a map handles the message.
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // The window's own handling: the system's procedure, or the portable defaults (a paint
    // validates, WM_CREATE succeeds, everything else yields 0).
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // WM_COMMAND and WM_NOTIFY: TRUE when handled.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);
    // Called after the window is gone (WM_NCDESTROY).
    virtual void PostNcDestroy();
    // DefWindowProc for the message being handled.
    LRESULT Default();

    afx_msg int OnCreate(LPCREATESTRUCT createStruct);
    afx_msg void OnPaint();
    afx_msg void OnMove(int x, int y);

    // Creates a portable window, whatever the system has.
    BOOL CreatePortable(DWORD style, const RECT& rect, CWnd* parent, UINT id, LPCSTR className,
                        LPCSTR windowName);

    DECLARE_MESSAGE_MAP()

private:
    friend class CPaintDC;
    friend struct PlatformWindowAccess;

    struct Message {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };

    struct PortableState {
        CRect windowRect; // in the parent's client coordinates
        CRect update;
        bool erase = false;
        CPixelSurface surface;
        CWnd* parent = nullptr;
        std::vector<CWnd*> children;
        int id = 0;
        DWORD style = 0;
        bool created = false;
    };

    // The kind of window the object holds: the system's while m_hWnd names one, the portable
    // window otherwise (also before creation and after destruction).
    platform_os::WindowBackend* backend_;
    // The message being handled, for Default.
    Message current_ = {};
    // The window procedure that the system window had before this object took its messages.
    void* superProc_ = nullptr;
    PortableState portable_;
};

class PLATFORM_API CPaintDC : public CDC {
    DECLARE_DYNAMIC(CPaintDC)
public:
    // Begins painting. On a system window the context is the system's. On a portable window
    // it erases the update rectangle when that is pending, clips to it and validates the window;
    // fErase stays FALSE, as the context has already erased what needed erasing. A null window
    // gives a context that draws nothing.
    explicit CPaintDC(CWnd* window);
    ~CPaintDC() override;

    PAINTSTRUCT m_ps;

private:
    friend struct PlatformWindowAccess;

    // The kind of window being painted, which ends the paint; null for a null window.
    platform_os::WindowBackend* painter_ = nullptr;
    // The system window being painted.
    HWND window_ = nullptr;
};

class PLATFORM_API CStatic : public CWnd {
    DECLARE_DYNAMIC(CStatic)
public:
    CStatic();
    ~CStatic() override;

    using CWnd::Create;
    // A static control of the system's "STATIC" class (the id -1, 0xFFFF, names none).
    BOOL Create(LPCSTR text, DWORD style, const RECT& rect, CWnd* parent, UINT id = 0xFFFF);
};

// Items of a dialog template, in dialog units.
struct PlatformDialogItem;

// The base of the dialogs that the system runs for a class (the file dialog): WM_INITDIALOG
// reaches OnInitDialog through the message map.
class PLATFORM_API CDialog : public CWnd {
    DECLARE_DYNAMIC(CDialog)
public:
    CDialog();
    ~CDialog() override;

    // The dialog's controls exist; TRUE lets the dialog set the focus.
    virtual BOOL OnInitDialog();

protected:
    afx_msg LRESULT HandleInitDialog(WPARAM wParam, LPARAM lParam);

    // Creates the dialog as a portable window from a template (null: an empty dialog) at (x, y)
    // of its parent, with a portable child for each of its controls.
    BOOL CreatePortable(const PlatformDialogItem* dialogTemplate, CWnd* parent, int x, int y);
    // Destroys the portable window and its controls.
    void DestroyPortable();

    DECLARE_MESSAGE_MAP()

private:
    std::vector<CWnd*> controls_;
};
