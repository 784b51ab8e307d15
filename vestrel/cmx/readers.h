// The value readers. Every value of a body is read here, at readPos, never past readEnd; they
// are inline because the page walk calls them for every operand.
#pragma once

#include "vestrel/cmx/cmxparser.h"

#include <cstring>

inline const unsigned char* CCmxParser::Take(DWORD count) {
    if (readPos > readEnd || readEnd - readPos < count) {
        // The rest of the body is consumed: every later read fails as well.
        exhausted = true;
        readPos = readEnd;
        return nullptr;
    }
    const unsigned char* at = dataBuffer + readPos;
    readPos += count;
    return at;
}

inline unsigned char CCmxParser::GetByte() {
    const unsigned char* p = Take(1);
    return p != nullptr ? p[0] : 0;
}

inline WORD CCmxParser::GetWord() {
    const unsigned char* p = Take(2);
    if (p == nullptr)
        return 0;
    return LittleEndian() ? static_cast<WORD>(p[0] | (p[1] << 8))
                          : static_cast<WORD>((p[0] << 8) | p[1]);
}

inline DWORD CCmxParser::GetDWord() {
    const unsigned char* p = Take(4);
    if (p == nullptr)
        return 0;
    if (LittleEndian())
        return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) |
               (static_cast<DWORD>(p[2]) << 16) | (static_cast<DWORD>(p[3]) << 24);
    return (static_cast<DWORD>(p[0]) << 24) | (static_cast<DWORD>(p[1]) << 16) |
           (static_cast<DWORD>(p[2]) << 8) | static_cast<DWORD>(p[3]);
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
    WORD skip = static_cast<WORD>(GetWord() - 3);
    Take(skip);
}

inline DWORD CCmxParser::GetBlock(void* destination, DWORD count) {
    const unsigned char* p = Take(count);
    if (p != nullptr && count > 0)
        std::memcpy(destination, p, count);
    return count;
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
    const unsigned char* p = Take(8);
    if (p == nullptr)
        return 0.0;
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = (bits << 8) | p[i];
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

inline double CCmxParser::GetCoordinate() {
    double value = ShortCoordinates() ? static_cast<double>(static_cast<short>(GetWord()))
                                      : static_cast<double>(static_cast<std::int32_t>(GetDWord()));
    return value * coordScale;
}

inline int CCmxParser::GetPoint(tagDoublePoint* point) {
    point->x = GetCoordinate() - static_cast<double>(GetBoundLeft()) * coordScale;
    point->y = GetCoordinate() - static_cast<double>(GetBoundBottom()) * coordScale;
    return 1;
}

inline int CCmxParser::GetRectangle(tagDoubleRect* rect) {
    rect->left = GetCoordinate();
    rect->top = GetCoordinate();
    rect->right = GetCoordinate();
    rect->bottom = GetCoordinate();
    return 1;
}

inline CCmxParser::SavedCursor CCmxParser::BeginTableRead() {
    SavedCursor saved{readPos, readEnd, exhausted};
    readEnd = dataBuffer != nullptr ? dataSize : 0;
    exhausted = false;
    return saved;
}

inline void CCmxParser::EndTableRead(const SavedCursor& saved) {
    readPos = saved.pos;
    readEnd = saved.end;
    exhausted = saved.exhausted;
}
