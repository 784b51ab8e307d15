// Loading a CMX image: header, body buffer, chunk search and the page chunk.
#include "vestrel/cmx/readers.h"
#include "vestrel/objects/objects.h"
#include "vestrel/resources/resource.h"

#include "platform/cfile.h"
#include "platform/process.h"

#include <algorithm>
#include <new>
#include <limits>

namespace {

constexpr std::size_t kBodyAlignment = 4096;

const char* const kInspectedChunks[] = {"page", "DISP", "rclr", "rotl", "ixef", "data"};

} // namespace

unsigned char* AllocateBodyBytes(std::size_t count) {
    void* bytes = PlatformAllocateAligned(count != 0 ? count : 1, kBodyAlignment);
    if (bytes == nullptr)
        throw std::bad_alloc();
    return static_cast<unsigned char*>(bytes);
}

void FreeBodyBytes(unsigned char* bytes) {
    PlatformFreeAligned(bytes, kBodyAlignment);
}

int CCmxParser::LoadCmx6File(CString path) {
    return walk_->FinishLoad(CmxWalk::LoadOrder::thumbnailFirst,
                             walk_->ReadCmxFile(path, true, true));
}

int CmxWalk::FinishLoad(LoadOrder order, DWORD bodyLength) {
    if (bodyLength == 0)
        return 0;
    InterpretBody(order, bodyLength);
    FreeMem();
    SetDrawingFrame();
    return 1;
}

int CCmxParser::InspectCmx6File(CString path, CCmxFileInfo* info) {
    CFile file;
    if (!walk_->OpenCmxFile(path, &file, true)) {
        info->opened = false;
        info->stop = walk_->stopRecord;
        return 0;
    }
    return walk_->InspectStream(&file, info);
}

int CmxWalk::InspectStream(CFile* stream, CCmxFileInfo* info) {
    info->opened = true;
    const DWORD bodyLength = ReadCmxImage(stream, true, &info->headerBytes);
    stream->Close();
    info->header = parser_;
    info->bodySize = bodyLength;
    info->stop = stopRecord;
    if (bodyLength == 0)
        return 0;
    info->chunkCount = 0;
    for (const char* id : kInspectedChunks) {
        CCmxFileInfo::Chunk& chunk = info->chunks[info->chunkCount++];
        std::memcpy(chunk.id, id, 5);
        unsigned char* at = FindChunk(id);
        chunk.offset = at != nullptr ? static_cast<long>(FileOffset(Offset(at))) : -1;
    }
    info->instructions.clear();
    instructionCounts = &info->instructions;
    InterpretBody(LoadOrder::thumbnailFirst, bodyLength);
    instructionCounts = nullptr;
    info->stop = stopRecord;
    info->objectCount = drawing->GetCount();
    FreeMem();
    ReleaseDrawing();
    return 1;
}

bool CmxWalk::OpenCmxFile(const CString& path, CFile* file, bool openMessage) {
    CFileException error;
    if (file->Open(path, CFile::modeRead, &error))
        return true;
    stopRecord = CCmxStopRecord();
    stopRecord.reason = CmxStop::noFile;
    if (openMessage)
        ShowErrorMessage(IDS_CMX_OPEN_FAILED);
    return false;
}

DWORD CmxWalk::ReadCmxFile(const CString& path, bool createLists, bool openMessage,
                           DWORD* headerBytes) {
    CFile file;
    if (!OpenCmxFile(path, &file, openMessage))
        return 0;
    const DWORD bodyLength = ReadCmxImage(&file, createLists, headerBytes);
    file.Close();
    return bodyLength;
}

