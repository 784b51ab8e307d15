// What the commands share: reading a drawing from a CMX or job file, and the library's
// messages.
#pragma once

#include "drawset/grobj.h"
#include "platform/msgbox.h"
#include "vestrel/cmx/stoprecord.h"

#include <memory>
#include <string>

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

// Reads the drawing of a CMX file or a job file. On failure returns null, the library's message
// or a line on standard error having said why.
DrawingPtr ReadDrawing(const std::string& path);

// Why a load ended, in a few words.
const char* StopText(CmxStop reason);

// The path with its extension (if any) replaced.
std::string WithExtension(const std::string& path, const std::string& extension);

// The last component of a path.
std::string BaseName(const std::string& path);

} // namespace vestrel_cli
