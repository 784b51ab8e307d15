#include "tests/support/cmxbuilder.h"

#include "platform/bytes.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace cmxtest {

namespace {

void PutLE32(Bytes& out, std::size_t at, std::uint32_t v) {
    byteorder::PutU32(&out[at], v);
}

void AppendLE32(Bytes& out, std::uint32_t v) {
    out.resize(out.size() + 4);
    byteorder::PutU32(&out[out.size() - 4], v);
}

void AppendLE16(Bytes& out, std::uint16_t v) {
    out.resize(out.size() + 2);
    byteorder::PutU16(&out[out.size() - 2], v);
}

} // namespace

std::string Variant::Name() const {
    std::string name = littleEndian ? "LE" : "BE";
    name += shortCoords ? "16" : "32";
    name += tagged ? "Tagged" : "Untagged";
    return name;
}

std::vector<Variant> AllVariants() {
    std::vector<Variant> all;
    for (int i = 0; i < 8; ++i)
        all.push_back(Variant{(i & 1) == 0, (i & 2) != 0, (i & 4) == 0});
    return all;
}

ByteWriter& ByteWriter::Byte(std::uint8_t v) {
    bytes_.push_back(v);
    return *this;
}

ByteWriter& ByteWriter::Word(std::uint16_t v) {
    bytes_.resize(bytes_.size() + 2);
    PatchWord(bytes_.size() - 2, v);
    return *this;
}

ByteWriter& ByteWriter::DWord(std::uint32_t v) {
    bytes_.resize(bytes_.size() + 4);
    PatchDWord(bytes_.size() - 4, v);
    return *this;
}

ByteWriter& ByteWriter::Double(double v) {
    bytes_.resize(bytes_.size() + 8);
    byteorder::PutF64(&bytes_[bytes_.size() - 8], v);
    return *this;
}

ByteWriter& ByteWriter::Raw(const Bytes& bytes) {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return *this;
}

ByteWriter& ByteWriter::Raw(const void* data, std::size_t length) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    bytes_.insert(bytes_.end(), p, p + length);
    return *this;
}

ByteWriter& ByteWriter::Coord(std::int32_t v) {
    if (variant_.shortCoords)
        return Word(static_cast<std::uint16_t>(static_cast<std::int16_t>(v)));
    return DWord(static_cast<std::uint32_t>(v));
}

ByteWriter& ByteWriter::Length(std::uint32_t v) {
    return variant_.shortCoords ? Word(static_cast<std::uint16_t>(v)) : DWord(v);
}

ByteWriter& ByteWriter::Point(std::int32_t x, std::int32_t y) {
    return Coord(x).Coord(y);
}

ByteWriter& ByteWriter::Rect(std::int32_t left, std::int32_t top, std::int32_t right,
                             std::int32_t bottom) {
    return Coord(left).Coord(top).Coord(right).Coord(bottom);
}

ByteWriter& ByteWriter::IdentityMatrix() {
    return Word(1);
}

ByteWriter& ByteWriter::Matrix(double m11, double m12, double m21, double m22, double dx,
                               double dy) {
    return Word(2).Double(m11).Double(m12).Double(m21).Double(m22).Double(dx).Double(dy);
}

ByteWriter& ByteWriter::String(const std::string& text) {
    Word(static_cast<std::uint16_t>(text.size()));
    return Raw(text.data(), text.size());
}

std::size_t ByteWriter::BeginTag(std::uint8_t id) {
    std::size_t start = bytes_.size();
    if (variant_.tagged) {
        Byte(id);
        Word(0);
    }
    return start;
}

void ByteWriter::EndTag(std::size_t start) {
    if (variant_.tagged)
        PatchWord(start + 1, static_cast<std::uint16_t>(bytes_.size() - start));
}

ByteWriter& ByteWriter::EndMark() {
    if (variant_.tagged)
        Byte(0xFF);
    return *this;
}

void ByteWriter::PatchWord(std::size_t at, std::uint16_t v) {
    if (variant_.littleEndian)
        byteorder::PutU16(&bytes_[at], v);
    else
        byteorder::PutU16BE(&bytes_[at], v);
}

void ByteWriter::PatchDWord(std::size_t at, std::uint32_t v) {
    if (variant_.littleEndian)
        byteorder::PutU32(&bytes_[at], v);
    else
        byteorder::PutU32BE(&bytes_[at], v);
}

Shape Polyline(std::int32_t x, std::int32_t y, std::int32_t dx, std::int32_t dy, int n,
               Attributes attributes) {
    Shape shape;
    shape.attributes = std::move(attributes);
    for (int i = 0; i < n; ++i)
        shape.nodes.push_back(Node{x + i * dx, y + i * dy, i == 0 ? kMoveNode : kLineNode});
    return shape;
}

