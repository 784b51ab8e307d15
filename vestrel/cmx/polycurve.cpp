// Shapes: the point lists of poly-curves and the outlines of rectangles become paths, one per
// sub-path.
#include "vestrel/cmx/readers.h"
#include "vestrel/objects/objects.h"

#include <algorithm>
#include <cmath>

using namespace vestrel_objects;

namespace {

constexpr unsigned char kMove = 'M';
constexpr unsigned char kLine = 'L';
constexpr unsigned char kCurveStart = 'C';
constexpr unsigned char kCurveNext = 'x';

// A quarter circle of radius 1 as one cubic segment: its control points lie this far along the
// tangents.
constexpr double kQuarterArc = 0.5522847498307936;
constexpr double kPi = 3.14159265358979323846;

// A coordinate of a point list, in the byte order and size of the body.
template <bool kLittle, bool kShort> double FileCoordinate(const unsigned char* p) {
    using namespace byteorder;
    if constexpr (kShort)
        return static_cast<double>(static_cast<short>(kLittle ? GetU16(p) : GetU16BE(p)));
    else
        return static_cast<double>(static_cast<std::int32_t>(kLittle ? GetU32(p) : GetU32BE(p)));
}

// The count points at p into drawing coordinates. One instance per byte order, coordinate size
// and presence of a global transform, so that the loop decides nothing per value.
template <bool kLittle, bool kShort, bool kTransform>
void ReadPoints(const unsigned char* p, WORD count, const CMatrix* transform, double scale,
                double left, double bottom, tagDoublePoint* out) {
    constexpr unsigned kStep = kShort ? 2 : 4;
    for (WORD i = 0; i < count; ++i, p += 2 * kStep)
        out[i] = MapToDrawing(kTransform ? transform : nullptr, FileCoordinate<kLittle, kShort>(p),
                              FileCoordinate<kLittle, kShort>(p + kStep), scale, left, bottom);
}

using PointReader = void (*)(const unsigned char*, WORD, const CMatrix*, double, double, double,
                             tagDoublePoint*);

// By [little-endian][short coordinates][transform].
constexpr PointReader kPointReaders[2][2][2] = {
    {{ReadPoints<false, false, false>, ReadPoints<false, false, true>},
     {ReadPoints<false, true, false>, ReadPoints<false, true, true>}},
    {{ReadPoints<true, false, false>, ReadPoints<true, false, true>},
     {ReadPoints<true, true, false>, ReadPoints<true, true, true>}},
};

} // namespace

int CmxWalk::DoPolyCurve() {
    int fillFlag = 0;
    bool pointsRead = false;
    TaggedRecord operands(*this, {1, 2}, instrEnd, kAttributes);
    while (operands.Next()) {
        if (operands.Id() == 1) {
            fillFlag = ReadAttributeGroup();
        } else if (operands.Id() == 2 && !pointsRead) {
            // One shape an instruction: further point lists are passed over like unknown fields.
            pointsRead = true;
            GetPointList(fillFlag);
        }
    }
    return 1;
}

