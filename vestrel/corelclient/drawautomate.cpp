#include "vestrel/corelclient/drawautomate.h"

namespace {

// A method with a result of type, its arguments described by params (VTS_ codes, or null).
template <typename Result, typename... Args>
Result Ask(COleDispatchDriver& driver, DISPID member, VARTYPE type, const char* params,
           Args... args) {
    Result result = 0;
    driver.InvokeHelper(member, DISPATCH_METHOD, type, &result,
                        reinterpret_cast<const BYTE*>(params), args...);
    return result;
}

// A method without result.
template <typename... Args>
void Tell(COleDispatchDriver& driver, DISPID member, const char* params, Args... args) {
    driver.InvokeHelper(member, DISPATCH_METHOD, VT_EMPTY, nullptr,
                        reinterpret_cast<const BYTE*>(params), args...);
}

} // namespace

BOOL IDrawAutomate::OpenDrawing(const char* path) {
    return Ask<BOOL>(*this, DrawMethod::OpenDrawing, VT_BOOL, VTS_BSTR, path);
}

BOOL IDrawAutomate::CloseDrawing(BOOL save) {
    return Ask<BOOL>(*this, DrawMethod::CloseDrawing, VT_BOOL, VTS_BOOL, save);
}

void IDrawAutomate::ExportDrawing(const char* path, LONG filter, LONG option1, LONG option2,
                                  LONG option3, LONG option4, LONG option5) {
    Tell(*this, DrawMethod::ExportDrawing, VTS_BSTR VTS_I4 VTS_I4 VTS_I4 VTS_I4 VTS_I4 VTS_I4, path,
         filter, option1, option2, option3, option4, option5);
}

BOOL IDrawAutomate::GetIdRange(LONG* first, LONG* last) {
    return Ask<BOOL>(*this, DrawMethod::GetIdRange, VT_BOOL, VTS_PI4 VTS_PI4, first, last);
}

void IDrawAutomate::CopySelection() {
    Tell(*this, DrawMethod::CopySelection, nullptr);
}

BOOL IDrawAutomate::EndBatch() {
    return Ask<BOOL>(*this, DrawMethod::EndBatch, VT_BOOL, nullptr);
}

LONG IDrawAutomate::GetActiveKind() {
    return Ask<LONG>(*this, DrawMethod::GetActiveKind, VT_I4, nullptr);
}

BOOL IDrawAutomate::SelectEverything() {
    return Ask<BOOL>(*this, DrawMethod::SelectEverything, VT_BOOL, nullptr);
}

BOOL IDrawAutomate::StepActive(BOOL enterGroups) {
    return Ask<BOOL>(*this, DrawMethod::StepActive, VT_BOOL, VTS_BOOL, enterGroups);
}

void IDrawAutomate::JoinSelection() {
    Tell(*this, DrawMethod::JoinSelection, nullptr);
}

void IDrawAutomate::SplitActive() {
    Tell(*this, DrawMethod::SplitActive, nullptr);
}

void IDrawAutomate::ConvertActiveToCurves() {
    Tell(*this, DrawMethod::ConvertActiveToCurves, nullptr);
}

void IDrawAutomate::PositionActive(LONG x, LONG y) {
    Tell(*this, DrawMethod::PositionActive, VTS_I4 VTS_I4, x, y);
}

void IDrawAutomate::ClearSelection() {
    Tell(*this, DrawMethod::ClearSelection, nullptr);
}

LONG IDrawAutomate::GetActiveId() {
    return Ask<LONG>(*this, DrawMethod::GetActiveId, VT_I4, nullptr);
}

void IDrawAutomate::ActivateById(LONG id) {
    Tell(*this, DrawMethod::ActivateById, VTS_I4, id);
}

void IDrawAutomate::CreateLayer(const char* name) {
    Tell(*this, DrawMethod::CreateLayer, VTS_BSTR, name);
}

void IDrawAutomate::DeleteCurrent() {
    Tell(*this, DrawMethod::DeleteCurrent, nullptr);
}

void IDrawAutomate::SetCurrentLayer(const char* name) {
    Tell(*this, DrawMethod::SetCurrentLayer, VTS_BSTR, name);
}

void IDrawAutomate::SetLayerScope(BOOL currentLayerOnly) {
    Tell(*this, DrawMethod::SetLayerScope, VTS_BOOL, currentLayerOnly);
}

void IDrawAutomate::SendSelectionToLayer(const char* name) {
    Tell(*this, DrawMethod::SendSelectionToLayer, VTS_BSTR, name);
}

void IDrawAutomate::CopySelectionToLayer(const char* name) {
    Tell(*this, DrawMethod::CopySelectionToLayer, VTS_BSTR, name);
}

void IDrawAutomate::SetConvertMode(BOOL on) {
    Tell(*this, DrawMethod::SetConvertMode, VTS_BOOL, on);
}

void IDrawAutomate::SetConvertOption(LONG option) {
    Tell(*this, DrawMethod::SetConvertOption, VTS_I4, option);
}
