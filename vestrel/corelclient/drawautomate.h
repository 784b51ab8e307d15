// IDrawAutomate: the automation methods of a running CorelDRAW that the client operations use,
// each a call of the server's IDispatch by its DISPID. The names say what the client uses each
// method for; the server knows them by their DISPIDs only.
#pragma once

#include "vestrel/frame/vestrel_api.h"

#include "platform/oledisp.h"

// The DISPIDs of the methods: the one table that the client's calls and a server standing in
// for CorelDRAW share.
namespace DrawMethod {
constexpr DISPID OpenDrawing = 6;
constexpr DISPID CloseDrawing = 9;
constexpr DISPID ExportDrawing = 11;
constexpr DISPID GetIdRange = 19;
constexpr DISPID CopySelection = 21;
constexpr DISPID EndBatch = 22;
constexpr DISPID GetActiveKind = 28;
constexpr DISPID SelectEverything = 33;
constexpr DISPID StepActive = 34;
constexpr DISPID JoinSelection = 43;
constexpr DISPID SplitActive = 44;
constexpr DISPID ConvertActiveToCurves = 51;
constexpr DISPID PositionActive = 53;
constexpr DISPID ClearSelection = 55;
constexpr DISPID GetActiveId = 66;
constexpr DISPID ActivateById = 67;
constexpr DISPID CreateLayer = 83;
constexpr DISPID DeleteCurrent = 84;
constexpr DISPID SetCurrentLayer = 85;
constexpr DISPID SetLayerScope = 92;
constexpr DISPID SendSelectionToLayer = 94;
constexpr DISPID CopySelectionToLayer = 95;
constexpr DISPID SetConvertMode = 124;
constexpr DISPID SetConvertOption = 182;
} // namespace DrawMethod

// Each method is one call of InvokeHelper with its DISPID from DrawMethod.
class VESTREL_API IDrawAutomate : public COleDispatchDriver {
public:
    IDrawAutomate() = default;
    explicit IDrawAutomate(LPDISPATCH dispatch, BOOL autoRelease = TRUE)
        : COleDispatchDriver(dispatch, autoRelease) {}

    BOOL OpenDrawing(const char* path);
    BOOL CloseDrawing(BOOL save);
    void ExportDrawing(const char* path, LONG filter, LONG option1, LONG option2, LONG option3,
                       LONG option4, LONG option5);
    BOOL GetIdRange(LONG* first, LONG* last);
    void CopySelection();
    BOOL EndBatch();
    LONG GetActiveKind();
    BOOL SelectEverything();
    BOOL StepActive(BOOL enterGroups);
    void JoinSelection();
    void SplitActive();
    void ConvertActiveToCurves();
    void PositionActive(LONG x, LONG y);
    void ClearSelection();
    LONG GetActiveId();
    void ActivateById(LONG id);
    void CreateLayer(const char* name);
    void DeleteCurrent();
    void SetCurrentLayer(const char* name);
    void SetLayerScope(BOOL currentLayerOnly);
    void SendSelectionToLayer(const char* name);
    void CopySelectionToLayer(const char* name);
    void SetConvertMode(BOOL on);
    void SetConvertOption(LONG option);
};
