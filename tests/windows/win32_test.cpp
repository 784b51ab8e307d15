// The Windows backends seen through Win32 itself: the string table as a resource of the DLL,
// the resource chain, a real message box, real windows beside portable ones, a device context
// over one of the system's, files on Win32 handles, and the library's entry as a DLL is loaded
// and unloaded.
#include "platform/gdi.h"
#include "platform/wnd.h"
#include "tests/support/test_util.h"
#include "vestrel/frame/vestrel.h"
#include "vestrel/resources/resource.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

using namespace cmxtest;

namespace {

// A string of the program's own table (tests/windows/program.rc).
constexpr UINT kProgramString = 100;

HMODULE Vestrel() {
    return ::GetModuleHandleA("vestrel.dll");
}

std::string Sample() {
    return std::string(VESTREL_SOURCE_DIR) + "/samples/sample.cmx";
}

} // namespace

TEST(Win32Resources, TheMessagesAreAGermanStringTableOfTheDll) {
    ASSERT_NE(Vestrel(), nullptr);
    for (UINT id = IDS_CMX_OPEN_FAILED; id <= IDS_NO_PREVIEW; ++id) {
        SCOPED_TRACE(id);
        // Strings are stored in blocks of sixteen, numbered from 1.
        EXPECT_NE(::FindResourceExA(Vestrel(), MAKEINTRESOURCEA(6), MAKEINTRESOURCEA(id / 16 + 1),
                                    MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN)),
                  nullptr);
        char text[256];
        const int length = ::LoadStringA(Vestrel(), id, text, sizeof text);
        EXPECT_EQ(std::string(text, length > 0 ? length : 0), MessageText(static_cast<int>(id)));
    }
    char text[256];
    ::LoadStringA(Vestrel(), IDS_CMX_OPEN_FAILED, text, sizeof text);
    EXPECT_EQ(std::string(text), "Die CMX - Datei kann nicht ge\xF6"
                                 "ffnet werden !   ");
}

TEST(Win32Resources, TheChainSearchesTheProgramFirstThenTheLibrary) {
    char text[256];
    EXPECT_EQ(::LoadStringA(::GetModuleHandleA(nullptr), IDS_ERROR_CAPTION, text, sizeof text), 0);
    ASSERT_GT(AfxLoadString(kProgramString, text, sizeof text), 0);
    EXPECT_EQ(std::string(text), "Aus dem Programm");
    ASSERT_GT(AfxLoadString(IDS_ERROR_CAPTION, text, sizeof text), 0);
    EXPECT_EQ(std::string(text), "Fehler :");

    AFX_EXTENSION_MODULE library = VestrelExtensionModule();
    AfxTermExtensionModule(library);
    EXPECT_EQ(AfxLoadString(IDS_ERROR_CAPTION, text, sizeof text), 0);
    EXPECT_GT(AfxLoadString(kProgramString, text, sizeof text), 0);
    InitVestrelDLL();
    EXPECT_GT(AfxLoadString(IDS_ERROR_CAPTION, text, sizeof text), 0);
}

namespace {

// What a person would have read in the box.
struct SeenBox {
    HANDLE returned = nullptr; // set once ShowErrorMessage has returned
    bool found = false;
    std::string caption;
    std::string text;
};

BOOL CALLBACK ReadStatic(HWND child, LPARAM seen) {
    char name[32];
    char text[512];
    if (::GetClassNameA(child, name, sizeof name) > 0 && lstrcmpiA(name, "Static") == 0 &&
        ::GetWindowTextA(child, text, sizeof text) > 0)
        reinterpret_cast<SeenBox*>(seen)->text = text;
    return TRUE;
}

// Waits for the box, reads it and presses OK, as a person would; gives up after a minute.
DWORD WINAPI CloseTheBox(LPVOID parameter) {
    auto* seen = static_cast<SeenBox*>(parameter);
    for (int tries = 0; tries < 600; ++tries) {
        if (HWND box = ::FindWindowA("#32770", nullptr)) {
            char caption[256] = "";
            ::GetWindowTextA(box, caption, sizeof caption);
            seen->caption = caption;
            ::EnumChildWindows(box, ReadStatic, reinterpret_cast<LPARAM>(seen));
            seen->found = true;
            ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            return 0;
        }
        if (::WaitForSingleObject(seen->returned, 100) == WAIT_OBJECT_0)
            return 0;
    }
    // Nobody else will close it: end the program rather than wait for a person.
    std::fprintf(stderr, "the message box could not be closed\n");
    ::ExitProcess(3);
}

} // namespace

