// Conversion of VARIANTs and the fetching of a method's arguments, where the system has no
// OLEAUT32: the numeric types and VT_BOOL, with OLEAUT32's rounding and range checks.
#include "platform/oleauto.h"

#include <cmath>
#include <limits>

namespace {

// A value read from a VARIANT: integers exactly, reals as they are.
struct Number {
    bool real = false;
    LONGLONG integer = 0;
    ULONGLONG unsignedInteger = 0; // VT_UI8 values above LONGLONG's range
    bool large = false;
    double value = 0;
};

// The value a VARIANT holds, its reference followed; false for a type that is no number.
bool ReadNumber(const VARIANT& v, Number* n) {
    const bool byRef = (v.vt & VT_BYREF) != 0;
    if (byRef && v.byref == nullptr)
        return false;
    auto integer = [n](LONGLONG value) {
        n->integer = value;
        return true;
    };
    auto real = [n](double value) {
        n->real = true;
        n->value = value;
        return true;
    };
    switch (v.vt & ~VT_BYREF) {
    case VT_EMPTY:
        return !byRef && integer(0);
    case VT_I1:
        return integer(byRef ? *v.pcVal : v.cVal);
    case VT_UI1:
        return integer(byRef ? *v.pbVal : v.bVal);
    case VT_I2:
        return integer(byRef ? *v.piVal : v.iVal);
    case VT_UI2:
        return integer(byRef ? *v.puiVal : v.uiVal);
    case VT_I4:
    case VT_INT:
        return integer(byRef ? *v.plVal : v.lVal);
    case VT_UI4:
    case VT_UINT:
        return integer(byRef ? *v.pulVal : v.ulVal);
    case VT_I8:
        return integer(byRef ? *v.pllVal : v.llVal);
    case VT_UI8: {
        const ULONGLONG value = byRef ? *v.pullVal : v.ullVal;
        if (value > static_cast<ULONGLONG>(std::numeric_limits<LONGLONG>::max())) {
            n->large = true;
            n->unsignedInteger = value;
            return true;
        }
        return integer(static_cast<LONGLONG>(value));
    }
    case VT_BOOL:
        return integer(byRef ? *v.pboolVal : v.boolVal);
    case VT_R4:
        return real(byRef ? *v.pfltVal : v.fltVal);
    case VT_R8:
    case VT_DATE:
        return real(byRef ? *v.pdblVal : v.dblVal);
    default:
        return false;
    }
}

// The integer in [low, high] that a number converts to: reals round half to even, as OLEAUT32
// rounds them.
bool ToInteger(const Number& n, LONGLONG low, ULONGLONG high, LONGLONG* out, ULONGLONG* outLarge) {
    if (n.large) {
        if (n.unsignedInteger > high)
            return false;
        *outLarge = n.unsignedInteger;
        return true;
    }
    LONGLONG value = n.integer;
    if (n.real) {
        if (!std::isfinite(n.value))
            return false;
        const double rounded = std::nearbyint(n.value);
        if (rounded < -9.2233720368547758e18 || rounded >= 9.2233720368547758e18)
            return false;
        value = static_cast<LONGLONG>(rounded);
    }
    if (value < low || (value > 0 && static_cast<ULONGLONG>(value) > high))
        return false;
    *out = value;
    *outLarge = static_cast<ULONGLONG>(value);
    return true;
}

HRESULT Convert(const Number& n, VARTYPE vt, VARIANT* out) {
    if (vt == VT_BOOL) {
        const bool set = n.real ? n.value != 0 : (n.large || n.integer != 0);
        out->boolVal = set ? VARIANT_TRUE : VARIANT_FALSE;
        out->vt = VT_BOOL;
        return S_OK;
    }
    if (vt == VT_R4 || vt == VT_R8) {
        const double value = n.real    ? n.value
                             : n.large ? static_cast<double>(n.unsignedInteger)
                                       : static_cast<double>(n.integer);
        if (vt == VT_R4) {
            if (std::isfinite(value) && std::fabs(value) > std::numeric_limits<float>::max())
                return DISP_E_OVERFLOW;
            out->fltVal = static_cast<float>(value);
        } else {
            out->dblVal = value;
        }
        out->vt = vt;
        return S_OK;
    }
    struct Range {
        VARTYPE vt;
        LONGLONG low;
        ULONGLONG high;
    };
    static const Range kRanges[] = {
        {VT_I1, -128, 127},
        {VT_UI1, 0, 255},
        {VT_I2, -32768, 32767},
        {VT_UI2, 0, 65535},
        {VT_I4, std::numeric_limits<LONG>::min(), std::numeric_limits<LONG>::max()},
        {VT_INT, std::numeric_limits<LONG>::min(), std::numeric_limits<LONG>::max()},
        {VT_UI4, 0, std::numeric_limits<ULONG>::max()},
        {VT_UINT, 0, std::numeric_limits<ULONG>::max()},
        {VT_I8, std::numeric_limits<LONGLONG>::min(), std::numeric_limits<LONGLONG>::max()},
        {VT_UI8, 0, std::numeric_limits<ULONGLONG>::max()},
    };
    for (const Range& range : kRanges) {
        if (range.vt != vt)
            continue;
        LONGLONG value = 0;
        ULONGLONG large = 0;
        if (!ToInteger(n, range.low, range.high, &value, &large))
            return DISP_E_OVERFLOW;
        switch (vt) {
        case VT_I1:
            out->cVal = static_cast<CHAR>(value);
            break;
        case VT_UI1:
            out->bVal = static_cast<BYTE>(value);
            break;
        case VT_I2:
            out->iVal = static_cast<SHORT>(value);
            break;
        case VT_UI2:
            out->uiVal = static_cast<USHORT>(value);
            break;
        case VT_I4:
        case VT_INT:
            out->lVal = static_cast<LONG>(value);
            break;
        case VT_UI4:
        case VT_UINT:
            out->ulVal = static_cast<ULONG>(value);
            break;
        case VT_I8:
            out->llVal = value;
            break;
        default:
            out->ullVal = large;
            break;
        }
        out->vt = vt;
        return S_OK;
    }
    return DISP_E_TYPEMISMATCH;
}

} // namespace

