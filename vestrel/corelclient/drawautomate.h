// IDrawAutomate: the automation methods of a running CorelDRAW that the client operations use,
// each a call of the server's IDispatch by its DISPID. The names say what the client uses each
// method for; the server knows them by their DISPIDs only.
#pragma once

#include "vestrel/frame/vestrel_api.h"

#include "platform/oledisp.h"

// Each method is one call of InvokeHelper; its DISPID stands beside it.
class VESTREL_API IDrawAutomate : public COleDispatchDriver {
public:
    IDrawAutomate() = default;
    explicit IDrawAutomate(LPDISPATCH dispatch, BOOL autoRelease = TRUE)
        : COleDispatchDriver(dispatch, autoRelease) {}

    BOOL OpenDrawing(const char* path); // 6
    BOOL CloseDrawing(BOOL save);       // 9
    void ExportDrawing(const char* path, LONG filter, LONG option1, LONG option2, LONG option3,
                       LONG option4, LONG option5); // 11
    BOOL GetIdRange(LONG* first, LONG* last);       // 19
    void CopySelection();                           // 21
    BOOL EndBatch();                                // 22
    LONG GetActiveKind();                           // 28
    BOOL SelectEverything();                        // 33
    BOOL StepActive(BOOL enterGroups);              // 34
    void JoinSelection();                           // 43
    void SplitActive();                             // 44
    void ConvertActiveToCurves();                   // 51
    void PositionActive(LONG x, LONG y);            // 53
    void ClearSelection();                          // 55
    LONG GetActiveId();                             // 66
    void ActivateById(LONG id);                     // 67
    void CreateLayer(const char* name);             // 83
    void DeleteCurrent();                           // 84
    void SetCurrentLayer(const char* name);         // 85
    void SetLayerScope(BOOL currentLayerOnly);      // 92
    void SendSelectionToLayer(const char* name);    // 94
    void CopySelectionToLayer(const char* name);    // 95
    void SetConvertMode(BOOL on);                   // 124
    void SetConvertOption(LONG option);             // 182
};
