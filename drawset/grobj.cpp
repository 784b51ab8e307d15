// The records' members that live in the drawset library.
#include "drawset/grobj.h"

#include "drawset/blocks.h"
#include "platform/bytes.h"

#include <bit>
#include <cstring>
#include <limits>

using namespace byteorder;
using namespace drawset_blocks;

namespace {

// The points as a Bef block holds them, two little-endian doubles each: where the machine's
// doubles are little-endian already, in one copy.
void PutPoints(unsigned char* out, const tagDoublePoint* points, unsigned long n) {
    static_assert(sizeof(tagDoublePoint) == kBefPoint);
    if constexpr (std::endian::native == std::endian::little) {
        if (n > 0)
            std::memcpy(out, points, n * kBefPoint);
    } else {
        for (unsigned long i = 0; i < n; ++i, out += kBefPoint) {
            PutF64(out, points[i].x);
            PutF64(out + 8, points[i].y);
        }
    }
}

} // namespace

void CGrObj::SetMatrix(const CMatrix* transformation) {
    if (transformation == nullptr || transformation == matrix)
        return;
    // Compared bit for bit, so that a negative zero survives into the job.
    if (std::memcmp(transformation, &kGrObjIdentity, sizeof(CMatrix)) == 0) {
        DrawsetReleaseMatrix(*this);
        return;
    }
    if (matrix == nullptr)
        matrix = new CMatrix(*transformation);
    else
        *matrix = *transformation;
}

void DrawsetReleaseMatrix(CGrObj& object) {
    delete object.matrix;
    object.matrix = nullptr;
}

CGrObjSimple::CGrObjSimple() {
    objClass = GrObjClass::simple;
    type = GROBJ_TYPE_SIMPLE;
}

CGrObjSimple::~CGrObjSimple() {
    if (data != nullptr)
        DrawsetReleaseBlock(*this);
}

void CGrObjSimple::SetLayerIndex(unsigned short index) {
    layerIndex = index;
}

int CGrObjSimple::BuildBefBlock(const unsigned char* letters, const tagDoublePoint* points,
                                unsigned long n) {
    constexpr unsigned long kMax =
        (std::numeric_limits<DWORD>::max() - kBefHeader) / (1 + kBefPoint);
    if (n > kMax || (n > 0 && (letters == nullptr || points == nullptr)))
        return 0;
    std::size_t length = kBefHeader + n * (1 + kBefPoint);
    if (capacity < size)
        capacity = size;
    // A block that can hold the new one is rebuilt in place: a reader that builds many paths
    // in one object allocates only for the largest.
    const bool reuse = data != nullptr && capacity >= length;
    unsigned char* block = reuse ? data : static_cast<unsigned char*>(::operator new(length));
    PutU32(block, static_cast<std::uint32_t>(n));
    if (n > 0)
        std::memcpy(block + kBefHeader, letters, n);
    PutPoints(block + kBefHeader + n, points, n);
    if (!reuse) {
        DrawsetReleaseBlock(*this);
        data = block;
        capacity = static_cast<DWORD>(length);
    }
    size = static_cast<DWORD>(length);
    return 1;
}

unsigned long CGrObjSimple::GetPointCount() const {
    std::uint32_t n = 0;
    return BefLayoutValid(data, size, &n) ? n : 0;
}

unsigned char CGrObjSimple::GetLetter(unsigned long i) const {
    return i < GetPointCount() ? data[kBefHeader + i] : 0;
}

tagDoublePoint CGrObjSimple::GetPoint(unsigned long i) const {
    unsigned long n = GetPointCount();
    if (i >= n)
        return tagDoublePoint{0.0, 0.0};
    const unsigned char* p = data + kBefHeader + n + i * kBefPoint;
    return tagDoublePoint{GetF64(p), GetF64(p + 8)};
}

CGrObjGroup::CGrObjGroup() {
    objClass = GrObjClass::group;
    type = GROBJ_TYPE_GROUP;
}

int CGrObjGroup::AddObject(unsigned long position) {
    if (position > std::numeric_limits<std::uint32_t>::max())
        return 0;
    if (data == nullptr)
        capacity = size = 0;
    // A block that someone set without its capacity holds exactly its size.
    if (capacity < size)
        capacity = size;
    if (size + 4 > capacity) {
        if (capacity > std::numeric_limits<DWORD>::max() / 2 - 4)
            return 0;
        // Doubling keeps a long run of registrations linear.
        DWORD grown = capacity < 16 ? 16 : capacity * 2;
        unsigned char* block = static_cast<unsigned char*>(::operator new(grown));
        if (size > 0)
            std::memcpy(block, data, size);
        DrawsetReleaseBlock(*this);
        data = block;
        capacity = grown;
    }
    PutU32(data + size, static_cast<std::uint32_t>(position));
    size += 4;
    return 1;
}

unsigned long CGrObjGroup::GetMemberCount() const {
    return data != nullptr ? size / 4 : 0;
}

unsigned long CGrObjGroup::GetMember(unsigned long i) const {
    return i < GetMemberCount() ? GetU32(data + 4 * i) : 0;
}

CGrObjBitmap::CGrObjBitmap() {
    objClass = GrObjClass::bitmap;
    type = GROBJ_TYPE_BITMAP;
}

int CGrObjColorMap::CreateColorMap(unsigned short n) {
    DWORD* table = n > 0 ? static_cast<DWORD*>(::operator new(n * sizeof(DWORD))) : nullptr;
    if (table != nullptr)
        std::memset(table, 0, n * sizeof(DWORD));
    if (colors != nullptr)
        ::operator delete(colors);
    colors = table;
    colorCount = n;
    return 1;
}

int CGrObjColorMap::SetColor(unsigned short index, unsigned long color) {
    if (colors == nullptr || index >= colorCount)
        return 0;
    colors[index] = static_cast<DWORD>(color);
    return 1;
}

unsigned long CGrObjColorMap::GetColor(unsigned short index) const {
    return colors != nullptr && index < colorCount ? colors[index] : 0;
}

BOOL CGrObjColorMap::LookupReference(unsigned short reference, unsigned long* color) const {
    // References count from 1; 0 and 0xFFFF name no colour.
    if (reference == 0 || reference == 0xFFFF || reference > colorCount || colors == nullptr)
        return FALSE;
    if (color != nullptr)
        *color = colors[reference - 1];
    return TRUE;
}
