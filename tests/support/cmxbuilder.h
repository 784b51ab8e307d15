// A writer of CMX files for tests, benchmarks, fuzz seeds and the bundled samples. It writes
// every variant the reader knows (byte order, coordinate size, tagged or untagged operands) and
// lets a caller damage what it writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace cmxtest {

// The header that the reader takes in: the RIFF part and the 184 bytes of the oldest layout.
constexpr std::size_t kHeaderSize = 204;

using Bytes = std::vector<std::uint8_t>;

struct Variant {
    bool littleEndian = true;
    bool shortCoords = false;
    bool tagged = true;

    std::string Name() const;
};

// All eight variants, for table-driven tests.
std::vector<Variant> AllVariants();

// Values encoded as a body of the given variant stores them.
class ByteWriter {
public:
    explicit ByteWriter(Variant variant) : variant_(variant) {}

    ByteWriter& Byte(std::uint8_t v);
    ByteWriter& Word(std::uint16_t v);
    ByteWriter& DWord(std::uint32_t v);
    ByteWriter& Double(double v);
    ByteWriter& Raw(const Bytes& bytes);
    ByteWriter& Raw(const void* data, std::size_t length);
    ByteWriter& Coord(std::int32_t v);
    // A length: 16 bits with 16-bit coordinates, else 32.
    ByteWriter& Length(std::uint32_t v);
    ByteWriter& Point(std::int32_t x, std::int32_t y);
    ByteWriter& Rect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom);
    ByteWriter& IdentityMatrix();
    ByteWriter& Matrix(double m11, double m12, double m21, double m22, double dx, double dy);
    ByteWriter& String(const std::string& text);

    // A tagged group: the tag id and a size that EndTag fills in. In untagged variants both
    // write nothing.
    std::size_t BeginTag(std::uint8_t id);
    void EndTag(std::size_t start);
    // The end tag 0xFF, in tagged variants only.
    ByteWriter& EndMark();

    void PatchWord(std::size_t at, std::uint16_t v);
    void PatchDWord(std::size_t at, std::uint32_t v);

    const Variant& variant() const { return variant_; }
    const Bytes& bytes() const { return bytes_; }
    std::size_t size() const { return bytes_.size(); }

private:
    Variant variant_;
    Bytes bytes_;
};

// One uniform fill or fill of another type; type 1 uses colorRef.
struct Fill {
    std::uint16_t type = 1;
    std::uint16_t colorRef = 1;
    // Tagged fields that a writer adds behind the ones the reader knows (tagged variants).
    std::vector<Bytes> extraFields;
};

struct Attributes {
    std::optional<Fill> fill;
    std::optional<std::uint16_t> outlineRef;
    bool lens = false;
    bool canvas = false;
    bool container = false;
    // Tagged fields behind the outline reference (tagged variants).
    std::vector<Bytes> outlineExtraFields;
    // Tagged fields inside a uniform fill's record, which stands in the fill spec's field.
    std::vector<Bytes> uniformFillExtraFields;
    // Bytes written into the attribute group after the records (tagged variants): fields the
    // reader does not know.
    Bytes trailing;
};

struct Node {
    std::int32_t x;
    std::int32_t y;
    std::uint8_t type;
};

// Node types: 0x00 starts a sub-path, 0x40 a line node, 0xC0 a curve point, 0x80 the end of a
// run of curve points.
constexpr std::uint8_t kMoveNode = 0x00;
constexpr std::uint8_t kLineNode = 0x40;
constexpr std::uint8_t kCurveNode = 0xC0;
constexpr std::uint8_t kCurveEndNode = 0x80;

struct Shape {
    Attributes attributes;
    std::vector<Node> nodes;
    // The count written before the points, when it should differ from the nodes' number.
    std::optional<std::uint16_t> countOverride;
};

// A poly-line of n points starting at (x, y), stepping by (dx, dy).
Shape Polyline(std::int32_t x, std::int32_t y, std::int32_t dx, std::int32_t dy, int n,
               Attributes attributes);

