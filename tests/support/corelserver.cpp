#include "tests/support/corelserver.h"

#include "tests/support/test_util.h"

#include "vestrel/corelclient/drawautomate.h"

#include "platform/clipboard.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace cmxtest {

namespace {

// The server's methods: what each takes and answers.
struct Method {
    DISPID member;
    const char* name;
    std::vector<VARTYPE> parameters;
    VARTYPE result;
};

constexpr VARTYPE kRefI4 = VT_I4 | VT_BYREF;

const std::vector<Method>& Methods() {
    static const std::vector<Method> methods = {
        {6, "OpenDrawing", {VT_BSTR}, VT_BOOL},
        {9, "CloseDrawing", {VT_BOOL}, VT_BOOL},
        {11, "ExportDrawing", {VT_BSTR, VT_I4, VT_I4, VT_I4, VT_I4, VT_I4, VT_I4}, VT_EMPTY},
        {19, "GetIdRange", {kRefI4, kRefI4}, VT_BOOL},
        {21, "CopySelection", {}, VT_EMPTY},
        {22, "EndBatch", {}, VT_BOOL},
        {28, "GetActiveKind", {}, VT_I4},
        {33, "SelectEverything", {}, VT_BOOL},
        {34, "StepActive", {VT_BOOL}, VT_BOOL},
        {43, "JoinSelection", {}, VT_EMPTY},
        {44, "SplitActive", {}, VT_EMPTY},
        {51, "ConvertActiveToCurves", {}, VT_EMPTY},
        {53, "PositionActive", {VT_I4, VT_I4}, VT_EMPTY},
        {55, "ClearSelection", {}, VT_EMPTY},
        {66, "GetActiveId", {}, VT_I4},
        {67, "ActivateById", {VT_I4}, VT_EMPTY},
        {83, "CreateLayer", {VT_BSTR}, VT_EMPTY},
        {84, "DeleteCurrent", {}, VT_EMPTY},
        {85, "SetCurrentLayer", {VT_BSTR}, VT_EMPTY},
        {92, "SetLayerScope", {VT_BOOL}, VT_EMPTY},
        {94, "SendSelectionToLayer", {VT_BSTR}, VT_EMPTY},
        {95, "CopySelectionToLayer", {VT_BSTR}, VT_EMPTY},
        {124, "SetConvertMode", {VT_BOOL}, VT_EMPTY},
        {182, "SetConvertOption", {VT_I4}, VT_EMPTY},
    };
    return methods;
}

const Method* FindMethod(DISPID member) {
    for (const Method& method : Methods())
        if (method.member == member)
            return &method;
    return nullptr;
}

// Test strings are ASCII; anything else shows as '?'.
std::string Narrow(const OLECHAR* text, UINT length) {
    std::string narrow;
    for (UINT i = 0; i < length; ++i)
        narrow += text[i] < 0x80 ? static_cast<char>(text[i]) : '?';
    return narrow;
}

std::string Narrow(BSTR text) {
    return text != nullptr ? Narrow(text, SysStringLen(text)) : std::string();
}

BSTR Wide(const std::string& text) {
    std::vector<OLECHAR> wide(text.begin(), text.end());
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

// A value that a trace line shows with what it is: BOOL(5).
std::string Tagged(const char* what, long value) {
    std::string text(what);
    text += '(';
    text += std::to_string(value);
    text += ')';
    return text;
}

void Leaves(const std::vector<DrawObject>& objects, std::vector<LONG>* shapes) {
    for (const DrawObject& object : objects) {
        if (object.kind == kKindGroup)
            Leaves(object.members, shapes);
        else
            shapes->push_back(object.shape);
    }
}

DrawObject* FindIn(std::vector<DrawObject>& objects, LONG id) {
    for (DrawObject& object : objects) {
        if (object.id == id)
            return &object;
        if (DrawObject* inner = FindIn(object.members, id))
            return inner;
    }
    return nullptr;
}

} // namespace

DrawObject Obj(LONG id, LONG kind) {
    return DrawObject{id, kind, {}, id};
}

DrawObject Group(LONG id, std::vector<DrawObject> members) {
    return DrawObject{id, kKindGroup, std::move(members), id};
}

SimulatedCorel::SimulatedCorel(std::vector<DrawObject> objects)
    : layers_{DrawLayer{"Layer 1", std::move(objects)}} {}

SimulatedCorel::~SimulatedCorel() {
    for (auto& [member, value] : replies_)
        VariantClear(&value);
}

HRESULT STDMETHODCALLTYPE SimulatedCorel::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

// The tests own the server; the count only shows that callers keep their references balanced.
ULONG STDMETHODCALLTYPE SimulatedCorel::AddRef() {
    return ++references_;
}

ULONG STDMETHODCALLTYPE SimulatedCorel::Release() {
    return --references_;
}

HRESULT STDMETHODCALLTYPE SimulatedCorel::GetTypeInfoCount(UINT* count) {
    if (count == nullptr)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SimulatedCorel::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info != nullptr)
        *info = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE SimulatedCorel::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count,
                                                        LCID, DISPID* ids) {
    if (riid != IID_NULL)
        return DISP_E_UNKNOWNINTERFACE;
    HRESULT result = S_OK;
    for (UINT i = 0; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
        std::size_t length = 0;
        while (names[i][length] != 0)
            ++length;
        const std::string name = Narrow(names[i], static_cast<UINT>(length));
        for (const Method& method : Methods())
            if (i == 0 && name == method.name)
                ids[i] = method.member;
        if (ids[i] == DISPID_UNKNOWN)
            result = DISP_E_UNKNOWNNAME;
    }
    return result;
}

