#include "vestrel/corelclient/drawautomate.h"

namespace {

const BYTE* Params(const char* codes) {
    return reinterpret_cast<const BYTE*>(codes);
}

} // namespace

BOOL IDrawAutomate::OpenDrawing(const char* path) {
    BOOL result = FALSE;
    InvokeHelper(DrawMethod::OpenDrawing, DISPATCH_METHOD, VT_BOOL, &result, Params(VTS_BSTR),
                 path);
    return result;
}

BOOL IDrawAutomate::CloseDrawing(BOOL save) {
    BOOL result = FALSE;
    InvokeHelper(DrawMethod::CloseDrawing, DISPATCH_METHOD, VT_BOOL, &result, Params(VTS_BOOL),
                 save);
    return result;
}

void IDrawAutomate::ExportDrawing(const char* path, LONG filter, LONG option1, LONG option2,
                                  LONG option3, LONG option4, LONG option5) {
    InvokeHelper(DrawMethod::ExportDrawing, DISPATCH_METHOD, VT_EMPTY, nullptr,
                 Params(VTS_BSTR VTS_I4 VTS_I4 VTS_I4 VTS_I4 VTS_I4 VTS_I4), path, filter, option1,
                 option2, option3, option4, option5);
}

BOOL IDrawAutomate::GetIdRange(LONG* first, LONG* last) {
    BOOL result = FALSE;
    InvokeHelper(DrawMethod::GetIdRange, DISPATCH_METHOD, VT_BOOL, &result, Params(VTS_PI4 VTS_PI4),
                 first, last);
    return result;
}

void IDrawAutomate::CopySelection() {
    InvokeHelper(DrawMethod::CopySelection, DISPATCH_METHOD, VT_EMPTY, nullptr, nullptr);
}

BOOL IDrawAutomate::EndBatch() {
    BOOL result = FALSE;
    InvokeHelper(DrawMethod::EndBatch, DISPATCH_METHOD, VT_BOOL, &result, nullptr);
    return result;
}

LONG IDrawAutomate::GetActiveKind() {
    LONG result = 0;
    InvokeHelper(DrawMethod::GetActiveKind, DISPATCH_METHOD, VT_I4, &result, nullptr);
    return result;
}

BOOL IDrawAutomate::SelectEverything() {
    BOOL result = FALSE;
    InvokeHelper(DrawMethod::SelectEverything, DISPATCH_METHOD, VT_BOOL, &result, nullptr);
    return result;
}

BOOL IDrawAutomate::StepActive(BOOL enterGroups) {
    BOOL result = FALSE;
    InvokeHelper(DrawMethod::StepActive, DISPATCH_METHOD, VT_BOOL, &result, Params(VTS_BOOL),
                 enterGroups);
    return result;
}

void IDrawAutomate::JoinSelection() {
    InvokeHelper(DrawMethod::JoinSelection, DISPATCH_METHOD, VT_EMPTY, nullptr, nullptr);
}

void IDrawAutomate::SplitActive() {
    InvokeHelper(DrawMethod::SplitActive, DISPATCH_METHOD, VT_EMPTY, nullptr, nullptr);
}

void IDrawAutomate::ConvertActiveToCurves() {
    InvokeHelper(DrawMethod::ConvertActiveToCurves, DISPATCH_METHOD, VT_EMPTY, nullptr, nullptr);
}

void IDrawAutomate::PositionActive(LONG x, LONG y) {
    InvokeHelper(DrawMethod::PositionActive, DISPATCH_METHOD, VT_EMPTY, nullptr,
                 Params(VTS_I4 VTS_I4), x, y);
}

void IDrawAutomate::ClearSelection() {
    InvokeHelper(DrawMethod::ClearSelection, DISPATCH_METHOD, VT_EMPTY, nullptr, nullptr);
}

LONG IDrawAutomate::GetActiveId() {
    LONG result = 0;
    InvokeHelper(DrawMethod::GetActiveId, DISPATCH_METHOD, VT_I4, &result, nullptr);
    return result;
}

void IDrawAutomate::ActivateById(LONG id) {
    InvokeHelper(DrawMethod::ActivateById, DISPATCH_METHOD, VT_EMPTY, nullptr, Params(VTS_I4), id);
}

void IDrawAutomate::CreateLayer(const char* name) {
    InvokeHelper(DrawMethod::CreateLayer, DISPATCH_METHOD, VT_EMPTY, nullptr, Params(VTS_BSTR),
                 name);
}

void IDrawAutomate::DeleteCurrent() {
    InvokeHelper(DrawMethod::DeleteCurrent, DISPATCH_METHOD, VT_EMPTY, nullptr, nullptr);
}

void IDrawAutomate::SetCurrentLayer(const char* name) {
    InvokeHelper(DrawMethod::SetCurrentLayer, DISPATCH_METHOD, VT_EMPTY, nullptr, Params(VTS_BSTR),
                 name);
}

void IDrawAutomate::SetLayerScope(BOOL currentLayerOnly) {
    InvokeHelper(DrawMethod::SetLayerScope, DISPATCH_METHOD, VT_EMPTY, nullptr, Params(VTS_BOOL),
                 currentLayerOnly);
}

void IDrawAutomate::SendSelectionToLayer(const char* name) {
    InvokeHelper(DrawMethod::SendSelectionToLayer, DISPATCH_METHOD, VT_EMPTY, nullptr,
                 Params(VTS_BSTR), name);
}

void IDrawAutomate::CopySelectionToLayer(const char* name) {
    InvokeHelper(DrawMethod::CopySelectionToLayer, DISPATCH_METHOD, VT_EMPTY, nullptr,
                 Params(VTS_BSTR), name);
}

void IDrawAutomate::SetConvertMode(BOOL on) {
    InvokeHelper(DrawMethod::SetConvertMode, DISPATCH_METHOD, VT_EMPTY, nullptr, Params(VTS_BOOL),
                 on);
}

void IDrawAutomate::SetConvertOption(LONG option) {
    InvokeHelper(DrawMethod::SetConvertOption, DISPATCH_METHOD, VT_EMPTY, nullptr, Params(VTS_I4),
                 option);
}