std::size_t PageBuilder::Instruction(std::int16_t code, const Bytes& operands,
                                     InstrOptions options) {
    std::size_t start = data_.size();
    ByteWriter w(variant_);
    std::uint32_t size = static_cast<std::uint32_t>(operands.size() + (options.longSize ? 8 : 4));
    if (options.sizeOverride)
        size = *options.sizeOverride;
    if (options.longSize) {
        w.Word(0xFFFF);
        w.DWord(size);
    } else {
        w.Word(static_cast<std::uint16_t>(size));
    }
    w.Word(static_cast<std::uint16_t>(code));
    w.Raw(operands);
    data_.insert(data_.end(), w.bytes().begin(), w.bytes().end());
    return start;
}

std::size_t PageBuilder::BeginPage(std::int32_t left, std::int32_t top, std::int32_t right,
                                   std::int32_t bottom) {
    ByteWriter w(variant_);
    std::size_t t = w.BeginTag(1);
    w.Word(1).DWord(0).Rect(left, top, right, bottom).DWord(0).Word(0).DWord(0);
    w.EndTag(t);
    t = w.BeginTag(2);
    w.IdentityMatrix();
    w.EndTag(t);
    t = w.BeginTag(3);
    w.Byte(0);
    w.EndTag(t);
    w.EndMark();
    return Instruction(9, w.bytes());
}

std::size_t PageBuilder::BeginLayer(const std::string& name, std::uint32_t flags) {
    ByteWriter w(variant_);
    w.Word(1).Word(0).DWord(flags).DWord(0).String(name).IdentityMatrix();
    if (flags & 0x10)
        w.Rect(0, 10, 10, 0).Rect(0, 10, 10, 0);
    return Instruction(11, w.bytes());
}

std::size_t PageBuilder::BeginGroup(std::int32_t left, std::int32_t top, std::int32_t right,
                                    std::int32_t bottom, std::int16_t code) {
    ByteWriter w(variant_);
    std::size_t t = w.BeginTag(1);
    w.Rect(left, top, right, bottom).Word(0).DWord(0).DWord(0);
    w.EndTag(t);
    w.EndMark();
    return Instruction(code, w.bytes());
}

std::size_t PageBuilder::EndGroup(std::int16_t code) {
    return Instruction(code, {});
}

void PageBuilder::WriteAttributes(ByteWriter& w, const Attributes& a) const {
    std::uint8_t mask = 0;
    if (a.fill)
        mask |= 0x01;
    if (a.outlineRef)
        mask |= 0x02;
    if (a.lens)
        mask |= 0x04;
    if (a.canvas)
        mask |= 0x08;
    if (a.container)
        mask |= 0x10;
    w.Byte(mask);
    if (a.fill) {
        std::size_t t = w.BeginTag(1);
        w.Word(a.fill->type);
        if (a.fill->type == 1) {
            std::size_t u = w.BeginTag(1);
            w.Word(a.fill->colorRef).Word(0);
            w.EndTag(u);
            if (variant_.tagged)
                for (const Bytes& field : a.uniformFillExtraFields)
                    w.Raw(field);
            w.EndMark();
        } else if (variant_.tagged &&
                   (a.fill->type == 2 || a.fill->type == 6 || a.fill->type == 7 ||
                    a.fill->type == 10 || a.fill->type == 11)) {
            // Fill data that the reader skips as tagged fields; untagged files cannot carry
            // data the reader does not read.
            std::size_t u = w.BeginTag(1);
            w.Word(3).Word(4).DWord(5);
            w.EndTag(u);
            w.EndMark();
        }
        w.EndTag(t);
        if (variant_.tagged)
            for (const Bytes& field : a.fill->extraFields)
                w.Raw(field);
        w.EndMark();
    }
    if (a.outlineRef) {
        std::size_t t = w.BeginTag(1);
        w.Word(*a.outlineRef);
        w.EndTag(t);
        if (variant_.tagged)
            for (const Bytes& field : a.outlineExtraFields)
                w.Raw(field);
        w.EndMark();
    }
    for (bool present : {a.lens, a.canvas, a.container}) {
        if (!present || !variant_.tagged)
            continue;
        std::size_t t = w.BeginTag(1);
        w.Word(7).DWord(8);
        w.EndTag(t);
        w.EndMark();
    }
    if (variant_.tagged)
        w.Raw(a.trailing);
}

