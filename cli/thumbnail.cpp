// vestrel thumbnail: a CMX file's preview as a 128 x 128 PNG.
#include "cli/commands.h"
#include "cli/drawing_io.h"
#include "cli/png.h"

#include "vestrel/cmx/cmxparser.h"

#include <cstdio>

namespace vestrel_cli {

int Thumbnail(const Args& args) {
    if (args.empty() || args.size() > 2)
        return UsageError("thumbnail takes a CMX file and an optional PNG file");
    const std::string& in = args[0];
    const std::string out = args.size() == 2 ? args[1] : WithExtension(in, ".png");
    CCmxParser parser;
    // The preview draws at (1, 1), as the open dialog's preview window has it.
    CDC dc(130, 130);
    if (!parser.ShowThumbNail(in.c_str(), &dc)) {
        std::fprintf(stderr, "vestrel: %s: cannot be read as a CMX file\n", in.c_str());
        return kExitFailed;
    }
    const CmxThumbnail thumbnail = parser.GetStopRecord().thumbnail;
    if (thumbnail != CmxThumbnail::palette && thumbnail != CmxThumbnail::trueColor) {
        std::fprintf(stderr, "vestrel: %s: the drawing has no thumbnail\n", in.c_str());
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
