// vestrel svg: a drawing drawn so that a person can see what was imported.
#include "cli/commands.h"
#include "cli/drawing_io.h"
#include "cli/json.h"
#include "cli/png.h"
#include "cli/svg.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace vestrel_cli {

namespace {

std::string Num(double v) {
    JsonWriter j;
    j.Number(std::isfinite(v) ? v : 0.0);
    return j.out();
}

std::string ColorOf(const CGrDrawset& drawing, unsigned short layer) {
    unsigned long color = 0;
    if (!drawing.colorMap.LookupReference(layer, &color))
        color = 0;
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", static_cast<unsigned>(color & 0xFF),
                  static_cast<unsigned>((color >> 8) & 0xFF),
                  static_cast<unsigned>((color >> 16) & 0xFF));
    return text;
}

// Path data from the node letters: 'M' moves, 'L' draws a line, and a run of curve points,
// opened by 'C' and continued by 'x', draws cubic segments of three points each.
std::string PathData(const CGrObjSimple& path) {
    const unsigned long n = path.GetPointCount();
    std::string d;
    auto point = [&](unsigned long i) {
        tagDoublePoint p = path.GetPoint(i);
        return Num(p.x) + " " + Num(p.y);
    };
    unsigned long i = 0;
    while (i < n) {
        const unsigned char letter = path.GetLetter(i);
        if (i == 0 || letter == 'M') {
            d += (d.empty() ? "M" : " M") + point(i);
            ++i;
        } else if (letter == 'C') {
            unsigned long end = i + 1;
            while (end < n && path.GetLetter(end) == 'x')
                ++end;
            unsigned long k = i;
            for (; k + 3 <= end; k += 3)
                d += " C" + point(k) + " " + point(k + 1) + " " + point(k + 2);
            if (end - k == 2)
                d += " Q" + point(k) + " " + point(k + 1);
            else if (end - k == 1)
                d += " L" + point(k);
            i = end;
        } else {
            d += " L" + point(i);
            ++i;
        }
    }
    return d;
}

struct Box {
    double minX = std::numeric_limits<double>::infinity();
    double minY = std::numeric_limits<double>::infinity();
    double maxX = -std::numeric_limits<double>::infinity();
    double maxY = -std::numeric_limits<double>::infinity();
    void Add(double x, double y) {
        if (!std::isfinite(x) || !std::isfinite(y))
            return;
        minX = std::min(minX, x);
        minY = std::min(minY, y);
        maxX = std::max(maxX, x);
        maxY = std::max(maxY, y);
    }
    bool Empty() const { return !(minX <= maxX && minY <= maxY); }
};

} // namespace

std::string DrawingSvg(const CGrDrawset& drawing) {
    // The frame holds the drawing with its origin at the lower left; a frame that cannot, as a
    // damaged file may give, yields to the objects' own extent.
    double left = 0, bottom = 0, width = drawing.frameWidth, height = drawing.frameHeight;
    if (!(std::isfinite(width) && std::isfinite(height) && width > 0 && height > 0)) {
        Box box;
        for (POSITION at = drawing.GetHeadPosition(); at != nullptr;) {
            const CGrObj* object = static_cast<const CGrObj*>(drawing.GetNext(at));
            if (object->GetClass() == GrObjClass::simple) {
                const auto* path = static_cast<const CGrObjSimple*>(object);
                for (unsigned long i = 0; i < path->GetPointCount(); ++i)
                    box.Add(path->GetPoint(i).x, path->GetPoint(i).y);
            }
        }
        if (box.Empty())
            box = Box{0, 0, 1, 1};
        left = box.minX;
        bottom = box.minY;
        width = std::max(box.maxX - box.minX, 1e-9);
        height = std::max(box.maxY - box.minY, 1e-9);
    }
    const double longest = std::max(width, height);
    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\"";
    svg += " width=\"" + Num(std::round(800 * width / longest)) + "\"";
    svg += " height=\"" + Num(std::round(800 * height / longest)) + "\"";
    svg += " viewBox=\"" + Num(left) + " " + Num(-bottom - height) + " " + Num(width) + " " +
           Num(height) + "\">\n";
    // The drawing's y axis points up.
    svg += "<g transform=\"scale(1 -1)\" fill=\"none\" stroke-width=\"1.5\" "
           "stroke-linejoin=\"round\" stroke-linecap=\"round\">\n";
    for (POSITION at = drawing.GetHeadPosition(); at != nullptr;) {
        const CGrObj* object = static_cast<const CGrObj*>(drawing.GetNext(at));
        if (object->GetClass() == GrObjClass::simple) {
            const auto* path = static_cast<const CGrObjSimple*>(object);
            if (path->GetPointCount() == 0)
                continue;
            svg += "<path d=\"" + PathData(*path) + "\" stroke=\"" +
                   ColorOf(drawing, path->GetLayerIndex()) +
                   "\" vector-effect=\"non-scaling-stroke\"/>\n";
        } else if (object->GetClass() == GrObjClass::bitmap) {
            svg += BitmapElement(*object);
        }
    }
    svg += "</g>\n</svg>\n";
    return svg;
}

int Svg(const Args& args) {
    return WriteDrawingAs("svg", args, ".svg", DrawingSvg);
}

} // namespace vestrel_cli

namespace vestrel_cli {

std::string BitmapElement(const CGrObj& bitmap) {
    BITMAPINFOHEADER header;
    if (bitmap.GetData() == nullptr ||
        !PlatformReadBitmapInfoHeader(bitmap.GetData(), bitmap.GetSize(), &header))
        return std::string();
    const LONG width = header.biWidth;
    const LONG height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    // Pictures larger than a surface can hold are left out rather than cut.
    if (width <= 0 || height <= 0 || width > CPixelSurface::kMaxSide ||
        height > CPixelSurface::kMaxSide)
        return std::string();
    CDC dc(width, height);
    if (dc.DrawPackedDIB(0, 0, bitmap.GetData(), bitmap.GetSize()) == 0)
        return std::string();
    std::vector<unsigned char> png = PlatformEncodePng(dc.GetSurface(), CRect(0, 0, width, height));
    if (png.empty())
        return std::string();
    // The picture fills the bounds, then takes the transformation. Its rows run top-down in
    // the image, so it is flipped back within the group's upward y axis.
    const tagDoubleRect& b = bitmap.bounds;
    const double x = std::min(b.left, b.right), y = std::min(b.top, b.bottom);
    const double w = std::fabs(b.right - b.left), h = std::fabs(b.top - b.bottom);
    const CMatrix& m = bitmap.GetMatrix();
    std::string element =
        "<g transform=\"matrix(" + Num(m.m11) + " " + Num(m.m12) + " " + Num(m.m21) + " " +
        Num(m.m22) + " " + Num(m.dx) + " " + Num(m.dy) + ")\"><image x=\"" + Num(x) + "\" y=\"" +
        Num(-y - h) + "\" width=\"" + Num(w) + "\" height=\"" + Num(h) +
        "\" preserveAspectRatio=\"none\" transform=\"scale(1 -1)\" "
        "style=\"image-rendering:pixelated\" xlink:href=\"data:image/png;base64," +
        Base64(png) + "\"/></g>\n";
    return element;
}

} // namespace vestrel_cli
