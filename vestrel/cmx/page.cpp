// The page's instruction stream: the walk, the dispatch on codes and the structural handlers.
#include "vestrel/cmx/instructions.h"
#include "vestrel/cmx/readers.h"
#include "vestrel/cmx/records.h"
#include "vestrel/objects/objects.h"

#include "platform/process.h"

#include <cstring>

using namespace cmx_records;
using namespace vestrel_cmx;
using namespace vestrel_objects;

namespace {

// How far the walk gets ahead of the bytes it gave back.
constexpr DWORD kDiscardStep = DWORD{1} << 18;

} // namespace

int CmxWalk::ProcessPageInstr(unsigned long end) {
    if (end == 0)
        return 1;
    const DWORD pageEnd = static_cast<DWORD>(end);
    // Operands are read inside the page data only, and never past the body.
    cursor.SetLimit(pageEnd);
    CmxStop failure = CmxStop::complete;
    DWORD start = 0;
    short code = 0;
    // The walk never returns to instructions behind it, so it clears them as it passes them, a
    // step at a time, and the system takes back their large pages: a large drawing's body then
    // leaves room for its list. Whatever else would read them later (a table that a damaged file
    // places among the instructions, a chunk search) finds zeros there, on every system alike.
    discardedFrom = discardedTo = cursor.Position();
    while (cursor.Position() < pageEnd) {
        start = cursor.Position();
        // A jump may land past the body, where the next read stops the walk: nothing to clear.
        if (start <= cursor.Limit() && start - discardedTo >= kDiscardStep) {
            std::memset(dataBuffer + discardedTo, 0, start - discardedTo);
            discardedTo = start;
            PlatformReleaseZeroedMemory(dataBuffer + discardedFrom, discardedTo - discardedFrom);
        }
        DWORD size = GetWord();
        DWORD headerSize = 4;
        if (size == 0xFFFF) {
            size = GetDWord();
            headerSize = 8;
        }
        code = static_cast<short>(GetWord());
        ++stopRecord.instructions;
        // A header cut short, a size that cannot hold the header, or an instruction that
        // runs past the page or the body: the instruction is incomplete.
        if (cursor.Exhausted() || size > cursor.Limit() - start) {
            failure = CmxStop::cutShort;
            break;
        }
        if (size < headerSize) {
            failure = CmxStop::sizeBelowHeader;
            break;
        }
        if (instructionCounts != nullptr)
            ++(*instructionCounts)[code];
        instrEnd = start + size;
        jumped = false;
        if (ProcessInstr(size - 4, code) == 0)
            ++stopRecord.passedOver[code];
        if (cursor.Exhausted()) {
            failure = CmxStop::readPastEnd;
            break;
        }
        if (jumped) {
            // A jump must move the walk forward and stay inside the page, so that no file can
            // make the walk loop.
            if (jumpTarget <= start || jumpTarget > pageEnd || jumpTarget == kOutsideBody) {
                failure = CmxStop::badJump;
                break;
            }
            cursor.Seek(jumpTarget);
        } else {
            cursor.Seek(start + size);
        }
    }
    cursor.SetLimit(dataSize);
    instrEnd = 0;
    if (failure == CmxStop::complete)
        return 1;
    stopRecord.reason = failure;
    stopRecord.offset = FileOffset(start);
    stopRecord.instruction = stopRecord.instructions;
    stopRecord.code = code;
    return 0;
}

int CmxWalk::ProcessInstr(unsigned long, short code) {
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
        break;
    }
    if (!rectanglesAndTransforms)
        return 0;
    switch (code) {
    case kRectangle:
    case -kRectangle:
        DoRectangle();
        return 1;
    case kAddGlobalTransform:
    case -kAddGlobalTransform:
        DoAddGlobalTransform();
        return 1;
    case kRestoreGlobalTransform:
    case -kRestoreGlobalTransform:
        DoRestoreGlobalTransform();
        return 1;
    default:
        return 0;
    }
}

int CmxWalk::DoBeginPage() {
    tagDoubleRect rect;
    CMatrix matrix;
    // Nothing of the page's own description is kept; its fields are read to their ends.
    TaggedRecord operands(*this, {1, 2, 3}, instrEnd);
    while (operands.Next()) {
        switch (operands.Id()) {
        case 1:
            Skip(cursor, kPageNumberAndFlags);
            GetRectangle(&rect);
            Skip(cursor, kPageEndAndCounts);
            break;
        case 2:
            GetMatrix(&matrix);
            break;
        case 3:
            if (GetByte() != 0) {
                GetRectangle(&rect);
                GetRectangle(&rect);
            }
            break;
        default:
            break;
        }
    }
    return 1;
}

int CmxWalk::DoBeginLayer() {
    tagDoubleRect rect;
    CMatrix matrix;
    CString name;
    Skip(cursor, kPageAndLayerNumbers);
    const DWORD flags = GetDWord();
    Skip(cursor, kLayerInstructionCount);
    GetString(&name);
    GetMatrix(&matrix);
    if (flags & 0x10) {
        GetRectangle(&rect);
        GetRectangle(&rect);
    }
    return 1;
}

CGrObjGroup* CmxWalk::OpenGroup() const {
    if (groupDepth == 0 || groupStack == nullptr || groupStack->IsEmpty())
        return nullptr;
    return static_cast<CGrObjGroup*>(groupStack->GetHead());
}

int CmxWalk::DoBeginGroup() {
    ++groupDepth;
    CGrObjGroup* group = groupDepth == 1 ? new CGrObjGroup : nullptr;
    TaggedRecord operands(*this, {1}, instrEnd);
    while (operands.Next()) {
        if (operands.Id() != 1)
            continue;
        if (group != nullptr)
            GetRectangle(&group->bounds);
        Skip(cursor, kGroupCountsAndEnd);
    }
    if (group != nullptr) {
        TransformBounds(&group->bounds);
        // A load always has a group stack; the preview, which has none, walks no page.
        if (groupStack != nullptr)
            groupStack->AddObjHead(group);
        DisposeGroup(group);
    }
    return 1;
}

int CmxWalk::DoEndGroup() {
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

int CmxWalk::DoJumpAbsolut() {
    DWORD target = 0;
    {
        TaggedRecord operands(*this, {1}, instrEnd);
        while (operands.Next())
            if (operands.Id() == 1)
                target = GetDWord();
    }
    // A target in front of the body lands past every page, which the walk refuses.
    jumpTarget = BufferOffset(target);
    cursor.Seek(jumpTarget);
    jumped = true;
    return 1;
}
