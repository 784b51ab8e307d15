#include "fuzz/roads.h"

#include "drawset/blocks.h"
#include "platform/bytes.h"
#include "drawset/crc32.h"
#include "drawset/thumbblock.h"
#include "platform/cfile.h"
#include "platform/clipboard.h"
#include "platform/exceptions.h"
#include "platform/gdi.h"
#include "platform/msgbox.h"
#include "platform/oleauto.h"
#include "platform/process.h"
#include "tests/support/cmxbuilder.h"
#include "vestrel/frame/vestrel.h"

#ifdef VESTREL_FUZZ_SVG
#include "cli/svg.h"
#endif

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <system_error>
#include <unordered_set>
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
// A list's copies keep their blocks in the list's pieces, readable only as far as each block.
extern "C" void* __asan_region_is_poisoned(void* begin, std::size_t size);
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
std::string CheckBlock(const unsigned char* data, DWORD size, bool inPiece = false) {
    if (data == nullptr)
        return size == 0 ? "" : "a stated size without a block";
#if defined(VESTREL_FUZZ_ASAN)
    if (inPiece) {
        if (__asan_region_is_poisoned(const_cast<unsigned char*>(data), size) != nullptr)
            return "a block shorter than its stated size";
    } else if (__sanitizer_get_ownership(data) == 0) {
        return "a block that does not start an allocation";
    } else if (__sanitizer_get_allocated_size(data) < size) {
        return "a block shorter than its stated size";
    }
#else
    (void)inPiece;
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
        std::string fault =
            CheckBlock(object->data, object->size, (object->storage & GROBJ_BLOCK_IN_PIECE) != 0);
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
                byteorder::GetU32(thumbnail->data + drawset_thumb::kClrUsedAt);
            if (thumbnail->size != drawset_thumb::BlockSize(colours))
                return "thumbnail: " + std::to_string(thumbnail->size) + " bytes for " +
                       std::to_string(colours) + " colours";
        }
    }
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

// What every load leaves, whatever the road: a result of 0 or 1, no body, a drawing exactly
// when it succeeded, and a drawing that passes the checks (a group left open included).
std::string CheckLoad(const CCmxParser& parser, int result) {
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
    if (drawing == nullptr)
        return "";
    fault = CheckDrawing(*drawing, Source::cmxReader);
    if (!fault.empty())
        return fault;
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
    return "";
}

// The roads besides files take no thumbnail.
std::string CheckNoThumbnail(const CCmxParser& parser) {
    const CGrDrawset* drawing = parser.GetDrawing();
    if (drawing != nullptr && drawing->thumbnail != nullptr && drawing->thumbnail->data != nullptr)
        return "a thumbnail on a road that reads none";
    return "";
}

std::vector<unsigned char> JobBytes(const CGrDrawset& drawing) {
    std::vector<unsigned char> bytes(drawing.GetOleBlockSize());
    unsigned char* at = bytes.data();
    drawing.GetOleBlockData(&at);
    return bytes;
}

// Numbers for the pieces, the same for the same input.
class Dice {
public:
    Dice(const std::uint8_t* data, std::size_t size) : state_(0x9E3779B97F4A7C15ull ^ size) {
        for (std::size_t i = 0; i < size && i < 64; ++i)
            state_ = (state_ ^ data[i]) * 0x100000001B3ull;
    }
    std::uint32_t Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return static_cast<std::uint32_t>(state_ >> 32);
    }

private:
    std::uint64_t state_;
};

// Holds a VARIANT and clears it at the end, as a caller that owns it would.
struct HeldVariant {
    VARIANT v;
    HeldVariant() { VariantInit(&v); }
    ~HeldVariant() { VariantClear(&v); }
    HeldVariant(const HeldVariant&) = delete;
    HeldVariant& operator=(const HeldVariant&) = delete;
};

