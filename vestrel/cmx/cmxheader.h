// The CMX file header as it stands in the first 204 bytes of a file.
#pragma once

#include "vestrel/frame/vestrel_api.h"

#include "platform/bytes.h"
#include "platform/cfile.h"

// Size of the header that is read into CCmxHeader. The body starts where the header chunk ends
// as the file states it; where that cannot be taken, behind these bytes.
constexpr DWORD CMX_HEADER_SIZE = 204;
// The RIFF part in front of the header chunk's data.
constexpr DWORD CMX_RIFF_PART_SIZE = 20;
// The header chunk's data up to the end of the bounding box: the least a header chunk must hold.
constexpr DWORD CMX_HEADER_FIELDS_SIZE = 112;

// The RIFF part: file bytes 0 to 19.
struct CmxRiffPart {
    char magic[4];
    BYTE riffSize[4];
    char formType[4];
    char headerChunkId[4];
    BYTE headerChunkSize[4];
};

// The header chunk's data: file bytes 20 to 203, every field in its file position.
struct CmxHeaderChunk {
    char identifier[32];
    BYTE reserved1[16];
    char byteOrder[4];
    char coordSize[2];
    char versionText[10];
    BYTE scaleFactor[8];
    BYTE reserved2[24];
    BYTE boundingBox[16];
    BYTE reserved3[72];
};

static_assert(sizeof(CmxRiffPart) == 20, "RIFF part is 20 bytes");
static_assert(sizeof(CmxHeaderChunk) == 184, "header chunk is 184 bytes");

class VESTREL_API CCmxHeader {
public:
    // The header starts zeroed, so that the fields of a header that was never read, or read
    // only in part, hold no stray bytes.
    CCmxHeader();
    ~CCmxHeader();
    CCmxHeader(const CCmxHeader&) = default;
    CCmxHeader& operator=(const CCmxHeader& other);

    // Reads the 204 header bytes and checks the identifier. Returns the number of bytes read,
    // 0 when file is null or the bytes are not a CMX header.
    DWORD ReadHeader(CFile* file);

    // The header's fields; its numbers are little-endian whatever the byte order says.
    const CmxRiffPart& GetRiffPart() const { return riffPart; }
    const CmxHeaderChunk& GetHeaderChunk() const { return headerChunk; }
    // The header chunk's size as the file states it: big-endian in a "RIFX" file, else
    // little-endian.
    DWORD GetHeaderChunkSize() const;
    char GetByteOrderChar() const { return headerChunk.byteOrder[0]; }
    char GetCoordSizeChar() const { return headerChunk.coordSize[0]; }
    char GetVersionChar() const { return headerChunk.versionText[0]; }
    double GetScaleFactor() const { return byteorder::GetF64(headerChunk.scaleFactor); }
    // Bounding box in file units: left, top, right, bottom.
    LONG GetBoundLeft() const { return BoundValue(0); }
    LONG GetBoundTop() const { return BoundValue(1); }
    LONG GetBoundRight() const { return BoundValue(2); }
    LONG GetBoundBottom() const { return BoundValue(3); }

protected:
    LONG BoundValue(int index) const {
        return static_cast<LONG>(
            static_cast<std::int32_t>(byteorder::GetU32(headerChunk.boundingBox + 4 * index)));
    }

    CmxRiffPart riffPart;
    CmxHeaderChunk headerChunk;
};