extern "C" {

HRESULT WINAPI VariantCopy(VARIANTARG* destination, const VARIANTARG* source) {
    if (destination == nullptr || source == nullptr)
        return E_INVALIDARG;
    if (destination == source)
        return S_OK;
    VARIANT copy = *source;
    if (!(source->vt & VT_BYREF)) {
        if (source->vt & VT_ARRAY)
            return DISP_E_BADVARTYPE; // arrays are copied by their owners, never here
        if (source->vt == VT_BSTR && source->bstrVal != nullptr) {
            copy.bstrVal = SysAllocStringLen(source->bstrVal, SysStringLen(source->bstrVal));
            if (copy.bstrVal == nullptr)
                return E_OUTOFMEMORY;
        } else if ((source->vt == VT_DISPATCH || source->vt == VT_UNKNOWN) &&
                   source->punkVal != nullptr) {
            source->punkVal->AddRef();
        }
    }
    const HRESULT cleared = VariantClear(destination);
    if (FAILED(cleared)) {
        VariantClear(&copy);
        return cleared;
    }
    *destination = copy;
    return S_OK;
}

HRESULT WINAPI VariantChangeType(VARIANTARG* destination, const VARIANTARG* source, USHORT,
                                 VARTYPE vt) {
    if (destination == nullptr || source == nullptr)
        return E_INVALIDARG;
    if (source->vt == vt)
        return VariantCopy(destination, source);
    VARIANT converted;
    VariantInit(&converted);
    if ((source->vt & ~VT_BYREF) == vt && vt != VT_EMPTY) {
        // A reference to a value of the type asked for: the value itself.
        if (source->byref == nullptr)
            return E_INVALIDARG;
        VARIANT value;
        VariantInit(&value);
        value.vt = vt;
        switch (vt) {
        case VT_BSTR:
            value.bstrVal = *source->pbstrVal;
            break;
        case VT_DISPATCH:
        case VT_UNKNOWN:
            value.punkVal = *source->ppunkVal;
            break;
        case VT_VARIANT:
            return VariantCopy(destination, source->pvarVal);
        default: {
            Number n;
            if (!ReadNumber(*source, &n))
                return DISP_E_TYPEMISMATCH;
            const HRESULT result = Convert(n, vt, &converted);
            if (FAILED(result))
                return result;
            return VariantCopy(destination, &converted);
        }
        }
        return VariantCopy(destination, &value);
    }
    Number n;
    if (!ReadNumber(*source, &n))
        return DISP_E_TYPEMISMATCH;
    const HRESULT result = Convert(n, vt, &converted);
    if (FAILED(result))
        return result;
    const HRESULT cleared = VariantClear(destination);
    if (FAILED(cleared))
        return cleared;
    *destination = converted;
    return S_OK;
}

HRESULT WINAPI DispGetParam(DISPPARAMS* params, UINT position, VARTYPE vt, VARIANT* result,
                            UINT* argumentError) {
    if (params == nullptr || result == nullptr)
        return E_INVALIDARG;
    // A named argument whose DISPID is the position stands before the positional ones.
    UINT index = params->cArgs;
    for (UINT i = 0; i < params->cNamedArgs && i < params->cArgs; ++i)
        if (params->rgdispidNamedArgs != nullptr &&
            params->rgdispidNamedArgs[i] == static_cast<DISPID>(position))
            index = i;
    if (index == params->cArgs) {
        if (position >= params->cArgs - params->cNamedArgs || params->cArgs < params->cNamedArgs)
            return DISP_E_PARAMNOTFOUND;
        index = params->cArgs - 1 - position;
    }
    VariantInit(result);
    const HRESULT converted = VariantChangeType(result, &params->rgvarg[index], 0, vt);
    if (FAILED(converted) && argumentError != nullptr)
        *argumentError = index;
    if (converted == DISP_E_BADVARTYPE || converted == E_INVALIDARG)
        return DISP_E_TYPEMISMATCH;
    return converted;
}

} // extern "C"
