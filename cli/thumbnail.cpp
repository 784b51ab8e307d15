// vestrel thumbnail: a CMX file's preview as a 128 x 128 PNG.
#include "cli/commands.h"
#include "cli/drawing_io.h"
#include "cli/output.h"
#include "cli/png.h"

#include "vestrel/cmx/cmxparser.h"

namespace vestrel_cli {

int Thumbnail(const Args& args) {
    CommandLine line;
    if (int usage = ParseCommandLine("thumbnail", args, {"--page"}, &line))
        return usage;
    const Args& operands = line.operands;
    if (operands.empty() || operands.size() > 2)
        return UsageError("thumbnail takes a CMX file and an optional PNG file");
    const std::string& in = operands[0];
    const bool standardInput = in == kStandardInput;
    if (standardInput && operands.size() == 1)
        return UsageError("thumbnail needs a PNG file to read standard input");
    const std::string out = operands.size() == 2 ? operands[1] : WithExtension(in, ".png");
    const std::string name = InputName(in);
    if (!OutputsAreSafe({{in, out}}) || !NotAFolder(in))
        return kExitFailed;
    std::vector<BYTE> bytes;
    if (standardInput && !ReadStandardInput(&bytes))
        return kExitFailed;
    CCmxParser parser;
    parser.SetPage(line.run.page);
    // A file holds one preview for all its pages; a page asked for must be there.
    if (line.run.page > 1) {
        const long pages =
            standardInput
                ? parser.CountCmxImagePages(bytes.data(), static_cast<DWORD>(bytes.size()))
                : parser.CountCmx6Pages(in.c_str());
        if (pages >= 0 && static_cast<unsigned long>(pages) < line.run.page) {
            CCmxStopRecord stop;
            stop.reason = CmxStop::noSuchPage;
            stop.page = line.run.page;
            stop.pages = static_cast<unsigned long>(pages);
            Say(name + ": " + NothingLoaded(stop));
            return kExitFailed;
        }
    }
    // The preview draws at (1, 1), as the open dialog's preview window has it: through the
    // library's preview for a file, from the loaded drawing for bytes in memory. The load that
    // looks for the thumbnail keeps its messages to itself: the drawing is not this command's
    // business.
    CDC dc(130, 130);
    bool read = false;
    if (standardInput) {
        {
            MessageCounter quiet;
            read = parser.LoadCmxFromMemory(bytes.data(), static_cast<DWORD>(bytes.size())) != 0;
        }
        if (read)
            parser.GetDrawing()->ShowThumbNail(&dc, CPoint(1, 1));
    } else {
        read = parser.ShowThumbNail(in.c_str(), &dc) != 0;
    }
    if (!read) {
        Say(name + ": cannot be read as a CMX file");
        return kExitFailed;
    }
    const CmxThumbnail thumbnail = parser.GetStopRecord().thumbnail;
    if (thumbnail != CmxThumbnail::palette && thumbnail != CmxThumbnail::trueColor) {
        Say(name + (thumbnail == CmxThumbnail::damaged ? ": the thumbnail is damaged"
                                                       : ": the drawing has no thumbnail"));
        return kExitFailed;
    }
    std::string error;
    return WritePng(out, dc.GetSurface(), CRect(1, 1, 129, 129), &error) ? kExitOk : kExitFailed;
}

} // namespace vestrel_cli