void PageBuilder::WriteAttributeGroup(ByteWriter& w, const Attributes& a) const {
    const std::size_t t = w.BeginTag(1);
    WriteAttributes(w, a);
    w.EndTag(t);
}

Bytes PageBuilder::ShapeOperands(const Shape& shape) const {
    ByteWriter w(variant_);
    WriteAttributeGroup(w, shape.attributes);
    std::size_t t = w.BeginTag(2);
    w.Word(shape.countOverride ? *shape.countOverride
                               : static_cast<std::uint16_t>(shape.nodes.size()));
    for (const Node& node : shape.nodes)
        w.Point(node.x, node.y);
    for (const Node& node : shape.nodes)
        w.Byte(node.type);
    w.EndTag(t);
    t = w.BeginTag(3);
    w.Rect(0, 0, 0, 0);
    w.EndTag(t);
    w.EndMark();
    return w.bytes();
}

std::size_t PageBuilder::PolyCurve(const Shape& shape, std::int16_t code, InstrOptions options) {
    return Instruction(code, ShapeOperands(shape), options);
}

std::size_t PageBuilder::DrawImage(const ImageRef& image, std::int16_t code) {
    ByteWriter w(variant_);
    WriteAttributeGroup(w, image.attributes);
    std::size_t t = w.BeginTag(2);
    w.Rect(image.left, image.top, image.right, image.bottom);
    w.Rect(image.left, image.top, image.right, image.bottom);
    if (image.matrix)
        w.Matrix(image.m[0], image.m[1], image.m[2], image.m[3], image.m[4], image.m[5]);
    else
        w.IdentityMatrix();
    w.Word(0).Word(image.reference).Word(0);
    w.EndTag(t);
    w.EndMark();
    return Instruction(code, w.bytes());
}

std::size_t PageBuilder::DrawChars(std::uint16_t count, std::int16_t code) {
    ByteWriter w(variant_);
    std::size_t t = w.BeginTag(1);
    w.Word(count);
    for (std::uint16_t i = 0; i < count; ++i)
        w.Word(static_cast<std::uint16_t>('A' + i % 26)).Point(10 * i, 20);
    w.EndTag(t);
    w.EndMark();
    return Instruction(code, w.bytes());
}

std::size_t PageBuilder::Rectangle(const RectangleShape& r, std::int16_t code) {
    ByteWriter w(variant_);
    WriteAttributeGroup(w, r.attributes);
    std::size_t t = w.BeginTag(2);
    w.Coord(r.centreX).Coord(r.centreY).Length(r.width).Length(r.height).Length(r.radius);
    if (variant_.shortCoords)
        w.Word(static_cast<std::uint16_t>(r.angle));
    else
        w.DWord(static_cast<std::uint32_t>(r.angle));
    const std::int32_t halfW = static_cast<std::int32_t>(r.width / 2);
    const std::int32_t halfH = static_cast<std::int32_t>(r.height / 2);
    w.Rect(r.centreX - halfW, r.centreY + halfH, r.centreX + halfW, r.centreY - halfH);
    w.EndTag(t);
    w.EndMark();
    return Instruction(code, w.bytes());
}

std::size_t PageBuilder::AddGlobalTransform(double m11, double m12, double m21, double m22,
                                            double dx, double dy) {
    ByteWriter w(variant_);
    std::size_t t = w.BeginTag(1);
    w.Matrix(m11, m12, m21, m22, dx, dy);
    w.EndTag(t);
    w.EndMark();
    return Instruction(94, w.bytes());
}

std::size_t PageBuilder::RestoreGlobalTransform() {
    return Instruction(95, {});
}

std::size_t PageBuilder::Jump(std::uint32_t target, std::int16_t code, bool absolute) {
    ByteWriter w(variant_);
    std::size_t t = w.BeginTag(1);
    std::size_t at = w.size();
    w.DWord(0);
    w.EndTag(t);
    w.EndMark();
    std::size_t start = Instruction(code, w.bytes());
    std::size_t header = 4;
    jumps_.push_back(JumpPatch{start + header + at, target, absolute});
    return start;
}

void PageBuilder::Raw(const Bytes& bytes) {
    data_.insert(data_.end(), bytes.begin(), bytes.end());
}

ColorEntry Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return ColorEntry{5, {r, g, b}, {}, {}, 0};
}

ColorEntry CmykPercent(std::uint8_t c, std::uint8_t m, std::uint8_t y, std::uint8_t k) {
    return ColorEntry{2, {c, m, y, k}, {}, {}, 0};
}

ColorEntry Cmyk255(std::uint8_t c, std::uint8_t m, std::uint8_t y, std::uint8_t k) {
    return ColorEntry{3, {c, m, y, k}, {}, {}, 0};
}

