// The open dialog with its preview: a file dialog with the library's child template, and the
// window in it that shows the selected file's thumbnail.
#pragma once

#include "vestrel/frame/vestrel_api.h"

#include "platform/filedlg.h"

class CCmxParser;

// The preview window: the thumbnail of the file at filePath, drawn by parser, or a placeholder.
class VESTREL_API CPrevWnd : public CStatic {
    DECLARE_DYNAMIC(CPrevWnd)
public:
    CPrevWnd();
    ~CPrevWnd() override;

    // Draws the placeholder on dc: a light-grey box with a black border and a black cross.
    void DrawNoPreview(CDC* dc);

    // The full path of the file whose thumbnail is shown.
    CString filePath;
    // The parser that draws the thumbnail; not owned.
    CCmxParser* parser = nullptr;

protected:
    afx_msg void OnPaint();
    afx_msg int OnCreate(LPCREATESTRUCT createStruct);

    DECLARE_MESSAGE_MAP()
};

class VESTREL_API CPrevFileDialog : public CFileDialog {
    DECLARE_DYNAMIC(CPrevFileDialog)
public:
    // The arguments after parser go to CFileDialog unchanged; the preview draws with parser.
    CPrevFileDialog(CCmxParser* parser, BOOL openFileDialog, LPCSTR defExt = nullptr,
                    LPCSTR fileName = nullptr, DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                    LPCSTR filter = nullptr, CWnd* parent = nullptr);
    ~CPrevFileDialog() override;

    // Creates the preview window over the template's placeholder control.
    BOOL OnInitDialog() override;

    // Constructed with the dialog; its window is created in OnInitDialog.
    CPrevWnd previewWnd;

protected:
    void OnLBSelChangedNotify(UINT idBox, UINT curSel, UINT code) override;
    void OnFileNameChange() override;

    afx_msg void OnChangeFileName();
    afx_msg void OnSelChangeFileList();
    afx_msg void OnPaint();
    afx_msg void OnMove(int x, int y);

    DECLARE_MESSAGE_MAP()
};
