// A reading cursor over a body that others hold: a position, a limit, the byte order of words and
// double words, and a sticky "exhausted" flag. Every value of a CMX body is read through one.
#pragma once

#include "platform/bytes.h"
#include "platform/afxdefs.h"

#include <cstring>

class CmxCursor {
public:
    // A cursor over no bytes: every read fails.
    CmxCursor() = default;
    // A cursor at the start of the bytes that *data and *size describe, limited by their end.
    // It keeps no copy of either: it reads through them, so a body that its holder replaces,
    // unpacks or cuts short is the one read next, and nothing has to be kept in step.
    CmxCursor(const unsigned char* const* data, const DWORD* size, bool littleEndian)
        : data_(data), size_(size), littleEndian_(littleEndian) {}

    // Back to the start, with no limit but the end of the bytes, read in the byte order given.
    void Restart(bool littleEndian) {
        pos_ = 0;
        end_ = kNoLimit;
        littleEndian_ = littleEndian;
        exhausted_ = false;
    }

    DWORD Position() const { return pos_; }
    // Where reads stop: the end of the bytes, or a nearer limit. Without bytes there is nothing
    // to read, whatever size their holder still states.
    DWORD Limit() const {
        if (*data_ == nullptr)
            return 0;
        return end_ < *size_ ? end_ : *size_;
    }
    bool LittleEndian() const { return littleEndian_; }
    // Set by the first read that would pass the limit; every later read fails as well, wherever
    // the cursor is moved.
    bool Exhausted() const { return exhausted_; }
    DWORD Remaining() const {
        const DWORD limit = Limit();
        return pos_ < limit ? limit - pos_ : 0;
    }

    // A position past the limit is allowed; the next read there fails.
    void Seek(DWORD position) { pos_ = position; }
    // Reads stop at end, or at the end of the bytes when that comes first; the exhausted flag
    // starts afresh.
    void SetLimit(DWORD end) {
        end_ = end;
        exhausted_ = false;
    }

    // A cursor of its own for a table elsewhere in the bytes: at position, limited only by their
    // end. What it reads, and whether it runs out, leaves this cursor as it stands.
    CmxCursor At(DWORD position) const {
        CmxCursor table(data_, size_, littleEndian_);
        table.pos_ = position;
        return table;
    }

    // Ends the reading as a read past the limit does.
    void Exhaust() {
        exhausted_ = true;
        pos_ = Limit();
    }

    // The next count bytes, or null when they pass the limit: the cursor is then exhausted,
    // stands at the limit and reads nothing more until a new limit is set.
    const unsigned char* Take(DWORD count) {
        const DWORD limit = Limit();
        if (exhausted_ || pos_ > limit || limit - pos_ < count) {
            exhausted_ = true;
            pos_ = limit;
            return nullptr;
        }
        const unsigned char* at = *data_ + pos_;
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
    static constexpr DWORD kNoLimit = 0xFFFFFFFF;
    static constexpr const unsigned char* kNoBytes = nullptr;
    static constexpr DWORD kNoSize = 0;

    const unsigned char* const* data_ = &kNoBytes;
    const DWORD* size_ = &kNoSize;
    DWORD pos_ = 0;
    DWORD end_ = kNoLimit;
    bool littleEndian_ = true;
    bool exhausted_ = false;
};