ColorEntry Cmy(std::uint8_t c, std::uint8_t m, std::uint8_t y) {
    return ColorEntry{4, {c, m, y, 0}, {}, {}, 0};
}

ColorEntry Model1() {
    return ColorEntry{1, {0, 1, 0, 2}, {}, {}, 0};
}

ColorEntry Named(ColorEntry entry, const std::string& name) {
    entry.name = name;
    entry.palette = 5;
    return entry;
}

Thumbnail Picture24(std::uint32_t width, std::uint32_t height,
                    const std::function<Rgb8(std::uint32_t x, std::uint32_t y)>& rgbAt) {
    Thumbnail t;
    t.bitCount = 24;
    t.width = width;
    t.height = height;
    const std::size_t stride = (width * 3 + 3) / 4 * 4;
    t.pixels.assign(stride * height, 0);
    for (std::uint32_t y = 0; y < height; ++y) {
        std::uint8_t* row = &t.pixels[(height - 1 - y) * stride];
        for (std::uint32_t x = 0; x < width; ++x) {
            const Rgb8 c = rgbAt(x, y);
            row[3 * x] = c.b;
            row[3 * x + 1] = c.g;
            row[3 * x + 2] = c.r;
        }
    }
    return t;
}

Thumbnail WriterPreview() {
    return Picture24(256, 256, [](std::uint32_t x, std::uint32_t y) {
        // A sky shading down to a green field, a red square and a blue disc.
        const int dx = static_cast<int>(x) - 180, dy = static_cast<int>(y) - 80;
        if (dx * dx + dy * dy < 40 * 40)
            return Rgb8{30, 60, 220};
        if (x >= 40 && x < 120 && y >= 120 && y < 200)
            return Rgb8{210, 40, 30};
        if (y >= 170)
            return Rgb8{40, static_cast<std::uint8_t>(120 + (y - 170)), 50};
        return Rgb8{static_cast<std::uint8_t>(150 + y / 2), static_cast<std::uint8_t>(190 + y / 4),
                    255};
    });
}

CmxBuilder& CmxBuilder::Chunk(const std::string& id, const Bytes& data) {
    if (id.size() != 4)
        throw std::invalid_argument("chunk ids have four characters");
    chunks_.emplace_back(id, body_.size());
    body_.insert(body_.end(), id.begin(), id.end());
    ByteWriter w(variant_);
    w.DWord(static_cast<std::uint32_t>(data.size()));
    body_.insert(body_.end(), w.bytes().begin(), w.bytes().end());
    body_.insert(body_.end(), data.begin(), data.end());
    if (data.size() % 2 != 0)
        body_.push_back(0);
    return *this;
}

CmxBuilder& CmxBuilder::Raw(const Bytes& bytes) {
    body_.insert(body_.end(), bytes.begin(), bytes.end());
    return *this;
}

CmxBuilder& CmxBuilder::ColorTable(const std::vector<ColorEntry>& entries,
                                   std::optional<std::uint16_t> countOverride) {
    ByteWriter w(variant_);
    w.Word(countOverride ? *countOverride : static_cast<std::uint16_t>(entries.size()));
    for (const ColorEntry& entry : entries) {
        if (entry.name && variant_.tagged) {
            // The name and palette data: a counted name, zeros up to the field's 47 bytes.
            const std::size_t n = w.BeginTag(10);
            w.String(entry.name->substr(0, 40));
            while (w.size() < n + 50)
                w.Byte(0);
            w.EndTag(n);
        }
        std::size_t t = w.BeginTag(1);
        w.Byte(entry.model).Byte(entry.palette);
        w.EndTag(t);
        t = w.BeginTag(2);
        w.Raw(entry.data);
        w.EndTag(t);
        if (entry.name && variant_.tagged) {
            t = w.BeginTag(3);
            w.Raw(Bytes(6, 0));
            w.EndTag(t);
        }
        if (variant_.tagged)
            for (const Bytes& field : entry.extraFields)
                w.Raw(field);
        w.EndMark();
    }
    return Chunk("rclr", w.bytes());
}

CmxBuilder& CmxBuilder::OutlineTable(const std::vector<std::uint16_t>& colorRefs,
                                     std::optional<std::uint16_t> countOverride) {
    ByteWriter w(variant_);
    w.Word(countOverride ? *countOverride : static_cast<std::uint16_t>(colorRefs.size()));
    for (std::uint16_t ref : colorRefs) {
        std::size_t t = w.BeginTag(1);
        w.Word(1).Word(2).Word(ref).Word(4).Word(5).Word(6);
        w.EndTag(t);
        w.EndMark();
    }
    return Chunk("rotl", w.bytes());
}