// The bytes of a VT_ARRAY | VT_UI1 VARIANT; a text when it is not one block of count bytes.
std::string BlockBytes(VARIANT& v, ULONG count, std::vector<unsigned char>* out) {
    if (v.vt != (VT_ARRAY | VT_UI1) || v.parray == nullptr)
        return "not a byte block";
    LONG lower = -1, upper = -1;
    if (SafeArrayGetDim(v.parray) != 1 || SafeArrayGetElemsize(v.parray) != 1 ||
        FAILED(SafeArrayGetLBound(v.parray, 1, &lower)) ||
        FAILED(SafeArrayGetUBound(v.parray, 1, &upper)) || lower != 0 ||
        static_cast<ULONG>(upper) + 1 != count)
        return "a block of another shape than " + std::to_string(count) + " bytes from 0";
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(v.parray, &data)))
        return "a block that cannot be locked";
    const auto* bytes = static_cast<const unsigned char*>(data);
    out->insert(out->end(), bytes, bytes + count);
    SafeArrayUnaccessData(v.parray);
    return "";
}

// Loads the bytes as a file into parser and checks what a caller of the load can see.
std::string Load(const char* name, const std::uint8_t* data, std::size_t size, CCmxParser& parser,
                 int* loaded) {
    const std::string path = WriteInput(name, data, size);
    *loaded = parser.LoadCmx6File(CString(path.c_str()));
    return CheckLoad(parser, *loaded);
}

bool SameStop(const CCmxStopRecord& a, const CCmxStopRecord& b) {
    return a.reason == b.reason && a.offset == b.offset && a.instruction == b.instruction &&
           a.code == b.code && a.instructions == b.instructions && a.passedOver == b.passedOver &&
           a.imagesRefused == b.imagesRefused &&
           a.shapesWithoutOutlineTable == b.shapesWithoutOutlineTable && a.thumbnail == b.thumbnail;
}

} // namespace

namespace {

// The same bytes loaded with the appearance asked for: the load ends as the plain one did, with
// the same drawing; every appearance belongs to one of its paths and holds finite measures; and
// the drawing with its appearance makes a whole SVG document.
std::string CheckAppearance(const std::uint8_t* data, std::size_t size, const CCmxParser& plain,
                            int plainResult) {
    CCmxParser parser;
    parser.SetReadAppearance(true);
    int result = 0;
    std::string fault = Load("look.cmx", data, size, parser, &result);
    if (!fault.empty())
        return fault;
    if (result != plainResult || !SameStop(parser.GetStopRecord(), plain.GetStopRecord()))
        return "the appearance changes how the load ends";
    const CGrDrawset* drawing = parser.GetDrawing();
    if (drawing == nullptr)
        return parser.GetAppearances().Count() == 0 ? "" : "appearance without a drawing";
    if (JobBytes(*drawing) != JobBytes(*plain.GetDrawing()))
        return "the appearance changes the drawing";
    std::unordered_set<const CGrObj*> paths;
    for (POSITION at = drawing->GetHeadPosition(); at != nullptr;) {
        const auto* object = static_cast<const CGrObj*>(drawing->GetNext(at));
        if (object->GetClass() == GrObjClass::simple)
            paths.insert(object);
    }
    std::size_t found = 0;
    for (const CGrObj* path : paths) {
        const CCmxAppearance* look = parser.GetAppearances().Find(path);
        if (look == nullptr)
            continue;
        ++found;
        if (!std::isfinite(look->outlineWidth) || look->outlineWidth < 0)
            return "an outline width that is no measure";
        if (look->cap > 2 || look->join > 2)
            return "an unknown cap or join";
    }
    if (found != parser.GetAppearances().Count())
        return "appearance of an object that is no path of the drawing";
#ifdef VESTREL_FUZZ_SVG
    const std::string svg = vestrel_cli::DrawingSvg(*drawing, &parser.GetAppearances());
    if (svg.size() < 7 || svg.compare(svg.size() - 7, 7, "</svg>\n") != 0)
        return "an SVG document that does not end";
#endif
    return "";
}

} // namespace

std::string LoadRoad(const std::uint8_t* data, std::size_t size) {
    CCmxParser parser;
    int result = 0;
    std::string fault = Load("load.cmx", data, size, parser, &result);
    if (!fault.empty())
        return fault;
    return CheckAppearance(data, size, parser, result);
}