struct ImageRef {
    std::uint16_t reference = 1;
    std::int32_t left = 0, top = 100, right = 100, bottom = 0;
    bool matrix = false; // a type-2 matrix instead of the identity
    double m[6] = {1, 0, 0, 1, 0, 0};
    Attributes attributes;
};

// A rectangle: centre, size and corner radius in file units, and the rotation angle as the file
// stores it (millionths of a degree with 32-bit coordinates, tenths with 16-bit ones).
struct RectangleShape {
    Attributes attributes;
    std::int32_t centreX = 0, centreY = 0;
    std::uint32_t width = 100, height = 50, radius = 0;
    std::int32_t angle = 0;
};

struct InstrOptions {
    // Writes the size as 0xFFFF followed by a double word.
    bool longSize = false;
    // Writes this size instead of the real one.
    std::optional<std::uint32_t> sizeOverride;
};

// The instructions of a page, in the order written.
class PageBuilder {
public:
    explicit PageBuilder(Variant variant) : variant_(variant) {}

    // An instruction with the given operands; returns its offset in the page data.
    std::size_t Instruction(std::int16_t code, const Bytes& operands, InstrOptions options = {});
    // The page's rectangle in file units, which other readers take for the page size.
    std::size_t BeginPage(std::int32_t left = 0, std::int32_t top = 1000, std::int32_t right = 1000,
                          std::int32_t bottom = 0);
    std::size_t BeginLayer(const std::string& name = "Layer 1", std::uint32_t flags = 0);
    std::size_t BeginGroup(std::int32_t left = 0, std::int32_t top = 100, std::int32_t right = 100,
                           std::int32_t bottom = 0, std::int16_t code = 13);
    std::size_t EndGroup(std::int16_t code = 14);
    std::size_t PolyCurve(const Shape& shape, std::int16_t code = 67, InstrOptions options = {});
    std::size_t DrawImage(const ImageRef& image, std::int16_t code = 69);
    std::size_t DrawChars(std::uint16_t count, std::int16_t code = 65);
    std::size_t Rectangle(const RectangleShape& rectangle, std::int16_t code = 68);
    // A global transform in file units, and its end.
    std::size_t AddGlobalTransform(double m11, double m12, double m21, double m22, double dx,
                                   double dy);
    std::size_t RestoreGlobalTransform();
    // A jump to an offset in the page data (or anywhere, as a file offset, with absolute).
    std::size_t Jump(std::uint32_t target, std::int16_t code = 111, bool absolute = false);
    // Sets the target of the jump-th jump written, for jumps forward to what follows them.
    void SetJumpTarget(std::size_t jump, std::uint32_t target) { jumps_.at(jump).target = target; }
    // Bytes put into the page data as they are.
    void Raw(const Bytes& bytes);

    // Encodes the operands of an instruction with the page's variant.
    ByteWriter Operands() const { return ByteWriter(variant_); }
    Bytes ShapeOperands(const Shape& shape) const;

    const Bytes& data() const { return data_; }
    std::size_t size() const { return data_.size(); }

    struct JumpPatch {
        std::size_t at; // offset in the page data of the double word
        std::uint32_t target;
        bool absolute;
    };
    const std::vector<JumpPatch>& jumps() const { return jumps_; }

private:
    void WriteAttributes(ByteWriter& w, const Attributes& a) const;
    // The rendering attributes in their tagged group, as the drawing instructions begin.
    void WriteAttributeGroup(ByteWriter& w, const Attributes& a) const;

    Variant variant_;
    Bytes data_;
    std::vector<JumpPatch> jumps_;
};