HRESULT STDMETHODCALLTYPE SimulatedCorel::Invoke(DISPID member, REFIID riid, LCID, WORD flags,
                                                 DISPPARAMS* params, VARIANT* result,
                                                 EXCEPINFO* exception, UINT* argumentError) {
    if (riid != IID_NULL)
        return DISP_E_UNKNOWNINTERFACE;
    if (params == nullptr)
        return E_INVALIDARG;

    RecordedCall call;
    call.member = member;
    call.flags = flags;
    call.resultWanted = result != nullptr;
    for (UINT i = params->cArgs; i-- > 0;) {
        const VARIANT& v = params->rgvarg[i];
        RecordedArgument argument;
        argument.vt = v.vt;
        if (v.vt == VT_BSTR)
            argument.text = Narrow(v.bstrVal);
        else if (v.vt == VT_I4)
            argument.number = v.lVal;
        else if (v.vt == VT_BOOL)
            argument.number = v.boolVal;
        else if (v.vt == kRefI4 && v.plVal != nullptr)
            argument.number = *v.plVal;
        call.arguments.push_back(argument);
    }

    HRESULT answer = S_OK;
    auto failure = failures_.find(member);
    if (calls_.size() >= budget_) {
        overspent_ = true;
        answer = Raise(exception, "call budget spent");
    } else if (failure != failures_.end() && --failure->second.first == 0) {
        answer = failure->second.second;
        failures_.erase(failure);
        if (answer == DISP_E_EXCEPTION)
            answer = Raise(exception, "simulated failure");
    } else {
        answer = Dispatch(member, params, result, exception, argumentError);
    }
    call.answer = answer;
    calls_.push_back(std::move(call));
    return answer;
}

HRESULT SimulatedCorel::Raise(EXCEPINFO* exception, const std::string& description) {
    if (exception != nullptr) {
        std::memset(exception, 0, sizeof *exception);
        exception->wCode = 1001;
        exception->bstrSource = Wide("SimulatedCorel");
        exception->bstrDescription = Wide(description);
    }
    return DISP_E_EXCEPTION;
}

