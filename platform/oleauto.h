// OLE Automation: HRESULT codes, BSTR strings, VARIANTs, safe arrays and the IUnknown and
// IDispatch interfaces, under their Win32 names and signatures. On Windows they are OLEAUT32's
// own; elsewhere the platform implements them in-process, with the layouts, lock counts, element
// sizes and results that OLEAUT32 has.
//
// Strings are 16-bit (OLECHAR is char16_t off Windows): write literals as OLESTR("text"), which
// is L"text" on Windows.
#pragma once

#include "platform/afxdefs.h"

#if defined(_WIN32)

#include <oleauto.h>

#else

typedef LONG HRESULT;
typedef LONG SCODE;
typedef DWORD LCID;
typedef LONG DISPID;
typedef DISPID MEMBERID;

#define STDMETHODCALLTYPE WINAPI
#define SUCCEEDED(hr) (static_cast<HRESULT>(hr) >= 0)
#define FAILED(hr) (static_cast<HRESULT>(hr) < 0)

#define S_OK static_cast<HRESULT>(0)
#define S_FALSE static_cast<HRESULT>(1)
#define NOERROR S_OK
#define E_NOTIMPL static_cast<HRESULT>(0x80004001L)
#define E_NOINTERFACE static_cast<HRESULT>(0x80004002L)
#define E_POINTER static_cast<HRESULT>(0x80004003L)
#define E_FAIL static_cast<HRESULT>(0x80004005L)
#define E_UNEXPECTED static_cast<HRESULT>(0x8000FFFFL)
#define E_OUTOFMEMORY static_cast<HRESULT>(0x8007000EL)
#define E_INVALIDARG static_cast<HRESULT>(0x80070057L)
#define DISP_E_UNKNOWNINTERFACE static_cast<HRESULT>(0x80020001L)
#define DISP_E_MEMBERNOTFOUND static_cast<HRESULT>(0x80020003L)
#define DISP_E_PARAMNOTFOUND static_cast<HRESULT>(0x80020004L)
#define DISP_E_TYPEMISMATCH static_cast<HRESULT>(0x80020005L)
#define DISP_E_UNKNOWNNAME static_cast<HRESULT>(0x80020006L)
#define DISP_E_NONAMEDARGS static_cast<HRESULT>(0x80020007L)
#define DISP_E_BADVARTYPE static_cast<HRESULT>(0x80020008L)
#define DISP_E_EXCEPTION static_cast<HRESULT>(0x80020009L)
#define DISP_E_OVERFLOW static_cast<HRESULT>(0x8002000AL)
#define DISP_E_BADINDEX static_cast<HRESULT>(0x8002000BL)
#define DISP_E_ARRAYISLOCKED static_cast<HRESULT>(0x8002000DL)
#define DISP_E_BADPARAMCOUNT static_cast<HRESULT>(0x8002000EL)
#define DISP_E_PARAMNOTOPTIONAL static_cast<HRESULT>(0x8002000FL)

struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
};
typedef GUID IID;
typedef GUID CLSID;
typedef const GUID& REFGUID;
typedef const IID& REFIID;
typedef const CLSID& REFCLSID;
inline bool operator==(const GUID& a, const GUID& b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3)
        return false;
    for (int i = 0; i < 8; ++i)
        if (a.Data4[i] != b.Data4[i])
            return false;
    return true;
}
inline bool operator!=(const GUID& a, const GUID& b) {
    return !(a == b);
}
PLATFORM_API extern const IID IID_NULL;
PLATFORM_API extern const IID IID_IUnknown;
PLATFORM_API extern const IID IID_IDispatch;

#define LOCALE_SYSTEM_DEFAULT 0x0800
#define LOCALE_USER_DEFAULT 0x0400

typedef char16_t OLECHAR;
typedef OLECHAR* LPOLESTR;
typedef const OLECHAR* LPCOLESTR;
#define OLESTR(text) u##text
// A string with a 32-bit byte count in front of its first character and a zero character
// behind its last; the pointer designates the first character.
typedef OLECHAR* BSTR;

typedef short VARIANT_BOOL;
#define VARIANT_TRUE static_cast<VARIANT_BOOL>(-1)
#define VARIANT_FALSE static_cast<VARIANT_BOOL>(0)
typedef double DATE;
union tagCY {
    struct {
        ULONG Lo;
        LONG Hi;
    };
    LONGLONG int64;
};
typedef tagCY CY;

