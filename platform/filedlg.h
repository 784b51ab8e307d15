// The common file dialog. The portable dialog asks an installed chooser for the answer, as
// message boxes ask their sink: the command line answers from its arguments, tests with what
// they want to see. With no chooser installed every dialog is cancelled.
#pragma once

#include "platform/cstring.h"
#include "platform/wnd.h"

#if defined(_WIN32)
#include <commdlg.h>
#else
#define OFN_READONLY 0x00000001
#define OFN_OVERWRITEPROMPT 0x00000002
#define OFN_HIDEREADONLY 0x00000004
#define OFN_NOCHANGEDIR 0x00000008
#define OFN_ENABLEHOOK 0x00000020
#define OFN_ENABLETEMPLATE 0x00000040
#define OFN_PATHMUSTEXIST 0x00000800
#define OFN_FILEMUSTEXIST 0x00001000
#define OFN_EXPLORER 0x00080000

#define MAKEINTRESOURCE(id)                                                                        \
    reinterpret_cast<LPSTR>(static_cast<std::uintptr_t>(static_cast<WORD>(id)))

// The dialog's parameters and, after OK, the chosen file. The filter is a list of pairs of
// zero-terminated texts (display text, pattern) that ends with an empty text.
struct tagOFN {
    DWORD lStructSize;
    HWND hwndOwner;
    HINSTANCE hInstance;
    LPCSTR lpstrFilter;
    LPSTR lpstrCustomFilter;
    DWORD nMaxCustFilter;
    DWORD nFilterIndex;
    LPSTR lpstrFile;
    DWORD nMaxFile;
    LPSTR lpstrFileTitle;
    DWORD nMaxFileTitle;
    LPCSTR lpstrInitialDir;
    LPCSTR lpstrTitle;
    DWORD Flags;
    WORD nFileOffset;
    WORD nFileExtension;
    LPCSTR lpstrDefExt;
    std::intptr_t lCustData;
    LPCSTR lpTemplateName;
};
typedef tagOFN OPENFILENAME;
#endif

class CFileDialog;

class PLATFORM_API CFileDialogChooser {
public:
    virtual ~CFileDialogChooser();
    // Answers one modal dialog, which it may inspect (open or save, m_ofn with its flags,
    // filter, default extension and file buffer). Returns IDOK with the chosen path in *path,
    // or anything else to cancel.
    virtual int Choose(CFileDialog& dialog, CString* path) = 0;
};

// Installs chooser (null: every dialog is cancelled) and returns the one installed before.
PLATFORM_API CFileDialogChooser* PlatformSetFileDialogChooser(CFileDialogChooser* chooser);

class PLATFORM_API CFileDialog : public CWnd {
    DECLARE_DYNAMIC(CFileDialog)
public:
    // filter is in the framework's form "Text|*.ext|...||"; the bars become the zeros of
    // m_ofn.lpstrFilter. As the framework's dialog does, the flags gain OFN_EXPLORER and
    // OFN_ENABLEHOOK.
    explicit CFileDialog(BOOL openFileDialog, LPCSTR defExt = nullptr, LPCSTR fileName = nullptr,
                         DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                         LPCSTR filter = nullptr, CWnd* parent = nullptr);
    ~CFileDialog() override;

    // IDOK or IDCANCEL. On OK the chosen path, with the default extension added to a name
    // that has none, is what GetPathName returns; a copy goes to m_ofn.lpstrFile, cut to
    // m_ofn.nMaxFile characters including the terminating zero. An OK without a path counts
    // as a cancel.
    virtual int DoModal();

    // The chosen path; before a choice, the text in the file buffer.
    CString GetPathName() const;
    // The last part of GetPathName, behind the final '/' or '\'.
    CString GetFileName() const;
    // The text behind the last '.' of GetFileName, empty when it has none.
    CString GetFileExt() const;

    OPENFILENAME m_ofn;
    BOOL m_bOpenFileDialog;
    // The file buffer that m_ofn.lpstrFile points to unless a caller points it elsewhere.
    char m_szFileName[_MAX_PATH];

private:
    CString defExt_;
    std::string filter_;
    CString chosenPath_;
    bool chosen_ = false;
};