HRESULT SimulatedCorel::Dispatch(DISPID member, DISPPARAMS* params, VARIANT* result,
                                 EXCEPINFO* exception, UINT* argumentError) {
    const Method* method = FindMethod(member);
    if (method == nullptr)
        return DISP_E_MEMBERNOTFOUND;
    if (params->cNamedArgs != 0)
        return DISP_E_NONAMEDARGS;
    if (params->cArgs != method->parameters.size())
        return DISP_E_BADPARAMCOUNT;

    // The arguments as the method takes them, converted as OLEAUT32 converts them.
    std::vector<LONG> numbers;
    std::vector<std::string> texts;
    std::vector<LONG*> references;
    for (UINT i = 0; i < params->cArgs; ++i) {
        const VARTYPE type = method->parameters[i];
        if (type == kRefI4) {
            VARIANT& v = params->rgvarg[params->cArgs - 1 - i];
            if (v.vt != kRefI4 || v.plVal == nullptr) {
                if (argumentError != nullptr)
                    *argumentError = params->cArgs - 1 - i;
                return DISP_E_TYPEMISMATCH;
            }
            references.push_back(v.plVal);
            continue;
        }
        VARIANT value;
        VariantInit(&value);
        const HRESULT got = DispGetParam(params, i, type, &value, argumentError);
        if (FAILED(got))
            return got;
        if (type == VT_BSTR)
            texts.push_back(Narrow(value.bstrVal));
        else
            numbers.push_back(type == VT_BOOL ? (value.boolVal != 0 ? TRUE : FALSE) : value.lVal);
        VariantClear(&value);
    }

    LONG answer = 0;
    switch (member) {
    case DrawMethod::OpenDrawing:
        openedPath_ = texts[0];
        answer = TRUE;
        break;
    case DrawMethod::CloseDrawing:
    case DrawMethod::EndBatch:
        answer = TRUE;
        break;
    case DrawMethod::ExportDrawing: {
        if (numbers[0] != 0x701)
            return Raise(exception, "no such export filter");
        std::vector<DrawObject> objects;
        if (numbers[5] == 1) {
            objects = Current().objects;
        } else {
            for (const DrawLayer& layer : layers_)
                objects.insert(objects.end(), layer.objects.begin(), layer.objects.end());
        }
        std::ofstream file(std::filesystem::u8path(texts[0]), std::ios::binary);
        const Bytes bytes = CmxOf(objects);
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        if (!file.flush())
            return Raise(exception, "cannot write " + texts[0]);
        break;
    }
    case DrawMethod::GetIdRange:
        *references[0] = selection_.empty() ? 0 : selection_.front();
        *references[1] = selection_.empty() ? 0 : selection_.back();
        answer = TRUE;
        break;
    case DrawMethod::CopySelection: {
        const Bytes bytes = CmxOf(SelectedObjects());
        if (!OpenClipboard(nullptr))
            return Raise(exception, "the clipboard is busy");
        EmptyClipboard();
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
        std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
        GlobalUnlock(block);
        SetClipboardData(RegisterClipboardFormatA("Corel 32-bit Presentation Exchange Data"),
                         block);
        CloseClipboard();
        break;
    }
    case DrawMethod::GetActiveKind: {
        const DrawObject* object = Find(active_);
        answer = object != nullptr ? object->kind : active_ != 0 ? lostKind_ : 0;
        break;
    }
    case DrawMethod::SelectEverything:
        ClearSelection();
        for (const DrawObject& object : Current().objects)
            selection_.push_back(object.id);
        active_ = selection_.empty() ? 0 : selection_.front();
        answer = selection_.empty() ? FALSE : TRUE;
        break;
    case DrawMethod::StepActive:
        answer = Step(numbers[0] != 0);
        break;
    case DrawMethod::JoinSelection: { // the selection becomes one group in the place of its first
                                      // object
        if (selection_.empty())
            break;
        std::vector<DrawObject>& objects = Current().objects;
        DrawObject joined = Group(nextId_++, {});
        std::size_t at = objects.size();
        for (std::size_t i = 0; i < objects.size();) {
            if (std::find(selection_.begin(), selection_.end(), objects[i].id) ==
                selection_.end()) {
                ++i;
                continue;
            }
            at = std::min(at, i);
            joined.members.push_back(objects[i]);
            objects.erase(objects.begin() + static_cast<std::ptrdiff_t>(i));
        }
        const LONG id = joined.id;
        objects.insert(objects.begin() + static_cast<std::ptrdiff_t>(at), std::move(joined));
        Select({id});
        break;
    }
    case DrawMethod::SplitActive: { // a group of the layer gives way to its members
        std::vector<DrawObject>& objects = Current().objects;
        auto group = std::find_if(objects.begin(), objects.end(), [this](const DrawObject& o) {
            return o.id == active_ && o.kind == kKindGroup;
        });
        if (group == objects.end())
            break;
        const std::vector<DrawObject> members = group->members;
        const auto at = objects.erase(group);
        objects.insert(at, members.begin(), members.end());
        // The members take the group's place in the selection; the first becomes active.
        std::vector<LONG> ids;
        for (LONG id : selection_) {
            if (id != active_) {
                ids.push_back(id);
                continue;
            }
            for (const DrawObject& object : members)
                ids.push_back(object.id);
        }
        const LONG first = members.front().id;
        Select(ids);
        active_ = first;
        break;
    }
    case DrawMethod::ConvertActiveToCurves: {
        DrawObject* object = Find(active_);
        if (object == nullptr)
            return Raise(exception, "nothing is active");
        if (object->kind == kKindText && (!convertMode_ || convertOption_ != 0x835F))
            return Raise(exception, "text converts only in the conversion mode");
        if (object->kind == kKindShape || object->kind == kKindText)
            object->kind = kKindCurves;
        break;
    }
    case DrawMethod::PositionActive:
        break;
    case DrawMethod::ClearSelection:
        ClearSelection();
        break;
    case DrawMethod::GetActiveId:
        answer = active_;
        break;
    case DrawMethod::ActivateById: { // a top-level object of any layer, 0 for none
        ClearSelection();
        if (numbers[0] == 0)
            break;
        for (std::size_t l = 0; l < layers_.size(); ++l)
            for (const DrawObject& object : layers_[l].objects)
                if (object.id == numbers[0]) {
                    current_ = l;
                    Select({object.id});
                    return S_OK;
                }
        return Raise(exception, "no object " + std::to_string(numbers[0]));
    }
    case DrawMethod::CreateLayer:
        if (FindLayer(texts[0]) == nullptr)
            layers_.push_back(DrawLayer{texts[0], {}});
        break;
    case DrawMethod::DeleteCurrent: // the current layer, or the objects of the last one
        ClearSelection();
        if (layers_.size() > 1) {
            layers_.erase(layers_.begin() + static_cast<std::ptrdiff_t>(current_));
            current_ = 0;
        } else {
            Current().objects.clear();
        }
        break;
    case DrawMethod::SetCurrentLayer:
        for (std::size_t l = 0; l < layers_.size(); ++l)
            if (layers_[l].name == texts[0]) {
                ClearSelection();
                current_ = l;
                return S_OK;
            }
        return Raise(exception, "no layer " + texts[0]);
    case DrawMethod::SetLayerScope:
        layerScope_ = numbers[0] != 0;
        break;
    case DrawMethod::SendSelectionToLayer:
    case DrawMethod::CopySelectionToLayer:
        return CopyToLayer(texts[0], exception);
    case DrawMethod::SetConvertMode:
        convertMode_ = numbers[0] != 0;
        break;
    case DrawMethod::SetConvertOption:
        convertOption_ = numbers[0];
        break;
    default:
        break;
    }

    if (result != nullptr) {
        auto reply = replies_.find(member);
        if (reply != replies_.end()) {
            *result = reply->second;
            replies_.erase(reply);
        } else if (method->result == VT_BOOL) {
            result->vt = VT_BOOL;
            result->boolVal = answer != 0 ? VARIANT_TRUE : VARIANT_FALSE;
        } else if (method->result == VT_I4) {
            result->vt = VT_I4;
            result->lVal = answer;
        }
    }
    return S_OK;
}