DWORD CmxWalk::ReadCmxImage(CFile* stream, bool createLists, DWORD* headerRead, bool packMessage) {
    stopRecord = CCmxStopRecord();
    bodyStart = CMX_HEADER_SIZE;
    DWORD headerBytes = parser_.ReadHeader(stream);
    if (headerRead != nullptr)
        *headerRead = headerBytes;
    if (headerBytes == 0) {
        stopRecord.reason = CmxStop::noHeader;
        return 0;
    }
    formatVersion = parser_.GetVersionChar();
    coordScale = parser_.GetScaleFactor() * 100000.0;
    const ULONGLONG length = stream->GetLength();
    bodyStart = BodyStartIn(length);
    ULONGLONG body = length > bodyStart ? length - bodyStart : 0;
    // The body must fit the 32-bit sizes of the reader.
    if (body > std::numeric_limits<DWORD>::max())
        AfxThrowMemoryException();
    if (GetMem(static_cast<unsigned long>(body)) > 0) {
        // A header chunk shorter than the header read leaves the body's first bytes in the
        // header part; a longer one leaves its tail in the stream, passed over.
        DWORD front = 0;
        if (bodyStart < headerBytes) {
            front = std::min<DWORD>(headerBytes - bodyStart, dataSize);
            std::memcpy(dataBuffer,
                        reinterpret_cast<const BYTE*>(&parser_.GetHeaderChunk()) +
                            (bodyStart - CMX_RIFF_PART_SIZE),
                        front);
        } else if (bodyStart > headerBytes) {
            stream->Seek(bodyStart, CFile::begin);
        }
        // A stream that delivers fewer bytes than its length announced ends the body there.
        const UINT read = stream->Read(dataBuffer + front, dataSize - front);
        dataSize = front + read;
    }
    if (dataSize == 0) {
        FreeMem();
        stopRecord.reason = CmxStop::emptyBody;
        return 0;
    }
    stopRecord.compressed = std::memcmp(parser_.GetRiffPart().formType, "CDRX", 4) == 0;
    // A preview finds the thumbnail in front of the compressed chunks; a load unpacks them.
    if (createLists && stopRecord.compressed && !UnpackBody()) {
        if (packMessage)
            ShowErrorMessage(IDS_BAD_CMX_FILE);
        FreeMem();
        return 0;
    }
    if (createLists) {
        stopRecord.page = pageNumber;
        stopRecord.pages = WalkPages(0, nullptr);
        // A page that is not there loads nothing, so that no empty drawing passes for it.
        if (pageNumber > 1 && pageNumber > stopRecord.pages) {
            stopRecord.reason = CmxStop::noSuchPage;
            FreeMem();
            return 0;
        }
        // Lists of an earlier load are no longer reachable once replaced: release them.
        ReleaseDrawing();
        drawing = new CGrDrawset;
        groupStack = new CGrDrawset;
        ResetWalkState();
    }
    return dataSize;
}

DWORD CmxWalk::BodyStartIn(ULONGLONG length) const {
    // A header chunk too small for the fields read, or one that ends past the stream, states
    // no size to trust: the body then starts behind the header as it is read.
    const DWORD stated = parser_.GetHeaderChunkSize();
    if (stated < CMX_HEADER_FIELDS_SIZE || stated > length ||
        length - stated < CMX_RIFF_PART_SIZE ||
        stated > std::numeric_limits<DWORD>::max() - CMX_RIFF_PART_SIZE)
        return CMX_HEADER_SIZE;
    return CMX_RIFF_PART_SIZE + stated;
}

void CmxWalk::ResetWalkState() {
    curLayerIndex = 0xFFFF;
    groupDepth = 0;
    transforms.clear();
    appearances.Clear();
    shapeAppearance = CCmxAppearance();
}

void CmxWalk::InterpretBody(LoadOrder order, DWORD bodyLength) {
    if (order == LoadOrder::thumbnailFirst)
        ProcessThumbNail();
    ProcessColorMap();
    ProcessPage(bodyLength);
    if (order == LoadOrder::thumbnailLast)
        ProcessThumbNail();
}

void CmxWalk::SetDrawingFrame() {
    if (drawing == nullptr)
        return;
    // The differences are taken in 32 bits, as the header's integers are.
    auto difference = [](LONG a, LONG b) {
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) -
                                         static_cast<std::uint32_t>(b));
    };
    drawing->frameWidth =
        static_cast<double>(difference(GetBoundRight(), GetBoundLeft())) * coordScale * 1.1;
    drawing->frameHeight =
        static_cast<double>(difference(GetBoundTop(), GetBoundBottom())) * coordScale * 1.1;
    if (readAppearance)
        appearances.SetView(
            static_cast<double>(difference(GetBoundRight(), GetBoundLeft())) * coordScale,
            static_cast<double>(difference(GetBoundTop(), GetBoundBottom())) * coordScale);
}

