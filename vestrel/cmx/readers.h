// The value readers. Every value of a body is read here, through the parser's cursor, never past
// its limit; they are inline because the page walk calls them for every operand.
#pragma once

#include "vestrel/cmx/cmxparser.h"

// The tag of a shape's rendering attributes among its operands.
inline constexpr unsigned char kAttributes = 1;

inline unsigned char CCmxParser::GetByte() {
    return cursor.U8();
}

inline WORD CCmxParser::GetWord() {
    return cursor.U16();
}

inline DWORD CCmxParser::GetDWord() {
    return cursor.U32();
}

inline unsigned char CCmxParser::GetTag() {
    return Tagged() ? GetByte() : 0;
}

inline DWORD CCmxParser::GetTagSize() {
    return Tagged() ? GetWord() : 0;
}

inline void CCmxParser::OverrideTag() {
    if (!Tagged())
        return;
    // The group size counts the tag id and the size word; the count wraps in 16 bits.
    cursor.Take(static_cast<WORD>(GetWord() - 3));
}

inline DWORD CCmxParser::GetBlock(void* destination, DWORD count) {
    return cursor.Copy(destination, count);
}

inline WORD CCmxParser::GetCount() {
    return GetWord();
}

inline short CCmxParser::GetInteger() {
    return static_cast<short>(GetWord());
}

inline WORD CCmxParser::GetAngle() {
    return GetWord();
}

inline int CCmxParser::GetInt32() {
    return static_cast<int>(static_cast<std::int32_t>(GetDWord()));
}

inline int CCmxParser::GetAtom() {
    return GetInt32();
}

inline DWORD CCmxParser::GetOffset() {
    return GetDWord();
}

inline DWORD CCmxParser::GetLength() {
    return ShortCoordinates() ? GetWord() : GetDWord();
}

inline int CCmxParser::GetBoolean() {
    return GetByte();
}

inline double CCmxParser::GetDouble() {
    return cursor.F64();
}

inline double CCmxParser::GetFileCoordinate() {
    return ShortCoordinates() ? static_cast<double>(static_cast<short>(GetWord()))
                              : static_cast<double>(static_cast<std::int32_t>(GetDWord()));
}

inline double CCmxParser::GetCoordinate() {
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

// Defined before its first use: on Windows the class is imported, and an inline member must
// not be referenced before its definition.
inline tagDoublePoint CCmxParser::ToDrawing(double x, double y) const {
    return MapToDrawing(transforms.empty() ? nullptr : &transforms.back(), x, y, coordScale,
                        static_cast<double>(GetBoundLeft()), static_cast<double>(GetBoundBottom()));
}

inline int CCmxParser::GetPoint(tagDoublePoint* point) {
    const double x = GetFileCoordinate();
    const double y = GetFileCoordinate();
    *point = ToDrawing(x, y);
    return 1;
}

inline int CCmxParser::GetRectangle(tagDoubleRect* rect) {
    rect->left = GetCoordinate();
    rect->top = GetCoordinate();
    rect->right = GetCoordinate();
    rect->bottom = GetCoordinate();
    return 1;
}
