// The open dialog with its preview, and the parser's interactive import.
#include "vestrel/prevfile/prevfile.h"

#include "vestrel/cmx/cmxparser.h"
#include "vestrel/frame/vestrel.h"
#include "vestrel/resources/resource.h"

#include <cstring>
#include <memory>

namespace {

// The preview window's style: a visible child static control of type 0x0F.
constexpr DWORD kPreviewStyle = 0x5000000F;

// One filter entry whose display text is "*.cmx" and whose pattern is empty, then the end of the
// list; the file name "*.cmx" is what makes the list show the CMX files.
const char kCmxFilter[] = "*.cmx\0\0";

} // namespace

IMPLEMENT_DYNAMIC(CPrevWnd, CStatic)

BEGIN_MESSAGE_MAP(CPrevWnd, CStatic)
ON_WM_PAINT()
ON_WM_CREATE()
END_MESSAGE_MAP()

CPrevWnd::CPrevWnd() = default;
CPrevWnd::~CPrevWnd() = default;

int CPrevWnd::OnCreate(LPCREATESTRUCT createStruct) {
    return CStatic::OnCreate(createStruct) == -1 ? -1 : 0;
}

void CPrevWnd::OnPaint() {
    CPaintDC dc(this);
    // A path that still holds the pattern is the dialog's file name, not a file.
    if (!filePath.IsEmpty() && filePath.Find("*.cmx") < 0 && parser != nullptr) {
        // A static control leaves its background as the last paint left it, which would show
        // parts of the placeholder around a thumbnail, and the last picture for a file without
        // one.
        CRect client;
        GetClientRect(client);
        dc.FillSolidRect(client, RGB(255, 255, 255));
        if (parser->ShowThumbNail(filePath, &dc))
            return;
    }
    DrawNoPreview(&dc);
}

void CPrevWnd::DrawNoPreview(CDC* dc) {
    CRect client;
    GetClientRect(client);
    dc->SelectStockObject(LTGRAY_BRUSH);
    dc->SelectStockObject(BLACK_PEN);
    dc->Rectangle(client.left, client.top, client.right, client.bottom);
    dc->MoveTo(client.left, client.top);
    dc->LineTo(client.right, client.bottom);
    dc->MoveTo(client.left + 1, client.bottom - 1);
    dc->LineTo(client.right, client.top);
}

IMPLEMENT_DYNAMIC(CPrevFileDialog, CFileDialog)

// The handlers do what the window does by default: the preview follows the selection through
// the dialog's notifications alone.
BEGIN_MESSAGE_MAP(CPrevFileDialog, CFileDialog)
ON_EN_CHANGE(edt1, OnChangeFileName)
ON_LBN_SELCHANGE(lst1, OnSelChangeFileList)
ON_WM_PAINT()
ON_WM_MOVE()
END_MESSAGE_MAP()

CPrevFileDialog::CPrevFileDialog(CCmxParser* parser, BOOL openFileDialog, LPCSTR defExt,
                                 LPCSTR fileName, DWORD flags, LPCSTR filter, CWnd* parent)
    : CFileDialog(openFileDialog, defExt, fileName, flags, filter, parent) {
    previewWnd.parser = parser;
}

CPrevFileDialog::~CPrevFileDialog() = default;

BOOL CPrevFileDialog::OnInitDialog() {
    CFileDialog::OnInitDialog();
    CRect place;
    CRect dialog;
    if (CWnd* control = GetDlgItem(IDC_PREVIEW_PLACE))
        control->GetWindowRect(place);
    GetWindowRect(dialog);
    place.OffsetRect(-dialog.left, -dialog.top);
    previewWnd.Create(nullptr, kPreviewStyle, place, this, static_cast<UINT>(-1));
    return TRUE;
}

void CPrevFileDialog::OnFileNameChange() {
    CFileDialog::OnFileNameChange();
    previewWnd.filePath = GetPathName();
    previewWnd.Invalidate(TRUE);
}

void CPrevFileDialog::OnLBSelChangedNotify(UINT idBox, UINT curSel, UINT code) {
    CFileDialog::OnLBSelChangedNotify(idBox, curSel, code);
    // The new file shows at the next paint.
    previewWnd.filePath = GetPathName();
}

void CPrevFileDialog::OnChangeFileName() {
    Default();
}

void CPrevFileDialog::OnSelChangeFileList() {
    Default();
}

void CPrevFileDialog::OnPaint() {
    CPaintDC dc(this);
}

void CPrevFileDialog::OnMove(int x, int y) {
    CFileDialog::OnMove(x, y);
}

int CCmxParser::DoOpenCmxDlg() {
    auto dialog = std::make_unique<CPrevFileDialog>(this, TRUE, nullptr, nullptr,
                                                    OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY |
                                                        OFN_ENABLETEMPLATE | OFN_PATHMUSTEXIST |
                                                        OFN_FILEMUSTEXIST,
                                                    nullptr, nullptr);
    // The child template is the library's, not the host's.
    dialog->m_ofn.hInstance = moduleHandle;
    dialog->m_ofn.lpTemplateName = MAKEINTRESOURCE(IDD_OPEN_PREVIEW);
    std::strcpy(dialog->m_szFileName, "*.cmx");
    dialog->m_ofn.lpstrFilter = kCmxFilter;
    if (dialog->DoModal() == IDOK) {
        fileName = dialog->GetPathName();
        CmxFirstPage firstPage(*this);
        if (LoadCmx6File(fileName))
            DoWriteJobDlg();
    }
    return 1;
}