unsigned long CmxWalk::GetMem(unsigned long size) {
    FreeBodyBytes(dataBuffer);
    // Nothing of the old body stays reachable while the new one is being had, so that a failure
    // leaves nothing to read or to release twice.
    dataBuffer = nullptr;
    dataSize = 0;
    dataBuffer = AllocateBodyBytes(size);
    // The body is written once, front to back, by the read: in large pages that costs a few
    // page faults instead of one per four kilobytes.
    PlatformAdviseLargePages(dataBuffer, size);
    dataSize = static_cast<DWORD>(size);
    cursor.Restart(LittleEndian());
    ForgetBodyCaches();
    imageBytes = 0;
    return size;
}

void CmxWalk::ForgetBodyCaches() {
    discardedFrom = discardedTo = 0;
    chunkCacheCount = 0;
    imageIndexRead = false;
    imageIndexFound = false;
    imageIndexCount = 0;
    imageOffsets.clear();
    dataIdsFound = false;
    dataIds.clear();
    outlineTableRead = false;
    outlineEntries.clear();
    appearanceTablesRead = false;
    penWidths.clear();
    lineStyles.clear();
    dotDashes.clear();
}

int CmxWalk::FreeMem() {
    FreeBodyBytes(dataBuffer);
    dataBuffer = nullptr;
    cursor.Restart(LittleEndian());
    ForgetBodyCaches();
    // The caches' memory goes with the body.
    std::vector<DWORD>().swap(imageOffsets);
    std::vector<DWORD>().swap(dataIds);
    std::vector<OutlineRefs>().swap(outlineEntries);
    std::vector<DWORD>().swap(penWidths);
    std::vector<WORD>().swap(lineStyles);
    std::vector<std::vector<WORD>>().swap(dotDashes);
    ReleaseScratch();
    return 1;
}

void CmxWalk::ReleaseScratch() {
    std::vector<unsigned char>().swap(letterScratch);
    std::vector<tagDoublePoint>().swap(pointScratch);
    delete pathScratch;
    pathScratch = nullptr;
    vestrel_objects::DisposeGroup(splitScratch);
    splitScratch = nullptr;
}

unsigned char* CmxWalk::SearchBody(const char* id, DWORD from) const {
    std::size_t length = std::strlen(id);
    if (dataBuffer == nullptr || length == 0 || from >= dataSize || dataSize - from < length)
        return nullptr;
    const unsigned char* at = dataBuffer + from;
    const unsigned char* last = dataBuffer + dataSize - length;
    const unsigned char first = static_cast<unsigned char>(id[0]);
    // The instructions that the walk gave back read as zero, and no id starts with a zero byte:
    // the search passes over them without touching their memory again.
    const unsigned char* zeroBegin = dataBuffer + discardedFrom;
    const unsigned char* zeroEnd = dataBuffer + discardedTo;
    while (at <= last) {
        if (at >= zeroBegin && at < zeroEnd) {
            at = zeroEnd;
            continue;
        }
        const unsigned char* end = at < zeroBegin && zeroBegin <= last ? zeroBegin - 1 : last;
        const void* hit = std::memchr(at, first, static_cast<std::size_t>(end - at) + 1);
        if (hit == nullptr) {
            if (end == last)
                return nullptr;
            at = end + 1;
            continue;
        }
        at = static_cast<const unsigned char*>(hit);
        if (std::memcmp(at, id, length) == 0)
            return const_cast<unsigned char*>(at);
        ++at;
    }
    return nullptr;
}

