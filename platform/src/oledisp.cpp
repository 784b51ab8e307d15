#include "platform/oledisp.h"

#include "src/os.h"

#include <cstring>
#include <string>
#include <vector>

COleException::COleException(SCODE sc) : m_sc(sc) {
    message_.Format("OLE error 0x%08lX", static_cast<unsigned long>(static_cast<ULONG>(sc)));
}

COleException::~COleException() = default;

SCODE COleException::Process(const CException* exception) {
    if (const auto* ole = dynamic_cast<const COleException*>(exception))
        return ole->m_sc;
    if (dynamic_cast<const CMemoryException*>(exception) != nullptr)
        return E_OUTOFMEMORY;
    return E_UNEXPECTED;
}

COleDispatchException::COleDispatchException(const char* description, UINT helpId, WORD code)
    : m_wCode(code), m_scError(0), m_strDescription(description), m_dwHelpContext(helpId) {
    message_ = m_strDescription;
    if (message_.IsEmpty())
        message_.Format("automation server exception %u", static_cast<unsigned>(code));
}

COleDispatchException::~COleDispatchException() = default;

void AfxThrowOleException(SCODE sc) {
    throw COleException(sc);
}

void AfxThrowOleDispatchException(WORD code, const char* description, UINT helpId) {
    throw COleDispatchException(description, helpId, code);
}

COleDispatchDriver::COleDispatchDriver() : m_lpDispatch(nullptr), m_bAutoRelease(TRUE) {}

COleDispatchDriver::COleDispatchDriver(LPDISPATCH dispatch, BOOL autoRelease)
    : m_lpDispatch(dispatch), m_bAutoRelease(autoRelease) {}

COleDispatchDriver::COleDispatchDriver(const COleDispatchDriver& other)
    : m_lpDispatch(other.m_lpDispatch), m_bAutoRelease(TRUE) {
    if (m_lpDispatch != nullptr)
        m_lpDispatch->AddRef();
}

COleDispatchDriver::~COleDispatchDriver() {
    ReleaseDispatch();
}

const COleDispatchDriver& COleDispatchDriver::operator=(const COleDispatchDriver& other) {
    if (this != &other && m_lpDispatch != other.m_lpDispatch) {
        if (other.m_lpDispatch != nullptr)
            other.m_lpDispatch->AddRef();
        ReleaseDispatch();
        m_lpDispatch = other.m_lpDispatch;
        m_bAutoRelease = TRUE;
    }
    return *this;
}

void COleDispatchDriver::AttachDispatch(LPDISPATCH dispatch, BOOL autoRelease) {
    ReleaseDispatch();
    m_lpDispatch = dispatch;
    m_bAutoRelease = autoRelease;
}

LPDISPATCH COleDispatchDriver::DetachDispatch() {
    LPDISPATCH dispatch = m_lpDispatch;
    m_lpDispatch = nullptr;
    return dispatch;
}

void COleDispatchDriver::ReleaseDispatch() {
    if (m_lpDispatch != nullptr && m_bAutoRelease)
        m_lpDispatch->Release();
    m_lpDispatch = nullptr;
}

namespace {

constexpr BYTE kByReference = 0x40;
constexpr BYTE kNarrowString = 0x0E;

// The VARIANTs of one call, in the order IDispatch takes them (the last argument first), and
// the strings made for it, which are freed once the call is over.
class CallArguments {
public:
    CallArguments() = default;
    CallArguments(const CallArguments&) = delete;
    CallArguments& operator=(const CallArguments&) = delete;
    ~CallArguments() {
        for (BSTR text : strings_)
            SysFreeString(text);
    }

    void Build(const BYTE* paramInfo, va_list arguments) {
        const std::size_t count =
            paramInfo != nullptr ? std::strlen(reinterpret_cast<const char*>(paramInfo)) : 0;
        values_.resize(count);
        va_list walk;
        va_copy(walk, arguments);
        try {
            for (std::size_t i = 0; i < count; ++i)
                Fill(&values_[count - 1 - i], paramInfo[i], &walk);
        } catch (...) {
            va_end(walk);
            throw;
        }
        va_end(walk);
    }