// Colour table entries. A named entry is written as CorelDRAW writes them in tagged files: the
// name field (tag 10, 50 bytes) first, then the model and palette bytes (tag 1), the colour data
// (tag 2), a field of 9 bytes (tag 3) and the end tag; untagged files carry no name.
struct ColorEntry {
    std::uint8_t model;
    Bytes data;
    std::vector<Bytes> extraFields;
    std::optional<std::string> name;
    std::uint8_t palette = 0;
};
ColorEntry Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b);
ColorEntry CmykPercent(std::uint8_t c, std::uint8_t m, std::uint8_t y, std::uint8_t k);
ColorEntry Cmyk255(std::uint8_t c, std::uint8_t m, std::uint8_t y, std::uint8_t k);
ColorEntry Cmy(std::uint8_t c, std::uint8_t m, std::uint8_t y);
ColorEntry Model1();
// The entry with a name, in the layout of real files (palette byte 5, as they have it).
ColorEntry Named(ColorEntry entry, const std::string& name);

// An outline table entry as real files hold it: six references, in this order.
struct OutlineEntry {
    std::uint16_t lineStyle = 1;
    std::uint16_t screen = 1;
    std::uint16_t colorRef = 1;
    std::uint16_t arrowheads = 0;
    std::uint16_t pen = 1;
    std::uint16_t dotDash = 1;
};

// A pen: its width in file units (16 bits with 16-bit coordinates), aspect in percent and angle
// as the file stores angles; the matrix is the identity.
struct Pen {
    std::uint32_t width = 0;
    std::uint16_t aspect = 100;
    std::int32_t angle = 0;
};

// A raster image for the image section.
struct Raster {
    std::uint32_t type = 1; // 6 black and white, 5 grey, 1 no palette, other: stored palette
    std::uint32_t width = 4;
    std::uint32_t height = 4;
    std::uint32_t planes = 1;
    std::uint32_t bitsPerPixel = 8;
    std::uint32_t xResolution = 2835000;
    std::uint32_t yResolution = 2835000;
    std::vector<std::uint8_t> palette; // 3 bytes per entry, for stored palettes
    Bytes pixels;
    std::uint16_t kind = 16;
    // The pixel length written as D7, when it should differ from the pixels' size.
    std::optional<std::uint32_t> pixelLengthOverride;
    std::optional<std::uint16_t> paletteCountOverride;
};

// A thumbnail chunk.
struct Thumbnail {
    std::vector<std::uint8_t> palette;    // 4 bytes per entry: blue, green, red, reserved
    std::optional<std::uint32_t> clrUsed; // biClrUsed, when it should differ from the palette
    std::uint16_t bitCount = 8;           // 24 and 32: pixels of blue, green, red (, reserved)
    Bytes pixels;                         // width x height pixels, row by row
    std::uint32_t width = 96;
    std::uint32_t height = 96;
};

struct Rgb8 {
    std::uint8_t r, g, b;
};
// A 24-bit picture as CorelDRAW writes its previews (256 x 256 in real files): rows bottom-up,
// blue, green, red, each row padded to 4 bytes. rgbAt(x, y) counts y from the top.
Thumbnail Picture24(std::uint32_t width, std::uint32_t height,
                    const std::function<Rgb8(std::uint32_t x, std::uint32_t y)>& rgbAt);
// The preview of real files: 256 x 256 at 24 bits, a picture with shapes and soft gradients.
Thumbnail WriterPreview();

struct Header {
    // The header chunk's size: 180 as CorelDRAW and other writers write it, the next chunk
    // directly behind it at file offset 200; 184 puts the body behind the header as read. Set
    // it before adding chunks, whose file offsets follow from it.
    std::uint32_t chunkSize = 180;
    std::string identifier = "{Corel Binary Meta File}";
    // The operating system text at 52 (16 bytes) and the unit word at 82: "Windows 3.1" and 35
    // (metric) in real files; empty and 0 leave the bytes zero.
    std::string os;
    std::uint16_t unit = 0;
    char byteOrder = 0;        // 0: from the variant
    char coordSize = 0;        // 0: from the variant
    char version = 0;          // 0: from the variant
    double scaleFactor = 1e-5; // coordScale 1.0: a file unit is a drawing unit
    std::int32_t left = 0, top = 1000, right = 1000, bottom = 0;
    // The file offsets of the master index "ixmr", the "INFO" list and the "DISP" chunk, at 104,
    // 108 and 112 (0xFFFFFFFF where there is none); Index() sets them.
    std::uint32_t masterIndex = 0, info = 0, thumbnail = 0;
};

