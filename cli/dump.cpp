// vestrel dump: a drawing as one JSON document.
#include "cli/commands.h"
#include "cli/drawing_io.h"
#include "cli/json.h"

#include "platform/bytes.h"
#include "drawset/crc32.h"
#include "drawset/thumbblock.h"

#include <algorithm>
#include <cstdio>

namespace vestrel_cli {

namespace {

std::string Hex32(std::uint32_t v) {
    char text[9];
    std::snprintf(text, sizeof text, "%08x", v);
    return text;
}

const char* KindName(GrObjClass c) {
    switch (c) {
    case GrObjClass::simple:
        return "path";
    case GrObjClass::group:
        return "group";
    case GrObjClass::bitmap:
        return "bitmap";
    case GrObjClass::object:
        break;
    }
    return "object";
}

void Bounds(JsonWriter& j, const tagDoubleRect& r) {
    j.Key("bounds").Raw("[").Number(r.left).Raw(", ").Number(r.top).Raw(", ").Number(r.right);
    j.Raw(", ").Number(r.bottom).Raw("]");
}

void Path(JsonWriter& j, const CGrObjSimple& path) {
    j.Raw(", ").Key("layer").Integer(path.GetLayerIndex());
    j.Raw(", ").Key("nodes").Raw("[");
    for (unsigned long i = 0; i < path.GetPointCount(); ++i) {
        tagDoublePoint p = path.GetPoint(i);
        j.Raw(i ? ", [" : "[").String(std::string(1, static_cast<char>(path.GetLetter(i))));
        j.Raw(", ").Number(p.x).Raw(", ").Number(p.y).Raw("]");
    }
    j.Raw("]");
}

void Group(JsonWriter& j, const CGrObjGroup& group) {
    j.Raw(", ");
    Bounds(j, group.bounds);
    j.Raw(", ").Key("members").Raw("[");
    for (unsigned long i = 0; i < group.GetMemberCount(); ++i)
        j.Raw(i ? ", " : "").Integer(group.GetMember(i));
    j.Raw("]");
}

void Bitmap(JsonWriter& j, const CGrObj& bitmap) {
    j.Raw(", ");
    Bounds(j, bitmap.bounds);
    const CMatrix& m = bitmap.GetMatrix();
    j.Raw(", ").Key("matrix").Raw("[").Number(m.m11).Raw(", ").Number(m.m12).Raw(", ");
    j.Number(m.m21).Raw(", ").Number(m.m22).Raw(", ").Number(m.dx).Raw(", ").Number(m.dy);
    j.Raw("]");
    j.Raw(", ").Key("size").Integer(bitmap.GetSize());
    const unsigned char* dib = bitmap.GetData();
    if (dib != nullptr && bitmap.GetSize() >= 40) {
        j.Raw(", ").Key("header").Raw("{");
        j.Key("biWidth").Integer(static_cast<std::int32_t>(byteorder::GetU32(dib + 4)));
        j.Raw(", ").Key("biHeight").Integer(static_cast<std::int32_t>(byteorder::GetU32(dib + 8)));
        j.Raw(", ").Key("biPlanes").Integer(byteorder::GetU16(dib + 12));
        j.Raw(", ").Key("biBitCount").Integer(byteorder::GetU16(dib + 14));
        j.Raw(", ").Key("biSizeImage").Integer(byteorder::GetU32(dib + 20));
        j.Raw(", ")
            .Key("biXPelsPerMeter")
            .Integer(static_cast<std::int32_t>(byteorder::GetU32(dib + 24)));
        j.Raw(", ")
            .Key("biYPelsPerMeter")
            .Integer(static_cast<std::int32_t>(byteorder::GetU32(dib + 28)));
        j.Raw(", ").Key("biClrUsed").Integer(byteorder::GetU32(dib + 32));
        j.Raw("}");
    } else {
        j.Raw(", ").Key("header").Raw("null");
    }
    j.Raw(", ").Key("crc32").String(Hex32(DrawsetCrc32(dib, bitmap.GetSize())));
}

void Thumbnail(JsonWriter& j, const CGrObjBitmap* thumbnail) {
    j.Key("thumbnail");
    if (thumbnail == nullptr || thumbnail->GetData() == nullptr) {
        j.Raw("null");
        return;
    }
    const unsigned char* block = thumbnail->GetData();
    const std::uint32_t size = thumbnail->GetSize();
    const bool whole = size >= drawset_thumb::kPaletteStart;
    std::uint32_t colors = whole ? byteorder::GetU32(block + drawset_thumb::kClrUsedAt) : 0;
    // The white index as the margin holds it, among the entries the block carries.
    const int white =
        whole ? drawset_thumb::WhiteIndex(
                    block + drawset_thumb::kPaletteStart,
                    std::min<std::uint32_t>(colors, (size - drawset_thumb::kPaletteStart) / 4))
              : 0;
    j.Raw("{").Key("size").Integer(size).Raw(", ").Key("clrUsed").Integer(colors);
    j.Raw(", ").Key("white").Integer(white);
    j.Raw(", ").Key("crc32").String(Hex32(DrawsetCrc32(block, size))).Raw("}");
}

} // namespace

std::string DrawingJson(const CGrDrawset& drawing) {
    JsonWriter j;
    j.Raw("{").Key("frame").Raw("{").Key("width").Number(drawing.frameWidth);
    j.Raw(", ").Key("height").Number(drawing.frameHeight).Raw("},\n ");
    j.Key("colors").Raw("[");
    for (unsigned short i = 0; i < drawing.colorMap.colorCount; ++i)
        j.Raw(i ? ", " : "").Integer(drawing.colorMap.GetColor(i));
    j.Raw("],\n ");
    Thumbnail(j, drawing.thumbnail);
    j.Raw(",\n ").Key("objects").Raw("[");
    bool first = true;
    for (POSITION at = drawing.GetHeadPosition(); at != nullptr;) {
        const CGrObj* object = static_cast<const CGrObj*>(drawing.GetNext(at));
        j.Raw(first ? "\n  {" : ",\n  {");
        first = false;
        j.Key("type").Integer(object->GetType()).Raw(", ");
        j.Key("kind").String(KindName(object->GetClass()));
        switch (object->GetClass()) {
        case GrObjClass::simple:
            Path(j, *static_cast<const CGrObjSimple*>(object));
            break;
        case GrObjClass::group:
            Group(j, *static_cast<const CGrObjGroup*>(object));
            break;
        case GrObjClass::bitmap:
            Bitmap(j, *object);
            break;
        case GrObjClass::object:
            break;
        }
        j.Raw("}");
    }
    j.Raw(first ? "]}\n" : "\n ]}\n");
    return j.out();
}

int Dump(const Args& args) {
    return WriteDrawingAs("dump", args, nullptr, DrawingJson);
}

} // namespace vestrel_cli
