// The value readers. Every value of a body is read here, through the walk's cursor, never past
// its limit; they are inline because the page walk calls them for every operand.
#pragma once

#include "vestrel/cmx/walk.h"

// The tag of a shape's rendering attributes among its operands.
inline constexpr unsigned char kAttributes = 1;

// Memory for a body, which lives only while it is interpreted: on Windows it comes straight
// from the system and goes back to it at once, so that a host's heap does not keep a large
// drawing's body committed after the load. Throws std::bad_alloc when there is none.
unsigned char* AllocateBodyBytes(std::size_t count);
void FreeBodyBytes(unsigned char* bytes);

inline unsigned char CmxWalk::GetByte() {
    return cursor.U8();
}

inline WORD CmxWalk::GetWord() {
    return cursor.U16();
}

inline DWORD CmxWalk::GetDWord() {
    return cursor.U32();
}

inline unsigned char CmxWalk::GetTag() {
    return Tagged() ? GetByte() : 0;
}

inline DWORD CmxWalk::GetTagSize() {
    return Tagged() ? GetWord() : 0;
}

inline void CmxWalk::OverrideTag() {
    if (!Tagged())
        return;
    // The group size counts the tag id and the size word; the count wraps in 16 bits.
    cursor.Take(static_cast<WORD>(GetWord() - 3));
}

inline DWORD CmxWalk::GetBlock(void* destination, DWORD count) {
    return cursor.Copy(destination, count);
}

inline WORD CmxWalk::GetCount() {
    return GetWord();
}

inline short CmxWalk::GetInteger() {
    return static_cast<short>(GetWord());
}

inline int CmxWalk::GetInt32() {
    return static_cast<int>(static_cast<std::int32_t>(GetDWord()));
}

inline DWORD CmxWalk::GetOffset() {
    return GetDWord();
}

inline DWORD CmxWalk::GetLength() {
    return ShortCoordinates() ? GetWord() : GetDWord();
}

inline double CmxWalk::GetDouble() {
    return cursor.F64();
}

inline double CmxWalk::GetFileCoordinate() {
    return ShortCoordinates() ? static_cast<double>(static_cast<short>(GetWord()))
                              : static_cast<double>(static_cast<std::int32_t>(GetDWord()));
}

inline double CmxWalk::GetCoordinate() {
    return GetFileCoordinate() * coordScale;
}

// File coordinates under the transform m (none when null), scaled and moved to the drawing's
// origin (left, bottom in file units): the one formula for every point of a drawing.
inline tagDoublePoint MapToDrawing(const CMatrix* m, double x, double y, double scale, double left,
                                   double bottom) {
    if (m != nullptr) {
        const double tx = m->m11 * x + m->m21 * y + m->dx;
        y = m->m12 * x + m->m22 * y + m->dy;
        x = tx;
    }
    return tagDoublePoint{x * scale - left * scale, y * scale - bottom * scale};
}

inline tagDoublePoint CmxWalk::ToDrawing(double x, double y) const {
    return MapToDrawing(transforms.empty() ? nullptr : &transforms.back(), x, y, coordScale,
                        static_cast<double>(GetBoundLeft()), static_cast<double>(GetBoundBottom()));
}

inline int CmxWalk::GetPoint(tagDoublePoint* point) {
    const double x = GetFileCoordinate();
    const double y = GetFileCoordinate();
    *point = ToDrawing(x, y);
    return 1;
}

inline int CmxWalk::GetRectangle(tagDoubleRect* rect) {
    rect->left = GetCoordinate();
    rect->top = GetCoordinate();
    rect->right = GetCoordinate();
    rect->bottom = GetCoordinate();
    return 1;
}
