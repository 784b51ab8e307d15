// A reading cursor over a bounded view of bytes: a position, a limit, the byte order of words and
// double words, and a sticky "exhausted" flag. Every value of a CMX body is read through one.
#pragma once

#include "platform/bytes.h"
#include "platform/afxdefs.h"

#include <cstring>

class CmxCursor {
public:
    CmxCursor() = default;
    // A cursor at the start of size bytes, limited by their end.
    CmxCursor(const unsigned char* data, DWORD size, bool littleEndian)
        : data_(data), size_(size), end_(size), littleEndian_(littleEndian) {}

    DWORD Position() const { return pos_; }
    // Where reads stop: the view's end, or a nearer limit.
    DWORD Limit() const { return end_; }
    bool LittleEndian() const { return littleEndian_; }
    // Set by the first read that would pass the limit; every later read fails as well, wherever
    // the cursor is moved.
    bool Exhausted() const { return exhausted_; }
    DWORD Remaining() const { return pos_ < end_ ? end_ - pos_ : 0; }

    // A position past the limit is allowed; the next read there fails.
    void Seek(DWORD position) { pos_ = position; }
    // Reads stop at end, which cannot lie past the view; the exhausted flag starts afresh.
    void SetLimit(DWORD end) {
        end_ = end < size_ ? end : size_;
        exhausted_ = false;
    }

    // A cursor of its own for a table elsewhere in the view: at position, limited only by the
    // view's end. What it reads, and whether it runs out, leaves this cursor as it stands.
    CmxCursor At(DWORD position) const {
        CmxCursor table(data_, size_, littleEndian_);
        table.pos_ = position;
        return table;
    }

    // Ends the reading as a read past the limit does.
    void Exhaust() {
        exhausted_ = true;
        pos_ = end_;
    }

    // The next count bytes, or null when they pass the limit: the cursor is then exhausted,
    // stands at the limit and reads nothing more until a new limit is set.
    const unsigned char* Take(DWORD count) {
        if (exhausted_ || pos_ > end_ || end_ - pos_ < count) {
            exhausted_ = true;
            pos_ = end_;
            return nullptr;
        }
        const unsigned char* at = data_ + pos_;
        pos_ += count;
        return at;
    }

    std::uint8_t U8() {
        const unsigned char* p = Take(1);
        return p != nullptr ? p[0] : 0;
    }
    std::uint16_t U16() {
        const unsigned char* p = Take(2);
        if (p == nullptr)
            return 0;
        return littleEndian_ ? byteorder::GetU16(p) : byteorder::GetU16BE(p);
    }
    std::uint32_t U32() {
        const unsigned char* p = Take(4);
        if (p == nullptr)
            return 0;
        return littleEndian_ ? byteorder::GetU32(p) : byteorder::GetU32BE(p);
    }
    // Doubles are little-endian whatever the byte order of words.
    double F64() {
        const unsigned char* p = Take(8);
        return p != nullptr ? byteorder::GetF64(p) : 0.0;
    }
    // Copies count bytes; nothing when they pass the limit.
    DWORD Copy(void* destination, DWORD count) {
        const unsigned char* p = Take(count);
        if (p != nullptr && count > 0)
            std::memcpy(destination, p, count);
        return count;
    }

private:
    const unsigned char* data_ = nullptr;
    DWORD size_ = 0;
    DWORD pos_ = 0;
    DWORD end_ = 0;
    bool littleEndian_ = true;
    bool exhausted_ = false;
};
