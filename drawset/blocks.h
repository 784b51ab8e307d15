// The layouts of the records' data blocks, inside the drawset library.
#pragma once

#include "platform/bytes.h"

#include <cstddef>
#include <cstdint>

namespace drawset_blocks {

// Bef block: the point count n (32 bits), n node letters, then n points of two doubles.
constexpr std::size_t kBefHeader = 4;
constexpr std::size_t kBefPoint = 16;

// TRUE when size bytes at block hold exactly the letters and points their count announces.
inline bool BefLayoutValid(const unsigned char* block, std::size_t size, std::uint32_t* count) {
    if (block == nullptr || size < kBefHeader)
        return false;
    std::uint32_t n = byteorder::GetU32(block);
    // Dividing first keeps a hostile count from overflowing the product.
    std::size_t body = size - kBefHeader;
    if (body % (1 + kBefPoint) != 0 || body / (1 + kBefPoint) != n)
        return false;
    *count = n;
    return true;
}

// Group block: the 1-based list positions of the members, 32 bits each.
constexpr std::size_t kGroupMember = 4;

} // namespace drawset_blocks
