// OLE Automation, the clipboard and global memory as the platform gives them: the system's own
// on Windows, the platform's elsewhere. The same expectations hold for both.
#include "tests/support/test_util.h"

#include "platform/afx.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// An object that counts its references, to see what a VARIANT releases. COM objects go by
// Release, never by a delete through the interface, whose destructor the system's headers leave
// public and not virtual.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class Counted final : public IDispatch {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return E_NOTIMPL;
    }
    ULONG references = 1;
};
#pragma GCC diagnostic pop

HGLOBAL BlockOf(const std::string& text) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size());
    std::memcpy(GlobalLock(block), text.data(), text.size());
    GlobalUnlock(block);
    return block;
}

} // namespace

TEST(OleAutomation, StringsCarryTheirByteCountInFront) {
    BSTR text = SysAllocString(OLESTR("Corel"));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(SysStringLen(text), 5u);
    EXPECT_EQ(SysStringByteLen(text), 10u);
    DWORD count;
    std::memcpy(&count, reinterpret_cast<BYTE*>(text) - 4, 4);
    EXPECT_EQ(count, 10u);
    EXPECT_EQ(text[5], 0);
    BSTR bytes = SysAllocStringByteLen("abc", 3);
    EXPECT_EQ(SysStringByteLen(bytes), 3u);
    EXPECT_EQ(SysStringLen(bytes), 1u);
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    SysFreeString(text);
    SysFreeString(bytes);
    SysFreeString(nullptr);
}

TEST(OleAutomation, ArrayDescriptorsAsOleaut32HasThem) {
    const struct {
        VARTYPE vt;
        UINT elementSize;
        USHORT typeFeature;
    } cases[] = {
        {VT_UI1, 1, 0},
        {VT_I2, 2, 0},
        {VT_BOOL, 2, 0},
        {VT_I4, 4, 0},
        {VT_R8, 8, 0},
        {VT_BSTR, sizeof(BSTR), FADF_BSTR},
        {VT_VARIANT, sizeof(VARIANT), FADF_VARIANT},
        {VT_DISPATCH, sizeof(IDispatch*), FADF_DISPATCH | FADF_HAVEIID},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.vt);
        SAFEARRAYBOUND bounds[2] = {{3, 1}, {4, -2}};
        SAFEARRAY* array = SafeArrayCreate(c.vt, 2, bounds);
        ASSERT_NE(array, nullptr);
        EXPECT_EQ(SafeArrayGetDim(array), 2u);
        EXPECT_EQ(SafeArrayGetElemsize(array), c.elementSize);
        EXPECT_EQ(array->cLocks, 0u);
        EXPECT_EQ(array->fFeatures & (FADF_BSTR | FADF_VARIANT | FADF_DISPATCH | FADF_HAVEIID),
                  c.typeFeature);
        // The descriptor keeps the bounds in reverse order of the dimensions.
        EXPECT_EQ(array->rgsabound[0].cElements, 4u);
        EXPECT_EQ(array->rgsabound[1].lLbound, 1);
        LONG lower = 0, upper = 0;
        EXPECT_EQ(SafeArrayGetLBound(array, 2, &lower), S_OK);
        EXPECT_EQ(SafeArrayGetUBound(array, 2, &upper), S_OK);
        EXPECT_EQ(lower, -2);
        EXPECT_EQ(upper, 1);
        EXPECT_EQ(SafeArrayGetLBound(array, 3, &lower), DISP_E_BADINDEX);
        EXPECT_EQ(SafeArrayGetUBound(array, 0, &upper), DISP_E_BADINDEX);
        VARTYPE vt = VT_EMPTY;
        EXPECT_EQ(SafeArrayGetVartype(array, &vt), S_OK);
        EXPECT_EQ(vt, c.vt);
        EXPECT_EQ(SafeArrayDestroy(array), S_OK);
    }
    SAFEARRAYBOUND bound = {1, 0};
    EXPECT_EQ(SafeArrayCreate(VT_EMPTY, 1, &bound), nullptr);
    EXPECT_EQ(SafeArrayCreate(VT_UI1, 0, &bound), nullptr);
    SAFEARRAY* vector = SafeArrayCreateVector(VT_UI1, 0, 10);
    ASSERT_NE(vector, nullptr);
    EXPECT_EQ(vector->fFeatures & FADF_HAVEVARTYPE, FADF_HAVEVARTYPE);
    EXPECT_EQ(vector->rgsabound[0].cElements, 10u);
    EXPECT_EQ(SafeArrayDestroy(vector), S_OK);
}

