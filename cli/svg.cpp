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
#include <unordered_map>
#include <vector>

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

std::string Hex(unsigned long color) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", static_cast<unsigned>(color & 0xFF),
                  static_cast<unsigned>((color >> 8) & 0xFF),
                  static_cast<unsigned>((color >> 16) & 0xFF));
    return text;
}

// The paint of one shape: its fill where it is closed, its outline at its width. Shapes read
// without their appearance (job files) are outlined in their colour at a width that shows.
std::string Paint(const CGrDrawset& drawing, const CGrObjSimple& path, const CCmxAppearance* look,
                  double finest) {
    if (look == nullptr)
        return " fill=\"none\" stroke=\"" + ColorOf(drawing, path.GetLayerIndex()) +
               "\" stroke-width=\"" + Num(2 * finest) + "\"";
    std::string paint;
    if (look->closed && look->fill != CCmxAppearance::FillKind::none)
        paint += " fill=\"" + Hex(look->fillColor) + "\"";
    else
        paint += " fill=\"none\"";
    if (!look->outline)
        return paint;
    // A width of 0 is the writer's finest line: one pixel of its own preview.
    const double width = look->outlineWidth > 0 ? look->outlineWidth : finest;
    paint += " stroke=\"" + Hex(look->outlineColor) + "\" stroke-width=\"" + Num(width) + "\"";
    static const char* const caps[] = {"butt", "round", "square"};
    static const char* const joins[] = {"miter", "round", "bevel"};
    if (look->cap != 0)
        paint += std::string(" stroke-linecap=\"") + caps[std::min<int>(look->cap, 2)] + "\"";
    if (look->join != 0)
        paint += std::string(" stroke-linejoin=\"") + joins[std::min<int>(look->join, 2)] + "\"";
    // A pattern of only zeros draws nothing in some renderers and is invalid in others.
    std::string dashes;
    bool drawn = false;
    for (double dash : look->dashes) {
        if (!dashes.empty())
            dashes += ' ';
        dashes += Num(dash * width);
        drawn = drawn || dash > 0;
    }
    if (drawn)
        paint += " stroke-dasharray=\"" + dashes + "\"";
    return paint;
}

} // namespace

std::string DrawingSvg(const CGrDrawset& drawing) {
    return DrawingSvg(drawing, nullptr);
}

