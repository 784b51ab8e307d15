#include "platform/filedlg.h"

#include "platform/module.h"

#include "src/syswin.h"

#include <algorithm>
#include <cstring>

namespace {

std::size_t BoundedLength(const char* text, std::size_t limit) {
    return static_cast<std::size_t>(std::find(text, text + limit, '\0') - text);
}

CFileDialogChooser*& InstalledChooser() {
    static CFileDialogChooser* chooser = nullptr;
    return chooser;
}

// Offset of the last part of a path: behind the final separator of either system.
std::size_t NameStart(const std::string& path) {
    std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? 0 : slash + 1;
}

// The default extension as the system's dialog adds it: without a leading dot, and no more
// than its first three characters.
std::string ExtensionToAdd(LPCSTR defExt) {
    if (defExt == nullptr)
        return std::string();
    if (*defExt == '.')
        ++defExt;
    return std::string(defExt, BoundedLength(defExt, 3));
}

} // namespace

CFileDialogChooser::~CFileDialogChooser() = default;

CFileDialogChooser* PlatformSetFileDialogChooser(CFileDialogChooser* chooser) {
    CFileDialogChooser* previous = InstalledChooser();
    InstalledChooser() = chooser;
    return previous;
}

void CFileDialogChooser::Select(CFileDialog& dialog, LPCSTR path) {
    if (!dialog.open_)
        return;
    dialog.selection_ = path;
    dialog.selected_ = true;
    if (dialog.Explorer()) {
        OFNOTIFY notify = {};
        notify.hdr.code = CDN_SELCHANGE;
        notify.lpOFN = &dialog.m_ofn;
        dialog.SendMessage(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notify));
    } else {
        dialog.OnLBSelChangedNotify(lst1, 0, CD_LBSELCHANGE);
    }
}

IMPLEMENT_DYNAMIC(CFileDialog, CDialog)

CFileDialog::CFileDialog(BOOL openFileDialog, LPCSTR defExt, LPCSTR fileName, DWORD flags,
                         LPCSTR filter, CWnd* parent)
    : m_ofn(), m_bOpenFileDialog(openFileDialog), m_szFileName(), parentWnd_(parent) {
    m_ofn.lStructSize = sizeof(m_ofn);
    m_ofn.hInstance = AfxGetInstanceHandle();
    m_ofn.lpstrFile = m_szFileName;
    m_ofn.nMaxFile = sizeof(m_szFileName);
    m_ofn.Flags = flags | OFN_EXPLORER | OFN_ENABLEHOOK;
    if (defExt != nullptr) {
        defExt_ = defExt;
        m_ofn.lpstrDefExt = defExt_;
    }
    if (fileName != nullptr) {
        std::size_t n = BoundedLength(fileName, sizeof(m_szFileName) - 1);
        std::memcpy(m_szFileName, fileName, n);
        m_szFileName[n] = '\0';
    }
    if (filter != nullptr) {
        filter_ = filter;
        for (char& ch : filter_)
            if (ch == '|')
                ch = '\0';
        m_ofn.lpstrFilter = filter_.c_str();
    }
}

CFileDialog::~CFileDialog() = default;

int CFileDialog::DoModal() {
    chosen_ = false;
    if (CFileDialogChooser* chooser = InstalledChooser())
        return AnswerByChooser(chooser);
    platform_os::SystemWindows* system = platform_os::Windows();
    if (system == nullptr)
        return IDCANCEL;
    const int result =
        system->RunFileDialog(this, parentWnd_ != nullptr ? parentWnd_->m_hWnd : nullptr);
    CWnd::DeleteTempMap();
    return result;
}

