// Helpers shared by the tests: a recording message sink, temporary folders and loading bytes.
#pragma once

#include "tests/support/cmxbuilder.h"

#include "drawset/grobj.h"
#include "platform/msgbox.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace cmxtest {

struct Message {
    std::string caption;
    std::string text;
};

// Records every message box shown while it lives, and shows none.
class MessageRecorder : public CMessageBoxSink {
public:
    MessageRecorder() : previous_(PlatformSetMessageBoxSink(this)) {}
    ~MessageRecorder() override { PlatformSetMessageBoxSink(previous_); }
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    int Show(HWND, const char* text, const char* caption, UINT) override {
        messages.push_back(Message{caption, text});
        return IDOK;
    }

    // The ids of the library's messages recorded, in order (0 for a text not in the table).
    std::vector<int> Ids() const;
    void Clear() { messages.clear(); }

    std::vector<Message> messages;

private:
    CMessageBoxSink* previous_;
};

// The library's message texts by id, as its string table holds them (Windows-1252).
std::string MessageText(int id);

// A folder that exists while the object lives.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Writes bytes to a new file in a temporary folder and returns its path; the folder lives as
// long as the process.
std::string WriteTemp(const Bytes& bytes, const std::string& name = "drawing.cmx");

Bytes ReadFileBytes(const std::string& path);

// The objects of a drawing list, in order.
std::vector<CGrObj*> Objects(const CGrDrawset& drawing);

// The library's module instance, found from one of its exported functions.
HINSTANCE VestrelModule();
// A record naming the library's module, for removing it from the resource chain.
AFX_EXTENSION_MODULE VestrelExtensionModule();

// Holds the clipboard for one test process while it lives. On Windows the clipboard is the
// session's, shared by every process of the suite and its shards: they take turns through a
// named mutex. Elsewhere each process has a clipboard of its own.
class ClipboardTurn {
public:
    ClipboardTurn();
    ~ClipboardTurn();
    ClipboardTurn(const ClipboardTurn&) = delete;
    ClipboardTurn& operator=(const ClipboardTurn&) = delete;

private:
    [[maybe_unused]] HANDLE mutex_ = nullptr;
};

// A format on the clipboard and its bytes; without bytes it is rendered on request only.
using ClipboardData = std::pair<UINT, std::optional<Bytes>>;
// Empties the clipboard and puts the formats on it in order; false when it cannot be opened.
bool PutOnClipboard(const std::vector<ClipboardData>& formats);

// The DLL exports no globals, so tests see theCmxParser, moduleHandle and extensionModule only
// where the shared library's symbols are visible to the program.
#if defined(_WIN32)
#define VESTREL_TESTS_SEE_GLOBALS 0
#else
#define VESTREL_TESTS_SEE_GLOBALS 1
#endif

} // namespace cmxtest

#include "vestrel/cmx/cmxparser.h"

namespace cmxtest {

// A parser that has loaded bytes from a file, with the messages the load showed.
struct Load {
    MessageRecorder recorder;
    CCmxParser parser;
    int result;

    explicit Load(const Bytes& file)
        : result(parser.LoadCmx6File(CString(WriteTemp(file).c_str()))) {}
    std::vector<int> messages() const { return recorder.Ids(); }
    std::vector<CGrObj*> objects() const {
        return parser.GetDrawing() != nullptr ? Objects(*parser.GetDrawing())
                                              : std::vector<CGrObj*>();
    }
};

// A file with the given page and colour and outline tables that name colours 1 to 3.
Bytes FileWithPage(const PageBuilder& page, Variant variant = {});

// Where a compressed file states its unpacked length: in front of "CPng".
std::size_t PackedLengthAt(const Bytes& file);

// The points of a path object.
std::vector<tagDoublePoint> PathPoints(const CGrObj* object);
std::string PathLetters(const CGrObj* object);
std::vector<unsigned long> GroupMembers(const CGrObj* object);

} // namespace cmxtest