std::string DrawingSvg(const CGrDrawset& drawing, const CCmxAppearances* looks) {
    std::vector<const CGrObj*> objects;
    objects.reserve(static_cast<std::size_t>(drawing.GetCount()));
    for (POSITION at = drawing.GetHeadPosition(); at != nullptr;)
        objects.push_back(static_cast<const CGrObj*>(drawing.GetNext(at)));
    const std::size_t count = objects.size();

    // The view is the header's bounding box where the load gave it, else the frame; both hold
    // the drawing with its origin at the lower left. One that cannot, as a damaged file may
    // give, yields to the objects' own extent.
    double left = 0, bottom = 0, width = drawing.frameWidth, height = drawing.frameHeight;
    if (looks != nullptr && looks->GetViewWidth() != 0) {
        width = looks->GetViewWidth();
        height = looks->GetViewHeight();
    }
    if (!(std::isfinite(width) && std::isfinite(height) && width > 0 && height > 0)) {
        Box box;
        for (const CGrObj* object : objects) {
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
    const double finest = longest / 512;

    // The pieces of a split shape are one shape with holes: they are drawn as one path, from
    // their group. Objects of a group are drawn inside one <g>.
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::vector<std::size_t> pieceOf(count, kNone), groupOf(count, kNone);
    std::unordered_map<std::size_t, std::vector<const CGrObjSimple*>> piecesOf;
    auto members = [&](std::size_t g, auto&& each) {
        const auto* group = static_cast<const CGrObjGroup*>(objects[g]);
        for (unsigned long m = 0; m < group->GetMemberCount(); ++m) {
            const unsigned long position = group->GetMember(m);
            if (position >= 1 && position <= count && position - 1 != g)
                each(static_cast<std::size_t>(position - 1));
        }
    };
    for (std::size_t g = 0; g < count; ++g)
        if (objects[g]->GetClass() == GrObjClass::group &&
            objects[g]->type == GROBJ_TYPE_SPLIT_GROUP)
            members(g, [&](std::size_t p) {
                if (objects[p]->GetClass() == GrObjClass::simple && pieceOf[p] == kNone) {
                    pieceOf[p] = g;
                    piecesOf[g].push_back(static_cast<const CGrObjSimple*>(objects[p]));
                }
            });
    for (std::size_t g = 0; g < count; ++g)
        if (objects[g]->GetClass() == GrObjClass::group &&
            objects[g]->type != GROBJ_TYPE_SPLIT_GROUP)
            members(g, [&](std::size_t p) {
                if (objects[p]->GetClass() == GrObjClass::group)
                    return;
                groupOf[p] = g;
                if (pieceOf[p] != kNone)
                    groupOf[pieceOf[p]] = g;
            });

    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\"";
    svg += " version=\"1.1\"";
    svg += " width=\"" + Num(std::round(800 * width / longest)) + "\"";
    svg += " height=\"" + Num(std::round(800 * height / longest)) + "\"";
    svg += " viewBox=\"" + Num(left) + " " + Num(-bottom - height) + " " + Num(width) + " " +
           Num(height) + "\">\n";
    // The drawing's y axis points up.
    svg += "<g transform=\"scale(1 -1)\" stroke-linejoin=\"round\" fill-rule=\"evenodd\">\n";
    std::size_t open = kNone;
    auto enter = [&](std::size_t group) {
        if (group == open)
            return;
        if (open != kNone)
            svg += "</g>\n";
        if (group != kNone)
            svg += "<g>\n";
        open = group;
    };
    auto shape = [&](const std::vector<const CGrObjSimple*>& pieces) {
        std::string d;
        const CCmxAppearance* look = nullptr;
        bool closed = true;
        for (const CGrObjSimple* piece : pieces) {
            if (piece->GetPointCount() == 0)
                continue;
            const CCmxAppearance* own = looks != nullptr ? looks->Find(piece) : nullptr;
            if (look == nullptr)
                look = own;
            const bool pieceClosed = own != nullptr && own->closed;
            closed = closed && pieceClosed;
            if (!d.empty())
                d += ' ';
            d += PathData(*piece);
            if (pieceClosed)
                d += " Z";
        }
        if (d.empty())
            return;
        CCmxAppearance whole;
        if (look != nullptr) {
            // A shape with an open piece is open: it is not filled.
            whole = *look;
            whole.closed = closed;
            if (!whole.outline && (!whole.closed || whole.fill == CCmxAppearance::FillKind::none))
                return; // nothing the writer would draw
        }
        svg += "<path d=\"" + d + "\"" +
               Paint(drawing, *pieces.front(), look != nullptr ? &whole : nullptr, finest) + "/>\n";
    };
    for (std::size_t i = 0; i < count; ++i) {
        const CGrObj* object = objects[i];
        if (pieceOf[i] != kNone)
            continue;
        if (object->GetClass() == GrObjClass::group) {
            if (object->type != GROBJ_TYPE_SPLIT_GROUP)
                continue;
            const std::vector<const CGrObjSimple*>& pieces = piecesOf[i];
            if (pieces.empty())
                continue;
            enter(groupOf[i]);
            shape(pieces);
        } else if (object->GetClass() == GrObjClass::simple) {
            enter(groupOf[i]);
            shape({static_cast<const CGrObjSimple*>(object)});
        } else if (object->GetClass() == GrObjClass::bitmap) {
            enter(groupOf[i]);
            svg += BitmapElement(*object);
        }
    }
    enter(kNone);
    svg += "</g>\n</svg>\n";
    return svg;
}

int Svg(const Args& args) {
    std::string (*render)(const CGrDrawset&, const CCmxAppearances*) = DrawingSvg;
    return WriteDrawingAs("svg", args, ".svg", render);
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
    // The surface is made only for pixels the block holds: a header may claim any size.
    const unsigned bits = header.biBitCount;
    if (header.biCompression != 0 ||
        (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32))
        return std::string();
    const unsigned long long stride = (static_cast<unsigned long long>(width) * bits + 31) / 32 * 4;
    if (stride * static_cast<unsigned long long>(height) > bitmap.GetSize())
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