int CmxWalk::GetPointList(int fillFlag) {
    const WORD count = GetCount();
    // The points and their node bytes are operands of this instruction: a count that the
    // instruction cannot hold is damage, and the list is rejected before anything is built.
    const DWORD pointBytes = ShortCoordinates() ? 4 : 8;
    const ULONGLONG needed = static_cast<ULONGLONG>(count) * (pointBytes + 1);
    // The list ends with its field, which may end before the instruction does: the count is
    // checked against the nearer end, so that the working arrays never grow beyond what the
    // field's bytes back.
    const DWORD at = cursor.Position();
    const DWORD end = std::min<DWORD>(instrEnd, cursor.Limit());
    if (cursor.Exhausted() || drawing == nullptr || at > end || needed > end - at)
        return 0;
    const unsigned char* coordinates = cursor.Take(static_cast<DWORD>(count) * pointBytes);
    const unsigned char* nodes = cursor.Take(count);
    if (coordinates == nullptr || nodes == nullptr)
        return 0;
    // The working arrays are kept between shapes: a drawing has many.
    letterScratch.resize(count);
    pointScratch.resize(count);
    unsigned char* letters = letterScratch.data();
    tagDoublePoint* points = pointScratch.data();
    const CMatrix* transform = transforms.empty() ? nullptr : &transforms.back();
    kPointReaders[cursor.LittleEndian()][ShortCoordinates()][transform != nullptr](
        coordinates, count, transform, coordScale, static_cast<double>(GetBoundLeft()),
        static_cast<double>(GetBoundBottom()), points);
    bool curveRun = false;
    for (WORD i = 0; i < count; ++i) {
        const unsigned char node = nodes[i];
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
    AddShape(letters, points, count, fillFlag, nodes);
    return 1;
}

void CmxWalk::AddShape(unsigned char* letters, tagDoublePoint* points, WORD count, int fillFlag,
                       const unsigned char* nodes) {
    if (pathScratch == nullptr)
        pathScratch = new CGrObjSimple;
    CGrObjSimple* path = pathScratch;

    // Whether a piece is closed: a node says so, or its ends meet.
    bool closed = false;
    auto finish = [&](CGrObjSimple* piece, WORD first, WORD length) {
        if (readAppearance) {
            closed = nodes == nullptr;
            for (WORD i = first; i < first + length && !closed; ++i)
                closed = (nodes[i] & 0x08) != 0;
            if (!closed && length >= 3) {
                const tagDoublePoint &a = points[first], &b = points[first + length - 1];
                closed = a.x == b.x && a.y == b.y;
            }
        }
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
        NoteAppearance(closed);
        pieceStart = i;
    }
    finish(path, pieceStart, static_cast<WORD>(count - pieceStart));
    // The position the last piece has once a split shape's group stands in front of it.
    if (CGrObjGroup* group = OpenGroup())
        group->AddObject(static_cast<unsigned long>(drawing->GetCount()) + (split ? 2 : 1));
    drawing->AddObjTail(path);
    NoteAppearance(closed);

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
}

int CmxWalk::DoRectangle() {
    int fillFlag = 0;
    bool read = false;
    double centreX = 0, centreY = 0, width = 0, height = 0, radius = 0, degrees = 0;
    TaggedRecord operands(*this, {1, 2}, instrEnd, kAttributes);
    while (operands.Next()) {
        if (operands.Id() == 1) {
            fillFlag = ReadAttributeGroup();
        } else if (operands.Id() == 2) {
            centreX = GetFileCoordinate();
            centreY = GetFileCoordinate();
            width = GetLength();
            height = GetLength();
            radius = GetLength();
            // Millionths of a degree in 32-bit files, tenths in 16-bit ones, counter-clockwise.
            degrees = ShortCoordinates() ? GetInteger() / 10.0 : GetInt32() / 1.0e6;
            tagDoubleRect bounds;
            GetRectangle(&bounds);
            read = !cursor.Exhausted();
        }
    }
    // A rectangle without its geometry is cut short.
    if (!read)
        cursor.Exhaust();
    if (!read || cursor.Exhausted() || drawing == nullptr)
        return 1;

    // The outline counter-clockwise from the lower edge, around the centre; rounded corners
    // are quarter arcs, each one cubic segment.
    const double w = width / 2, h = height / 2;
    const double r = std::min({radius, w, h});
    const double k = r * kQuarterArc;
    struct Node {
        double x, y;
        unsigned char letter;
    };
    Node outline[17];
    int count = 0;
    auto add = [&](double x, double y, unsigned char letter) { outline[count++] = {x, y, letter}; };
    if (r <= 0) {
        add(-w, -h, kMove);
        add(w, -h, kLine);
        add(w, h, kLine);
        add(-w, h, kLine);
        add(-w, -h, kLine);
    } else {
        add(-w + r, -h, kMove);
        add(w - r, -h, kLine);
        add(w - r + k, -h, kCurveStart);
        add(w, -h + r - k, kCurveNext);
        add(w, -h + r, kCurveNext);
        add(w, h - r, kLine);
        add(w, h - r + k, kCurveStart);
        add(w - r + k, h, kCurveNext);
        add(w - r, h, kCurveNext);
        add(-w + r, h, kLine);
        add(-w + r - k, h, kCurveStart);
        add(-w, h - r + k, kCurveNext);
        add(-w, h - r, kCurveNext);
        add(-w, -h + r, kLine);
        add(-w, -h + r - k, kCurveStart);
        add(-w + r - k, -h, kCurveNext);
        add(-w + r, -h, kCurveNext);
    }
    const double cosine = std::cos(degrees * kPi / 180.0);
    const double sine = std::sin(degrees * kPi / 180.0);
    unsigned char letters[17];
    tagDoublePoint points[17];
    for (int i = 0; i < count; ++i) {
        letters[i] = outline[i].letter;
        points[i] = ToDrawing(centreX + outline[i].x * cosine - outline[i].y * sine,
                              centreY + outline[i].x * sine + outline[i].y * cosine);
    }
    AddShape(letters, points, static_cast<WORD>(count), fillFlag);
    return 1;
}
