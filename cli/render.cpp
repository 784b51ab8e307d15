// vestrel render: the drawing's SVG rasterised into a PNG, where librsvg is there to draw it.
#include "cli/commands.h"
#include "cli/drawing_io.h"
#include "cli/output.h"
#include "cli/png.h"
#include "cli/svg.h"

#include <charconv>
#include <cstring>

#ifdef VESTREL_HAVE_RSVG
#include <cairo.h>
#include <librsvg/rsvg.h>
#endif

namespace vestrel_cli {

namespace {

constexpr unsigned long kDefaultSize = 256;
constexpr unsigned long kLargestSize = 8192;

#ifdef VESTREL_HAVE_RSVG
// The SVG drawn into a white square of side size, letterboxed and centred as the writer's own
// preview shows the drawing. False, with error set, when librsvg cannot draw it.
bool Rasterise(const std::string& svg, int size, CPixelSurface* surface, std::string* error) {
    GError* failure = nullptr;
    RsvgHandle* handle = rsvg_handle_new_from_data(reinterpret_cast<const guint8*>(svg.data()),
                                                   svg.size(), &failure);
    if (handle == nullptr) {
        *error = failure != nullptr ? failure->message : "librsvg cannot read the SVG";
        if (failure != nullptr)
            g_error_free(failure);
        return false;
    }
    cairo_surface_t* target = cairo_image_surface_create(CAIRO_FORMAT_RGB24, size, size);
    cairo_t* cr = cairo_create(target);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    const RsvgRectangle viewport = {0, 0, static_cast<double>(size), static_cast<double>(size)};
    const bool drawn = rsvg_handle_render_document(handle, cr, &viewport, &failure) != FALSE;
    cairo_destroy(cr);
    cairo_surface_flush(target);
    if (drawn) {
        // Both hold a pixel as 0x00RRGGBB in a 32-bit word; cairo's rows may be padded.
        surface->Reset(size, size);
        const unsigned char* rows = cairo_image_surface_get_data(target);
        const int stride = cairo_image_surface_get_stride(target);
        for (int y = 0; y < size; ++y) {
            const unsigned char* row = rows + static_cast<std::ptrdiff_t>(y) * stride;
            for (int x = 0; x < size; ++x) {
                std::uint32_t pixel;
                std::memcpy(&pixel, row + 4 * x, 4);
                surface->At(x, y) = pixel & 0x00FFFFFF;
            }
        }
    } else {
        *error = failure != nullptr ? failure->message : "librsvg cannot draw the SVG";
    }
    if (failure != nullptr)
        g_error_free(failure);
    cairo_surface_destroy(target);
    g_object_unref(handle);
    return drawn;
}
#endif

} // namespace

int Render(const Args& args) {
    // --size is this command's own; the rest are those every drawing command takes.
    Args rest;
    unsigned long size = kDefaultSize;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--") {
            rest.insert(rest.end(), args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
            break;
        }
        if (args[i] != "--size") {
            rest.push_back(args[i]);
            continue;
        }
        if (i + 1 == args.size())
            return UsageError("--size needs a number of pixels");
        const std::string& text = args[++i];
        const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), size);
        if (status != std::errc() || end != text.data() + text.size() || size == 0 ||
            size > kLargestSize)
            return UsageError("--size takes a number of pixels from 1 to " +
                              std::to_string(kLargestSize) + ", not '" + text + "'");
    }
    CommandLine line;
    if (int usage = ParseCommandLine("render", rest, {"--quiet", "--strict", "--page"}, &line))
        return usage;
    if (line.operands.empty() || line.operands.size() > 2)
        return UsageError("render takes one CMX or job file and an optional PNG file");
    const std::string& input = line.operands[0];
    if (input == kStandardInput && line.operands.size() == 1)
        return UsageError("render needs a PNG file to read standard input");
#ifndef VESTREL_HAVE_RSVG
    Say("render is not available on this system: it draws through librsvg, which this build "
        "does not have; 'vestrel svg' writes the drawing for another program to draw");
    return kExitFailed;
#else
    const std::string output =
        line.operands.size() == 2 ? line.operands[1] : WithExtension(input, ".png");
    if (!OutputsAreSafe({{input, output}}))
        return kExitFailed;
    bool failed = false;
    CCmxAppearances looks;
    DrawingPtr drawing = ReadDrawing(input, line.run, &failed, &looks);
    if (!drawing)
        return kExitFailed;
    CPixelSurface surface;
    std::string error;
    const int side = static_cast<int>(size);
    if (!Rasterise(DrawingSvg(*drawing, &looks), side, &surface, &error)) {
        Say(InputName(input) + ": cannot be drawn: " + error);
        return kExitFailed;
    }
    if (!WritePng(output, surface, CRect(0, 0, side, side), &error))
        return kExitFailed;
    return failed ? kExitFailed : kExitOk;
#endif
}

} // namespace vestrel_cli
