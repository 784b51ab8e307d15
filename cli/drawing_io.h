// What the commands share: reading a drawing from a CMX or job file, the library's messages, and
// what the command says about each input on standard error.
#pragma once

#include "drawset/grobj.h"
#include "platform/msgbox.h"
#include "vestrel/cmx/appearance.h"
#include "vestrel/cmx/stoprecord.h"

#include <memory>
#include <string>
#include <vector>

namespace vestrel_cli {

struct DrawingDeleter {
    void operator()(CGrDrawset* drawing) const { delete drawing; }
};
using DrawingPtr = std::unique_ptr<CGrDrawset, DrawingDeleter>;

// Takes the library's message boxes while it lives and keeps their texts (caption first, as the
// box shows them, in UTF-8), for the command to show beside the input they are about.
class MessageCounter : public CMessageBoxSink {
public:
    MessageCounter();
    ~MessageCounter() override;
    MessageCounter(const MessageCounter&) = delete;
    MessageCounter& operator=(const MessageCounter&) = delete;
    int Show(HWND owner, const char* text, const char* caption, UINT type) override;
    int count() const { return static_cast<int>(messages_.size()); }
    // Shows each message behind "vestrel: NAME:", followed by a short English gloss.
    void Tell(const std::string& name) const;

private:
    CMessageBoxSink* previous_;
    std::vector<std::string> messages_;
};

// How the commands that read drawings judge them.
struct RunOptions {
    bool quiet = false;  // no progress line, no closing count, no warnings
    bool strict = false; // a warning fails the file too
    // The page to read (from 1), or every page one after the other (convert --page all).
    unsigned long page = 1;
    bool allPages = false;
};

// A line on standard error behind "vestrel: ". A progress line showing is cleared first.
void Say(const std::string& line);
// Shows text as the progress line on a terminal, in place of the one before.
void ShowProgress(const std::string& text);

// Says what became of an input whose load ended as the stop record and the messages tell, with
// objects the drawing's object count (-1 when not known) and written what was still written
// (null when nothing was). Returns true when the input counts as failed: a library message, a
// walk that stopped early, images left out, or a drawing left empty by instructions passed
// over; with strict also a damaged thumbnail, any instruction passed over or pages left out
// (pages other than the one read, unless the run reads them all).
bool ReportLoad(const std::string& name, const MessageCounter& messages, const CCmxStopRecord& stop,
                long objects, const char* written, const RunOptions& options);
// Whether ReportLoad needs the object count to judge and tell.
bool NeedsObjectCount(const MessageCounter& messages, const CCmxStopRecord& stop);

// The input that stands for standard input, and the option that names the clipboard.
constexpr char kStandardInput[] = "-";
constexpr char kClipboardInput[] = "--clipboard";

// How messages name an input: its path, "standard input" or "the clipboard".
std::string InputName(const std::string& input);
// Whether the input is a file, which output names can be derived from.
bool IsFileInput(const std::string& input);
// The usage error for the clipboard where there is no system clipboard to read; 0 elsewhere.
int ClipboardUsage(const std::string& input);
// False, having said so, when a file input is a folder, which only convert takes.
bool NotAFolder(const std::string& input);

// Reads standard input whole. On failure says so on standard error and returns false.
bool ReadStandardInput(std::vector<BYTE>* bytes);

// Reads the drawing of a CMX file or a job file, from a path or standard input, or the CMX
// drawing on the clipboard, and reports the load (see ReportLoad; failed tells its verdict).
// On failure returns null, having said why. With looks, a CMX drawing's appearance is read too
// and left there (a job file has none).
DrawingPtr ReadDrawing(const std::string& input, const RunOptions& options, bool* failed,
                       CCmxAppearances* looks = nullptr);

// Why a load read nothing: CmxStopText, or for a page past the file's pages which it is.
std::string NothingLoaded(const CCmxStopRecord& stop);
// "2", "2 and 3", "2 to 5", or "1 and 3 to 5": the pages of a file of count pages but page.
std::string OtherPages(unsigned long page, unsigned long count);

// The path with its extension (if any) replaced.
std::string WithExtension(const std::string& path, const std::string& extension);

// The last component of a path.
std::string BaseName(const std::string& path);

} // namespace vestrel_cli
