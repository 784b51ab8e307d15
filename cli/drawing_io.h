// What the commands share: reading a drawing from a CMX or job file, and the library's
// messages.
#pragma once

#include "drawset/grobj.h"
#include "platform/msgbox.h"
#include "vestrel/cmx/stoprecord.h"

#include <memory>
#include <string>
#include <vector>

namespace vestrel_cli {

struct DrawingDeleter {
    void operator()(CGrDrawset* drawing) const { delete drawing; }
};
using DrawingPtr = std::unique_ptr<CGrDrawset, DrawingDeleter>;

// Shows the library's message boxes on standard error, as the platform does, and counts them.
class MessageCounter : public CMessageBoxSink {
public:
    MessageCounter();
    ~MessageCounter() override;
    MessageCounter(const MessageCounter&) = delete;
    MessageCounter& operator=(const MessageCounter&) = delete;
    int Show(HWND owner, const char* text, const char* caption, UINT type) override;
    int count() const { return count_; }

private:
    CMessageBoxSink* previous_;
    int count_ = 0;
};

// The input that stands for standard input, and the option that names the clipboard.
constexpr char kStandardInput[] = "-";
constexpr char kClipboardInput[] = "--clipboard";

// How messages name an input: its path, "standard input" or "the clipboard".
std::string InputName(const std::string& input);
// Whether the input is a file, which output names can be derived from.
bool IsFileInput(const std::string& input);
// The usage error for the clipboard where there is no system clipboard to read; 0 elsewhere.
int ClipboardUsage(const std::string& input);

// Reads standard input whole. On failure says so on standard error and returns false.
bool ReadStandardInput(std::vector<BYTE>* bytes);

// Reads the drawing of a CMX file or a job file, from a path or standard input, or the CMX
// drawing on the clipboard. On failure returns null, the library's message or a line on
// standard error having said why.
DrawingPtr ReadDrawing(const std::string& input);

// Why a load ended, in a few words.
const char* StopText(CmxStop reason);

// The path with its extension (if any) replaced.
std::string WithExtension(const std::string& path, const std::string& extension);

// The last component of a path.
std::string BaseName(const std::string& path);

} // namespace vestrel_cli
