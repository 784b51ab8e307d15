// The page's instruction stream: the walk, the code table and the structural handlers.
#include "vestrel/cmx/readers.h"
#include "vestrel/objects/objects.h"

using namespace vestrel_objects;

namespace {

// Instruction codes; the negative form of each leads to the same handler (text only in its
// positive form).
constexpr int kBeginPage = 9;
constexpr int kBeginLayer = 11;
constexpr int kBeginGroup = 13;
constexpr int kEndGroup = 14;
constexpr int kDrawChars = 65;
constexpr int kPolyCurve = 67;
constexpr int kDrawImage = 69;
constexpr int kJumpAbsolute = 111;

} // namespace

int CCmxParser::ProcessPageInstr(unsigned long end) {
    if (end == 0)
        return 1;
    const DWORD pageEnd = static_cast<DWORD>(end);
    // Operands are read inside the page data only, and never past the body.
    readEnd = pageEnd < dataSize ? pageEnd : dataSize;
    exhausted = false;
    int result = 1;
    while (readPos < pageEnd) {
        const DWORD start = readPos;
        DWORD size = GetWord();
        DWORD headerSize = 4;
        if (size == 0xFFFF) {
            size = GetDWord();
            headerSize = 8;
        }
        const short code = static_cast<short>(GetWord());
        // A header cut short, a size that cannot hold the header, or an instruction that
        // runs past the page or the body: the instruction is incomplete.
        if (exhausted || size < headerSize || size > readEnd - start) {
            result = 0;
            break;
        }
        if (instructionCounts != nullptr)
            ++(*instructionCounts)[code];
        instrEnd = start + size;
        jumped = false;
        ProcessInstr(size - 4, code);
        if (exhausted) {
            result = 0;
            break;
        }
        if (jumped) {
            // A jump must move the walk forward and stay inside the page, so that no file can
            // make the walk loop.
            if (jumpTarget <= start || jumpTarget > pageEnd) {
                result = 0;
                break;
            }
            readPos = jumpTarget;
        } else {
            readPos = start + size;
        }
    }
    readEnd = dataSize;
    instrEnd = 0;
    return result;
}

int CCmxParser::ProcessInstr(unsigned long, short code) {
    switch (code) {
    case kBeginPage:
    case -kBeginPage:
        DoBeginPage();
        return 1;
    case kBeginLayer:
    case -kBeginLayer:
        DoBeginLayer();
        return 1;
    case kBeginGroup:
    case -kBeginGroup:
        DoBeginGroup();
        return 1;
    case kEndGroup:
    case -kEndGroup:
        DoEndGroup();
        return 1;
    case kDrawChars:
        DoDrawChars();
        return 1;
    case kPolyCurve:
    case -kPolyCurve:
        DoPolyCurve();
        return 1;
    case kDrawImage:
    case -kDrawImage:
        DoDrawImage();
        return 1;
    case kJumpAbsolute:
    case -kJumpAbsolute:
        DoJumpAbsolut();
        return 1;
    default:
        return 0;
    }
}

int CCmxParser::DoBeginPage() {
    tagDoubleRect rect;
    CMatrix matrix;
    GetTag();
    GetTagSize();
    GetWord();
    GetDWord();
    GetRectangle(&rect);
    GetOffset();
    GetWord();
    GetDWord();
    GetTag();
    GetTagSize();
    GetMatrix(&matrix);
    GetTag();
    GetTagSize();
    if (GetByte() != 0) {
        GetRectangle(&rect);
        GetRectangle(&rect);
    }
    return 1;
}

int CCmxParser::DoBeginLayer() {
    tagDoubleRect rect;
    CMatrix matrix;
    CString name;
    GetWord();
    GetWord();
    DWORD flags = GetDWord();
    GetDWord();
    GetString(&name);
    GetMatrix(&matrix);
    if (flags & 0x10) {
        GetRectangle(&rect);
        GetRectangle(&rect);
    }
    return 1;
}

CGrObjGroup* CCmxParser::OpenGroup() const {
    if (groupDepth == 0 || groupStack == nullptr || groupStack->IsEmpty())
        return nullptr;
    return static_cast<CGrObjGroup*>(groupStack->GetHead());
}

int CCmxParser::DoBeginGroup() {
    ++groupDepth;
    CGrObjGroup* group = groupDepth == 1 ? new CGrObjGroup : nullptr;
    GetTag();
    GetTagSize();
    if (group != nullptr) {
        GetRectangle(&group->bounds);
        // A load always has a group stack; the preview, which has none, walks no page.
        if (groupStack != nullptr)
            groupStack->AddObjHead(group);
        DisposeGroup(group);
    }
    GetWord();
    GetDWord();
    GetOffset();
    GetTag();
    return 1;
}

int CCmxParser::DoEndGroup() {
    --groupDepth;
    if (groupDepth == 0 && groupStack != nullptr && !groupStack->IsEmpty()) {
        CGrObjGroup* group = static_cast<CGrObjGroup*>(groupStack->GetHead());
        if (drawing != nullptr)
            drawing->AddObjTail(group);
        DisposeGroup(group);
        groupStack->RemoveHead();
    }
    return 1;
}

int CCmxParser::DoJumpAbsolut() {
    GetTag();
    GetTagSize();
    DWORD target = GetDWord();
    GetTag();
    // The target is a file offset; the body starts behind the header. Below the header the
    // difference wraps to a position past every page, which the walk refuses.
    readPos = target - CMX_HEADER_SIZE;
    jumpTarget = readPos;
    jumped = true;
    return 1;
}

int CCmxParser::DoAddClippingRegion() {
    return 1;
}
int CCmxParser::DoAddGlobalTransform() {
    return 1;
}
int CCmxParser::DoBeginEmbedded() {
    return 1;
}