TEST(OleAutomation, LockedArraysCannotBeDestroyed) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, 8);
    void* data = nullptr;
    ASSERT_EQ(SafeArrayAccessData(array, &data), S_OK);
    EXPECT_EQ(data, array->pvData);
    EXPECT_EQ(SafeArrayLock(array), S_OK);
    EXPECT_EQ(array->cLocks, 2u);
    EXPECT_EQ(SafeArrayDestroy(array), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(SafeArrayUnlock(array), S_OK);
    EXPECT_EQ(SafeArrayUnaccessData(array), S_OK);
    EXPECT_EQ(SafeArrayUnlock(array), E_UNEXPECTED);
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);
    EXPECT_EQ(SafeArrayDestroy(nullptr), S_OK);
    EXPECT_EQ(SafeArrayLock(nullptr), E_INVALIDARG);
}

TEST(OleAutomation, ClearingAVariantReleasesWhatItHolds) {
    Counted object;
    VARIANT v;
    VariantInit(&v);
    EXPECT_EQ(v.vt, VT_EMPTY);
    v.vt = VT_DISPATCH;
    v.pdispVal = &object;
    EXPECT_EQ(VariantClear(&v), S_OK);
    EXPECT_EQ(object.references, 0u);
    EXPECT_EQ(v.vt, VT_EMPTY);

    // By reference, nothing is the VARIANT's own.
    object.references = 1;
    IDispatch* pointer = &object;
    v.vt = VT_DISPATCH | VT_BYREF;
    v.ppdispVal = &pointer;
    EXPECT_EQ(VariantClear(&v), S_OK);
    EXPECT_EQ(object.references, 1u);

    // An array of VARIANTs releases the strings its elements hold.
    v.vt = VT_ARRAY | VT_VARIANT;
    v.parray = SafeArrayCreateVector(VT_VARIANT, 0, 2);
    VARIANT* elements = nullptr;
    SafeArrayAccessData(v.parray, reinterpret_cast<void**>(&elements));
    elements[1].vt = VT_BSTR;
    elements[1].bstrVal = SysAllocString(OLESTR("released"));
    SafeArrayUnaccessData(v.parray);
    EXPECT_EQ(VariantClear(&v), S_OK);

    // A locked array stays, the VARIANT empties all the same.
    SAFEARRAY* locked = SafeArrayCreateVector(VT_UI1, 0, 4);
    SafeArrayLock(locked);
    v.vt = VT_ARRAY | VT_UI1;
    v.parray = locked;
    EXPECT_EQ(VariantClear(&v), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(v.vt, VT_EMPTY);
    SafeArrayUnlock(locked);
    EXPECT_EQ(SafeArrayDestroy(locked), S_OK);

    v.vt = VT_ARRAY | VT_EMPTY;
    EXPECT_EQ(VariantClear(&v), DISP_E_BADVARTYPE);
    v.vt = VT_BOOL;
    v.boolVal = VARIANT_TRUE;
    EXPECT_EQ(VariantClear(&v), S_OK);
}

TEST(GlobalMemory, MoveableBlocksCountTheirLocks) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 300);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(GlobalSize(block), 300u);
    BYTE* bytes = static_cast<BYTE*>(GlobalLock(block));
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(bytes[299], 0);
    EXPECT_EQ(GlobalLock(block), bytes);
    EXPECT_EQ(GlobalFlags(block) & GMEM_LOCKCOUNT, 2u);
    EXPECT_TRUE(GlobalUnlock(block));
    EXPECT_FALSE(GlobalUnlock(block));
    EXPECT_EQ(GlobalFlags(block) & GMEM_LOCKCOUNT, 0u);
    EXPECT_EQ(GlobalFree(block), nullptr);
    // A moveable block of nothing has no memory to lock.
    HGLOBAL empty = GlobalAlloc(GMEM_MOVEABLE, 0);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(GlobalLock(empty), nullptr);
    EXPECT_EQ(GlobalFlags(empty) & GMEM_DISCARDED, GMEM_DISCARDED);
    EXPECT_EQ(GlobalFree(empty), nullptr);
}

