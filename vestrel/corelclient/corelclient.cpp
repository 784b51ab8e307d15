#include "vestrel/corelclient/corelclient.h"

namespace {

// The layer the client builds its exports on and removes afterwards.
const char* const kTempLayer = "~~tmp~~";
// The CMX export filter; every export passes it with the same four zeros and 1 behind it.
constexpr LONG kCmxFilter = 0x701;
// The option a kind-6 object is converted with, inside the conversion mode.
constexpr LONG kConvertOption = 0x835F;

// Kinds of the active object that the operations tell apart.
constexpr LONG kKindSimple = 4;
constexpr LONG kKindNeedsMode = 6;
constexpr LONG kKindGroup = 12;

void Export(IDrawAutomate* automate, const CString& path) {
    automate->ExportDrawing(path, kCmxFilter, 0, 0, 0, 0, 1);
}

} // namespace

CCorelOleClient::CCorelOleClient(IDrawAutomate* automate)
    : drawAutomate(automate), savedActiveId(0) {}

CCorelOleClient::~CCorelOleClient() = default;

int CCorelOleClient::LoadCDR7(CString path) {
    drawAutomate->OpenDrawing(path);
    return 1;
}

int CCorelOleClient::ExportASCmx(CString path) {
    Export(drawAutomate, path);
    drawAutomate->CloseDrawing(FALSE);
    return 1;
}

int CCorelOleClient::ExportASCmxInClipBoard() {
    drawAutomate->SelectEverything();
    drawAutomate->CopySelection();
    drawAutomate->CloseDrawing(FALSE);
    return 1;
}

int CCorelOleClient::ConvertActObject() {
    switch (drawAutomate->GetActiveKind()) {
    case kKindSimple:
        drawAutomate->ConvertActiveToCurves();
        return 0;
    case kKindNeedsMode:
        drawAutomate->SetConvertMode(TRUE);
        drawAutomate->SetConvertOption(kConvertOption);
        drawAutomate->ConvertActiveToCurves();
        drawAutomate->SetConvertMode(FALSE);
        return 0;
    case kKindGroup:
        return kKindGroup;
    default:
        return 0;
    }
}

int CCorelOleClient::ConvertToCurves() {
    // The walk ends when stepping makes its first object active again; a group is walked
    // the same way from its first member before the walk steps past it.
    const LONG start = drawAutomate->GetActiveId();
    if (start == 0)
        return 0;
    do {
        if (ConvertActObject() == kKindGroup) {
            drawAutomate->StepActive(TRUE);
            ConvertToCurves();
        }
        drawAutomate->StepActive(TRUE);
    } while (drawAutomate->GetActiveId() != start);
    return 0;
}

int CCorelOleClient::SaveAllInClipboard() {
    drawAutomate->SelectEverything();
    drawAutomate->CopySelection();
    drawAutomate->ClearSelection();
    return 0;
}

int CCorelOleClient::CopySelToTempLayer() {
    drawAutomate->CreateLayer(kTempLayer);
    try {
        drawAutomate->CopySelectionToLayer(kTempLayer);
    } catch (const CException&) {
        // A selection the server cannot copy leaves the layer empty; the caller goes on.
    }
    return 0;
}

int CCorelOleClient::DeleteTempLayer() {
    drawAutomate->SetCurrentLayer(kTempLayer);
    drawAutomate->SelectEverything();
    drawAutomate->DeleteCurrent();
    return 0;
}

int CCorelOleClient::SelectAll() {
    drawAutomate->SelectEverything();
    CopySelToTempLayer();
    return 0;
}

int CCorelOleClient::IsSelect() {
    try {
        return drawAutomate->GetActiveId() != 0 ? 1 : 0;
    } catch (const COleException&) {
        // A server that cannot say has nothing selected.
        return 0;
    }
}

int CCorelOleClient::DoScript(CString, CString, int) {
    CopySelToTempLayer();
    drawAutomate->SetCurrentLayer(kTempLayer);
    drawAutomate->SetLayerScope(TRUE);
    SaveAllInClipboard();
    drawAutomate->SetLayerScope(FALSE);

    drawAutomate->SelectEverything();
    if (drawAutomate->GetActiveId() == 0) {
        drawAutomate->StepActive(FALSE);
        if (drawAutomate->GetActiveId() == 0)
            return 0;
    }

    drawAutomate->SetCurrentLayer(kTempLayer);
    drawAutomate->SelectEverything();
    LONG start = drawAutomate->GetActiveId();
    LONG first = 0;
    LONG current = 0;
    drawAutomate->GetIdRange(&first, &current);
    // Groups are split and the walk starts again behind them; simple objects are converted.
    while (start != current) {
        const LONG kind = drawAutomate->GetActiveKind();
        if (kind == kKindGroup) {
            drawAutomate->SplitActive();
            drawAutomate->StepActive(FALSE);
            start = drawAutomate->GetActiveId();
        } else {
            if (kind == kKindSimple)
                drawAutomate->ConvertActiveToCurves();
            drawAutomate->StepActive(FALSE);
            current = drawAutomate->GetActiveId();
        }
    }

    drawAutomate->ClearSelection();
    DeleteTempLayer();
    drawAutomate->EndBatch();
    return 0;
}

int CCorelOleClient::DoExportCmx(CString path, CString, int) {
    if (IsSelect() == 0 && !drawAutomate->SelectEverything())
        return 1;

    // Unless the active object is a group, the selection is joined into one object for the
    // export and split again at the end; a group is exported as it is, and remembered.
    bool joined = false;
    if (drawAutomate->GetActiveKind() != kKindGroup) {
        drawAutomate->JoinSelection();
        joined = true;
    } else {
        savedActiveId = drawAutomate->GetActiveId();
    }
    drawAutomate->PositionActive(0, 0);
    const LONG id = drawAutomate->GetActiveId();
    ConvertToCurves();
    drawAutomate->ActivateById(id);

    drawAutomate->CreateLayer(kTempLayer);
    drawAutomate->SendSelectionToLayer(kTempLayer);
    drawAutomate->SetCurrentLayer(kTempLayer);
    drawAutomate->SetLayerScope(TRUE);
    drawAutomate->SelectEverything();
    drawAutomate->CopySelection();
    drawAutomate->ClearSelection();
    drawAutomate->SetCurrentLayer(kTempLayer);
    drawAutomate->SetLayerScope(FALSE);
    Export(drawAutomate, path);
    drawAutomate->DeleteCurrent();
    drawAutomate->EndBatch();

    if (joined) {
        // The object to split is the one joined above: savedActiveId names the group of an
        // earlier export, or nothing, never this one.
        drawAutomate->ActivateById(id);
        drawAutomate->ClearSelection();
        drawAutomate->ActivateById(id);
        drawAutomate->SplitActive();
    }
    return 0;
}
