// MFC's automation client: COleDispatchDriver, which calls the methods of an IDispatch by their
// DISPIDs with arguments described by a string of VTS_ codes, and the exceptions such calls raise.
// The same code drives the system's IDispatch on Windows and the portable one elsewhere.
#pragma once

#include "platform/exceptions.h"
#include "platform/oleauto.h"

#include <cstdarg>

// Parameter codes in their narrow form, one byte per argument: the VARTYPE, with 0x40 for an
// argument passed by reference. Strings are narrow (0x0E), converted to a BSTR for the call.
#define VTS_NONE ""
#define VTS_I2 "\x02"
#define VTS_I4 "\x03"
#define VTS_R4 "\x04"
#define VTS_R8 "\x05"
#define VTS_CY "\x06"
#define VTS_DATE "\x07"
#define VTS_DISPATCH "\x09"
#define VTS_SCODE "\x0A"
#define VTS_BOOL "\x0B"
#define VTS_VARIANT "\x0C"
#define VTS_UNKNOWN "\x0D"
#define VTS_BSTR "\x0E"
#define VTS_LPSTR "\x0E"
#define VTS_UI1 "\x11"
#define VTS_PI2 "\x42"
#define VTS_PI4 "\x43"
#define VTS_PR4 "\x44"
#define VTS_PR8 "\x45"
#define VTS_PCY "\x46"
#define VTS_PDATE "\x47"
#define VTS_PBSTR "\x48"
#define VTS_PDISPATCH "\x49"
#define VTS_PSCODE "\x4A"
#define VTS_PBOOL "\x4B"
#define VTS_PVARIANT "\x4C"
#define VTS_PUNKNOWN "\x4D"
#define VTS_PUI1 "\x51"

// A failing HRESULT of an OLE call.
class PLATFORM_API COleException : public CException {
public:
    explicit COleException(SCODE sc = E_UNEXPECTED);
    ~COleException() override;

    // The status code an exception stands for: m_sc of an OLE exception, E_OUTOFMEMORY for
    // a memory exception, E_UNEXPECTED for any other.
    static SCODE Process(const CException* exception);

    SCODE m_sc;
};

// An exception that the automation server raised inside a method (DISP_E_EXCEPTION), with what
// its EXCEPINFO said. The description is its message.
class PLATFORM_API COleDispatchException : public CException {
public:
    COleDispatchException(const char* description, UINT helpId, WORD code);
    ~COleDispatchException() override;

    WORD m_wCode;        // the server's error code; 0 when it gave a status code instead
    SCODE m_scError;     // that status code
    CString m_strSource; // the server's name for itself
    CString m_strDescription;
    CString m_strHelpFile;
    DWORD m_dwHelpContext;
};

[[noreturn]] PLATFORM_API void AfxThrowOleException(SCODE sc);
[[noreturn]] PLATFORM_API void AfxThrowOleDispatchException(WORD code, const char* description,
                                                            UINT helpId = 0);

// Holds an IDispatch and calls its methods. With m_bAutoRelease the driver releases the pointer
// when it lets it go (ReleaseDispatch, a new attachment, its destruction).
class PLATFORM_API COleDispatchDriver {
public:
    COleDispatchDriver();
    explicit COleDispatchDriver(LPDISPATCH dispatch, BOOL autoRelease = TRUE);
    // A copy holds its own reference.
    COleDispatchDriver(const COleDispatchDriver& other);
    ~COleDispatchDriver();
    const COleDispatchDriver& operator=(const COleDispatchDriver& other);

    void AttachDispatch(LPDISPATCH dispatch, BOOL autoRelease = TRUE);
    // Lets the pointer go without releasing it; the caller owns it.
    LPDISPATCH DetachDispatch();
    void ReleaseDispatch();

    // Calls member with the arguments that follow, of the types paramInfo lists (null for none),
    // and stores the result, converted to returnType, where result points (null with VT_EMPTY).
    // Raises COleDispatchException when the server raises one, COleException for any other
    // failure, a call without a dispatch pointer among them (E_POINTER).
    void InvokeHelper(DISPID member, WORD flags, VARTYPE returnType, void* result,
                      const BYTE* paramInfo, ...);
    void InvokeHelperV(DISPID member, WORD flags, VARTYPE returnType, void* result,
                       const BYTE* paramInfo, va_list arguments);

    void GetProperty(DISPID property, VARTYPE type, void* value) const;
    void SetProperty(DISPID property, VARTYPE type, ...);

    LPDISPATCH m_lpDispatch;
    BOOL m_bAutoRelease;
};

// Starts COM on the calling thread, as MFC's AfxOleInit does; FALSE where the system has no COM.
PLATFORM_API BOOL AfxOleInit();
// The running automation object that a program registered for progId (its class found with
// CLSIDFromProgID, the object with GetActiveObject), with a reference for the caller. Where the
// system has no COM: E_NOTIMPL.
PLATFORM_API HRESULT PlatformGetActiveDispatch(const char* progId, LPDISPATCH* dispatch);
