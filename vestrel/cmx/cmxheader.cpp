#include "vestrel/cmx/cmxheader.h"

#include <cstring>

namespace {

const char kIdentifier[] = "{Corel Binary Meta File}";

} // namespace

CCmxHeader::CCmxHeader() {
    std::memset(&riffPart, 0, sizeof riffPart);
    std::memset(&headerChunk, 0, sizeof headerChunk);
}

CCmxHeader::~CCmxHeader() = default;

CCmxHeader& CCmxHeader::operator=(const CCmxHeader& other) {
    if (this != &other) {
        std::memcpy(&riffPart, &other.riffPart, sizeof riffPart);
        std::memcpy(&headerChunk, &other.headerChunk, sizeof headerChunk);
    }
    return *this;
}

DWORD CCmxHeader::GetHeaderChunkSize() const {
    return std::memcmp(riffPart.magic, "RIFX", 4) == 0
               ? byteorder::GetU32BE(riffPart.headerChunkSize)
               : byteorder::GetU32(riffPart.headerChunkSize);
}

DWORD CCmxHeader::ReadHeader(CFile* file) {
    if (file == nullptr)
        return 0;
    UINT riffRead = file->Read(&riffPart, sizeof riffPart);
    UINT chunkRead = file->Read(&headerChunk, sizeof headerChunk);
    // Bytes that a short file did not deliver are cleared rather than left from an earlier
    // header.
    if (riffRead < sizeof riffPart)
        std::memset(reinterpret_cast<BYTE*>(&riffPart) + riffRead, 0, sizeof riffPart - riffRead);
    if (chunkRead < sizeof headerChunk)
        std::memset(reinterpret_cast<BYTE*>(&headerChunk) + chunkRead, 0,
                    sizeof headerChunk - chunkRead);
    // The identifier and its terminating zero must have been read and match.
    if (chunkRead < sizeof kIdentifier ||
        std::memcmp(headerChunk.identifier, kIdentifier, sizeof kIdentifier) != 0)
        return 0;
    return riffRead + chunkRead;
}
