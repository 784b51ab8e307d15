// vestrel thumbnail: a CMX file's preview as a 128 x 128 PNG.
#include "cli/commands.h"
#include "cli/drawing_io.h"
#include "cli/png.h"

#include "vestrel/cmx/cmxparser.h"

#include <cstdio>

namespace vestrel_cli {

namespace {

// Takes the library's messages and shows none: the preview has no messages of its own, and the
// load that looks for a thumbnail is not the command's business.
class Quiet : public CMessageBoxSink {
public:
    Quiet() : previous_(PlatformSetMessageBoxSink(this)) {}
    ~Quiet() override { PlatformSetMessageBoxSink(previous_); }
    Quiet(const Quiet&) = delete;
    Quiet& operator=(const Quiet&) = delete;
    int Show(HWND, const char*, const char*, UINT) override { return IDOK; }

private:
    CMessageBoxSink* previous_;
};

} // namespace

int Thumbnail(const Args& args) {
    if (args.empty() || args.size() > 2)
        return UsageError("thumbnail takes a CMX file and an optional PNG file");
    const std::string& in = args[0];
    const bool standardInput = in == kStandardInput;
    if (standardInput && args.size() == 1)
        return UsageError("thumbnail needs a PNG file to read standard input");
    const std::string out = args.size() == 2 ? args[1] : WithExtension(in, ".png");
    const std::string name = InputName(in);
    std::vector<BYTE> bytes;
    if (standardInput && !ReadStandardInput(&bytes))
        return kExitFailed;
    CCmxParser parser;
    // The preview draws at (1, 1), as the open dialog's preview window has it: through the
    // library's preview for a file, from the loaded drawing for bytes in memory.
    CDC dc(130, 130);
    bool read = false;
    if (standardInput) {
        {
            Quiet quiet;
            read = parser.LoadCmxFromMemory(bytes.data(), static_cast<DWORD>(bytes.size())) != 0;
        }
        if (read)
            parser.GetDrawing()->ShowThumbNail(&dc, CPoint(1, 1));
    } else {
        read = parser.ShowThumbNail(in.c_str(), &dc) != 0;
    }
    if (!read) {
        std::fprintf(stderr, "vestrel: %s: cannot be read as a CMX file\n", name.c_str());
        return kExitFailed;
    }
    const CmxThumbnail thumbnail = parser.GetStopRecord().thumbnail;
    if (thumbnail != CmxThumbnail::palette && thumbnail != CmxThumbnail::trueColor) {
        std::fprintf(stderr, "vestrel: %s: the drawing has no thumbnail\n", name.c_str());
        return kExitFailed;
    }
    std::string error;
    if (!WritePng(out, dc.GetSurface(), CRect(1, 1, 129, 129), &error)) {
        std::fprintf(stderr, "vestrel: %s\n", error.c_str());
        return kExitFailed;
    }
    return kExitOk;
}

} // namespace vestrel_cli
