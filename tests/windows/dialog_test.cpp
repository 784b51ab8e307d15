// The open dialog as Windows runs it: the child template as a resource of the DLL, and the real
// dialog driven by a second thread as a person would use it, its preview read back from the
// screen, and a screenshot of it for the documentation.
#include "tests/support/test_util.h"
#include "vestrel/frame/vestrel.h"
#include "vestrel/resources/resource.h"

#include "platform/pngcodec.h"

#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

using namespace cmxtest;

namespace {

HMODULE Vestrel() {
    return ::GetModuleHandleA("vestrel.dll");
}

// Reads an extended dialog template as the system does: words, double words, and texts or
// ordinals of UTF-16 units, each item starting on a double word.
class TemplateReader {
public:
    TemplateReader(const BYTE* start, DWORD size) : start_(start), size_(size) {}
    WORD Word() {
        WORD v = 0;
        if (at_ + 2 <= size_)
            std::memcpy(&v, start_ + at_, 2);
        at_ += 2;
        return v;
    }
    DWORD DWord() {
        const DWORD low = Word();
        return low | (static_cast<DWORD>(Word()) << 16);
    }
    // A text (as UTF-16 units) or an ordinal (0xFFFF and a number, as "#number").
    std::u16string Text() {
        std::u16string text;
        WORD unit = Word();
        if (unit == 0xFFFF) {
            text += u'#';
            text += static_cast<char16_t>(Word());
            return text;
        }
        for (; unit != 0 && at_ <= size_; unit = Word())
            text += static_cast<char16_t>(unit);
        return text;
    }
    void AlignToDWord() { at_ = (at_ + 3) & ~DWORD{3}; }
    bool Overrun() const { return at_ > size_; }

private:
    const BYTE* start_;
    DWORD size_;
    DWORD at_ = 0;
};

struct Control {
    DWORD id;
    DWORD style;
    DWORD exStyle;
    short x, y, cx, cy;
};

bool operator==(const Control& a, const Control& b) {
    return a.id == b.id && a.style == b.style && a.exStyle == b.exStyle && a.x == b.x &&
           a.y == b.y && a.cx == b.cx && a.cy == b.cy;
}

std::ostream& operator<<(std::ostream& out, const Control& c) {
    return out << "id " << static_cast<int>(c.id) << " style " << std::hex << c.style << " ex "
               << c.exStyle << std::dec << " at " << c.x << "," << c.y << " " << c.cx << "x"
               << c.cy;
}

} // namespace

TEST(Win32OpenDialog, TheChildTemplateIsAGermanExtendedTemplateOfTheDll) {
    HRSRC found = ::FindResourceExA(Vestrel(), MAKEINTRESOURCEA(5), MAKEINTRESOURCEA(101),
                                    MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN));
    ASSERT_NE(found, nullptr);
    const auto* bytes = static_cast<const BYTE*>(::LockResource(::LoadResource(Vestrel(), found)));
    TemplateReader in(bytes, ::SizeofResource(Vestrel(), found));
    EXPECT_EQ(in.Word(), 1);      // version
    EXPECT_EQ(in.Word(), 0xFFFF); // an extended template
    EXPECT_EQ(in.DWord(), 0u);    // help id
    EXPECT_EQ(in.DWord(), 0u);    // extended style
    EXPECT_EQ(in.DWord(), 0x56C80CC4u);
    const WORD count = in.Word();
    EXPECT_EQ(count, 3);
    const short place[4] = {static_cast<short>(in.Word()), static_cast<short>(in.Word()),
                            static_cast<short>(in.Word()), static_cast<short>(in.Word())};
    EXPECT_EQ(std::vector<short>(place, place + 4), (std::vector<short>{0, 0, 457, 191}));
    EXPECT_EQ(in.Text(), u"");            // no menu
    EXPECT_EQ(in.Text(), u"");            // the default class
    EXPECT_EQ(in.Text(), u"\u00D6ffnen"); // "Öffnen"
    EXPECT_EQ(in.Word(), 8);              // points
    EXPECT_EQ(in.Word(), 0);              // weight
    EXPECT_EQ(in.Word(), 0x0100);         // not italic, character set 1
    EXPECT_EQ(in.Text(), u"MS Sans Serif");

    const std::vector<Control> expected = {
        {stc32, 0x40000007, 0, 0, 2, 455, 188},
        {IDC_PREVIEW_PLACE, 0x40000007, 0, 318, 38, 100, 100},
        {0xFFFFFFFF, 0x50001007, 0x20, 315, 35, 110, 110},
    };
    std::vector<Control> controls;
    for (WORD i = 0; i < count && !in.Overrun(); ++i) {
        in.AlignToDWord();
        EXPECT_EQ(in.DWord(), 0u); // help id
        Control c = {};
        c.exStyle = in.DWord();
        c.style = in.DWord();
        c.x = static_cast<short>(in.Word());
        c.y = static_cast<short>(in.Word());
        c.cx = static_cast<short>(in.Word());
        c.cy = static_cast<short>(in.Word());
        c.id = in.DWord();
        EXPECT_EQ(in.Text(), u"#\u0082"); // the predefined static class
        EXPECT_EQ(in.Text(), u"");        // no text
        EXPECT_EQ(in.Word(), 0);          // no creation data
        controls.push_back(c);
    }
    EXPECT_FALSE(in.Overrun());
    EXPECT_EQ(controls, expected);
}

