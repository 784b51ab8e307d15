// The common file dialog. With a chooser installed (as message boxes have their sink) the dialog
// is a portable one that the chooser answers: the command line answers on its terminal, tests with
// what they want to see, and a chooser may select files in it as a person's clicks would. Without
// one, the system's dialog runs where the system has one (GetOpenFileName and GetSaveFileName in
// Explorer style with the hook, as the framework drives them); elsewhere every dialog is
// cancelled.
#pragma once

#include "platform/cstring.h"
#include "platform/wnd.h"

#if defined(_WIN32)
#include <commdlg.h>
#include <dlgs.h>
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

// The notification an Explorer-style dialog sends to its child dialog.
struct tagOFNOTIFY {
    NMHDR hdr;
    OPENFILENAME* lpOFN;
    LPSTR pszFile;
};
typedef tagOFNOTIFY OFNOTIFY;

#define CDN_FIRST (0U - 601U)
#define CDN_INITDONE (CDN_FIRST - 0x0000)
#define CDN_SELCHANGE (CDN_FIRST - 0x0001)
#define CDN_FOLDERCHANGE (CDN_FIRST - 0x0002)
#define CDN_FILEOK (CDN_FIRST - 0x0005)
#define CDN_TYPECHANGE (CDN_FIRST - 0x0006)
#define CDM_FIRST (WM_USER + 100)
#define CDM_GETSPEC (CDM_FIRST + 0x0000)
#define CDM_GETFILEPATH (CDM_FIRST + 0x0001)
#define CD_LBSELCHANGE 0

// Controls of the file dialog: where a child template places the standard controls, the file
// list and the file name of an old-style dialog.
#define stc32 0x045f
#define lst1 0x0460
#define edt1 0x0480
#endif

class CFileDialog;

class PLATFORM_API CFileDialogChooser {
public:
    virtual ~CFileDialogChooser();
    // Answers one modal dialog, which is open while it answers: it may look at it (open or save,
    // m_ofn with its flags, filter, default extension and file buffer, its windows) and select
    // files in it. Returns IDOK with the chosen path in *path, or anything else to cancel.
    virtual int Choose(CFileDialog& dialog, CString* path) = 0;

protected:
    // Selects path in the open dialog as a person's click in its file list does: the dialog's
    // selection names path and the dialog hears of it, an Explorer-style dialog through
    // CDN_SELCHANGE (OnFileNameChange), an old-style one through OnLBSelChangedNotify for lst1.
    // Does nothing when the dialog is not open.
    static void Select(CFileDialog& dialog, LPCSTR path);
};

// Installs chooser (null: the system's dialogs, or none) and returns the one installed before.
PLATFORM_API CFileDialogChooser* PlatformSetFileDialogChooser(CFileDialogChooser* chooser);

class PLATFORM_API CFileDialog : public CDialog {
    DECLARE_DYNAMIC(CFileDialog)
public:
    // filter is in the framework's form "Text|*.ext|...||"; the bars become the zeros of
    // m_ofn.lpstrFilter. As the framework's dialog does, the flags gain OFN_EXPLORER and
    // OFN_ENABLEHOOK.
    explicit CFileDialog(BOOL openFileDialog, LPCSTR defExt = nullptr, LPCSTR fileName = nullptr,
                         DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                         LPCSTR filter = nullptr, CWnd* parent = nullptr);
    ~CFileDialog() override;

    // IDOK or IDCANCEL. The portable dialog opens (OnInitDialog, with the child template of
    // m_ofn.hInstance and m_ofn.lpTemplateName under OFN_ENABLETEMPLATE) while the chooser
    // answers. On OK the chosen path, with the default extension added to a name that has none,
    // is what GetPathName returns; a copy goes to m_ofn.lpstrFile, cut to m_ofn.nMaxFile
    // characters including the terminating zero. An OK without a path, or one that
    // OnFileNameOK refuses, counts as a cancel.
    virtual int DoModal();

    // While an Explorer-style dialog is open, the path that its selection names (the system's
    // dialog answers CDM_GETFILEPATH); otherwise the chosen path, and before a choice the text
    // in the file buffer.
    CString GetPathName() const;
    // The last part of GetPathName, behind the final '/' or '\'.
    CString GetFileName() const;
    // The text behind the last '.' of GetFileName, empty when it has none.
    CString GetFileExt() const;

    OPENFILENAME m_ofn;
    BOOL m_bOpenFileDialog;
    // The file buffer that m_ofn.lpstrFile points to unless a caller points it elsewhere.
    char m_szFileName[_MAX_PATH];

protected:
    // The notifications of an Explorer-style dialog: it is ready, its selection, folder or file
    // type changed, or the user chose a file (TRUE refuses the choice).
    virtual void OnInitDone();
    virtual void OnFileNameChange();
    virtual void OnFolderChange();
    virtual void OnTypeChange();
    virtual BOOL OnFileNameOK();
    // A selection in a list of an old-style dialog (lst1 for the files).
    virtual void OnLBSelChangedNotify(UINT idBox, UINT curSel, UINT code);

    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    friend class CFileDialogChooser;
    friend struct PlatformWindowAccess;

    int AnswerByChooser(CFileDialogChooser* chooser);
    bool Explorer() const { return (m_ofn.Flags & OFN_EXPLORER) != 0; }
    // What the portable dialog's selection names, as CDM_GETFILEPATH would.
    CString SelectedPath() const;

    CString defExt_;
    std::string filter_;
    CWnd* parentWnd_;
    CString chosenPath_;
    bool chosen_ = false;
    // While a chooser answers, the dialog is open, and what a selection named.
    bool open_ = false;
    CString selection_;
    bool selected_ = false;
};