CmxBuilder& CmxBuilder::OutlineEntries(const std::vector<OutlineEntry>& entries) {
    ByteWriter w(variant_);
    w.Word(static_cast<std::uint16_t>(entries.size()));
    for (const OutlineEntry& e : entries) {
        std::size_t t = w.BeginTag(1);
        w.Word(e.lineStyle).Word(e.screen).Word(e.colorRef).Word(e.arrowheads).Word(e.pen);
        w.Word(e.dotDash);
        w.EndTag(t);
        w.EndMark();
    }
    return Chunk("rotl", w.bytes());
}

CmxBuilder& CmxBuilder::PenTable(const std::vector<Pen>& pens) {
    ByteWriter w(variant_);
    w.Word(static_cast<std::uint16_t>(pens.size()));
    for (const Pen& pen : pens) {
        std::size_t t = w.BeginTag(1);
        w.Length(pen.width).Word(pen.aspect);
        if (variant_.shortCoords)
            w.Word(static_cast<std::uint16_t>(pen.angle));
        else
            w.DWord(static_cast<std::uint32_t>(pen.angle));
        w.Word(1); // the identity matrix
        w.EndTag(t);
        w.EndMark();
    }
    return Chunk("rpen", w.bytes());
}

CmxBuilder& CmxBuilder::LineStyleTable(const std::vector<std::uint16_t>& styles) {
    ByteWriter w(variant_);
    w.Word(static_cast<std::uint16_t>(styles.size()));
    for (std::uint16_t style : styles) {
        std::size_t t = w.BeginTag(1);
        w.Word(style);
        w.EndTag(t);
        w.EndMark();
    }
    return Chunk("rott", w.bytes());
}

CmxBuilder& CmxBuilder::DotDashTable(const std::vector<std::vector<std::uint16_t>>& patterns) {
    ByteWriter w(variant_);
    w.Word(static_cast<std::uint16_t>(patterns.size()));
    for (const std::vector<std::uint16_t>& dashes : patterns) {
        std::size_t t = w.BeginTag(1);
        w.Word(static_cast<std::uint16_t>(dashes.size()));
        for (std::uint16_t dash : dashes)
            w.Word(dash);
        w.EndTag(t);
        w.EndMark();
    }
    return Chunk("rdot", w.bytes());
}

CmxBuilder& CmxBuilder::Page(const PageBuilder& page) {
    Bytes data = page.data();
    // Jump targets are file offsets: the page data starts 8 bytes behind the chunk's id.
    std::uint32_t pageFileOffset = static_cast<std::uint32_t>(bodyStart() + body_.size() + 8);
    for (const PageBuilder::JumpPatch& jump : page.jumps()) {
        ByteWriter w(variant_);
        w.DWord(jump.absolute ? jump.target : pageFileOffset + jump.target);
        std::memcpy(&data[jump.at], w.bytes().data(), 4);
    }
    return Chunk("page", data);
}

CmxBuilder& CmxBuilder::Pages(const std::vector<PageBuilder>& pages) {
    for (const PageBuilder& page : pages) {
        Page(page);
        ByteWriter references(variant_);
        references.Word(0);
        Chunk("rlst", references.bytes());
    }
    return *this;
}

CmxBuilder& CmxBuilder::Thumb(const Thumbnail& thumbnail) {
    Bytes data;
    AppendLE32(data, 0);
    std::uint32_t entries = static_cast<std::uint32_t>(thumbnail.palette.size() / 4);
    AppendLE32(data, 40);
    AppendLE32(data, thumbnail.width);
    AppendLE32(data, thumbnail.height);
    AppendLE16(data, 1);
    AppendLE16(data, thumbnail.bitCount);
    AppendLE32(data, 0);
    const std::uint32_t stride = thumbnail.bitCount >= 8
                                     ? (thumbnail.width * thumbnail.bitCount + 31) / 32 * 4
                                     : thumbnail.width;
    AppendLE32(data, stride * thumbnail.height);
    AppendLE32(data, 0);
    AppendLE32(data, 0);
    AppendLE32(data, thumbnail.clrUsed ? *thumbnail.clrUsed : entries);
    AppendLE32(data, 0);
    data.insert(data.end(), thumbnail.palette.begin(), thumbnail.palette.end());
    data.insert(data.end(), thumbnail.pixels.begin(), thumbnail.pixels.end());
    return Chunk("DISP", data);
}