TEST(Clipboard, NamesRegisterWithoutRegardToCaseAndKeepTheirFirstSpelling) {
    const UINT id = RegisterClipboardFormatA("vestrel test format");
    ASSERT_GE(id, 0xC000u);
    EXPECT_EQ(RegisterClipboardFormatA("VESTREL Test Format"), id);
    EXPECT_NE(RegisterClipboardFormatA("vestrel test format 2"), id);
    char name[256];
    EXPECT_EQ(GetClipboardFormatNameA(id, name, sizeof name), 19);
    EXPECT_STREQ(name, "vestrel test format");
    EXPECT_EQ(GetClipboardFormatNameA(id, name, 19), 0); // no room for the zero
    // Predefined formats have no names.
    for (UINT format : {CF_TEXT, CF_DIB, CF_UNICODETEXT})
        EXPECT_EQ(GetClipboardFormatNameA(format, name, sizeof name), 0) << format;
    EXPECT_EQ(RegisterClipboardFormatA(""), 0u);
}

TEST(Clipboard, HoldsHandedOverBlocksUntilEmptied) {
    cmxtest::ClipboardTurn turn;
    const UINT first = RegisterClipboardFormatA("vestrel test first");
    const UINT second = RegisterClipboardFormatA("vestrel test second");
    ASSERT_TRUE(OpenClipboard(nullptr));
    ASSERT_TRUE(EmptyClipboard());
    EXPECT_EQ(CountClipboardFormats(), 0);
    HGLOBAL one = BlockOf("one");
    HGLOBAL two = BlockOf("two!");
    EXPECT_EQ(SetClipboardData(first, one), one);
    EXPECT_EQ(SetClipboardData(second, two), two);
    EXPECT_EQ(CountClipboardFormats(), 2);
    EXPECT_TRUE(IsClipboardFormatAvailable(second));
    EXPECT_EQ(GetClipboardData(second), two);
    EXPECT_EQ(GlobalSize(GetClipboardData(second)), 4u);
    EXPECT_EQ(GetClipboardData(CF_DIB), nullptr);
    EXPECT_EQ(EnumClipboardFormats(0), first);
    EXPECT_EQ(EnumClipboardFormats(first), second);
    EXPECT_EQ(EnumClipboardFormats(second), 0u);
    ASSERT_TRUE(CloseClipboard());
    // Closed, it is not closed again, and its data are not given out.
    EXPECT_FALSE(CloseClipboard());
    EXPECT_EQ(GetClipboardData(second), nullptr);
    EXPECT_EQ(EnumClipboardFormats(0), 0u);
    EXPECT_TRUE(IsClipboardFormatAvailable(first));

    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_TRUE(EmptyClipboard());
    EXPECT_EQ(CountClipboardFormats(), 0);
    EXPECT_FALSE(IsClipboardFormatAvailable(second));
    EXPECT_TRUE(CloseClipboard());
#if !defined(_WIN32)
    // The clipboard freed the blocks it was given: they are blocks no more.
    EXPECT_EQ(GlobalFree(one), one);
    EXPECT_EQ(GlobalFree(two), two);
#endif
}
