#include "vestrel/corelclient/drawautomate.h"

namespace {

const BYTE* Params(const char* codes) {
    return reinterpret_cast<const BYTE*>(codes);
}

} // namespace

BOOL IDrawAutomate::OpenDrawing(const char* path) {
    BOOL result = FALSE;
    InvokeHelper(6, DISPATCH_METHOD, VT_BOOL, &result, Params(VTS_BSTR), path);
    return result;
}

BOOL IDrawAutomate::CloseDrawing(BOOL save) {
    BOOL result = FALSE;
    InvokeHelper(9, DISPATCH_METHOD, VT_BOOL, &result, Params(VTS_BOOL), save);
    return result;
}

void IDrawAutomate::ExportDrawing(const char* path, LONG filter, LONG option1, LONG option2,
                                  LONG option3, LONG option4, LONG option5) {
    InvokeHelper(11, DISPATCH_METHOD, VT_EMPTY, nullptr,
                 Params(VTS_BSTR VTS_I4 VTS_I4 VTS_I4 VTS_I4 VTS_I4 VTS_I4), path, filter, option1,
                 option2, option3, option4, option5);
}

BOOL IDrawAutomate::GetIdRange(LONG* first, LONG* last) {
    BOOL result = FALSE;
    InvokeHelper(19, DISPATCH_METHOD, VT_BOOL, &result, Params(VTS_PI4 VTS_PI4), first, last);
    return result;
}

void IDrawAutomate::CopySelection() {
    InvokeHelper(21, DISPATCH_METHOD, VT_EMPTY, nullptr, nullptr);
}

BOOL IDrawAutomate::EndBatch() {
    BOOL result = FALSE;
    InvokeHelper(22, DISPATCH_METHOD, VT_BOOL, &result, nullptr);
    return result;
}

LONG IDrawAutomate::GetActiveKind() {
    LONG result = 0;
    InvokeHelper(28, DISPATCH_METHOD, VT_I4, &result, nullptr);
    return result;
}

BOOL IDrawAutomate::SelectEverything() {
    BOOL result = FALSE;
    InvokeHelper(33, DISPATCH_METHOD, VT_BOOL, &result, nullptr);
    return result;
}

BOOL IDrawAutomate::StepActive(BOOL enterGroups) {
    BOOL result = FALSE;
    InvokeHelper(34, DISPATCH_METHOD, VT_BOOL, &result, Params(VTS_BOOL), enterGroups);
    return result;
}

void IDrawAutomate::JoinSelection() {
    InvokeHelper(43, DISPATCH_METHOD, VT_EMPTY, nullptr, nullptr);
}

void IDrawAutomate::SplitActive() {
    InvokeHelper(44, DISPATCH_METHOD, VT_EMPTY, nullptr, nullptr);
}

void IDrawAutomate::ConvertActiveToCurves() {
    InvokeHelper(51, DISPATCH_METHOD, VT_EMPTY, nullptr, nullptr);
}

void IDrawAutomate::PositionActive(LONG x, LONG y) {
    InvokeHelper(53, DISPATCH_METHOD, VT_EMPTY, nullptr, Params(VTS_I4 VTS_I4), x, y);
}

void IDrawAutomate::ClearSelection() {
    InvokeHelper(55, DISPATCH_METHOD, VT_EMPTY, nullptr, nullptr);
}

LONG IDrawAutomate::GetActiveId() {
    LONG result = 0;
    InvokeHelper(66, DISPATCH_METHOD, VT_I4, &result, nullptr);
    return result;
}

void IDrawAutomate::ActivateById(LONG id) {
    InvokeHelper(67, DISPATCH_METHOD, VT_EMPTY, nullptr, Params(VTS_I4), id);
}

void IDrawAutomate::CreateLayer(const char* name) {
    InvokeHelper(83, DISPATCH_METHOD, VT_EMPTY, nullptr, Params(VTS_BSTR), name);
}

void IDrawAutomate::DeleteCurrent() {
    InvokeHelper(84, DISPATCH_METHOD, VT_EMPTY, nullptr, nullptr);
}

void IDrawAutomate::SetCurrentLayer(const char* name) {
    InvokeHelper(85, DISPATCH_METHOD, VT_EMPTY, nullptr, Params(VTS_BSTR), name);
}

void IDrawAutomate::SetLayerScope(BOOL currentLayerOnly) {
    InvokeHelper(92, DISPATCH_METHOD, VT_EMPTY, nullptr, Params(VTS_BOOL), currentLayerOnly);
}

void IDrawAutomate::SendSelectionToLayer(const char* name) {
    InvokeHelper(94, DISPATCH_METHOD, VT_EMPTY, nullptr, Params(VTS_BSTR), name);
}

void IDrawAutomate::CopySelectionToLayer(const char* name) {
    InvokeHelper(95, DISPATCH_METHOD, VT_EMPTY, nullptr, Params(VTS_BSTR), name);
}

void IDrawAutomate::SetConvertMode(BOOL on) {
    InvokeHelper(124, DISPATCH_METHOD, VT_EMPTY, nullptr, Params(VTS_BOOL), on);
}

void IDrawAutomate::SetConvertOption(LONG option) {
    InvokeHelper(182, DISPATCH_METHOD, VT_EMPTY, nullptr, Params(VTS_I4), option);
}
