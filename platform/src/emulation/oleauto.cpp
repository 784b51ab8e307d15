// OLE Automation in-process, where the system has none: strings, VARIANTs and safe arrays as
// OLEAUT32 keeps them.
#include "platform/oleauto.h"

#include <cstring>
#include <limits>
#include <new>

const IID IID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IDispatch = {0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

namespace {

// Bytes of the byte count in front of a string, and of its terminating zero character.
constexpr UINT kCountBytes = sizeof(DWORD);
constexpr UINT kZeroBytes = sizeof(OLECHAR);

DWORD* CountOf(BSTR text) {
    return reinterpret_cast<DWORD*>(reinterpret_cast<BYTE*>(text) - kCountBytes);
}

// Array descriptors carry 16 bytes in front of them: the element type in the last four for
// arrays of values, the interface's id in all of them for arrays of interfaces.
constexpr std::size_t kHiddenBytes = 16;
// Vectors carry the flag that OLEAUT32 gives them.
constexpr USHORT kCreateVector = 0x2000;
constexpr ULONG kMaxLocks = 0xFFFF;

BYTE* HiddenOf(SAFEARRAY* array) {
    return reinterpret_cast<BYTE*>(array) - kHiddenBytes;
}

// The bytes of one element, 0 for a type that no array can hold.
ULONG ElementSize(VARTYPE vt) {
    switch (vt) {
    case VT_I1:
    case VT_UI1:
        return 1;
    case VT_BOOL:
    case VT_I2:
    case VT_UI2:
        return 2;
    case VT_I4:
    case VT_UI4:
    case VT_R4:
    case VT_ERROR:
    case VT_INT:
    case VT_UINT:
        return 4;
    case VT_R8:
    case VT_I8:
    case VT_UI8:
    case VT_CY:
    case VT_DATE:
        return 8;
    case VT_INT_PTR:
    case VT_UINT_PTR:
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_UNKNOWN:
        return sizeof(void*);
    case VT_VARIANT:
        return sizeof(VARIANT);
    case VT_DECIMAL:
        return 16;
    default:
        return 0;
    }
}

// What OLEAUT32 accepts as a VARIANT's type.
HRESULT ValidateType(VARTYPE vt) {
    const VARTYPE extra = vt & ~VT_TYPEMASK;
    const VARTYPE base = vt & VT_TYPEMASK;
    if (extra & (VT_VECTOR | VT_RESERVED))
        return DISP_E_BADVARTYPE;
    if (base < VT_VOID || base == VT_RECORD || base == VT_CLSID) {
        if ((extra & (VT_BYREF | VT_ARRAY)) && base <= VT_NULL)
            return DISP_E_BADVARTYPE;
        if (base != 15)
            return S_OK;
    }
    return DISP_E_BADVARTYPE;
}

ULONGLONG CellCount(const SAFEARRAY* array) {
    ULONGLONG cells = 1;
    for (USHORT i = 0; i < array->cDims; ++i)
        cells *= array->rgsabound[i].cElements;
    return cells;
}

SAFEARRAY* Create(VARTYPE vt, UINT dims, const SAFEARRAYBOUND* bounds, USHORT extraFeatures) {
    const ULONG elementSize = ElementSize(vt);
    if (bounds == nullptr || dims == 0 || dims > 0xFFFF || elementSize == 0)
        return nullptr;
    // The data of one array must fit a 32-bit byte count.
    ULONGLONG bytes = elementSize;
    for (UINT i = 0; i < dims; ++i) {
        bytes *= bounds[i].cElements;
        if (bytes > std::numeric_limits<ULONG>::max())
            return nullptr;
    }
    const std::size_t descriptorBytes =
        kHiddenBytes + sizeof(SAFEARRAY) + (dims - 1) * sizeof(SAFEARRAYBOUND);
    BYTE* block = static_cast<BYTE*>(::operator new(descriptorBytes, std::nothrow));
    if (block == nullptr)
        return nullptr;
    void* data = ::operator new(bytes > 0 ? static_cast<std::size_t>(bytes) : 1, std::nothrow);
    if (data == nullptr) {
        ::operator delete(block);
        return nullptr;
    }
    std::memset(block, 0, descriptorBytes);
    std::memset(data, 0, static_cast<std::size_t>(bytes));
    SAFEARRAY* array = reinterpret_cast<SAFEARRAY*>(block + kHiddenBytes);
    array->cDims = static_cast<USHORT>(dims);
    array->cbElements = elementSize;
    array->pvData = data;
    for (UINT i = 0; i < dims; ++i)
        array->rgsabound[i] = bounds[dims - 1 - i];
    USHORT features = extraFeatures;
    if (vt == VT_UNKNOWN || vt == VT_DISPATCH) {
        features |= FADF_HAVEIID | (vt == VT_UNKNOWN ? FADF_UNKNOWN : FADF_DISPATCH);
        std::memcpy(block, vt == VT_UNKNOWN ? &IID_IUnknown : &IID_IDispatch, sizeof(IID));
    } else {
        features |= FADF_HAVEVARTYPE;
        if (vt == VT_BSTR)
            features |= FADF_BSTR;
        else if (vt == VT_VARIANT)
            features |= FADF_VARIANT;
        const DWORD hidden = vt;
        std::memcpy(block + kHiddenBytes - sizeof hidden, &hidden, sizeof hidden);
    }
    array->fFeatures = features;
    return array;
}

// Releases what the elements hold: strings, interfaces, VARIANTs.
void ReleaseElements(SAFEARRAY* array) {
    if (array->pvData == nullptr || array->cbElements == 0)
        return;
    const ULONGLONG cells = CellCount(array);
    BYTE* at = static_cast<BYTE*>(array->pvData);
    for (ULONGLONG i = 0; i < cells; ++i, at += array->cbElements) {
        if (array->fFeatures & FADF_BSTR) {
            BSTR text;
            std::memcpy(&text, at, sizeof text);
            SysFreeString(text);
        } else if (array->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) {
            IUnknown* object;
            std::memcpy(&object, at, sizeof object);
            if (object != nullptr)
                object->Release();
        } else if (array->fFeatures & FADF_VARIANT) {
            VariantClear(reinterpret_cast<VARIANT*>(at));
        }
    }
}

} // namespace

extern "C" {

BSTR WINAPI SysAllocStringByteLen(LPCSTR bytes, UINT length) {
    if (length >= std::numeric_limits<UINT>::max() - kCountBytes - kZeroBytes)
        return nullptr;
    BYTE* block =
        static_cast<BYTE*>(::operator new(kCountBytes + length + kZeroBytes, std::nothrow));
    if (block == nullptr)
        return nullptr;
    const DWORD count = length;
    std::memcpy(block, &count, sizeof count);
    if (bytes != nullptr)
        std::memcpy(block + kCountBytes, bytes, length);
    else
        std::memset(block + kCountBytes, 0, length);
    std::memset(block + kCountBytes + length, 0, kZeroBytes);
    return reinterpret_cast<BSTR>(block + kCountBytes);
}

BSTR WINAPI SysAllocStringLen(const OLECHAR* text, UINT length) {
    if (length >= (std::numeric_limits<UINT>::max() - kCountBytes - kZeroBytes) / sizeof(OLECHAR))
        return nullptr;
    BSTR result = SysAllocStringByteLen(nullptr, length * static_cast<UINT>(sizeof(OLECHAR)));
    if (result != nullptr && text != nullptr)
        std::memcpy(result, text, length * sizeof(OLECHAR));
    return result;
}

BSTR WINAPI SysAllocString(const OLECHAR* text) {
    if (text == nullptr)
        return nullptr;
    UINT length = 0;
    while (text[length] != 0)
        ++length;
    return SysAllocStringLen(text, length);
}

void WINAPI SysFreeString(BSTR text) {
    if (text != nullptr)
        ::operator delete(CountOf(text));
}

UINT WINAPI SysStringByteLen(BSTR text) {
    return text != nullptr ? *CountOf(text) : 0;
}

UINT WINAPI SysStringLen(BSTR text) {
    return SysStringByteLen(text) / sizeof(OLECHAR);
}

void WINAPI VariantInit(VARIANTARG* variant) {
    variant->vt = VT_EMPTY;
}

HRESULT WINAPI VariantClear(VARIANTARG* variant) {
    if (variant == nullptr)
        return E_INVALIDARG;
    HRESULT result = ValidateType(variant->vt);
    if (FAILED(result))
        return result;
    if (!(variant->vt & VT_BYREF)) {
        if ((variant->vt & VT_ARRAY) || variant->vt == VT_SAFEARRAY) {
            result = SafeArrayDestroy(variant->parray);
        } else if (variant->vt == VT_BSTR) {
            SysFreeString(variant->bstrVal);
        } else if (variant->vt == VT_DISPATCH || variant->vt == VT_UNKNOWN) {
            if (variant->punkVal != nullptr)
                variant->punkVal->Release();
        }
    }
    // The VARIANT is emptied even when its array could not be destroyed, as OLEAUT32 does.
    variant->vt = VT_EMPTY;
    return result;
}

SAFEARRAY* WINAPI SafeArrayCreate(VARTYPE vt, UINT dims, SAFEARRAYBOUND* bounds) {
    return Create(vt, dims, bounds, 0);
}

SAFEARRAY* WINAPI SafeArrayCreateVector(VARTYPE vt, LONG lowerBound, ULONG elements) {
    SAFEARRAYBOUND bound = {elements, lowerBound};
    return Create(vt, 1, &bound, kCreateVector);
}

HRESULT WINAPI SafeArrayDestroy(SAFEARRAY* array) {
    if (array == nullptr)
        return S_OK;
    if (array->cLocks > 0)
        return DISP_E_ARRAYISLOCKED;
    ReleaseElements(array);
    // Data that the caller declared as its own stays with the caller.
    if (!(array->fFeatures & (FADF_AUTO | FADF_STATIC | FADF_EMBEDDED)))
        ::operator delete(array->pvData);
    ::operator delete(HiddenOf(array));
    return S_OK;
}

HRESULT WINAPI SafeArrayLock(SAFEARRAY* array) {
    if (array == nullptr)
        return E_INVALIDARG;
    if (array->cLocks >= kMaxLocks)
        return E_UNEXPECTED;
    ++array->cLocks;
    return S_OK;
}

HRESULT WINAPI SafeArrayUnlock(SAFEARRAY* array) {
    if (array == nullptr)
        return E_INVALIDARG;
    if (array->cLocks == 0)
        return E_UNEXPECTED;
    --array->cLocks;
    return S_OK;
}

HRESULT WINAPI SafeArrayAccessData(SAFEARRAY* array, void** data) {
    if (array == nullptr || data == nullptr)
        return E_INVALIDARG;
    HRESULT result = SafeArrayLock(array);
    *data = SUCCEEDED(result) ? array->pvData : nullptr;
    return result;
}

HRESULT WINAPI SafeArrayUnaccessData(SAFEARRAY* array) {
    return SafeArrayUnlock(array);
}

UINT WINAPI SafeArrayGetDim(SAFEARRAY* array) {
    return array != nullptr ? array->cDims : 0;
}

UINT WINAPI SafeArrayGetElemsize(SAFEARRAY* array) {
    return array != nullptr ? array->cbElements : 0;
}

HRESULT WINAPI SafeArrayGetLBound(SAFEARRAY* array, UINT dim, LONG* lowerBound) {
    if (array == nullptr || lowerBound == nullptr)
        return E_INVALIDARG;
    if (dim == 0 || dim > array->cDims)
        return DISP_E_BADINDEX;
    *lowerBound = array->rgsabound[array->cDims - dim].lLbound;
    return S_OK;
}

HRESULT WINAPI SafeArrayGetUBound(SAFEARRAY* array, UINT dim, LONG* upperBound) {
    if (array == nullptr || upperBound == nullptr)
        return E_INVALIDARG;
    if (dim == 0 || dim > array->cDims)
        return DISP_E_BADINDEX;
    const SAFEARRAYBOUND& bound = array->rgsabound[array->cDims - dim];
    // The arithmetic of 32 bits: an empty dimension's upper bound lies below its lower one.
    *upperBound = static_cast<LONG>(static_cast<ULONG>(bound.lLbound) + bound.cElements - 1);
    return S_OK;
}

HRESULT WINAPI SafeArrayGetVartype(SAFEARRAY* array, VARTYPE* vt) {
    if (array == nullptr || vt == nullptr)
        return E_INVALIDARG;
    if (array->fFeatures & FADF_RECORD) {
        *vt = VT_RECORD;
    } else if ((array->fFeatures & (FADF_HAVEIID | FADF_DISPATCH)) ==
               (FADF_HAVEIID | FADF_DISPATCH)) {
        *vt = VT_DISPATCH;
    } else if (array->fFeatures & FADF_HAVEIID) {
        *vt = VT_UNKNOWN;
    } else if (array->fFeatures & FADF_HAVEVARTYPE) {
        DWORD hidden;
        std::memcpy(&hidden, HiddenOf(array) + kHiddenBytes - sizeof hidden, sizeof hidden);
        *vt = static_cast<VARTYPE>(hidden);
    } else {
        return E_INVALIDARG;
    }
    return S_OK;
}

} // extern "C"