    VARIANT* data() { return values_.empty() ? nullptr : values_.data(); }
    UINT count() const { return static_cast<UINT>(values_.size()); }

private:
    void Fill(VARIANT* v, BYTE code, va_list* arguments) {
        VariantInit(v);
        if (code & kByReference) {
            const BYTE base = code & ~kByReference;
            const VARTYPE type = base == kNarrowString ? static_cast<VARTYPE>(VT_BSTR) : base;
            v->vt = static_cast<VARTYPE>(type | VT_BYREF);
            v->byref = va_arg(*arguments, void*);
            return;
        }
        v->vt = code;
        switch (code) {
        case VT_I2:
            v->iVal = static_cast<SHORT>(va_arg(*arguments, int));
            break;
        case VT_UI1:
            v->bVal = static_cast<BYTE>(va_arg(*arguments, int));
            break;
        case VT_I4:
            v->lVal = va_arg(*arguments, LONG);
            break;
        case VT_R4:
            v->fltVal = static_cast<FLOAT>(va_arg(*arguments, double));
            break;
        case VT_R8:
        case VT_DATE:
            v->dblVal = va_arg(*arguments, double);
            break;
        case VT_CY:
            v->cyVal = *va_arg(*arguments, CY*);
            break;
        case VT_ERROR:
            v->scode = va_arg(*arguments, SCODE);
            break;
        case VT_BOOL:
            v->boolVal = va_arg(*arguments, BOOL) ? VARIANT_TRUE : VARIANT_FALSE;
            break;
        case VT_DISPATCH:
        case VT_UNKNOWN:
            v->punkVal = va_arg(*arguments, IUnknown*);
            break;
        case VT_VARIANT:
            // The caller's VARIANT, which it keeps.
            *v = *va_arg(*arguments, const VARIANT*);
            break;
        case kNarrowString: {
            v->vt = VT_BSTR;
            const char* text = va_arg(*arguments, const char*);
            v->bstrVal = nullptr;
            if (text != nullptr) {
                v->bstrVal = platform_os::AnsiToBstr(text);
                if (v->bstrVal == nullptr)
                    AfxThrowMemoryException();
                strings_.push_back(v->bstrVal);
            }
            break;
        }
        default:
            AfxThrowOleException(DISP_E_BADVARTYPE);
        }
    }

    std::vector<VARIANT> values_;
    std::vector<BSTR> strings_;
};

CString TakeString(BSTR* text) {
    CString narrow;
    if (*text != nullptr) {
        narrow = platform_os::BstrToAnsi(*text).c_str();
        SysFreeString(*text);
        *text = nullptr;
    }
    return narrow;
}

[[noreturn]] void ThrowDispatchException(EXCEPINFO* info) {
    // A server may leave the EXCEPINFO to be filled in only when someone asks.
    if (info->pfnDeferredFillIn != nullptr)
        info->pfnDeferredFillIn(info);
    const CString source = TakeString(&info->bstrSource);
    const CString description = TakeString(&info->bstrDescription);
    const CString helpFile = TakeString(&info->bstrHelpFile);
    COleDispatchException exception(description, info->dwHelpContext, info->wCode);
    exception.m_scError = info->scode;
    exception.m_strSource = source;
    exception.m_strHelpFile = helpFile;
    throw exception;
}

// Stores a result already converted to type where the caller's pointer says.
void StoreResult(VARIANT* value, VARTYPE type, void* result) {
    switch (type) {
    case VT_UI1:
        *static_cast<BYTE*>(result) = value->bVal;
        break;
    case VT_I2:
        *static_cast<SHORT*>(result) = value->iVal;
        break;
    case VT_I4:
        *static_cast<LONG*>(result) = value->lVal;
        break;
    case VT_R4:
        *static_cast<FLOAT*>(result) = value->fltVal;
        break;
    case VT_R8:
    case VT_DATE:
        *static_cast<DOUBLE*>(result) = value->dblVal;
        break;
    case VT_CY:
        *static_cast<CY*>(result) = value->cyVal;
        break;
    case VT_ERROR:
        *static_cast<SCODE*>(result) = value->scode;
        break;
    case VT_BOOL:
        *static_cast<BOOL*>(result) = value->boolVal != 0;
        break;
    case VT_BSTR:
        // A narrow string, as the framework's ANSI build returns it.
        *static_cast<CString*>(result) = TakeString(&value->bstrVal);
        break;
    case VT_DISPATCH:
    case VT_UNKNOWN:
        // The caller takes over the reference.
        *static_cast<IUnknown**>(result) = value->punkVal;
        value->vt = VT_EMPTY;
        return;
    case VT_VARIANT:
        *static_cast<VARIANT*>(result) = *value;
        value->vt = VT_EMPTY;
        return;
    default:
        break;
    }
    VariantClear(value);
}

} // namespace