void SimulatedCorel::Select(const std::vector<LONG>& ids) {
    ClearSelection();
    selection_ = ids;
    active_ = ids.empty() ? 0 : ids.front();
}

void SimulatedCorel::Fail(DISPID member, HRESULT hr, int count) {
    failures_[member] = {count, hr};
}

void SimulatedCorel::ClearSelection() {
    selection_.clear();
    active_ = 0;
    frames_.clear();
}

DrawObject* SimulatedCorel::Find(LONG id) {
    for (DrawLayer& layer : layers_)
        if (DrawObject* object = FindIn(layer.objects, id))
            return object;
    return nullptr;
}

const DrawLayer* SimulatedCorel::FindLayer(const std::string& name) const {
    for (const DrawLayer& layer : layers_)
        if (layer.name == name)
            return &layer;
    return nullptr;
}

// The objects a step moves among: the members of the innermost group entered, else the selection.
std::vector<LONG> SimulatedCorel::WalkList() {
    if (frames_.empty())
        return selection_;
    std::vector<LONG> ids;
    for (const DrawObject& member : Find(frames_.back().group)->members)
        ids.push_back(member.id);
    return ids;
}

// Moves to the next object of the walk list, from the last back to the first: in a group that
// completes the walk through it.
void SimulatedCorel::Advance() {
    const std::vector<LONG> list = WalkList();
    auto at = std::find(list.begin(), list.end(), active_);
    if (at == list.end() || ++at == list.end()) {
        at = list.begin();
        if (!frames_.empty())
            frames_.back().completed = true;
    }
    active_ = at != list.end() ? *at : 0;
}

