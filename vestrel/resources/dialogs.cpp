// The dialog templates for the portable dialogs, registered when the library is loaded and
// withdrawn when it is unloaded, on every system: the system's file dialog takes the child
// template from the module's resources, the portable one (which a chooser answers) from here.
#include "vestrel/resources/resource.h"

#include "platform/filedlg.h"
#include "platform/module.h"

namespace {

const PlatformDialogItem kDialogs[] = {
#define VESTREL_DIALOG(id, style, exStyle, x, y, cx, cy, caption, points, face, weight, italic,    \
                       charset)                                                                    \
    {PlatformDialogItem::dialog, id, style, exStyle, x, y, cx, cy, caption},
#define VESTREL_STATIC(id, style, exStyle, x, y, cx, cy)                                           \
    {PlatformDialogItem::control, id, style, exStyle, x, y, cx, cy, ""},
#define VESTREL_DIALOG_END {PlatformDialogItem::end, 0, 0, 0, 0, 0, 0, 0, nullptr},
#include "vestrel/resources/dialogs.inc"
#undef VESTREL_DIALOG
#undef VESTREL_STATIC
#undef VESTREL_DIALOG_END
};

PlatformTableRegistration<PlatformDialogItem> registration(kDialogs, PlatformRegisterDialogs,
                                                           PlatformUnregisterDialogs);

} // namespace