void COleDispatchDriver::InvokeHelper(DISPID member, WORD flags, VARTYPE returnType, void* result,
                                      const BYTE* paramInfo, ...) {
    va_list arguments;
    va_start(arguments, paramInfo);
    try {
        InvokeHelperV(member, flags, returnType, result, paramInfo, arguments);
    } catch (...) {
        va_end(arguments);
        throw;
    }
    va_end(arguments);
}

void COleDispatchDriver::InvokeHelperV(DISPID member, WORD flags, VARTYPE returnType, void* result,
                                       const BYTE* paramInfo, va_list arguments) {
    if (m_lpDispatch == nullptr)
        AfxThrowOleException(E_POINTER);
    CallArguments callArguments;
    callArguments.Build(paramInfo, arguments);

    DISPPARAMS params = {};
    params.rgvarg = callArguments.data();
    params.cArgs = callArguments.count();
    // A property is put through the one named argument IDispatch has for it.
    DISPID putId = DISPID_PROPERTYPUT;
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        params.rgdispidNamedArgs = &putId;
        params.cNamedArgs = 1;
    }

    VARIANT value;
    VariantInit(&value);
    EXCEPINFO info;
    std::memset(&info, 0, sizeof info);
    UINT argumentError = static_cast<UINT>(-1);
    const HRESULT hr =
        m_lpDispatch->Invoke(member, IID_NULL, 0, flags, &params,
                             returnType != VT_EMPTY ? &value : nullptr, &info, &argumentError);
    if (FAILED(hr)) {
        VariantClear(&value);
        if (hr == DISP_E_EXCEPTION)
            ThrowDispatchException(&info);
        AfxThrowOleException(hr);
    }
    if (returnType == VT_EMPTY)
        return;
    if (returnType != VT_VARIANT) {
        const HRESULT converted = VariantChangeType(&value, &value, 0, returnType);
        if (FAILED(converted)) {
            VariantClear(&value);
            AfxThrowOleException(converted);
        }
    }
    if (result == nullptr) {
        VariantClear(&value);
        return;
    }
    StoreResult(&value, returnType, result);
}

void COleDispatchDriver::GetProperty(DISPID property, VARTYPE type, void* value) const {
    const_cast<COleDispatchDriver*>(this)->InvokeHelper(property, DISPATCH_PROPERTYGET, type, value,
                                                        nullptr);
}

void COleDispatchDriver::SetProperty(DISPID property, VARTYPE type, ...) {
    va_list arguments;
    va_start(arguments, type);
    const BYTE paramInfo[2] = {static_cast<BYTE>(type == VT_BSTR ? kNarrowString : type), 0};
    const WORD flags = type == VT_DISPATCH ? DISPATCH_PROPERTYPUTREF : DISPATCH_PROPERTYPUT;
    try {
        InvokeHelperV(property, flags, VT_EMPTY, nullptr, paramInfo, arguments);
    } catch (...) {
        va_end(arguments);
        throw;
    }
    va_end(arguments);
}

BOOL AfxOleInit() {
    return platform_os::InitializeCom() ? TRUE : FALSE;
}

HRESULT PlatformGetActiveDispatch(const char* progId, LPDISPATCH* dispatch) {
    if (progId == nullptr || dispatch == nullptr)
        return E_POINTER;
    *dispatch = nullptr;
    return platform_os::GetActiveDispatch(progId, dispatch);
}