TEST(Win32MessageBox, ShowErrorMessageShowsARealBox) {
    CMessageBoxSink* sink = PlatformSetMessageBoxSink(nullptr);
    SeenBox seen;
    seen.returned = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE closer = ::CreateThread(nullptr, 0, CloseTheBox, &seen, 0, nullptr);
    ASSERT_NE(closer, nullptr);
    ShowErrorMessage(IDS_CMX_OPEN_FAILED);
    ::SetEvent(seen.returned);
    ::WaitForSingleObject(closer, INFINITE);
    ::CloseHandle(closer);
    ::CloseHandle(seen.returned);
    PlatformSetMessageBoxSink(sink);
    ASSERT_TRUE(seen.found) << "no box was shown";
    EXPECT_EQ(seen.caption, "Fehler :");
    EXPECT_EQ(seen.text, MessageText(IDS_CMX_OPEN_FAILED));
}

TEST(Win32Window, AnObjectHoldsARealWindowUntilItIsGoneThenAPortableOne) {
    CWnd top;
    ASSERT_TRUE(top.Create("STATIC", "top", WS_POPUP, CRect(0, 0, 40, 30), nullptr, 0));
    ASSERT_NE(top.m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(top.m_hWnd), &top);
    CRect client;
    top.GetClientRect(client);
    EXPECT_EQ(client, CRect(0, 0, 40, 30));
    // A child of a real window is real, and the system finds it.
    CStatic child;
    ASSERT_TRUE(child.Create("", WS_CHILD, CRect(1, 2, 11, 12), &top, 5));
    EXPECT_NE(child.m_hWnd, nullptr);
    EXPECT_EQ(top.GetDlgItem(5), &child);
    EXPECT_EQ(child.GetParent(), &top);
    EXPECT_EQ(child.GetDlgCtrlID(), 5);

    EXPECT_TRUE(top.DestroyWindow());
    EXPECT_EQ(top.m_hWnd, nullptr);
    EXPECT_EQ(child.m_hWnd, nullptr);
    // Both are portable again: under a portable parent the object makes a portable child.
    CWnd portable;
    ASSERT_TRUE(top.Create("STATIC", "again", WS_CHILD, CRect(2, 2, 8, 6), &portable, 7));
    EXPECT_EQ(top.m_hWnd, nullptr);
    EXPECT_EQ(portable.GetDlgItem(7), &top);
    EXPECT_EQ(top.GetSurface().GetWidth(), 6);
    CRect none(1, 1, 1, 1);
    child.GetClientRect(none);
    EXPECT_TRUE(none.IsRectNull());
    CWnd::DeleteTempMap();
}

TEST(Win32DeviceContext, DrawsByGdiWhileAttachedThenIntoItsSurfaceAgain) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 8;
    info.bmiHeader.biHeight = -8;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC memory = ::CreateCompatibleDC(nullptr);
    HBITMAP bitmap = ::CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(bitmap, nullptr);
    HGDIOBJ oldBitmap = ::SelectObject(memory, bitmap);
    const HGDIOBJ ownPen = ::GetCurrentObject(memory, OBJ_PEN);
    {
        CDC dc(4, 4);
        CPen red(PS_SOLID, 1, RGB(255, 0, 0));
        CPen blue(PS_SOLID, 1, RGB(0, 0, 255));
        dc.SelectObject(&red);
        ASSERT_TRUE(dc.Attach(memory));
        EXPECT_EQ(dc.GetSafeHdc(), memory);
        EXPECT_NE(dc.SelectObject(&blue), &red);
        dc.MoveTo(0, 0);
        EXPECT_TRUE(dc.LineTo(4, 0));
        EXPECT_EQ(dc.SetPixel(6, 6, RGB(0, 255, 0)), RGB(0, 255, 0));
        EXPECT_EQ(dc.GetPixel(1, 0), RGB(0, 0, 255));
        EXPECT_EQ(dc.GetSurface().At(1, 0), CPixelSurface::kWhite);
        EXPECT_EQ(dc.Detach(), memory);
        EXPECT_EQ(::GetCurrentObject(memory, OBJ_PEN), ownPen);

        // The surface kept its own pen and draws with it again.
        dc.MoveTo(0, 1);
        EXPECT_TRUE(dc.LineTo(4, 1));
        EXPECT_EQ(dc.GetSurface().At(1, 1), 0xFF0000u);
        EXPECT_EQ(dc.SelectObject(&blue), &red);
        EXPECT_EQ(dc.GetPixel(6, 6), CLR_INVALID);
    }
    EXPECT_EQ(static_cast<const std::uint32_t*>(bits)[6 * 8 + 6] & 0xFFFFFF, 0x00FF00u);
    ::SelectObject(memory, oldBitmap);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
}