namespace {

constexpr DWORD kWaitMs = 90000;

// Ends the program when the person's part cannot go on: nobody else would close the dialog.
[[noreturn]] void GiveUp(const char* what) {
    std::fprintf(stderr, "open dialog test: %s\n", what);
    std::fflush(stderr);
    ::ExitProcess(3);
}

// Waits until ready() holds, looking every 50 ms; gives up after kWaitMs.
void WaitFor(const char* what, const std::function<bool()>& ready) {
    for (DWORD waited = 0; !ready(); waited += 50) {
        if (waited > kWaitMs)
            GiveUp(what);
        ::Sleep(50);
    }
}

std::string ClassOf(HWND window) {
    char name[32] = "";
    ::GetClassNameA(window, name, sizeof name);
    return name;
}

struct Search {
    const std::function<bool(HWND)>* matches;
    HWND found;
};

BOOL CALLBACK Visit(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<Search*>(parameter);
    if (!(*search->matches)(window))
        return TRUE;
    search->found = window;
    return FALSE;
}

// The first top-level window (parent null) or descendant of parent that matches, or null.
HWND FindWindowWhere(HWND parent, const std::function<bool(HWND)>& matches) {
    Search search = {&matches, nullptr};
    if (parent == nullptr)
        ::EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
    else
        ::EnumChildWindows(parent, Visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The visible file dialog of this process other than avoid, or null.
HWND FindFileDialog(HWND avoid = nullptr) {
    return FindWindowWhere(nullptr, [avoid](HWND window) {
        DWORD process = 0;
        ::GetWindowThreadProcessId(window, &process);
        return process == ::GetCurrentProcessId() && window != avoid &&
               ClassOf(window) == "#32770" && ::IsWindowVisible(window);
    });
}

// The preview window: a static control of type 0x0F with the id -1.
HWND FindPreview(HWND dialog) {
    return FindWindowWhere(dialog, [](HWND child) {
        return lstrcmpiA(ClassOf(child).c_str(), "Static") == 0 && ::GetDlgCtrlID(child) == -1 &&
               (::GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == 0x0F;
    });
}

// What a window's client area shows, read from the screen. (Under Xvfb no window manager draws
// the frames and captions.)
CPixelSurface Capture(HWND window) {
    RECT client;
    ::GetClientRect(window, &client);
    POINT origin = {0, 0};
    ::ClientToScreen(window, &origin);
    const int width = client.right, height = client.bottom;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY);
    ::GdiFlush();
    CPixelSurface surface(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            surface.At(x, y) = static_cast<const std::uint32_t*>(bits)[y * width + x] & 0xFFFFFF;
    ::SelectObject(memory, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return surface;
}

// The part of the preview, in its client coordinates, that the file list leaves uncovered: the
// template places the preview for the narrower standard controls of older systems, and wider
// ones reach into it.
CRect Uncovered(HWND dialog, HWND preview) {
    RECT place;
    ::GetWindowRect(preview, &place);
    CRect part(0, 0, place.right - place.left, place.bottom - place.top);
    RECT list;
    HWND view = ::FindWindowExA(dialog, nullptr, "SHELLDLL_DefView", nullptr);
    if (view != nullptr && ::GetWindowRect(view, &list) && list.right > place.left &&
        list.left < place.right && list.bottom > place.top && list.top < place.bottom)
        part.left = std::max<LONG>(part.left, list.right - place.left);
    return part;
}

bool SameAt(const CPixelSurface& shown, const CPixelSurface& expected, CRect area) {
    if (shown.GetWidth() < area.right || shown.GetHeight() < area.bottom || area.IsRectEmpty())
        return false;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (shown.At(x, y) != expected.At(x, y))
                return false;
    return true;
}

constexpr std::uint32_t kBlack = 0x000000, kLightGrey = 0xC0C0C0;

// The placeholder, in the part of the preview that shows: a black border, light grey inside, and
// the black cross.
bool ShowsPlaceholder(const CPixelSurface& shown, const CRect& part) {
    const int w = shown.GetWidth(), h = shown.GetHeight();
    if (part.Width() < 8 || part.Height() < 8 || part.right != w || part.bottom != h ||
        shown.At(w - 1, 0) != kBlack || shown.At(w - 1, h - 1) != kBlack)
        return false;
    int black = 0;
    for (int y = 1; y < h - 1; ++y) {
        for (int x = std::max<int>(part.left, 1); x < w - 1; ++x) {
            if (shown.At(x, y) == kBlack)
                ++black;
            else if (shown.At(x, y) != kLightGrey)
                return false;
        }
    }
    // Both lines cross every row; at least one of them crosses the part that shows.
    return black >= h - 2;
}

// The Edit control of the file name box.
HWND FileNameEdit(HWND dialog) {
    HWND box = ::GetDlgItem(dialog, cmb13);
    if (box == nullptr)
        return ::GetDlgItem(dialog, edt1);
    HWND edit = FindWindowWhere(
        box, [](HWND child) { return lstrcmpiA(ClassOf(child).c_str(), "Edit") == 0; });
    return edit != nullptr ? edit : box;
}

std::string Text(HWND dialog, UINT message) {
    char text[MAX_PATH] = "";
    if (::SendMessageA(dialog, message, sizeof text, reinterpret_cast<LPARAM>(text)) <= 0)
        return std::string();
    return text;
}

void Press(HWND dialog, int button) {
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dialog, button)));
}

// Types the folder into the file name box and presses Open, as a person does to go there.
void GoTo(HWND dialog, const std::string& folder) {
    ::SendMessageA(FileNameEdit(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder.c_str()));
    Press(dialog, IDOK);
    WaitFor("the dialog did not go to the folder", [&] {
        return lstrcmpiA(Text(dialog, CDM_GETFOLDERPATH).c_str(), folder.c_str()) == 0;
    });
}

// Clicks a file in the dialog's list.
void Click(HWND dialog, const char* name) {
    HWND list = nullptr;
    int item = -1;
    // The list is looked up afresh on every look: the dialog replaces its view when it changes
    // folders, and a window that is gone answers every message with 0, which would pass for the
    // first item. So the item found must also carry the name.
    WaitFor("the file is not in the list", [&] {
        HWND view = ::FindWindowExA(dialog, nullptr, "SHELLDLL_DefView", nullptr);
        list = view != nullptr ? ::FindWindowExA(view, nullptr, "SysListView32", nullptr) : nullptr;
        if (list == nullptr)
            return false;
        LVFINDINFOA find = {};
        find.flags = LVFI_STRING;
        find.psz = name;
        item = static_cast<int>(::SendMessageA(list, LVM_FINDITEMA, static_cast<WPARAM>(-1),
                                               reinterpret_cast<LPARAM>(&find)));
        if (item < 0)
            return false;
        char text[MAX_PATH] = "";
        LVITEMA get = {};
        get.pszText = text;
        get.cchTextMax = MAX_PATH;
        ::SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(item),
                       reinterpret_cast<LPARAM>(&get));
        return lstrcmpiA(text, name) == 0;
    });
    LVITEMA state = {};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(item),
                   reinterpret_cast<LPARAM>(&state));
}

