// The poly-curve instruction: point lists become paths, one per sub-path.
#include "vestrel/cmx/readers.h"
#include "vestrel/objects/objects.h"

using namespace vestrel_objects;

namespace {

constexpr unsigned char kMove = 'M';
constexpr unsigned char kLine = 'L';
constexpr unsigned char kCurveStart = 'C';
constexpr unsigned char kCurveNext = 'x';

} // namespace

int CCmxParser::DoPolyCurve() {
    int fillFlag = ReadAttributeGroup();
    GetPointList(fillFlag);
    return 1;
}

int CCmxParser::GetPointList(int fillFlag) {
    GetTag();
    GetTagSize();
    const WORD count = GetCount();
    // The points and their node bytes are operands of this instruction: a count that the
    // instruction cannot hold is damage, and the list is rejected before anything is built.
    const DWORD pointBytes = ShortCoordinates() ? 4 : 8;
    const ULONGLONG needed = static_cast<ULONGLONG>(count) * (pointBytes + 1);
    if (exhausted || drawing == nullptr || readPos > instrEnd || needed > instrEnd - readPos)
        return 0;
    // The working arrays are kept between shapes: a drawing has many.
    letterScratch.resize(count);
    pointScratch.resize(count);
    unsigned char* letters = letterScratch.data();
    tagDoublePoint* points = pointScratch.data();
    if (pathScratch == nullptr)
        pathScratch = new CGrObjSimple;
    CGrObjSimple* path = pathScratch;
    for (WORD i = 0; i < count; ++i)
        GetPoint(&points[i]);
    bool curveRun = false;
    for (WORD i = 0; i < count; ++i) {
        const unsigned char node = GetByte();
        if (node & 0x02)
            return 0;
        switch (node & 0xC0) {
        case 0xC0:
            letters[i] = curveRun ? kCurveNext : kCurveStart;
            curveRun = true;
            break;
        case 0x80:
            letters[i] = kCurveNext;
            curveRun = false;
            break;
        case 0x40:
            letters[i] = kLine;
            break;
        default:
            letters[i] = kMove;
            break;
        }
    }

    auto finish = [&](CGrObjSimple* piece, WORD first, WORD length) {
        piece->SetLayerIndex(curLayerIndex);
        // Unfilled shapes end a hair to the right of where they end in the file.
        if (fillFlag != 1 && length >= 1)
            points[first + length - 1].x += 0.0001;
        piece->BuildBefBlock(letters + first, points + first, length);
    };

    bool split = false;
    long first = 0;
    POSITION anchor = nullptr;
    WORD pieceStart = 0;
    for (WORD i = 1; i < count; ++i) {
        if (letters[i] != kMove)
            continue;
        if (!split) {
            split = true;
            first = drawing->GetCount() + 1;
            anchor = drawing->GetTailPosition();
        }
        finish(path, pieceStart, static_cast<WORD>(i - pieceStart));
        // The list keeps a copy; the next piece's block replaces this one's in the same object.
        drawing->AddObjTail(path);
        pieceStart = i;
    }
    finish(path, pieceStart, static_cast<WORD>(count - pieceStart));
    // The position the last piece has once a split shape's group stands in front of it.
    if (CGrObjGroup* group = OpenGroup())
        group->AddObject(static_cast<unsigned long>(drawing->GetCount()) + (split ? 2 : 1));
    drawing->AddObjTail(path);

    if (split) {
        if (splitScratch == nullptr)
            splitScratch = new CGrObjGroup(static_cast<unsigned short>(GROBJ_TYPE_SPLIT_GROUP));
        CGrObjGroup* pieces = splitScratch;
        // The group starts without members; its block is kept for the next split shape.
        pieces->size = 0;
        const long last = drawing->GetCount();
        for (long q = first + 1; q <= last + 1; ++q)
            pieces->AddObject(static_cast<unsigned long>(q));
        if (anchor != nullptr)
            drawing->InsertObjAfter(anchor, pieces);
        else
            drawing->AddObjHead(pieces);
    }
    return 1;
}
