// CCorelOleClient: has a running CorelDRAW prepare a drawing for the reader (open a drawing,
// convert the selection to curves, export it as CMX to a file or to the clipboard), each
// operation a fixed sequence of automation calls through IDrawAutomate.
#pragma once

#include "vestrel/corelclient/drawautomate.h"
#include "vestrel/frame/vestrel_api.h"

#include "platform/cstring.h"

class VESTREL_API CCorelOleClient {
public:
    // The wrapper stays the caller's: the client neither releases nor deletes it.
    explicit CCorelOleClient(IDrawAutomate* automate);
    ~CCorelOleClient();
    CCorelOleClient(const CCorelOleClient&) = default;
    CCorelOleClient& operator=(const CCorelOleClient&) = default;

    int LoadCDR7(CString path);
    int ExportASCmx(CString path);
    int ExportASCmxInClipBoard();
    int ConvertActObject();
    int ConvertToCurves();
    int SaveAllInClipboard();
    int CopySelToTempLayer();
    int DeleteTempLayer();
    int SelectAll();
    int IsSelect();
    int DoScript(CString script, CString argument, int option);
    int DoExportCmx(CString path, CString filter, int option);

private:
    IDrawAutomate* drawAutomate;
    // The active group that the last export of a group remembered.
    LONG savedActiveId;
};