class CmxBuilder {
public:
    explicit CmxBuilder(Variant variant = {}) : variant_(variant) {}

    Header& header() { return header_; }
    const Variant& variant() const { return variant_; }

    // A chunk with its id, a size in the body's byte order and the data; odd sizes get a pad
    // byte as RIFF has it.
    CmxBuilder& Chunk(const std::string& id, const Bytes& data);
    CmxBuilder& Raw(const Bytes& bytes);
    CmxBuilder& ColorTable(const std::vector<ColorEntry>& entries,
                           std::optional<std::uint16_t> countOverride = {});
    CmxBuilder& OutlineTable(const std::vector<std::uint16_t>& colorRefs,
                             std::optional<std::uint16_t> countOverride = {});
    // The outline table with whole entries, and the tables they refer to, as real files hold
    // them: the pen table "rpen", the line style table "rott" (a 16-bit value each: the style
    // bits in its low byte, 2 solid, 1 none; cap and join in its high byte), the dot-dash table
    // "rdot" (each a list of dash and gap lengths, empty for solid).
    CmxBuilder& OutlineEntries(const std::vector<OutlineEntry>& entries);
    CmxBuilder& PenTable(const std::vector<Pen>& pens);
    CmxBuilder& LineStyleTable(const std::vector<std::uint16_t>& styles);
    CmxBuilder& DotDashTable(const std::vector<std::vector<std::uint16_t>>& patterns);
    CmxBuilder& Page(const PageBuilder& page);
    // Pages as a multi-page file holds them: each "page" chunk followed by its reference list
    // "rlst" (here an empty one).
    CmxBuilder& Pages(const std::vector<PageBuilder>& pages);
    CmxBuilder& Thumb(const Thumbnail& thumbnail);
    // The image index and the images: entry i names images[i].
    CmxBuilder& Images(const std::vector<Raster>& images, std::uint16_t entrySize = 6);
    // The index section that CorelDRAW writes behind the tables, which other readers need: a
    // "LIST" of type "indx" holding the master index "ixmr" (itself, the page index, and each
    // table the body has) and the page index "ixpg" (per page its "page" chunk and the "rlst"
    // behind it, if any; no layer index or thumbnail), and the header's offsets to it and to
    // "DISP".
    CmxBuilder& Index();

    // The body's bytes so far (behind the header chunk).
    const Bytes& body() const { return body_; }
    // The file offset of the body's first byte.
    std::size_t bodyStart() const { return 20 + header_.chunkSize; }
    // The whole file: RIFF header, CMX header, body.
    Bytes Build() const;
    // Its compressed twin: the form "CDRX", the leading "ccmm" and "DISP" chunks as they are,
    // and every chunk behind them in one "pack" chunk as a zlib stream.
    Bytes BuildCompressed() const;

private:
    Variant variant_;
    Header header_;
    Bytes body_;
    // The chunks added through Chunk(), by id and body offset, in order.
    std::vector<std::pair<std::string, std::size_t>> chunks_;
};

// The compressed twin of a CMX file: the form "CDRX", and the body's bytes from front on in one
// "pack" chunk as a zlib stream, in the body's byte order. Offsets count alike in both twins.
// A quick twin is made with the least memory zlib can work in, and compressed the least. The
// body starts at bodyStart (0: where the header chunk's stated size ends it); the twin states
// the header chunk that ends there, so that a reader finds its body where the file's was.
Bytes CompressedTwin(const Bytes& file, std::size_t front, bool quick = false,
                     std::size_t bodyStart = 0);

// A drawing with every instruction and table the reader knows, for samples and fuzz seeds.
Bytes RichDrawing(Variant variant);
Bytes RichDrawing(Variant variant, bool indexed);

// Writes bytes to a file, for tests that load files.
void WriteFile(const std::string& path, const Bytes& bytes);

} // namespace cmxtest