CmxBuilder& CmxBuilder::Images(const std::vector<Raster>& images, std::uint16_t entrySize) {
    // The index comes first; its offsets are known once the images are laid out behind it.
    ByteWriter index(variant_);
    index.Word(static_cast<std::uint16_t>(images.size()));
    std::vector<std::size_t> offsetFields;
    for (std::size_t i = 0; i < images.size(); ++i) {
        index.Word(entrySize);
        offsetFields.push_back(index.size());
        index.DWord(0).Word(0);
        for (int pad = 6; pad < entrySize; ++pad)
            index.Byte(0);
    }
    std::size_t indexStart = body_.size();
    Chunk("ixef", index.bytes());
    for (std::size_t i = 0; i < images.size(); ++i) {
        const Raster& raster = images[i];
        std::uint32_t imageFileOffset = static_cast<std::uint32_t>(bodyStart() + body_.size());
        ByteWriter offset(variant_);
        offset.DWord(imageFileOffset);
        std::memcpy(&body_[indexStart + 8 + offsetFields[i]], offset.bytes().data(), 4);

        ByteWriter w(variant_);
        w.DWord(0)
            .DWord(0)
            .Byte(0)
            .DWord(0)
            .Word(0)
            .Word(raster.kind)
            .Word(0)
            .DWord(0)
            .DWord(0)
            .Byte(0);
        // The raster's own chunk, found by its id behind the record.
        ByteWriter d(variant_);
        d.Byte(0).DWord(0).Word(0).DWord(0).Word(0).Word(0).DWord(0);
        d.DWord(raster.type)
            .DWord(0)
            .DWord(raster.width)
            .DWord(raster.height)
            .DWord(raster.planes)
            .DWord(raster.bitsPerPixel)
            .DWord(0)
            .DWord(raster.pixelLengthOverride ? *raster.pixelLengthOverride
                                              : static_cast<std::uint32_t>(raster.pixels.size()))
            .DWord(0)
            .DWord(raster.xResolution)
            .DWord(raster.yResolution);
        for (int k = 11; k < 16; ++k)
            d.DWord(0);
        if (raster.type != 1 && raster.type != 5 && raster.type != 6) {
            d.Word(0).Word(raster.paletteCountOverride
                               ? *raster.paletteCountOverride
                               : static_cast<std::uint16_t>(raster.palette.size() / 3));
            d.Raw(raster.palette);
        }
        d.Raw(raster.pixels);
        Bytes record = w.bytes();
        record.insert(record.end(), {'d', 'a', 't', 'a'});
        ByteWriter size(variant_);
        size.DWord(static_cast<std::uint32_t>(d.size()));
        record.insert(record.end(), size.bytes().begin(), size.bytes().end());
        record.insert(record.end(), d.bytes().begin(), d.bytes().end());
        Chunk("imag", record);
    }
    return *this;
}

CmxBuilder& CmxBuilder::Index() {
    constexpr std::uint32_t kNone = 0xFFFFFFFF;
    auto fileOffset = [this](std::size_t bodyOffset) {
        return static_cast<std::uint32_t>(bodyStart() + bodyOffset);
    };
    auto first = [&](const std::string& id) -> std::uint32_t {
        for (const auto& [chunk, at] : chunks_)
            if (chunk == id)
                return fileOffset(at);
        return kNone;
    };
    static const std::pair<std::uint16_t, const char*> kTables[] = {
        {15, "rotl"}, {16, "rott"}, {17, "rota"}, {18, "rscr"},
        {19, "rpen"}, {20, "rdot"}, {21, "rclr"}, {22, "ccmm"}};
    std::vector<std::pair<std::uint16_t, std::uint32_t>> records;
    for (const auto& [type, id] : kTables)
        if (first(id) != kNone)
            records.emplace_back(type, first(id));
    // Each page with the reference list that follows it before the next page.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> pages;
    for (const auto& [chunk, at] : chunks_) {
        if (chunk == "page")
            pages.emplace_back(fileOffset(at), kNone);
        else if (chunk == "rlst" && !pages.empty() && pages.back().second == kNone)
            pages.back().second = fileOffset(at);
    }

    const std::size_t list = body_.size();
    const std::size_t master = list + 12;
    const std::size_t masterSize = 6 + 6 * (records.size() + 2);
    ByteWriter index(variant_);
    index.Word(1).Word(24).Word(static_cast<std::uint16_t>(records.size() + 2));
    index.Word(1).DWord(fileOffset(master));
    index.Word(2).DWord(fileOffset(master + 8 + masterSize));
    for (const auto& [type, offset] : records)
        index.Word(type).DWord(offset);
    ByteWriter pageIndex(variant_);
    pageIndex.Word(static_cast<std::uint16_t>(pages.size())).Word(16);
    for (const auto& [page, references] : pages)
        pageIndex.DWord(page).DWord(kNone).DWord(kNone).DWord(references);

    body_.insert(body_.end(), {'L', 'I', 'S', 'T', 0, 0, 0, 0, 'i', 'n', 'd', 'x'});
    Chunk("ixmr", index.bytes());
    Chunk("ixpg", pageIndex.bytes());
    ByteWriter size(variant_);
    size.DWord(static_cast<std::uint32_t>(body_.size() - list - 8));
    std::copy(size.bytes().begin(), size.bytes().end(), body_.begin() + list + 4);
    header_.masterIndex = fileOffset(master);
    header_.info = kNone;
    header_.thumbnail = first("DISP");
    return *this;
}

