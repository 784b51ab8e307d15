#include "drawset/crc32.h"

#include "drawset/bytes.h"

namespace {

// Eight tables let the loop fold eight bytes per step: table k gives the effect of a byte that
// still has k bytes to pass through the register.
struct Tables {
    std::uint32_t t[8][256];
};

constexpr Tables MakeTables() {
    Tables tables{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        tables.t[0][i] = c;
    }
    for (int k = 1; k < 8; ++k)
        for (int i = 0; i < 256; ++i) {
            std::uint32_t previous = tables.t[k - 1][i];
            tables.t[k][i] = (previous >> 8) ^ tables.t[0][previous & 0xFF];
        }
    return tables;
}

constexpr Tables kTables = MakeTables();

} // namespace

std::uint32_t DrawsetCrc32(const unsigned char* bytes, std::size_t size, std::uint32_t crc) {
    const auto& t = kTables.t;
    std::uint32_t c = ~crc;
    for (; size >= 8; bytes += 8, size -= 8) {
        std::uint32_t low = c ^ drawset_bytes::GetU32(bytes);
        std::uint32_t high = drawset_bytes::GetU32(bytes + 4);
        c = t[7][low & 0xFF] ^ t[6][(low >> 8) & 0xFF] ^ t[5][(low >> 16) & 0xFF] ^
            t[4][low >> 24] ^ t[3][high & 0xFF] ^ t[2][(high >> 8) & 0xFF] ^
            t[1][(high >> 16) & 0xFF] ^ t[0][high >> 24];
    }
    for (; size > 0; ++bytes, --size)
        c = t[0][(c ^ *bytes) & 0xFF] ^ (c >> 8);
    return ~c;
}