// The person's part of a run, on a thread of its own.
struct Person {
    std::function<void()> part;
    HANDLE thread = nullptr;

    explicit Person(std::function<void()> p) : part(std::move(p)) {
        thread = ::CreateThread(nullptr, 0, Run, this, 0, nullptr);
    }
    ~Person() {
        ::WaitForSingleObject(thread, INFINITE);
        ::CloseHandle(thread);
    }
    Person(const Person&) = delete;
    Person& operator=(const Person&) = delete;

    static DWORD WINAPI Run(LPVOID self) {
        static_cast<Person*>(self)->part();
        return 0;
    }
};

// The windows are real: the suite's chooser and message sink step aside.
struct RealDialogs {
    CFileDialogChooser* chooser = PlatformSetFileDialogChooser(nullptr);
    ~RealDialogs() { PlatformSetFileDialogChooser(chooser); }
};

} // namespace

TEST(Win32OpenDialog, APersonPreviewsFilesAcceptsOneAndIsAskedForTheJob) {
    RealDialogs real;
    MessageRecorder recorder;
    // A folder of a fixed name, which the screenshot shows.
    TempDir dir;
    const std::string folder = dir.path() + "\\Zeichnungen";
    std::filesystem::create_directory(folder);
    const std::string house = folder + "\\haus.cmx";
    std::filesystem::copy_file(std::string(VESTREL_SOURCE_DIR) + "/samples/sample.cmx", house);
    WriteFile(folder + "\\notizen.cmx", Bytes(300, 'x'));
    // The thumbnail as the library draws it.
    CDC expected(130, 130);
    CCmxParser reference;
    ASSERT_EQ(reference.ShowThumbNail(house.c_str(), &expected), 1);
    const CRect thumbnail(1, 1, 129, 129);

    CCmxParser parser;
    // The first run: a file accepted, and the save dialog for the job cancelled.
    {
        Person person([&] {
            HWND dialog = nullptr;
            WaitFor("no open dialog appeared", [&] { return (dialog = FindFileDialog()); });
            HWND preview = nullptr;
            WaitFor("the dialog has no preview", [&] { return (preview = FindPreview(dialog)); });
            GoTo(dialog, folder);
            Click(dialog, "haus.cmx");
            CRect shows;
            shows.IntersectRect(thumbnail, Uncovered(dialog, preview));
            WaitFor("the thumbnail was not shown",
                    [&] { return SameAt(Capture(preview), expected.GetSurface(), shows); });
            Press(dialog, IDOK);
            HWND save = nullptr;
            WaitFor("no save dialog appeared",
                    [&] { return ::IsWindow(dialog) == FALSE && (save = FindFileDialog(dialog)); });
            WaitFor("the save dialog does not offer *.job",
                    [&] { return Text(save, CDM_GETSPEC) == "*.job"; });
            Press(save, IDCANCEL);
        });
        EXPECT_EQ(parser.DoOpenCmxDlg(), 1);
    }
    EXPECT_EQ(lstrcmpiA(parser.GetFileName(), house.c_str()), 0) << parser.GetFileName();
    ASSERT_NE(parser.GetDrawing(), nullptr);
    const CGrDrawset* held = parser.GetDrawing();
    const int objects = held->GetCount();

    // The second run: the placeholder, a thumbnail, the placeholder for a file that is no CMX
    // file, and Cancel.
    {
        Person person([&] {
            HWND dialog = nullptr;
            WaitFor("no open dialog appeared", [&] { return (dialog = FindFileDialog()); });
            HWND preview = nullptr;
            WaitFor("the dialog has no preview", [&] { return (preview = FindPreview(dialog)); });
            const CRect part = Uncovered(dialog, preview);
            WaitFor("the placeholder was not shown",
                    [&] { return ShowsPlaceholder(Capture(preview), part); });
            GoTo(dialog, folder);
            Click(dialog, "haus.cmx");
            CRect shows;
            shows.IntersectRect(thumbnail, part);
            WaitFor("the thumbnail was not shown",
                    [&] { return SameAt(Capture(preview), expected.GetSurface(), shows); });
            // What a person sees, for the documentation.
            const CPixelSurface shot = Capture(dialog);
            const std::vector<unsigned char> png =
                PlatformEncodePng(shot, CRect(0, 0, shot.GetWidth(), shot.GetHeight()));
            if (png.empty())
                GiveUp("the screenshot could not be encoded");
            WriteFile(std::string(VESTREL_SOURCE_DIR) + "/docs/images/open-dialog.png",
                      Bytes(png.begin(), png.end()));
            Click(dialog, "notizen.cmx");
            WaitFor("the placeholder was not shown for a file that is no CMX file",
                    [&] { return ShowsPlaceholder(Capture(preview), part); });
            Press(dialog, IDCANCEL);
        });
        EXPECT_EQ(parser.DoOpenCmxDlg(), 1);
    }
    EXPECT_EQ(lstrcmpiA(parser.GetFileName(), house.c_str()), 0) << parser.GetFileName();
    EXPECT_EQ(parser.GetDrawing(), held);
    EXPECT_EQ(parser.GetDrawing()->GetCount(), objects);
    EXPECT_TRUE(recorder.messages.empty());
}