unsigned char* CmxWalk::FindChunk(const char* id) {
    // The body does not change while it is interpreted, so each id is searched once.
    if (std::strlen(id) == 4) {
        for (int i = 0; i < chunkCacheCount; ++i)
            if (std::memcmp(chunkCache[i].id, id, 4) == 0)
                return chunkCache[i].offset < dataSize ? dataBuffer + chunkCache[i].offset
                                                       : nullptr;
        unsigned char* found = SearchBody(id, 0);
        if (chunkCacheCount < static_cast<int>(sizeof chunkCache / sizeof chunkCache[0])) {
            ChunkCacheEntry& entry = chunkCache[chunkCacheCount++];
            std::memcpy(entry.id, id, 4);
            entry.offset = found != nullptr ? Offset(found) : dataSize;
        }
        return found;
    }
    return SearchBody(id, 0);
}

unsigned char* CmxWalk::FindListChunk(const char* id) {
    if (std::strcmp(id, "data") != 0)
        return SearchBody(id, cursor.Position());
    // Every image searches forward for "data"; the offsets of all of them, found in one pass,
    // answer each search at once. The id cannot overlap itself, so there are at most a
    // quarter as many as the body has bytes.
    if (!dataIdsFound) {
        dataIdsFound = true;
        dataIds.clear();
        for (unsigned char* at = SearchBody(id, 0); at != nullptr;
             at = SearchBody(id, Offset(at) + 4))
            dataIds.push_back(Offset(at));
    }
    auto next = std::lower_bound(dataIds.begin(), dataIds.end(), cursor.Position());
    return next != dataIds.end() ? dataBuffer + *next : nullptr;
}

unsigned long CmxWalk::WalkPages(unsigned long wanted, unsigned char** found) {
    if (found != nullptr)
        *found = nullptr;
    unsigned long count = 0;
    // Each step searches on from behind the chunk before, so the walk reads the body once.
    for (unsigned char* at = FindChunk("page"); at != nullptr;) {
        ++count;
        if (count == wanted) {
            *found = at;
            break;
        }
        CmxCursor size = cursor.At(Offset(at) + 4);
        const ULONGLONG end = ULONGLONG{Offset(at)} + 8 + size.U32();
        if (size.Exhausted() || end >= dataSize)
            break;
        at = SearchBody("page", static_cast<DWORD>(end));
    }
    return count;
}

long CCmxParser::CountCmx6Pages(CString path) {
    CFile file;
    if (!walk_->OpenCmxFile(path, &file, false))
        return -1;
    return walk_->CountStreamPages(&file);
}

long CCmxParser::CountCmxImagePages(const BYTE* image, DWORD size) {
    CMemFile stream(const_cast<BYTE*>(image), size);
    return walk_->CountStreamPages(&stream);
}

long CmxWalk::CountStreamPages(CFile* stream) {
    // The body is read as a preview reads it, creating no lists; a compressed one is unpacked.
    const DWORD bodyLength = ReadCmxImage(stream, false);
    stream->Close();
    if (bodyLength == 0)
        return -1;
    if (stopRecord.compressed && !UnpackBody()) {
        FreeMem();
        return -1;
    }
    stopRecord.pages = WalkPages(0, nullptr);
    FreeMem();
    return static_cast<long>(stopRecord.pages);
}

int CmxWalk::ProcessPage(unsigned long) {
    unsigned char* page = nullptr;
    if (pageNumber <= 1)
        page = FindChunk("page");
    else
        WalkPages(pageNumber, &page);
    if (page == nullptr) {
        stopRecord.reason = CmxStop::noPage;
        ShowErrorMessage(IDS_BAD_CMX_FILE);
        return 0;
    }
    cursor.SetLimit(dataSize);
    cursor.Seek(Offset(page) + 4);
    DWORD size = GetDWord();
    // An end past 32 bits stands for "past the body", which the walk treats alike.
    ULONGLONG end = static_cast<ULONGLONG>(cursor.Position()) + size;
    if (end > std::numeric_limits<DWORD>::max())
        end = std::numeric_limits<DWORD>::max();
    if (cursor.Exhausted()) {
        // The file ends inside the chunk's size: the first instruction is cut short.
        stopRecord.reason = CmxStop::cutShort;
        stopRecord.offset = FileOffset(Offset(page));
    }
    if (cursor.Exhausted() || ProcessPageInstr(static_cast<unsigned long>(end)) == 0) {
        ShowErrorMessage(IDS_BAD_INSTRUCTION);
        return 0;
    }
    return 1;
}