Bytes CmxBuilder::Build() const {
    // The header's fields reach to the end of the bounding box.
    if (header_.chunkSize < 112)
        throw std::invalid_argument("a header chunk holds at least 112 bytes");
    Bytes file(std::max<std::size_t>(bodyStart(), 132), 0);
    std::memcpy(&file[0], "RIFF", 4);
    std::memcpy(&file[8], "CMX1", 4);
    std::memcpy(&file[12], "cont", 4);
    PutLE32(file, 16, header_.chunkSize);
    std::size_t idLength = std::min<std::size_t>(header_.identifier.size(), 31);
    std::memcpy(&file[20], header_.identifier.data(), idLength);
    std::memcpy(&file[52], header_.os.data(), std::min<std::size_t>(header_.os.size(), 15));
    file[68] = static_cast<std::uint8_t>(header_.byteOrder ? header_.byteOrder
                                                           : (variant_.littleEndian ? '2' : '4'));
    file[72] = static_cast<std::uint8_t>(header_.coordSize ? header_.coordSize
                                                           : (variant_.shortCoords ? '2' : '4'));
    file[74] = static_cast<std::uint8_t>(header_.version ? header_.version
                                                         : (variant_.tagged ? '2' : '1'));
    byteorder::PutU16(&file[82], header_.unit);
    byteorder::PutF64(&file[84], header_.scaleFactor);
    PutLE32(file, 104, header_.masterIndex);
    PutLE32(file, 108, header_.info);
    PutLE32(file, 112, header_.thumbnail);
    PutLE32(file, 116, static_cast<std::uint32_t>(header_.left));
    PutLE32(file, 120, static_cast<std::uint32_t>(header_.top));
    PutLE32(file, 124, static_cast<std::uint32_t>(header_.right));
    PutLE32(file, 128, static_cast<std::uint32_t>(header_.bottom));
    file.resize(bodyStart());
    file.insert(file.end(), body_.begin(), body_.end());
    PutLE32(file, 4, static_cast<std::uint32_t>(file.size() - 8));
    return file;
}

Bytes CmxBuilder::BuildCompressed() const {
    // The chunks in front stay as they are.
    std::size_t front = 0;
    while (front + 8 <= body_.size() && (std::memcmp(&body_[front], "ccmm", 4) == 0 ||
                                         std::memcmp(&body_[front], "DISP", 4) == 0)) {
        const std::uint8_t* s = &body_[front + 4];
        const std::uint32_t size =
            variant_.littleEndian ? byteorder::GetU32(s) : byteorder::GetU32BE(s);
        front += 8 + size + size % 2;
    }
    return CompressedTwin(Build(), front);
}