std::string CompressedRoad(const std::uint8_t* data, std::size_t size) {
    CCmxParser plainParser;
    int plainResult = 0;
    std::string fault = Load("plain.cmx", data, size, plainParser, &plainResult);
    // The twin compresses the body from where the reader found it to start.
    const std::size_t bodyStart = plainParser.GetBodyStart();
    if (!fault.empty() || size <= bodyStart || size < 204 || std::memcmp(data + 8, "CDRX", 4) == 0)
        return fault;
    const std::vector<std::uint8_t> twin =
        cmxtest::CompressedTwin(std::vector<std::uint8_t>(data, data + size), 0, true, bodyStart);
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

std::string CheckOleBlocks(CCmxParser& parser, long blockSize) {
    const CGrDrawset* drawing = parser.GetDrawing();
    if (drawing == nullptr)
        return parser.GetBlockCount() == 0 ? "" : "blocks without a drawing";
    if (blockSize != 0 && parser.SetBlockSize(blockSize) != 1)
        return "block size " + std::to_string(blockSize) + " refused";
    const std::vector<unsigned char> job = JobBytes(*drawing);
    const std::uint64_t stream = job.size() + 100;
    const long size = blockSize != 0 ? blockSize : 32000;
    const long count = parser.GetBlockCount();
    if (static_cast<std::uint64_t>(count) != stream / static_cast<std::uint64_t>(size) + 1)
        return std::to_string(count) + " blocks for " + std::to_string(stream) + " bytes";
    std::vector<unsigned char> joined;
    for (long i = 0; i < count; ++i) {
        HeldVariant block;
        if (parser.GetBlock(i, &block.v) != 1)
            return "block " + std::to_string(i) + " not given";
        std::string fault = BlockBytes(block.v, static_cast<ULONG>(size), &joined);
        if (!fault.empty())
            return "block " + std::to_string(i) + ": " + fault;
    }
    HeldVariant beyond;
    beyond.v.vt = VT_I4;
    if (parser.GetBlock(count, &beyond.v) != 0 || parser.GetBlock(-1, &beyond.v) != 0 ||
        beyond.v.vt != VT_I4)
        return "a block outside the count was given";
    if (std::memcmp(joined.data(), job.data(), job.size()) != 0)
        return "the blocks do not begin with the drawing's job";
    std::string refusal;
    std::unique_ptr<CGrDrawset> back = ReadJob(joined.data(), job.size(), &refusal);
    if (back == nullptr)
        return "the blocks' job is refused: " + refusal;
    if (JobBytes(*back) != job)
        return "the blocks' job reads back as another drawing";
    HeldVariant whole;
    std::vector<unsigned char> single;
    if (parser.CreateVariant(&whole.v) != 1)
        return "no single VARIANT";
    std::string fault = BlockBytes(whole.v, static_cast<ULONG>(stream), &single);
    if (!fault.empty())
        return "the single VARIANT: " + fault;
    if (!std::equal(job.begin(), job.end(), single.begin()))
        return "the single VARIANT does not hold the job";
    return "";
}

std::string DropBlockRoad(const std::uint8_t* data, std::size_t size) {
    Dice dice(data, size);
    // Now and then more is announced than arrives: the rest of the block stays zero.
    const std::size_t announced = size + (dice.Next() % 4 == 0 ? dice.Next() % 64 : 0);
    CCmxParser parser;
    if (parser.SetDataBlockSizeAll(static_cast<long>(announced)) != 1)
        return "announcement refused";
    for (std::size_t at = 0; at < size;) {
        HeldVariant piece;
        if (dice.Next() % 8 == 0) {
            // Another type is left with the caller and appends nothing.
            piece.v.vt = VT_I4;
            piece.v.lVal = 7;
            if (parser.AddDataBlock(&piece.v, 1) != 1 || piece.v.vt != VT_I4)
                return "a VARIANT of another type was not left alone";
            continue;
        }
        const std::size_t length =
            std::min<std::size_t>(size - at, dice.Next() % (1u << (dice.Next() % 17)));
        // The array may hold more than the bytes that count.
        const ULONG extra = dice.Next() % 4;
        piece.v.vt = VT_ARRAY | VT_UI1;
        piece.v.parray = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(length) + extra);
        void* bytes = nullptr;
        SafeArrayAccessData(piece.v.parray, &bytes);
        if (length > 0)
            std::memcpy(bytes, data + at, length);
        std::memset(static_cast<unsigned char*>(bytes) + length, 0xEE, extra);
        SafeArrayUnaccessData(piece.v.parray);
        if (parser.AddDataBlock(&piece.v, static_cast<long>(length)) != 1)
            return "a piece that fits was refused";
        if (piece.v.vt != VT_EMPTY)
            return "a piece taken over left its VARIANT";
        at += length;
    }
    const auto sameBlock = [&]() {
        const unsigned char* block = parser.GetDropBlock();
        if (parser.GetDropBlockSize() != announced || parser.GetDropBlockFill() != size)
            return false;
        if (announced == 0)
            return true;
        return block != nullptr && std::memcmp(block, data, size) == 0 &&
               std::all_of(block + size, block + announced, [](unsigned char c) { return c == 0; });
    };
    if (!sameBlock())
        return "the drop block does not hold the pieces";
    const int result = parser.LoadCmxFromDropBlock();
    std::string fault = CheckLoad(parser, result);
    if (fault.empty())
        fault = CheckNoThumbnail(parser);
    if (!fault.empty())
        return fault;
    if (!sameBlock())
        return "the load changed the drop block";
    // Every load starts from a fresh walk state, so the same block reads the same drawing again.
    const std::vector<unsigned char> first =
        result == 1 ? JobBytes(*parser.GetDrawing()) : std::vector<unsigned char>();
    for (int again = 0; again < 2; ++again) {
        if (parser.LoadCmxFromDropBlock() != result)
            return "the same block loaded again gives another result";
        if (result == 1 && JobBytes(*parser.GetDrawing()) != first)
            return "the same block loaded again reads another drawing";
    }
    if (!sameBlock())
        return "a load changed the drop block";
    // Cutting blocks of 32000 bytes and more costs several times the load, so one input in
    // eight has its blocks checked; the block sizes vary with the input.
    if (dice.Next() % 8 != 0)
        return "";
    const long sizes[] = {0, 32000, 32001 + static_cast<long>(dice.Next() % 70000)};
    return CheckOleBlocks(parser, sizes[dice.Next() % 3]);
}