TEST(Win32File, SharingAndFoldersAsTheSystemTellsThem) {
    TempDir dir;
    const std::string path = dir.File("shared.job");
    CFile owner(path.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive);
    CFile other;
    CFileException error;
    EXPECT_FALSE(other.Open(path.c_str(), CFile::modeRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::sharingViolation);
    EXPECT_EQ(error.m_lOsError, static_cast<LONG>(ERROR_SHARING_VIOLATION));
    owner.Close();

    // Windows refuses a folder opened as a file as access denied; the platform reports it as
    // the other systems do, keeping the system's code.
    EXPECT_FALSE(other.Open(dir.path().c_str(), CFile::modeRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::badPath);
    EXPECT_EQ(error.m_lOsError, static_cast<LONG>(ERROR_ACCESS_DENIED));
}

TEST(Win32File, WritesSeeksRenamesAndRemovesThroughHandles) {
    TempDir dir;
    const std::string a = dir.File("a.bin"), b = dir.File("b.bin");
    {
        CFile file(a.c_str(), CFile::modeCreate | CFile::modeReadWrite);
        file.Write("0123456789", 10);
        EXPECT_EQ(file.Seek(-4, CFile::end), 6u);
        char tail[8] = "";
        EXPECT_EQ(file.Read(tail, sizeof tail), 4u);
        EXPECT_EQ(std::string(tail, 4), "6789");
        EXPECT_EQ(file.GetLength(), 10u);
        file.Flush();
    }
    CFile(b.c_str(), CFile::modeCreate | CFile::modeWrite).Write("old", 3);
    CFile::Rename(a.c_str(), b.c_str()); // replaces what stood there
    EXPECT_EQ(ReadFileBytes(b).size(), 10u);
    EXPECT_FALSE(std::filesystem::exists(a));
    CFile::Remove(b.c_str());
    try {
        CFile::Remove(b.c_str());
        ADD_FAILURE() << "a missing file was removed";
    } catch (CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::fileNotFound);
        EXPECT_EQ(e.m_lOsError, static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    }
}

TEST(Win32Library, ALibraryLoadedAndFreedJoinsAndLeavesTheChain) {
    // A copy of the DLL under another name loads as a library of its own, with its own entry
    // and globals, beside the one the program links.
    TempDir dir;
    char original[MAX_PATH];
    ASSERT_GT(::GetModuleFileNameA(Vestrel(), original, MAX_PATH), 0u);
    const std::string copy = dir.File("vestrel-copy.dll");
    ASSERT_TRUE(::CopyFileA(original, copy.c_str(), FALSE));

    const int before = AfxGetResourceChainLength();
    HMODULE library = ::LoadLibraryA(copy.c_str());
    ASSERT_NE(library, nullptr);
    using Init = void(WINAPI*)();
    using WithPath = int(WINAPI*)(const char*);
    // Through void*, as GetProcAddress's type names no real signature.
    auto find = [library](const char* name) {
        return reinterpret_cast<void*>(::GetProcAddress(library, name));
    };
    auto init = reinterpret_cast<Init>(find("_InitVestrelDLL@0"));
    auto load = reinterpret_cast<WithPath>(find("_LoadCmx6File@4"));
    auto write = reinterpret_cast<WithPath>(find("_WriteJobFile@4"));
    ASSERT_TRUE(init != nullptr && load != nullptr && write != nullptr);
    init();
    EXPECT_EQ(AfxGetResourceChainLength(), before + 1);
    EXPECT_EQ(load(Sample().c_str()), 1);
    EXPECT_EQ(write(dir.File("sample.job").c_str()), 1);
    EXPECT_TRUE(std::filesystem::exists(dir.File("sample.job")));
    // A drawing still held at the unload is released by the library's teardown.
    EXPECT_EQ(load(Sample().c_str()), 1);

    EXPECT_TRUE(::FreeLibrary(library));
    EXPECT_EQ(::GetModuleHandleA("vestrel-copy.dll"), nullptr);
    EXPECT_EQ(AfxGetResourceChainLength(), before);
    char text[64];
    EXPECT_GT(AfxLoadString(IDS_BAD_CMX_FILE, text, sizeof text), 0);
}