typedef unsigned short VARTYPE;
enum VARENUM {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_CY = 6,
    VT_DATE = 7,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_DECIMAL = 14,
    VT_I1 = 16,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_I8 = 20,
    VT_UI8 = 21,
    VT_INT = 22,
    VT_UINT = 23,
    VT_VOID = 24,
    VT_HRESULT = 25,
    VT_PTR = 26,
    VT_SAFEARRAY = 27,
    VT_CARRAY = 28,
    VT_USERDEFINED = 29,
    VT_LPSTR = 30,
    VT_LPWSTR = 31,
    VT_RECORD = 36,
    VT_INT_PTR = 37,
    VT_UINT_PTR = 38,
    VT_CLSID = 72,
    VT_VECTOR = 0x1000,
    VT_ARRAY = 0x2000,
    VT_BYREF = 0x4000,
    VT_RESERVED = 0x8000,
    VT_ILLEGAL = 0xffff,
    VT_ILLEGALMASKED = 0x0fff,
    VT_TYPEMASK = 0x0fff
};

struct tagSAFEARRAYBOUND {
    ULONG cElements;
    LONG lLbound;
};
typedef tagSAFEARRAYBOUND SAFEARRAYBOUND;
typedef tagSAFEARRAYBOUND* LPSAFEARRAYBOUND;

// The descriptor of a safe array. The bounds stand in reverse order of the dimensions: the
// first dimension's bound is the last one.
struct tagSAFEARRAY {
    USHORT cDims;
    USHORT fFeatures;
    ULONG cbElements;
    ULONG cLocks;
    PVOID pvData;
    SAFEARRAYBOUND rgsabound[1];
};
typedef tagSAFEARRAY SAFEARRAY;
typedef SAFEARRAY* LPSAFEARRAY;

#define FADF_AUTO 0x0001
#define FADF_STATIC 0x0002
#define FADF_EMBEDDED 0x0004
#define FADF_FIXEDSIZE 0x0010
#define FADF_RECORD 0x0020
#define FADF_HAVEIID 0x0040
#define FADF_HAVEVARTYPE 0x0080
#define FADF_BSTR 0x0100
#define FADF_UNKNOWN 0x0200
#define FADF_DISPATCH 0x0400
#define FADF_VARIANT 0x0800
#define FADF_RESERVED 0xF008

struct ITypeInfo;
struct tagVARIANT;
typedef tagVARIANT VARIANT;
typedef tagVARIANT VARIANTARG;

struct IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;

protected:
    ~IUnknown() = default;
};
typedef IUnknown* LPUNKNOWN;

struct tagDISPPARAMS {
    VARIANTARG* rgvarg;
    DISPID* rgdispidNamedArgs;
    UINT cArgs;
    UINT cNamedArgs;
};
typedef tagDISPPARAMS DISPPARAMS;

struct tagEXCEPINFO {
    WORD wCode;
    WORD wReserved;
    BSTR bstrSource;
    BSTR bstrDescription;
    BSTR bstrHelpFile;
    DWORD dwHelpContext;
    PVOID pvReserved;
    HRESULT(STDMETHODCALLTYPE* pfnDeferredFillIn)(tagEXCEPINFO*);
    SCODE scode;
};
typedef tagEXCEPINFO EXCEPINFO;

#define DISPATCH_METHOD 0x1
#define DISPATCH_PROPERTYGET 0x2
#define DISPATCH_PROPERTYPUT 0x4
#define DISPATCH_PROPERTYPUTREF 0x8
#define DISPID_UNKNOWN (-1)
#define DISPID_VALUE 0
#define DISPID_PROPERTYPUT (-3)

struct IDispatch : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count,
                                                    LCID locale, DISPID* ids) = 0;
    virtual HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID riid, LCID locale, WORD flags,
                                             DISPPARAMS* params, VARIANT* result,
                                             EXCEPINFO* exception, UINT* argumentError) = 0;

protected:
    ~IDispatch() = default;
};
typedef IDispatch* LPDISPATCH;

// A value of any automation type: vt says which member of the union holds it. With VT_BYREF
// the by-reference member points to a value that the VARIANT does not own.
struct tagVARIANT {
    VARTYPE vt;
    WORD wReserved1;
    WORD wReserved2;
    WORD wReserved3;
    union {
        LONGLONG llVal;
        LONG lVal;
        BYTE bVal;
        SHORT iVal;
        FLOAT fltVal;
        DOUBLE dblVal;
        VARIANT_BOOL boolVal;
        SCODE scode;
        CY cyVal;
        DATE date;
        BSTR bstrVal;
        IUnknown* punkVal;
        IDispatch* pdispVal;
        SAFEARRAY* parray;
        BYTE* pbVal;
        SHORT* piVal;
        LONG* plVal;
        LONGLONG* pllVal;
        FLOAT* pfltVal;
        DOUBLE* pdblVal;
        VARIANT_BOOL* pboolVal;
        SCODE* pscode;
        CY* pcyVal;
        DATE* pdate;
        BSTR* pbstrVal;
        IUnknown** ppunkVal;
        IDispatch** ppdispVal;
        SAFEARRAY** pparray;
        tagVARIANT* pvarVal;
        PVOID byref;
        CHAR cVal;
        USHORT uiVal;
        ULONG ulVal;
        ULONGLONG ullVal;
        INT intVal;
        UINT uintVal;
        CHAR* pcVal;
        USHORT* puiVal;
        ULONG* pulVal;
        ULONGLONG* pullVal;
        INT* pintVal;
        UINT* puintVal;
    };
};
typedef VARIANT* LPVARIANT;
typedef VARIANTARG* LPVARIANTARG;

