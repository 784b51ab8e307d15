// CRC-32 as zlib and PNG compute it, by zlib: the IEEE 802.3 polynomial, reflected, with the
// register inverted before and after.
#pragma once

#include "drawset/api.h"

#include <cstddef>
#include <cstdint>

// The checksum of size bytes, continuing from crc, the checksum of the bytes before them (0
// for none), so that a stream can be summed in pieces.
DRAWSET_API std::uint32_t DrawsetCrc32(const unsigned char* bytes, std::size_t size,
                                       std::uint32_t crc = 0);
