// The colour table, the outline table and the rendering attributes of a shape.
#include "vestrel/cmx/readers.h"
#include "vestrel/resources/resource.h"

#include <algorithm>

namespace {

constexpr unsigned char kEndTag = 0xFF;

// One unit above the double nearest to 2.55, so that 0 % gives 255.
constexpr double kPercentToByte = 2.5500000000000003;

DWORD FromPercent(unsigned value) {
    return static_cast<DWORD>((100.0 - static_cast<double>(std::min(value, 100u))) *
                              kPercentToByte);
}

DWORD FromByteSum(unsigned value) {
    return 255u - std::min(value, 255u);
}

} // namespace

void CCmxParser::SkipTaggedFields() {
    // Untagged files have no fields to skip and no end tag.
    if (!Tagged())
        return;
    while (GetTag() != kEndTag && !cursor.Exhausted())
        OverrideTag();
}

int CCmxParser::ProcessColorMap() {
    unsigned char* table = FindChunk("rclr");
    if (table == nullptr) {
        ShowErrorMessage(IDS_NO_OUTLINE_INFO);
        return -1;
    }
    TableScope scope(*this, Offset(table) + 8);
    WORD count = GetCount();
    // A table cannot hold more entries than its bytes can carry at the smallest entry size;
    // a count beyond that gets no memory of its own.
    const DWORD smallestEntry = Tagged() ? 9 : 2;
    count = static_cast<WORD>(std::min<DWORD>(count, cursor.Remaining() / smallestEntry));
    if (drawing != nullptr)
        drawing->colorMap.CreateColorMap(count);
    DWORD red = 0, green = 0, blue = 0;
    for (WORD i = 0; i < count && !cursor.Exhausted(); ++i) {
        GetTag();
        GetTagSize();
        unsigned char model = GetByte();
        GetByte();
        GetTag();
        GetTagSize();
        switch (model) {
        case 1:
            GetInteger();
            GetInteger();
            break;
        case 2: {
            unsigned c = GetByte(), m = GetByte(), y = GetByte(), k = GetByte();
            red = FromPercent(c + k);
            green = FromPercent(m + k);
            blue = FromPercent(y + k);
            break;
        }
        case 3: {
            unsigned c = GetByte(), m = GetByte(), y = GetByte(), k = GetByte();
            red = FromByteSum(c + k);
            green = FromByteSum(m + k);
            blue = FromByteSum(y + k);
            break;
        }
        case 4: {
            unsigned c = GetByte(), m = GetByte(), y = GetByte();
            GetByte();
            red = 255u - c;
            green = 255u - m;
            blue = 255u - y;
            break;
        }
        case 5:
            red = GetByte();
            green = GetByte();
            blue = GetByte();
            break;
        default:
            // An unknown model carries no data the reader knows; the entry keeps the colour
            // of the entry before it.
            break;
        }
        SkipTaggedFields();
        if (drawing != nullptr)
            drawing->colorMap.SetColor(i, red + 256 * green + 65536 * blue);
    }
    return 1;
}

int CCmxParser::GetRenderingAttributes() {
    unsigned char mask = GetByte();
    int hasFill = 0;
    if (mask & 0x01) {
        hasFill = 1;
        GetFillSpec();
    }
    if (mask & 0x02)
        GetOutlineSpec(hasFill);
    if (mask & 0x04)
        GetLensSpec();
    if (mask & 0x08)
        GetCanvasSpec();
    if (mask & 0x10)
        GetContainerSpec();
    return hasFill;
}

int CCmxParser::ReadAttributeGroup() {
    const DWORD groupStart = cursor.Position();
    GetTag();
    const DWORD groupSize = GetTagSize();
    int hasFill = GetRenderingAttributes();
    // Writers put fields into the attributes that the reader does not know; the group's
    // stated end tells where the operands behind it start. An end short of what was read is
    // not believed: the reading goes on where it stopped.
    const DWORD groupEnd = groupStart + groupSize;
    if (Tagged() && !cursor.Exhausted() && groupEnd > cursor.Position() && groupEnd <= instrEnd)
        cursor.Seek(groupEnd);
    return hasFill;
}

int CCmxParser::GetFillSpec() {
    GetTag();
    GetTagSize();
    switch (GetWord()) {
    case 1:
        GetUniformFill();
        break;
    case 2:
        GetFountainFill();
        break;
    case 6:
        GetPostscriptFill();
        break;
    case 7:
        GetTwoColorPatternFill();
        break;
    case 10:
        GetFullColorBitmapFill();
        break;
    case 11:
        GetTextureFill();
        break;
    default:
        break;
    }
    // The end tag, after any further fields of the record.
    SkipTaggedFields();
    return 1;
}

int CCmxParser::GetUniformFill() {
    GetTag();
    GetTagSize();
    curLayerIndex = GetWord();
    GetWord();
    SkipTaggedFields();
    return 1;
}

int CCmxParser::GetFountainFill() {
    SkipTaggedFields();
    return 1;
}

int CCmxParser::GetPostscriptFill() {
    SkipTaggedFields();
    return 1;
}

int CCmxParser::GetTwoColorPatternFill() {
    SkipTaggedFields();
    return 1;
}

int CCmxParser::GetFullColorBitmapFill() {
    SkipTaggedFields();
    return 1;
}

int CCmxParser::GetTextureFill() {
    SkipTaggedFields();
    return 1;
}

int CCmxParser::GetOutlineSpec(int hasFill) {
    GetTag();
    GetTagSize();
    WORD reference = GetWord();
    if (hasFill != 1)
        curLayerIndex = GetOutlineColor(reference);
    SkipTaggedFields();
    return 1;
}

unsigned short CCmxParser::GetOutlineColor(unsigned short ref) {
    unsigned char* table = FindChunk("rotl");
    if (table == nullptr) {
        // One message for the load, not a box for every shape; a load without colour table
        // has shown it already.
        if (stopRecord.shapesWithoutOutlineTable++ == 0 && FindChunk("rclr") != nullptr)
            ShowErrorMessage(IDS_NO_OUTLINE_INFO);
        return 0;
    }
    // The table is read through a cursor of its own, at every outline spec of a shape without
    // fill; the walk's cursor stays where it is.
    const DWORD tableStart = Offset(table);
    CmxCursor entries = cursor.At(tableStart + 8);
    const WORD count = entries.U16();
    // Reference 0 names no entry and yields no colour, as a reference past the table does.
    if (count < ref || ref == 0)
        return 0;
    // Entries have a fixed size, so entry ref is read in place rather than after all those
    // before it: its third word, behind the tag and size of a tagged file.
    const ULONGLONG entrySize = Tagged() ? 16 : 12;
    const ULONGLONG color = tableStart + 10 + (ref - 1) * entrySize + (Tagged() ? 3 : 0) + 4;
    entries.Seek(color < dataSize ? static_cast<DWORD>(color) : dataSize);
    curLayerIndex = entries.U16();
    return curLayerIndex;
}

int CCmxParser::GetLensSpec() {
    SkipTaggedFields();
    return 1;
}

int CCmxParser::GetCanvasSpec() {
    SkipTaggedFields();
    return 1;
}

int CCmxParser::GetContainerSpec() {
    SkipTaggedFields();
    return 1;
}