#define V_VT(v) ((v)->vt)
#define V_ISBYREF(v) (V_VT(v) & VT_BYREF)
#define V_ISARRAY(v) (V_VT(v) & VT_ARRAY)
#define V_UI1(v) ((v)->bVal)
#define V_I2(v) ((v)->iVal)
#define V_I4(v) ((v)->lVal)
#define V_R8(v) ((v)->dblVal)
#define V_BOOL(v) ((v)->boolVal)
#define V_BSTR(v) ((v)->bstrVal)
#define V_UNKNOWN(v) ((v)->punkVal)
#define V_DISPATCH(v) ((v)->pdispVal)
#define V_ARRAY(v) ((v)->parray)
#define V_BYREF(v) ((v)->byref)

extern "C" {

PLATFORM_API BSTR WINAPI SysAllocString(const OLECHAR* text);
PLATFORM_API BSTR WINAPI SysAllocStringLen(const OLECHAR* text, UINT length);
PLATFORM_API BSTR WINAPI SysAllocStringByteLen(LPCSTR bytes, UINT length);
PLATFORM_API void WINAPI SysFreeString(BSTR text);
PLATFORM_API UINT WINAPI SysStringLen(BSTR text);
PLATFORM_API UINT WINAPI SysStringByteLen(BSTR text);

PLATFORM_API void WINAPI VariantInit(VARIANTARG* variant);
PLATFORM_API HRESULT WINAPI VariantClear(VARIANTARG* variant);
// Copies a value; a copy holds its own string and its own reference to an interface.
PLATFORM_API HRESULT WINAPI VariantCopy(VARIANTARG* destination, const VARIANTARG* source);
// Converts a value, following a reference first; destination may be the source. This
// implementation converts between the numeric types and VT_BOOL (and from VT_EMPTY, which is 0),
// and copies a value that already has the type asked for; anything else is DISP_E_TYPEMISMATCH.
PLATFORM_API HRESULT WINAPI VariantChangeType(VARIANTARG* destination, const VARIANTARG* source,
                                              USHORT flags, VARTYPE vt);
// The argument at position (0 the first the method declares) converted to vt; argumentError
// receives the index in rgvarg of an argument that cannot be converted.
PLATFORM_API HRESULT WINAPI DispGetParam(DISPPARAMS* params, UINT position, VARTYPE vt,
                                         VARIANT* result, UINT* argumentError);

PLATFORM_API SAFEARRAY* WINAPI SafeArrayCreate(VARTYPE vt, UINT dims, SAFEARRAYBOUND* bounds);
PLATFORM_API SAFEARRAY* WINAPI SafeArrayCreateVector(VARTYPE vt, LONG lowerBound, ULONG elements);
PLATFORM_API HRESULT WINAPI SafeArrayDestroy(SAFEARRAY* array);
PLATFORM_API HRESULT WINAPI SafeArrayLock(SAFEARRAY* array);
PLATFORM_API HRESULT WINAPI SafeArrayUnlock(SAFEARRAY* array);
PLATFORM_API HRESULT WINAPI SafeArrayAccessData(SAFEARRAY* array, void** data);
PLATFORM_API HRESULT WINAPI SafeArrayUnaccessData(SAFEARRAY* array);
PLATFORM_API UINT WINAPI SafeArrayGetDim(SAFEARRAY* array);
PLATFORM_API UINT WINAPI SafeArrayGetElemsize(SAFEARRAY* array);
PLATFORM_API HRESULT WINAPI SafeArrayGetLBound(SAFEARRAY* array, UINT dim, LONG* lowerBound);
PLATFORM_API HRESULT WINAPI SafeArrayGetUBound(SAFEARRAY* array, UINT dim, LONG* upperBound);
PLATFORM_API HRESULT WINAPI SafeArrayGetVartype(SAFEARRAY* array, VARTYPE* vt);
}

#endif