// Entering groups, a step into a group makes its first member active; once the walk through
// the group has come back to that member, the next step leaves the group for the object after it.
BOOL SimulatedCorel::Step(bool enterGroups) {
    if (lost_) {
        active_ = lostKind_ != 0 ? nextId_++ : 0;
        return TRUE;
    }
    if (active_ == 0)
        return FALSE;
    if (!frames_.empty() && frames_.back().completed &&
        Find(frames_.back().group)->members.front().id == active_) {
        active_ = frames_.back().group;
        frames_.pop_back();
        Advance();
        return TRUE;
    }
    const DrawObject* object = Find(active_);
    if (enterGroups && object->kind == kKindGroup && !object->members.empty()) {
        frames_.push_back(Frame{active_, false});
        active_ = object->members.front().id;
        return TRUE;
    }
    Advance();
    return TRUE;
}

std::vector<DrawObject> SimulatedCorel::SelectedObjects() {
    std::vector<DrawObject> objects;
    for (const DrawObject& object : Current().objects)
        if (std::find(selection_.begin(), selection_.end(), object.id) != selection_.end())
            objects.push_back(object);
    return objects;
}

DrawObject SimulatedCorel::Copy(const DrawObject& object) {
    DrawObject copy{nextId_++, object.kind, {}, object.shape};
    for (const DrawObject& member : object.members)
        copy.members.push_back(Copy(member));
    return copy;
}

// Puts copies of the selection on a layer; the originals stay, and stay selected.
HRESULT SimulatedCorel::CopyToLayer(const std::string& name, EXCEPINFO* exception) {
    for (DrawLayer& layer : layers_) {
        if (layer.name != name)
            continue;
        for (const DrawObject& object : SelectedObjects())
            layer.objects.push_back(Copy(object));
        return S_OK;
    }
    return Raise(exception, "no layer " + name);
}

std::vector<std::string> SimulatedCorel::Trace() const {
    std::vector<std::string> lines;
    for (const RecordedCall& call : calls_) {
        const char* name = MethodName(call.member);
        std::string line = name != nullptr ? name : "#";
        if (name == nullptr)
            line += std::to_string(call.member);
        if (!call.arguments.empty()) {
            line += '(';
            for (std::size_t i = 0; i < call.arguments.size(); ++i) {
                const RecordedArgument& a = call.arguments[i];
                if (i != 0)
                    line += ',';
                if (a.vt == VT_BSTR)
                    line += '"' + a.text + '"';
                else if (a.vt == VT_BOOL && (a.number == VARIANT_TRUE || a.number == VARIANT_FALSE))
                    line += a.number == VARIANT_TRUE ? "TRUE" : "FALSE";
                else if (a.vt == VT_BOOL)
                    line += Tagged("BOOL", a.number);
                else if (a.vt == VT_I4)
                    line += std::to_string(a.number);
                else if (a.vt == kRefI4)
                    line += '&';
                else
                    line += Tagged("vt", a.vt);
            }
            line += ')';
        }
        if (call.flags != DISPATCH_METHOD)
            line += Tagged("/flags", call.flags);
        if (call.resultWanted)
            line += '?';
        lines.push_back(line);
    }
    return lines;
}

const char* SimulatedCorel::MethodName(DISPID member) {
    const Method* method = FindMethod(member);
    return method != nullptr ? method->name : nullptr;
}

std::vector<std::pair<double, double>> SimulatedCorel::ShapePoints(LONG shape) {
    // A three-point line whose place and slope tell the shapes apart.
    const double x = 10.0 * static_cast<double>(shape % 90);
    const double y = 5.0 * static_cast<double>(shape % 150);
    return {{x, y}, {x + 7, y + 1 + static_cast<double>(shape % 5)}, {x + 14, y}};
}

Bytes SimulatedCorel::CmxOf(const std::vector<DrawObject>& objects) {
    std::vector<LONG> shapes;
    Leaves(objects, &shapes);
    PageBuilder page{Variant{}};
    for (LONG id : shapes) {
        Shape shape;
        shape.attributes.fill = Fill{1, 1, {}};
        for (const auto& [x, y] : ShapePoints(id))
            shape.nodes.push_back(Node{static_cast<std::int32_t>(x), static_cast<std::int32_t>(y),
                                       shape.nodes.empty() ? kMoveNode : kLineNode});
        page.PolyCurve(shape);
    }
    return FileWithPage(page);
}

} // namespace cmxtest
