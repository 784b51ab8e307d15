#include "vestrel/cmx/cmxparser.h"
#include "vestrel/resources/resource.h"

#include "platform/msgbox.h"

void ShowErrorMessage(unsigned id) {
    CString text;
    CString caption;
    if (text.LoadString(id) && caption.LoadString(IDS_ERROR_CAPTION))
        PlatformMessageBox(nullptr, text, caption, MB_OK);
    else
        PlatformMessageBox(nullptr, "Error Loading Res-String", "Error...", MB_OK);
}