// The conversion's save dialog as the system receives it: one filter entry, "*.job", which lists
// the job files of a folder and nothing else.
TEST(Win32SaveDialog, TheConversionOffersOneFilterOfJobFiles) {
    RealDialogs real;
    MessageRecorder recorder;
    TempDir dir;
    const std::string folder = dir.path() + "\\Auftraege";
    std::filesystem::create_directory(folder);
    WriteFile(folder + "\\alt.job", Bytes(10, 'j'));
    WriteFile(folder + "\\notiz.txt", Bytes(10, 't'));
    CString cmx((std::string(VESTREL_SOURCE_DIR) + "/samples/sample.cmx").c_str());
    CString one("x");
    std::vector<std::string> types;
    int listed = -1;
    CCmxParser parser;
    {
        Person person([&] {
            HWND dialog = nullptr;
            WaitFor("no save dialog appeared", [&] { return (dialog = FindFileDialog()); });
            HWND combo = ::GetDlgItem(dialog, cmb1);
            WaitFor("the dialog has no file types",
                    [&] { return ::SendMessageA(combo, CB_GETCOUNT, 0, 0) > 0; });
            const int count = static_cast<int>(::SendMessageA(combo, CB_GETCOUNT, 0, 0));
            for (int i = 0; i < count; ++i) {
                char text[MAX_PATH] = "";
                if (::SendMessageA(combo, CB_GETLBTEXTLEN, i, 0) < MAX_PATH)
                    ::SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
                types.push_back(text);
            }
            GoTo(dialog, folder);
            Click(dialog, "alt.job");
            HWND view = ::FindWindowExA(dialog, nullptr, "SHELLDLL_DefView", nullptr);
            HWND list = ::FindWindowExA(view, nullptr, "SysListView32", nullptr);
            listed = static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
            Press(dialog, IDCANCEL);
        });
        EXPECT_EQ(parser.ParseCmx6(&cmx, &one), 0);
    }
    EXPECT_EQ(types, std::vector<std::string>{"*.job"});
    EXPECT_EQ(listed, 1) << "the list shows other files than the job";
    EXPECT_EQ(parser.GetDrawing(), nullptr);
    EXPECT_TRUE(recorder.messages.empty());
}