int CFileDialog::AnswerByChooser(CFileDialogChooser* chooser) {
    const PlatformDialogItem* childTemplate =
        (m_ofn.Flags & OFN_ENABLETEMPLATE) != 0
            ? PlatformFindDialog(m_ofn.hInstance, m_ofn.lpTemplateName)
            : nullptr;
    selection_.Empty();
    selected_ = false;
    if (!CreatePortable(childTemplate, nullptr, 0, 0))
        return IDCANCEL;
    // Closes the portable dialog however the chooser leaves, as the system's dialog closes.
    struct Open {
        CFileDialog* dialog;
        ~Open() {
            dialog->open_ = false;
            dialog->DestroyPortable();
        }
    } open{this};
    open_ = true;
    SendMessage(WM_INITDIALOG);
    OFNOTIFY notify = {};
    notify.lpOFN = &m_ofn;
    notify.hdr.code = CDN_INITDONE;
    if (Explorer())
        SendMessage(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notify));

    CString answer;
    if (chooser->Choose(*this, &answer) != IDOK || answer.IsEmpty())
        return IDCANCEL;
    std::string path = answer.str();
    const std::string extension = ExtensionToAdd(m_ofn.lpstrDefExt);
    const std::size_t nameStart = NameStart(path);
    const bool hasExtension = path.find('.', nameStart) != std::string::npos;
    if (!extension.empty() && !hasExtension && nameStart < path.size())
        path += "." + extension;

    // The dialog may refuse the choice; nobody is left to choose again, so that cancels it.
    selection_ = path.c_str();
    selected_ = true;
    notify.hdr.code = CDN_FILEOK;
    const BOOL refused =
        Explorer() ? static_cast<BOOL>(SendMessage(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notify)))
                   : OnFileNameOK();
    if (refused)
        return IDCANCEL;

    chosenPath_ = path.c_str();
    chosen_ = true;
    if (m_ofn.lpstrFile != nullptr && m_ofn.nMaxFile > 0) {
        std::size_t n = std::min<std::size_t>(path.size(), m_ofn.nMaxFile - 1);
        std::memcpy(m_ofn.lpstrFile, path.data(), n);
        m_ofn.lpstrFile[n] = '\0';
    }
    return IDOK;
}

BOOL CFileDialog::OnNotify(WPARAM, LPARAM lParam, LRESULT* result) {
    const auto* notify = reinterpret_cast<const OFNOTIFY*>(lParam);
    if (notify == nullptr)
        return FALSE;
    *result = 0;
    switch (notify->hdr.code) {
    case CDN_INITDONE:
        OnInitDone();
        return TRUE;
    case CDN_SELCHANGE:
        OnFileNameChange();
        return TRUE;
    case CDN_FOLDERCHANGE:
        OnFolderChange();
        return TRUE;
    case CDN_TYPECHANGE:
        OnTypeChange();
        return TRUE;
    case CDN_FILEOK:
        *result = OnFileNameOK();
        return TRUE;
    default:
        return FALSE;
    }
}

void CFileDialog::OnInitDone() {}
void CFileDialog::OnFileNameChange() {}
void CFileDialog::OnFolderChange() {}
void CFileDialog::OnTypeChange() {}

BOOL CFileDialog::OnFileNameOK() {
    return FALSE;
}

void CFileDialog::OnLBSelChangedNotify(UINT, UINT, UINT) {}

// The one place where the kind of dialog matters, as in the framework: the portable dialog keeps
// the selection in the object, where the chooser put it, while the system's dialog keeps it to
// itself and answers messages for it. Both are asked through CWnd members, which already reach
// the window's kind.
CString CFileDialog::SelectedPath() const {
    if (m_hWnd == nullptr)
        return selected_ ? selection_ : CString();
    // As the framework asks the system's dialog: a path only when the file name box holds a
    // name.
    CWnd* dialog = GetParent();
    if (dialog == nullptr)
        return CString();
    CString spec;
    LRESULT length = dialog->SendMessage(CDM_GETSPEC, _MAX_PATH,
                                         reinterpret_cast<LPARAM>(spec.GetBuffer(_MAX_PATH)));
    spec.ReleaseBuffer(length > 0 ? -1 : 0);
    if (spec.IsEmpty())
        return CString();
    CString path;
    length = dialog->SendMessage(CDM_GETFILEPATH, _MAX_PATH,
                                 reinterpret_cast<LPARAM>(path.GetBuffer(_MAX_PATH)));
    path.ReleaseBuffer(length > 0 ? -1 : 0);
    return path;
}

CString CFileDialog::GetPathName() const {
    // Open: the system's dialog while the object holds its window, the portable one while the
    // chooser answers.
    if (Explorer() && (m_hWnd != nullptr || open_)) {
        CString live = SelectedPath();
        if (!live.IsEmpty())
            return live;
    }
    if (chosen_)
        return chosenPath_;
    if (m_ofn.lpstrFile == nullptr || m_ofn.nMaxFile == 0)
        return CString();
    return CString(m_ofn.lpstrFile,
                   static_cast<int>(BoundedLength(m_ofn.lpstrFile, m_ofn.nMaxFile)));
}

CString CFileDialog::GetFileName() const {
    const CString path = GetPathName();
    return path.Mid(static_cast<int>(NameStart(path.str())));
}

CString CFileDialog::GetFileExt() const {
    const CString name = GetFileName();
    const int dot = name.ReverseFind('.');
    return dot < 0 ? CString() : name.Mid(dot + 1);
}