std::string ClipboardRoad(const std::uint8_t* data, std::size_t size) {
    static const UINT format = RegisterClipboardFormatA("Corel 32-bit Presentation Exchange Data");
    if (!OpenClipboard(nullptr))
        return "the clipboard cannot be opened";
    EmptyClipboard();
    // Before or behind a text, so that the search passes other formats.
    HGLOBAL text = GlobalAlloc(GMEM_MOVEABLE, 8);
    std::memcpy(GlobalLock(text), "vestrel", 8);
    GlobalUnlock(text);
    HGLOBAL image = GlobalAlloc(GMEM_MOVEABLE, size);
    if (size > 0) {
        std::memcpy(GlobalLock(image), data, size);
        GlobalUnlock(image);
    }
    const bool textFirst = size % 2 == 0;
    if (textFirst)
        SetClipboardData(CF_TEXT, text);
    SetClipboardData(format, image);
    if (!textFirst)
        SetClipboardData(CF_TEXT, text);
    CloseClipboard();

    CCmxParser parser;
    const int result = parser.LoadCmxFromClipBoard();
    if (CloseClipboard())
        return "the load left the clipboard open";
    std::string fault = CheckLoad(parser, result);
    if (fault.empty())
        fault = CheckNoThumbnail(parser);
    if (!fault.empty())
        return fault;
    OpenClipboard(nullptr);
    HANDLE held = GetClipboardData(format);
    const bool unlocked = (GlobalFlags(held) & GMEM_LOCKCOUNT) == 0;
    bool same = held != nullptr && GlobalSize(held) == size;
    if (same && size > 0) {
        same = std::memcmp(GlobalLock(held), data, size) == 0;
        GlobalUnlock(held);
    }
    CloseClipboard();
    if (!same)
        return "the clipboard's data changed";
    if (!unlocked)
        return "the load left the clipboard's data locked";
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
    byteorder::PutU64(&fixed[kLengthAt], size);
    byteorder::PutU32(&fixed[size - kTrailer], DrawsetCrc32(fixed.data(), size - kTrailer));
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