Bytes CompressedTwin(const Bytes& file, std::size_t front, bool quick, std::size_t bodyStart) {
    if (file.size() < kHeaderSize)
        throw std::invalid_argument("no body to compress");
    const bool riffBigEndian = std::memcmp(file.data(), "RIFX", 4) == 0;
    if (bodyStart == 0)
        bodyStart =
            20 + (riffBigEndian ? byteorder::GetU32BE(&file[16]) : byteorder::GetU32(&file[16]));
    if (bodyStart < 20 || file.size() < bodyStart + front)
        throw std::invalid_argument("no body to compress");
    const Variant variant{file[68] == '2', false, false};
    const auto packAt = file.begin() + static_cast<long>(bodyStart + front);
    const Bytes rest(packAt, file.end());
    z_stream z{};
    if (deflateInit2(&z, quick ? Z_BEST_SPEED : Z_BEST_COMPRESSION, Z_DEFLATED, quick ? 9 : 15,
                     quick ? 1 : 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2 failed");
    Bytes packed(deflateBound(&z, static_cast<uLong>(rest.size())));
    z.next_in = const_cast<Bytef*>(rest.data());
    z.avail_in = static_cast<uInt>(rest.size());
    z.next_out = packed.data();
    z.avail_out = static_cast<uInt>(packed.size());
    const int result = deflate(&z, Z_FINISH);
    packed.resize(z.total_out);
    deflateEnd(&z);
    if (result != Z_STREAM_END)
        throw std::runtime_error("deflate failed");
    ByteWriter pack(variant);
    pack.Raw("pack", 4).DWord(static_cast<std::uint32_t>(12 + packed.size()));
    pack.DWord(static_cast<std::uint32_t>(rest.size())).Raw("CPng", 4).Word(1).Word(4).Raw(packed);
    if (packed.size() % 2 != 0)
        pack.Byte(0);
    Bytes twin(file.begin(), packAt);
    twin.insert(twin.end(), pack.bytes().begin(), pack.bytes().end());
    std::memcpy(&twin[8], "CDRX", 4);
    const auto stated = static_cast<std::uint32_t>(bodyStart - 20);
    if (riffBigEndian)
        byteorder::PutU32BE(&twin[16], stated);
    else
        PutLE32(twin, 16, stated);
    PutLE32(twin, 4, static_cast<std::uint32_t>(twin.size() - 8));
    return twin;
}

Bytes RichDrawing(Variant variant) {
    return RichDrawing(variant, false);
}

Bytes RichDrawing(Variant variant, bool indexed) {
    CmxBuilder cmx(variant);
    Thumbnail thumb;
    for (int i = 0; i < 4; ++i)
        thumb.palette.insert(thumb.palette.end(),
                             {static_cast<std::uint8_t>(i * 80), static_cast<std::uint8_t>(i * 40),
                              static_cast<std::uint8_t>(255 - i * 60), 0});
    thumb.palette.insert(thumb.palette.end(), {255, 255, 255, 0});
    for (int y = 0; y < 96; ++y)
        for (int x = 0; x < 96; ++x)
            thumb.pixels.push_back(static_cast<std::uint8_t>(((x / 24) + (y / 24)) % 4));
    cmx.Thumb(thumb);
    cmx.ColorTable({Rgb(200, 30, 30), CmykPercent(100, 0, 100, 0), Cmyk255(255, 200, 0, 0),
                    Cmy(0, 0, 255), Model1()});
    cmx.OutlineTable({1, 2, 3});

    PageBuilder page(variant);
    page.BeginPage();
    page.BeginLayer();
    Attributes red;
    red.fill = Fill{1, 1, {}};
    Attributes outlined;
    outlined.outlineRef = 2;
    page.PolyCurve(Polyline(100, 100, 50, 0, 4, red));
    Shape curve;
    curve.attributes = outlined;
    curve.nodes = {{100, 300, kMoveNode},
                   {150, 400, kCurveNode},
                   {250, 400, kCurveNode},
                   {300, 300, kCurveEndNode},
                   {400, 300, kLineNode}};
    page.PolyCurve(curve);
    page.BeginGroup(500, 900, 900, 500);
    Attributes blue;
    blue.fill = Fill{1, 3, {}};
    Shape split = Polyline(500, 500, 100, 0, 3, blue);
    Shape second = Polyline(500, 700, 100, 50, 3, blue);
    split.nodes.insert(split.nodes.end(), second.nodes.begin(), second.nodes.end());
    page.PolyCurve(split);
    page.BeginGroup(600, 800, 700, 700);
    page.PolyCurve(Polyline(600, 750, 20, 10, 5, outlined), -67);
    page.EndGroup();
    ImageRef image;
    image.left = 550;
    image.top = 880;
    image.right = 650;
    image.bottom = 820;
    page.DrawImage(image);
    page.EndGroup();
    page.DrawChars(3);
    page.Instruction(42, {1, 2, 3, 4});
    page.Jump(0);
    page.Instruction(99, {0, 0, 0, 0, 0, 0, 0, 0});
    page.SetJumpTarget(0, static_cast<std::uint32_t>(page.size()));
    page.PolyCurve(Polyline(50, 950, 300, -20, 3, outlined));
    cmx.Page(page);

    Raster raster;
    raster.type = 3;
    raster.width = 4;
    raster.height = 4;
    raster.palette = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
    for (int i = 0; i < 16; ++i)
        raster.pixels.push_back(static_cast<std::uint8_t>(i % 4));
    cmx.Images({raster});
    if (indexed)
        cmx.Index();
    return cmx.Build();
}

void WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        throw std::runtime_error("cannot write " + path);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

} // namespace cmxtest
