#include "vestrel/corelclient/corelclient.h"

#include <vector>

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

// The steps one walk may take before it is given up. A server whose walk never comes back to
// its start (objects deleted under it, an active identifier stuck at 0) would otherwise hold
// the host for ever; nothing the server reports counts its objects, so the bound is fixed, far
// beyond the drawings CorelDRAW holds.
constexpr unsigned long kWalkStepLimit = 100000;
// The code of the dispatch exception that ends such a walk; never 0, which would read as
// success where a caller turns the exception into a status code.
constexpr WORD kWalkNotBackCode = 1;

// Counts the steps of one walk and raises the dispatch exception at the limit.
class WalkBound {
public:
    void Step(IDrawAutomate* automate, BOOL enterGroups) {
        if (steps_ == kWalkStepLimit)
            AfxThrowOleDispatchException(
                kWalkNotBackCode,
                "the walk through the objects did not come back to its start within 100000 steps");
        ++steps_;
        automate->StepActive(enterGroups);
    }

private:
    unsigned long steps_ = 0;
};

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
    // the same way from its first member before the walk steps past it. The walks into groups
    // are kept on a list of their starts rather than on the call stack, so that a server that
    // nests without end meets the step limit, never the end of the host's stack.
    LONG start = drawAutomate->GetActiveId();
    if (start == 0)
        return 0;
    WalkBound bound;
    std::vector<LONG> starts{start};
    for (;;) {
        if (ConvertActObject() == kKindGroup) {
            bound.Step(drawAutomate, TRUE);
            start = drawAutomate->GetActiveId();
            if (start != 0) {
                starts.push_back(start);
                continue;
            }
        }
        // Stepping on: a walk that is back at its start hands over to the walk that entered
        // its group, which steps past the group in turn.
        for (;;) {
            bound.Step(drawAutomate, TRUE);
            if (drawAutomate->GetActiveId() != starts.back())
                break;
            starts.pop_back();
            if (starts.empty())
                return 0;
        }
    }
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
    WalkBound bound;
    while (start != current) {
        const LONG kind = drawAutomate->GetActiveKind();
        if (kind == kKindGroup) {
            drawAutomate->SplitActive();
            bound.Step(drawAutomate, FALSE);
            start = drawAutomate->GetActiveId();
        } else {
            if (kind == kKindSimple)
                drawAutomate->ConvertActiveToCurves();
            bound.Step(drawAutomate, FALSE);
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
