#include "drawset/crc32.h"

#include <zlib.h>

std::uint32_t DrawsetCrc32(const unsigned char* bytes, std::size_t size, std::uint32_t crc) {
    // zlib's count is a uInt: a larger stream goes in pieces.
    constexpr std::size_t kPiece = std::size_t{1} << 30;
    uLong sum = crc;
    while (size > 0) {
        const std::size_t piece = size < kPiece ? size : kPiece;
        sum = ::crc32(sum, bytes, static_cast<uInt>(piece));
        bytes += piece;
        size -= piece;
    }
    return static_cast<std::uint32_t>(sum);
}
