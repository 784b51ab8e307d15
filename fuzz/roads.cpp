#include "fuzz/roads.h"

#include "drawset/blocks.h"
#include "drawset/bytes.h"
#include "drawset/crc32.h"
#include "drawset/thumbblock.h"
#include "platform/cfile.h"
#include "platform/exceptions.h"
#include "platform/gdi.h"
#include "platform/msgbox.h"
#include "platform/process.h"
#include "tests/support/cmxbuilder.h"
#include "vestrel/frame/vestrel.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <system_error>
#include <vector>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VESTREL_FUZZ_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define VESTREL_FUZZ_ASAN 1
#endif

#if defined(VESTREL_FUZZ_ASAN)
// The sanitizer's allocator tells the true extent of a block, so a block shorter than its
// stated size is caught even where no byte past it is read.
extern "C" int __sanitizer_get_ownership(const volatile void* p);
extern "C" std::size_t __sanitizer_get_allocated_size(const volatile void* p);
#endif

namespace vestrel_fuzz {

namespace {

namespace fs = std::filesystem;

class SilentSink : public CMessageBoxSink {
public:
    int Show(HWND, const char*, const char*, UINT) override { return IDOK; }
};

// A folder of the process's own, in memory where the system offers one, removed at exit.
class Scratch {
public:
    Scratch() {
        std::error_code ignored;
        fs::path base = "/dev/shm";
        if (!fs::is_directory(base, ignored))
            base = fs::temp_directory_path();
        folder_ = base / ("vestrel-fuzz-" + std::to_string(PlatformProcessId()));
        fs::create_directories(folder_);
    }
    ~Scratch() {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    std::string Path(const char* name) const { return (folder_ / name).string(); }

private:
    fs::path folder_;
};

Scratch& TheScratch() {
    static Scratch scratch;
    return scratch;
}

std::string WriteInput(const char* name, const std::uint8_t* data, std::size_t size) {
    std::string path = TheScratch().Path(name);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (size > 0)
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.close();
    return path;
}

std::string Numbered(const char* what, long number) {
    return "object " + std::to_string(number) + ": " + what;
}

// The block's bytes are all read, so that a sanitizer sees any that lie outside it.
std::string CheckBlock(const unsigned char* data, DWORD size) {
    if (data == nullptr)
        return size == 0 ? "" : "a stated size without a block";
#if defined(VESTREL_FUZZ_ASAN)
    if (__sanitizer_get_ownership(data) == 0)
        return "a block that does not start an allocation";
    if (__sanitizer_get_allocated_size(data) < size)
        return "a block shorter than its stated size";
#endif
    volatile unsigned char sum = 0;
    for (DWORD i = 0; i < size; ++i)
        sum = static_cast<unsigned char>(sum + data[i]);
    (void)sum;
    return "";
}

// Every road releases the body before it returns, whatever the file held. Each road works with
// a parser of its own, so that no state of one input carries over into the next and every
// finding reproduces from its input alone.
std::string CheckParserAfter(const CCmxParser& parser) {
    if (parser.GetDataBuffer() != nullptr)
        return "the body buffer is still held";
    return "";
}

} // namespace

void StartLibraries() {
    static bool started = false;
    if (started)
        return;
    started = true;
    static SilentSink sink;
    PlatformSetMessageBoxSink(&sink);
    InitVestrelDLL();
    TheScratch();
}

std::string CheckDrawing(const CGrDrawset& drawing, Source source) {
    const bool fromCmx = source == Source::cmxReader;
    const long count = drawing.GetCount();
    long number = 0;
    for (POSITION at = drawing.GetHeadPosition(); at != nullptr;) {
        const CGrObj* object = static_cast<const CGrObj*>(drawing.GetNext(at));
        ++number;
        if (object == nullptr)
            return Numbered("null", number);
        std::string fault = CheckBlock(object->data, object->size);
        if (!fault.empty())
            return Numbered(fault.c_str(), number);
        const DWORD size = object->data != nullptr ? object->size : 0;
        if (object->objClass == GrObjClass::simple && size > 0) {
            std::uint32_t points = 0;
            if (!drawset_blocks::BefLayoutValid(object->data, size, &points))
                return Numbered("a point block that does not match its count", number);
        }
        if (object->objClass == GrObjClass::group) {
            if (size % 4 != 0)
                return Numbered("a group block that is not a whole number of positions", number);
            const auto* group = static_cast<const CGrObjGroup*>(object);
            for (unsigned long i = 0; fromCmx && i < group->GetMemberCount(); ++i) {
                const unsigned long member = group->GetMember(i);
                if (member < 1 || member > static_cast<unsigned long>(count))
                    return Numbered(("a member at position " + std::to_string(member) +
                                     " of a list of " + std::to_string(count))
                                        .c_str(),
                                    number);
            }
        }
        if (fromCmx && object->objClass == GrObjClass::bitmap && size < 40)
            return Numbered("a bitmap shorter than its header", number);
    }
    if (drawing.colorMap.colorCount > 0) {
        if (drawing.colorMap.colors == nullptr)
            return "a colour count without a table";
        std::string fault =
            CheckBlock(reinterpret_cast<const unsigned char*>(drawing.colorMap.colors),
                       static_cast<DWORD>(4 * drawing.colorMap.colorCount));
        if (!fault.empty())
            return "colour map: " + fault;
    }
    if (const CGrObjBitmap* thumbnail = drawing.thumbnail) {
        std::string fault = CheckBlock(thumbnail->data, thumbnail->size);
        if (!fault.empty())
            return "thumbnail: " + fault;
        if (fromCmx && thumbnail->data != nullptr) {
            if (thumbnail->size < drawset_thumb::kPaletteStart)
                return "thumbnail: shorter than its pixels and header";
            const std::uint64_t colours =
                drawset_bytes::GetU32(thumbnail->data + drawset_thumb::kClrUsedAt);
            if (thumbnail->size != drawset_thumb::BlockSize(colours))
                return "thumbnail: " + std::to_string(thumbnail->size) + " bytes for " +
                       std::to_string(colours) + " colours";
        }
    }
    return "";
}

namespace {

// Loads the bytes as a file into parser and checks what a caller of the load can see.
std::string Load(const char* name, const std::uint8_t* data, std::size_t size, CCmxParser& parser,
                 int* loaded) {
    const std::string path = WriteInput(name, data, size);
    const int result = parser.LoadCmx6File(CString(path.c_str()));
    *loaded = result;
    if (result != 0 && result != 1)
        return "load result " + std::to_string(result);
    std::string fault = CheckParserAfter(parser);
    if (!fault.empty())
        return fault;
    const CGrDrawset* drawing = parser.GetDrawing();
    if (result == 1 && drawing == nullptr)
        return "a load that succeeded without a drawing";
    if (result == 0 && drawing != nullptr)
        return "a load that failed with a drawing";
    if (drawing != nullptr) {
        fault = CheckDrawing(*drawing, Source::cmxReader);
        if (!fault.empty())
            return fault;
        // A group left open holds members of the drawing as well.
        if (parser.GetGroupStack() != nullptr) {
            for (POSITION at = parser.GetGroupStack()->GetHeadPosition(); at != nullptr;) {
                const auto* group =
                    static_cast<const CGrObjGroup*>(parser.GetGroupStack()->GetNext(at));
                for (unsigned long i = 0; i < group->GetMemberCount(); ++i) {
                    const unsigned long member = group->GetMember(i);
                    if (member < 1 || member > static_cast<unsigned long>(drawing->GetCount()))
                        return "an open group names a position outside the drawing";
                }
            }
        }
    }
    return "";
}

} // namespace

std::string LoadRoad(const std::uint8_t* data, std::size_t size) {
    CCmxParser parser;
    int result = 0;
    return Load("load.cmx", data, size, parser, &result);
}

namespace {

// The drawing as the job file carries it, which holds every object, the colour map, the
// thumbnail and the frame.
std::vector<unsigned char> JobBytes(const CGrDrawset& drawing) {
    std::vector<unsigned char> bytes(drawing.GetOleBlockSize());
    unsigned char* buffer = bytes.data();
    drawing.GetOleBlockData(&buffer);
    return bytes;
}

bool SameStop(const CCmxStopRecord& a, const CCmxStopRecord& b) {
    return a.reason == b.reason && a.offset == b.offset && a.instruction == b.instruction &&
           a.code == b.code && a.instructions == b.instructions && a.passedOver == b.passedOver &&
           a.imagesRefused == b.imagesRefused && a.thumbnail == b.thumbnail;
}

} // namespace

std::string CompressedRoad(const std::uint8_t* data, std::size_t size) {
    CCmxParser plainParser;
    int plainResult = 0;
    std::string fault = Load("plain.cmx", data, size, plainParser, &plainResult);
    constexpr std::size_t kHeader = 204;
    if (!fault.empty() || size <= kHeader || std::memcmp(data + 8, "CDRX", 4) == 0)
        return fault;
    const std::vector<std::uint8_t> twin =
        cmxtest::CompressedTwin(std::vector<std::uint8_t>(data, data + size), 0, true);
    CCmxParser twinParser;
    int twinResult = 0;
    fault = Load("twin.cmx", twin.data(), twin.size(), twinParser, &twinResult);
    if (!fault.empty())
        return "the compressed twin: " + fault;
    if (plainResult != twinResult)
        return "the compressed twin loads with " + std::to_string(twinResult) + ", the file with " +
               std::to_string(plainResult);
    if (twinParser.GetStopRecord().reason != CmxStop::noHeader &&
        !twinParser.GetStopRecord().compressed)
        return "the compressed twin is not taken for compressed";
    if (!SameStop(plainParser.GetStopRecord(), twinParser.GetStopRecord()))
        return "the compressed twin stops otherwise";
    if (plainResult == 1 &&
        JobBytes(*plainParser.GetDrawing()) != JobBytes(*twinParser.GetDrawing()))
        return "the compressed twin gives another drawing";
    return "";
}

std::string ConvertRoad(const std::uint8_t* data, std::size_t size) {
    const std::string cmxPath = WriteInput("convert.cmx", data, size);
    const std::string jobPath = TheScratch().Path("convert.job");
    std::error_code ignored;
    fs::remove(jobPath, ignored);
    CCmxParser parser;
    CString cmx(cmxPath.c_str());
    CString job(jobPath.c_str());
    const int result = parser.ParseCmx6(&cmx, &job);
    if (result != 0 && result != 1)
        return "conversion result " + std::to_string(result);
    if (cmx != CString(cmxPath.c_str()) || job != CString(jobPath.c_str()))
        return "the conversion changed the caller's paths";
    std::string fault = CheckParserAfter(parser);
    if (!fault.empty())
        return fault;
    if (parser.GetDrawing() != nullptr || parser.GetGroupStack() != nullptr)
        return "the conversion left a drawing behind";
    const bool written = fs::exists(jobPath, ignored);
    if (result == 1 && !written)
        return "a conversion that succeeded without a job file";
    if (result == 0 && written)
        return "a conversion that failed but wrote a job file";
    if (!written)
        return "";
    // What the library writes, its reader takes back.
    std::unique_ptr<CGrDrawset> back;
    try {
        back.reset(CGrDrawset::ReadJobFile(job));
    } catch (CFileException& e) {
        return std::string("the written job is refused: ") + e.what();
    }
    return CheckDrawing(*back, Source::cmxReader);
}

std::string ThumbnailRoad(const std::uint8_t* data, std::size_t size) {
    const std::string path = WriteInput("preview.cmx", data, size);
    CCmxParser parser;
    // One surface for all inputs: what a preview leaves on it does not matter to the next.
    static CDC dc(130, 130);
    const int result = parser.ShowThumbNail(CString(path.c_str()), &dc);
    if (result != 0 && result != 1)
        return "preview result " + std::to_string(result);
    std::string fault = CheckParserAfter(parser);
    if (!fault.empty())
        return fault;
    if (parser.GetDrawing() != nullptr || parser.GetGroupStack() != nullptr)
        return "the preview left a drawing behind";
    return "";
}

namespace {

// Reads a job from memory; the drawing, or null with the refusal's text in refusal.
std::unique_ptr<CGrDrawset> ReadJob(const std::uint8_t* data, std::size_t size,
                                    std::string* refusal) {
    try {
        return std::unique_ptr<CGrDrawset>(
            CGrDrawset::ReadJobData(data, static_cast<unsigned long>(size)));
    } catch (CFileException& e) {
        if (e.m_cause != CFileException::invalidFile)
            *refusal = "refused with cause " + std::to_string(e.m_cause);
        else
            *refusal = e.what();
        return nullptr;
    }
}

std::string CheckAccepted(const CGrDrawset& drawing, const std::uint8_t* data, std::size_t size) {
    std::string fault = CheckDrawing(drawing, Source::jobReader);
    if (!fault.empty())
        return fault;
    // One encoding for each drawing: what was read writes back byte for byte.
    const unsigned long length = drawing.GetOleBlockSize();
    if (length != size)
        return "the job writes back as " + std::to_string(length) + " bytes of " +
               std::to_string(size);
    std::vector<unsigned char> again(length);
    unsigned char* buffer = again.data();
    drawing.GetOleBlockData(&buffer);
    if (std::memcmp(again.data(), data, size) != 0)
        return "the job writes back different bytes";
    return "";
}

} // namespace

std::string JobRoad(const std::uint8_t* data, std::size_t size) {
    std::string refusal;
    std::unique_ptr<CGrDrawset> drawing = ReadJob(data, size, &refusal);
    if (refusal.rfind("refused with cause", 0) == 0)
        return refusal;
    if (drawing != nullptr) {
        std::string fault = CheckAccepted(*drawing, data, size);
        if (!fault.empty())
            return fault;
    }

    // The same bytes with a length and a checksum that match them.
    constexpr std::size_t kLengthAt = 12;
    constexpr std::size_t kTrailer = 4;
    if (size < kLengthAt + 8 + kTrailer)
        return "";
    std::vector<std::uint8_t> fixed(data, data + size);
    drawset_bytes::PutU64(&fixed[kLengthAt], size);
    drawset_bytes::PutU32(&fixed[size - kTrailer], DrawsetCrc32(fixed.data(), size - kTrailer));
    refusal.clear();
    drawing = ReadJob(fixed.data(), fixed.size(), &refusal);
    if (refusal.rfind("refused with cause", 0) == 0)
        return refusal;
    if (drawing != nullptr) {
        std::string fault = CheckAccepted(*drawing, fixed.data(), fixed.size());
        if (!fault.empty())
            return fault;
    }

    // The file road refuses or accepts alike.
    const std::string path = WriteInput("input.job", fixed.data(), fixed.size());
    std::unique_ptr<CGrDrawset> fromFile;
    try {
        fromFile.reset(CGrDrawset::ReadJobFile(CString(path.c_str())));
    } catch (CFileException&) {
        // The memory road gave the reason already; only the verdicts are compared.
    }
    if ((fromFile != nullptr) != (drawing != nullptr))
        return "the file and memory roads disagree";
    if (fromFile != nullptr)
        return CheckAccepted(*fromFile, fixed.data(), fixed.size());
    return "";
}

} // namespace vestrel_fuzz
