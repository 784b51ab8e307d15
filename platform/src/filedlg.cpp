#include "platform/filedlg.h"

#include "platform/module.h"

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

IMPLEMENT_DYNAMIC(CFileDialog, CWnd)

CFileDialog::CFileDialog(BOOL openFileDialog, LPCSTR defExt, LPCSTR fileName, DWORD flags,
                         LPCSTR filter, CWnd*)
    : m_ofn(), m_bOpenFileDialog(openFileDialog), m_szFileName() {
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
    CFileDialogChooser* chooser = InstalledChooser();
    CString answer;
    if (chooser == nullptr || chooser->Choose(*this, &answer) != IDOK || answer.IsEmpty())
        return IDCANCEL;

    std::string path = answer.str();
    const std::string extension = ExtensionToAdd(m_ofn.lpstrDefExt);
    const std::size_t nameStart = NameStart(path);
    const bool hasExtension = path.find('.', nameStart) != std::string::npos;
    if (!extension.empty() && !hasExtension && nameStart < path.size())
        path += "." + extension;

    chosenPath_ = path.c_str();
    chosen_ = true;
    if (m_ofn.lpstrFile != nullptr && m_ofn.nMaxFile > 0) {
        std::size_t n = std::min<std::size_t>(path.size(), m_ofn.nMaxFile - 1);
        std::memcpy(m_ofn.lpstrFile, path.data(), n);
        m_ofn.lpstrFile[n] = '\0';
    }
    return IDOK;
}

CString CFileDialog::GetPathName() const {
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
