// The colour table, the outline table and the rendering attributes of a shape.
#include "vestrel/cmx/readers.h"
#include "vestrel/cmx/records.h"
#include "vestrel/resources/resource.h"

#include <algorithm>
#include <cmath>

using namespace cmx_records;

namespace {

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

void CmxWalk::SkipTaggedFields() {
    // Untagged files have no fields to skip and no end tag. The specs that are skipped stand
    // among an instruction's operands and end with it.
    TaggedRecord record(*this, {}, instrEnd);
    while (record.Next()) {
    }
}

int CmxWalk::ProcessColorMap() {
    unsigned char* table = FindChunk("rclr");
    if (table == nullptr) {
        ShowErrorMessage(IDS_NO_OUTLINE_INFO);
        return -1;
    }
    TableScope scope(*this, Offset(table) + kChunkHeader);
    WORD count = GetCount();
    // A table cannot hold more entries than its bytes can carry at the smallest entry size;
    // a count beyond that gets no memory of its own.
    const DWORD smallestEntry = Tagged() ? 9 : 2;
    count = static_cast<WORD>(std::min<DWORD>(count, cursor.Remaining() / smallestEntry));
    if (drawing != nullptr)
        drawing->colorMap.CreateColorMap(count);
    DWORD red = 0, green = 0, blue = 0;
    for (WORD i = 0; i < count && !cursor.Exhausted(); ++i) {
        // Writers put the name first and add fields of their own: the model and the colour
        // data are found by their ids, in whichever order they come.
        unsigned char model = 0;
        unsigned char data[4] = {};
        TaggedRecord entry(*this, {1, 2});
        while (entry.Next()) {
            if (entry.Id() == 1) {
                model = GetByte();
                Skip(cursor, kColorPalette);
            } else if (entry.Id() == 2) {
                // Untagged data is as long as its model says; a tagged field says it itself.
                DWORD length = model == 5 ? 3 : model >= 1 && model <= 4 ? 4 : 0;
                if (Tagged())
                    length = std::min<DWORD>(4, cursor.Remaining());
                for (DWORD k = 0; k < length; ++k)
                    data[k] = GetByte();
            }
        }
        const unsigned c = data[0], m = data[1], y = data[2], k = data[3];
        switch (model) {
        case 2:
            red = FromPercent(c + k);
            green = FromPercent(m + k);
            blue = FromPercent(y + k);
            break;
        case 3:
            red = FromByteSum(c + k);
            green = FromByteSum(m + k);
            blue = FromByteSum(y + k);
            break;
        case 4:
            red = 255u - c;
            green = 255u - m;
            blue = 255u - y;
            break;
        case 5:
            red = data[0];
            green = data[1];
            blue = data[2];
            break;
        default:
            // Model 1 and unknown models carry no colour the reader knows; the entry keeps
            // the colour of the entry before it.
            break;
        }
        if (drawing != nullptr)
            drawing->colorMap.SetColor(i, red + 256 * green + 65536 * blue);
    }
    return 1;
}

int CmxWalk::GetRenderingAttributes() {
    unsigned char mask = GetByte();
    if (readAppearance)
        shapeAppearance = CCmxAppearance();
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

int CmxWalk::ReadAttributeGroup() {
    // Writers put fields into the attributes that the reader does not know; the group's
    // stated end tells where the operands behind it start (the record's unbound field). An end
    // short of what was read is not believed: the reading goes on where it stopped.
    return GetRenderingAttributes();
}

int CmxWalk::GetFillSpec() {
    TaggedRecord spec(*this, {1}, instrEnd);
    while (spec.Next()) {
        if (spec.Id() != 1)
            continue;
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
    }
    return 1;
}

int CmxWalk::GetUniformFill() {
    TaggedRecord fill(*this, {1}, instrEnd);
    while (fill.Next()) {
        if (fill.Id() == 1) {
            curLayerIndex = GetWord();
            Skip(cursor, kScreenReference);
            unsigned long color = 0;
            if (readAppearance && drawing != nullptr &&
                drawing->colorMap.LookupReference(curLayerIndex, &color)) {
                shapeAppearance.fill = CCmxAppearance::FillKind::uniform;
                shapeAppearance.fillColor = color;
            }
        }
    }
    return 1;
}
int CmxWalk::GetFountainFill() {
    // The blend's colours stand in its second field: a count, then per colour its reference
    // and its offset along the blend. Its first and last colours, averaged, stand for it.
    // Untagged fountains are passed over as ever: their layout is not known well enough.
    if (!readAppearance || !Tagged() || drawing == nullptr) {
        SkipTaggedFields();
        return 1;
    }
    bool any = false;
    WORD firstRef = 0, lastRef = 0;
    TaggedRecord fill(*this, {1, 2});
    while (fill.Next()) {
        if (fill.Id() != 2)
            continue;
        const WORD count = GetWord();
        // The field's end bounds the colours read.
        for (WORD i = 0; i < count && cursor.Remaining() >= 4; ++i) {
            const WORD ref = GetWord();
            Skip(cursor, kBlendOffset);
            if (!any)
                firstRef = ref;
            lastRef = ref;
            any = true;
        }
    }
    unsigned long first = 0, last = 0;
    if (any && drawing->colorMap.LookupReference(firstRef, &first) &&
        drawing->colorMap.LookupReference(lastRef, &last)) {
        unsigned long mixed = 0;
        for (int shift = 0; shift < 24; shift += 8)
            mixed |= ((((first >> shift) & 0xFF) + ((last >> shift) & 0xFF) + 1) / 2) << shift;
        shapeAppearance.fill = CCmxAppearance::FillKind::representative;
        shapeAppearance.fillColor = mixed;
    }
    return 1;
}

// The fills and specs that the reader passes over: each reads its tagged fields to the end
// tag and keeps nothing, one reader under the names the attributes call.
#define VESTREL_PASSED_OVER(reader)                                                                \
    int CmxWalk::reader() {                                                                        \
        SkipTaggedFields();                                                                        \
        return 1;                                                                                  \
    }
VESTREL_PASSED_OVER(GetPostscriptFill)
VESTREL_PASSED_OVER(GetTwoColorPatternFill)
VESTREL_PASSED_OVER(GetFullColorBitmapFill)
VESTREL_PASSED_OVER(GetTextureFill)
VESTREL_PASSED_OVER(GetLensSpec)
VESTREL_PASSED_OVER(GetCanvasSpec)
VESTREL_PASSED_OVER(GetContainerSpec)
#undef VESTREL_PASSED_OVER

int CmxWalk::GetOutlineSpec(int hasFill) {
    TaggedRecord spec(*this, {1}, instrEnd);
    while (spec.Next()) {
        if (spec.Id() != 1)
            continue;
        const WORD reference = GetWord();
        if (readAppearance)
            ReadOutlineAppearance(reference);
        if (hasFill != 1)
            curLayerIndex = GetOutlineColor(reference);
    }
    return 1;
}

unsigned short CmxWalk::GetOutlineColor(unsigned short ref) {
    if (FindChunk("rotl") == nullptr) {
        // One message for the load, not a box for every shape; a load without colour table
        // has shown it already.
        if (stopRecord.shapesWithoutOutlineTable++ == 0 && FindChunk("rclr") != nullptr)
            ShowErrorMessage(IDS_NO_OUTLINE_INFO);
        return 0;
    }
    ReadOutlineTable();
    // Reference 0 names no entry and yields no colour, as a reference past the table does.
    if (ref == 0 || ref > outlineEntries.size())
        return 0;
    curLayerIndex = outlineEntries[ref - 1].color;
    return curLayerIndex;
}

void CmxWalk::ReadOutlineTable() {
    // Entries are read by their tags, so their sizes may vary: the table is read once per body,
    // and every outline spec then finds its entry at once, for its colour and, when asked for,
    // its appearance. The walk's cursor stays where it is.
    if (outlineTableRead)
        return;
    outlineTableRead = true;
    outlineEntries.clear();
    unsigned char* table = FindChunk("rotl");
    if (table == nullptr)
        return;
    TableScope scope(*this, Offset(table) + kChunkHeader);
    const WORD count = GetCount();
    // No more entries than the bytes can carry at the smallest entry: a tag header and the end
    // tag, or six words untagged.
    const DWORD smallestEntry = Tagged() ? 4 : 12;
    const DWORD entries = std::min<DWORD>(count, cursor.Remaining() / smallestEntry);
    outlineEntries.reserve(entries);
    for (DWORD i = 0; i < entries && !cursor.Exhausted(); ++i) {
        const DWORD before = cursor.Position();
        OutlineRefs refs = {};
        TaggedRecord entry(*this, {1});
        while (entry.Next())
            if (entry.Id() == 1) {
                refs.lineStyle = GetWord();
                refs.screen = GetWord();
                refs.color = GetWord();
                refs.arrowheads = GetWord();
                refs.pen = GetWord();
                refs.dotDash = GetWord();
            }
        // An entry cut short by the body's end, or one that holds nothing, ends the table.
        if (cursor.Exhausted() || cursor.Position() == before)
            break;
        outlineEntries.push_back(refs);
    }
}

namespace {

// The dash and gap lengths kept of one pattern; writers' patterns have a handful.
constexpr DWORD kMostDashes = 16;

} // namespace

void CmxWalk::ReadAppearanceTables() {
    appearanceTablesRead = true;
    // Each table: a count, then entries of one record each. No table takes more entries than
    // its bytes can carry at the smallest entry, and each entry read moves the cursor on.
    auto readTable = [this](const char* id, DWORD smallestEntry, auto&& entry) {
        unsigned char* table = FindChunk(id);
        if (table == nullptr)
            return;
        TableScope scope(*this, Offset(table) + kChunkHeader);
        const WORD count = GetCount();
        const DWORD entries = std::min<DWORD>(count, cursor.Remaining() / smallestEntry);
        for (DWORD i = 0; i < entries && !cursor.Exhausted(); ++i) {
            const DWORD before = cursor.Position();
            entry();
            if (cursor.Exhausted() || cursor.Position() == before)
                break;
        }
    };
    ReadOutlineTable();
    const bool tagged = Tagged();
    readTable("rpen", tagged ? 4 : 8, [this] {
        DWORD width = 0;
        TaggedRecord record(*this, {1});
        while (record.Next())
            if (record.Id() == 1) {
                width = GetLength();
                // The angle is as wide as a coordinate.
                Skip(cursor, kPenAspect + (ShortCoordinates() ? 2 : 4));
                CMatrix matrix;
                GetFileMatrix(&matrix);
            }
        penWidths.push_back(width);
    });
    readTable("rott", tagged ? 4 : 2, [this] {
        WORD style = 0;
        TaggedRecord record(*this, {1});
        while (record.Next())
            if (record.Id() == 1)
                style = GetWord();
        lineStyles.push_back(style);
    });
    readTable("rdot", tagged ? 4 : 2, [this] {
        std::vector<WORD> dashes;
        TaggedRecord record(*this, {1});
        while (record.Next())
            if (record.Id() == 1) {
                const WORD count = GetWord();
                // Only dashes whose bytes are there are kept, and no more than a pattern
                // needs: every shape that uses the pattern carries a copy.
                const DWORD kept = std::min<DWORD>({count, cursor.Remaining() / 2, kMostDashes});
                dashes.reserve(kept);
                for (DWORD i = 0; i < kept; ++i)
                    dashes.push_back(GetWord());
            }
        dotDashes.push_back(std::move(dashes));
    });
}

void CmxWalk::ReadOutlineAppearance(WORD ref) {
    if (!appearanceTablesRead)
        ReadAppearanceTables();
    if (ref == 0 || ref > outlineEntries.size())
        return;
    const OutlineRefs& refs = outlineEntries[ref - 1];
    // The style's low byte holds its bits (0x01: no outline), its high byte cap and join.
    WORD style = 2;
    if (refs.lineStyle >= 1 && refs.lineStyle <= lineStyles.size())
        style = lineStyles[refs.lineStyle - 1];
    unsigned long color = 0;
    if ((style & 0x01) != 0 || drawing == nullptr ||
        !drawing->colorMap.LookupReference(refs.color, &color))
        return;
    CCmxAppearance& a = shapeAppearance;
    a.outline = true;
    a.outlineColor = color;
    a.cap = static_cast<unsigned char>(std::min((style >> 8) & 0x0F, 2));
    a.join = static_cast<unsigned char>(std::min((style >> 12) & 0x0F, 2));
    // Widths scale with the drawing, and with a global transform by its mean factor.
    double scale = coordScale;
    if (!transforms.empty()) {
        const CMatrix& m = transforms.back();
        scale *= std::sqrt(std::fabs(m.m11 * m.m22 - m.m12 * m.m21));
    }
    a.outlineWidth = 0;
    if (refs.pen >= 1 && refs.pen <= penWidths.size())
        a.outlineWidth = penWidths[refs.pen - 1] * scale;
    if (!std::isfinite(a.outlineWidth) || a.outlineWidth < 0)
        a.outlineWidth = 0;
    a.dashes.clear();
    if (refs.dotDash >= 1 && refs.dotDash <= dotDashes.size()) {
        const std::vector<WORD>& dashes = dotDashes[refs.dotDash - 1];
        a.dashes.reserve(dashes.size());
        for (WORD dash : dashes)
            a.dashes.push_back(dash);
    }
}

void CmxWalk::NoteAppearance(bool closed) {
    if (!readAppearance || drawing == nullptr || drawing->IsEmpty())
        return;
    CCmxAppearance a = shapeAppearance;
    a.closed = closed;
    appearances.Set(static_cast<const CGrObj*>(drawing->GetTail()), a);
}
