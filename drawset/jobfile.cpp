// The job file: a drawing list as a versioned little-endian byte stream closed by a checksum,
// on disk or in a caller's buffer, and the way back from it. docs/job-format.md describes the
// layout for anyone who writes a reader of their own.
#include "drawset/grobj.h"

#include "drawset/blocks.h"
#include "platform/bytes.h"
#include "drawset/crc32.h"

#include <cstring>
#include <limits>
#include <memory>
#include <string>

using namespace byteorder;
using namespace drawset_blocks;

namespace {

// The line ends and the end-of-file mark in the magic catch a job that went through a copy in
// text mode.
constexpr unsigned char kMagic[8] = {'V', 'J', 'O', 'B', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr std::uint16_t kVersion = 1;

// Magic, version, flags, job length, frame width and height, name length.
constexpr std::size_t kHeaderFixed = 8 + 2 + 2 + 8 + 8 + 8 + 4;
constexpr std::size_t kLengthAt = 12;
// Kind, class, auxInt, auxLong, matrix, bounds, data size.
constexpr std::size_t kObjectFixed = 4 + 1 + 4 + 4 + 6 * 8 + 4 * 8 + 4;
constexpr std::size_t kTrailer = 4;
// The header, an empty colour map, no thumbnail, no objects and the trailer.
constexpr std::size_t kSmallestJob = kHeaderFixed + 4 + 1 + 4 + kTrailer;

// File reads and writes go in pieces that a UINT count can carry.
constexpr std::size_t kIoPiece = std::size_t{1} << 30;

std::size_t ClassFieldsSize(GrObjClass objClass) {
    switch (objClass) {
    case GrObjClass::simple:
        return 2; // layer index
    case GrObjClass::group:
        return 4; // groupExtra1
    default:
        return 0;
    }
}

// A null block and a block of no bytes are one and the same in a job.
DWORD BlockSize(const CGrObj& object) {
    return object.data != nullptr ? object.size : 0;
}

const CGrObjBitmap* Thumbnail(const CGrDrawset& drawing) {
    const CGrObjBitmap* thumbnail = drawing.thumbnail;
    return thumbnail != nullptr && BlockSize(*thumbnail) > 0 ? thumbnail : nullptr;
}

WORD ColorCount(const CGrDrawset& drawing) {
    return drawing.colorMap.colors != nullptr ? drawing.colorMap.colorCount : 0;
}

const CGrObj* ObjectAt(const CGrDrawset& drawing, POSITION& at) {
    return static_cast<const CGrObj*>(drawing.GetNext(at));
}

// Why a block cannot stand as the data of an object of the class, or null when it can.
const char* BlockFault(GrObjClass objClass, const unsigned char* block, std::size_t size) {
    if (size == 0)
        return nullptr;
    std::uint32_t points = 0;
    if (objClass == GrObjClass::simple && !BefLayoutValid(block, size, &points))
        return "point block does not match its point count";
    if (objClass == GrObjClass::group && size % kGroupMember != 0)
        return "group block is not a whole number of positions";
    return nullptr;
}

bool ClassKnown(unsigned value) {
    return value <= static_cast<unsigned>(GrObjClass::bitmap);
}

[[noreturn]] void ThrowInvalid(const char* fileName, const char* detail) {
    throw CFileException(CFileException::invalidFile, fileName, detail);
}

// The job's length in bytes. With a path, it also refuses a drawing that its own reader would
// refuse, naming the path: better no job than one that cannot be read back.
std::uint64_t JobSize(const CGrDrawset& drawing, const CString* checkedPath = nullptr) {
    std::uint64_t total = kHeaderFixed + drawing.name.str().size();
    total += 4 + 4 * std::uint64_t{ColorCount(drawing)};
    total += 1;
    if (const CGrObjBitmap* thumbnail = Thumbnail(drawing))
        total += 4 + std::uint64_t{thumbnail->size};
    total += 4;
    unsigned long number = 0;
    for (POSITION at = drawing.GetHeadPosition(); at != nullptr;) {
        const CGrObj* object = ObjectAt(drawing, at);
        total += kObjectFixed + ClassFieldsSize(object->objClass) + BlockSize(*object);
        ++number;
        if (checkedPath == nullptr)
            continue;
        const char* fault = ClassKnown(static_cast<unsigned>(object->objClass))
                                ? BlockFault(object->objClass, object->data, BlockSize(*object))
                                : "unknown class";
        if (fault != nullptr) {
            CString detail;
            detail.Format("object %lu cannot be written: %s", number, fault);
            ThrowInvalid(*checkedPath, detail);
        }
    }
    return total + kTrailer;
}

// Where a job's bytes go: straight into a buffer that holds the whole job, or through a
// buffer of its own into a file, piece by piece, so that writing a large drawing needs no
// memory of the job's size. The checksum is taken as the bytes pass.
class Writer {
public:
    // Into out, which holds the whole job.
    explicit Writer(unsigned char* out)
        : buffer_(out), capacity_(std::numeric_limits<std::size_t>::max()) {}
    // Through a buffer of its own into file.
    explicit Writer(CFile* file)
        : own_(new unsigned char[kPiece]), buffer_(own_.get()), capacity_(kPiece), file_(file) {}

    void U8(std::uint8_t v) { *Room(1) = v; }
    void U16(std::uint16_t v) { PutU16(Room(2), v); }
    void U32(std::uint32_t v) { PutU32(Room(4), v); }
    void U64(std::uint64_t v) { PutU64(Room(8), v); }
    void F64(const double& v) { PutF64(Room(8), v); }
    void Bytes(const void* bytes, std::size_t n) {
        const auto* from = static_cast<const unsigned char*>(bytes);
        while (n > 0) {
            std::size_t piece = n < capacity_ - used_ ? n : capacity_ - used_;
            if (piece == 0) {
                Drain();
                continue;
            }
            std::memcpy(buffer_ + used_, from, piece);
            used_ += piece;
            from += piece;
            n -= piece;
        }
    }
    // Closes the job with its checksum.
    void Finish() {
        Drain();
        std::uint32_t crc = crc_;
        U32(crc);
        Drain();
    }

    // Reserves n bytes (at most a piece) and returns where they go.
    unsigned char* Room(std::size_t n) {
        if (capacity_ - used_ < n)
            Drain();
        unsigned char* at = buffer_ + used_;
        used_ += n;
        return at;
    }

private:
    static constexpr std::size_t kPiece = std::size_t{1} << 18;

    void Drain() {
        crc_ = DrawsetCrc32(buffer_, used_, crc_);
        if (file_ != nullptr) {
            if (used_ > 0)
                file_->Write(buffer_, static_cast<UINT>(used_));
            used_ = 0;
        } else {
            buffer_ += used_;
            used_ = 0;
        }
    }

    std::unique_ptr<unsigned char[]> own_;
    unsigned char* buffer_;
    std::size_t capacity_;
    std::size_t used_ = 0;
    CFile* file_ = nullptr;
    std::uint32_t crc_ = 0;
};

void WriteObject(Writer& out, const CGrObj& object) {
    // The fixed fields go into one reservation: a drawing has many objects.
    const std::size_t fields = kObjectFixed + ClassFieldsSize(object.objClass);
    unsigned char* at = out.Room(fields);
    PutU32(at, static_cast<std::uint32_t>(object.type));
    at[4] = static_cast<std::uint8_t>(object.objClass);
    PutU32(at + 5, static_cast<std::uint32_t>(object.auxInt));
    PutU32(at + 9, static_cast<std::uint32_t>(object.auxLong));
    at += 13;
    const CMatrix& m = object.GetMatrix();
    const tagDoubleRect& r = object.bounds;
    for (const double* v :
         {&m.m11, &m.m12, &m.m21, &m.m22, &m.dx, &m.dy, &r.left, &r.top, &r.right, &r.bottom}) {
        PutF64(at, *v);
        at += 8;
    }
    if (object.objClass == GrObjClass::simple) {
        PutU16(at, static_cast<const CGrObjSimple&>(object).layerIndex);
        at += 2;
    } else if (object.objClass == GrObjClass::group) {
        PutU32(at, static_cast<std::uint32_t>(static_cast<const CGrObjGroup&>(object).groupExtra1));
        at += 4;
    }
    DWORD size = BlockSize(object);
    PutU32(at, static_cast<std::uint32_t>(size));
    out.Bytes(object.data, size);
}

// Writes the drawing's job, length bytes as JobSize gave them.
void WriteJob(const CGrDrawset& drawing, std::uint64_t length, Writer& w) {
    w.Bytes(kMagic, sizeof kMagic);
    w.U16(kVersion);
    w.U16(0);
    w.U64(length);
    w.F64(drawing.frameWidth);
    w.F64(drawing.frameHeight);
    const std::string& name = drawing.name.str();
    w.U32(static_cast<std::uint32_t>(name.size()));
    w.Bytes(name.data(), name.size());
    WORD colors = ColorCount(drawing);
    w.U32(colors);
    for (WORD i = 0; i < colors; ++i)
        w.U32(static_cast<std::uint32_t>(drawing.colorMap.colors[i]));
    const CGrObjBitmap* thumbnail = Thumbnail(drawing);
    w.U8(thumbnail != nullptr ? 1 : 0);
    if (thumbnail != nullptr) {
        w.U32(static_cast<std::uint32_t>(thumbnail->size));
        w.Bytes(thumbnail->data, thumbnail->size);
    }
    w.U32(static_cast<std::uint32_t>(drawing.GetCount()));
    for (POSITION at = drawing.GetHeadPosition(); at != nullptr;)
        WriteObject(w, *ObjectAt(drawing, at));
    w.Finish();
}

class Reader {
public:
    Reader(const unsigned char* bytes, std::size_t at, std::size_t end, const char* fileName)
        : bytes_(bytes), at_(at), end_(end), fileName_(fileName) {}

    std::size_t Remaining() const { return end_ - at_; }
    [[noreturn]] void Fail(const char* detail) const { ThrowInvalid(fileName_, detail); }

    std::uint8_t U8() { return *Take(1); }
    std::uint16_t U16() { return GetU16(Take(2)); }
    std::uint32_t U32() { return GetU32(Take(4)); }
    // Straight into the double's storage, for the reason the writer takes them from there.
    void F64(double* out) {
        std::uint64_t bits = GetU64(Take(8));
        std::memcpy(out, &bits, sizeof bits);
    }
    const unsigned char* Take(std::size_t n) {
        if (n > Remaining())
            Fail("job file cut short");
        const unsigned char* p = bytes_ + at_;
        at_ += n;
        return p;
    }

private:
    const unsigned char* bytes_;
    std::size_t at_;
    std::size_t end_;
    const char* fileName_;
};

struct ObjectDeleter {
    void operator()(CGrObj* object) const { DrawsetDeleteObject(object); }
};
using ObjectPtr = std::unique_ptr<CGrObj, ObjectDeleter>;

CGrObj* NewObject(GrObjClass objClass) {
    switch (objClass) {
    case GrObjClass::simple:
        return new CGrObjSimple;
    case GrObjClass::group:
        return new CGrObjGroup;
    case GrObjClass::bitmap:
        return new CGrObjBitmap;
    case GrObjClass::object:
        break;
    }
    return new CGrObj;
}

ObjectPtr ReadObject(Reader& in, unsigned long number) {
    CString detail;
    std::uint32_t kind = in.U32();
    unsigned classValue = in.U8();
    if (!ClassKnown(classValue)) {
        detail.Format("object %lu: unknown class %u", number, classValue);
        in.Fail(detail);
    }
    auto objClass = static_cast<GrObjClass>(classValue);
    ObjectPtr object(NewObject(objClass));
    object->type = static_cast<int>(kind);
    object->auxInt = static_cast<int>(in.U32());
    object->auxLong = static_cast<LONG>(in.U32());
    CMatrix m;
    for (double* v : {&m.m11, &m.m12, &m.m21, &m.m22, &m.dx, &m.dy})
        in.F64(v);
    object->SetMatrix(&m);
    tagDoubleRect& r = object->bounds;
    for (double* v : {&r.left, &r.top, &r.right, &r.bottom})
        in.F64(v);
    if (objClass == GrObjClass::simple)
        static_cast<CGrObjSimple*>(object.get())->layerIndex = in.U16();
    else if (objClass == GrObjClass::group)
        static_cast<CGrObjGroup*>(object.get())->groupExtra1 = static_cast<LONG>(in.U32());

    std::uint32_t size = in.U32();
    if (size > in.Remaining()) {
        detail.Format("object %lu: data past the end", number);
        in.Fail(detail);
    }
    const unsigned char* block = in.Take(size);
    if (const char* fault = BlockFault(objClass, block, size)) {
        detail.Format("object %lu: %s", number, fault);
        in.Fail(detail);
    }
    if (size > 0) {
        object->data = static_cast<unsigned char*>(::operator new(size));
        std::memcpy(object->data, block, size);
        object->size = static_cast<DWORD>(size);
        if (objClass == GrObjClass::group)
            static_cast<CGrObjGroup*>(object.get())->capacity = object->size;
        else if (objClass == GrObjClass::simple)
            static_cast<CGrObjSimple*>(object.get())->capacity = object->size;
    }
    return object;
}

// Every count and size is held against the bytes that remain before anything is allocated for
// it, so a hostile job cannot make the reader allocate for bytes that the job does not hold.
CGrDrawset* ParseJob(const unsigned char* bytes, std::size_t size, const char* fileName) {
    if (bytes == nullptr)
        size = 0;
    // The magic is looked at first, so that a foreign file is named as such and not as a
    // damaged job.
    std::size_t prefix = size < sizeof kMagic ? size : sizeof kMagic;
    if (size == 0 || std::memcmp(bytes, kMagic, prefix) != 0)
        ThrowInvalid(fileName, "not a job file");
    if (size < kLengthAt + 8)
        ThrowInvalid(fileName, "job file cut short");
    CString detail;
    unsigned version = GetU16(bytes + 8);
    if (version != kVersion) {
        detail.Format("unknown job file version %u", version);
        ThrowInvalid(fileName, detail);
    }
    unsigned flags = GetU16(bytes + 10);
    if (flags != 0) {
        detail.Format("unknown job file flags 0x%04X", flags);
        ThrowInvalid(fileName, detail);
    }
    // The job's own length tells a job cut short from one with bytes behind it, and lets the
    // checksum be tested before any field is believed.
    std::uint64_t length = GetU64(bytes + kLengthAt);
    if (length < kSmallestJob)
        ThrowInvalid(fileName, "job file damaged (length)");
    if (size < length) {
        detail.Format("job file cut short (%llu of %llu bytes)",
                      static_cast<unsigned long long>(size),
                      static_cast<unsigned long long>(length));
        ThrowInvalid(fileName, detail);
    }
    if (size > length)
        ThrowInvalid(fileName, "trailing bytes after the job");
    if (GetU32(bytes + size - kTrailer) != DrawsetCrc32(bytes, size - kTrailer))
        ThrowInvalid(fileName, "job file damaged (checksum)");

    // The fields end where the checksum begins.
    Reader in(bytes, kLengthAt + 8, size - kTrailer, fileName);
    std::unique_ptr<CGrDrawset> drawing(new CGrDrawset(CString()));
    in.F64(&drawing->frameWidth);
    in.F64(&drawing->frameHeight);

    std::uint32_t nameLength = in.U32();
    if (nameLength > in.Remaining() ||
        nameLength > static_cast<std::uint32_t>(std::numeric_limits<int>::max()))
        in.Fail("name past the end");
    drawing->name =
        CString(reinterpret_cast<const char*>(in.Take(nameLength)), static_cast<int>(nameLength));

    std::uint32_t colors = in.U32();
    if (colors > 0xFFFF) {
        detail.Format("%lu colours, more than a colour map holds",
                      static_cast<unsigned long>(colors));
        in.Fail(detail);
    }
    if (colors > in.Remaining() / 4)
        in.Fail("colour map past the end");
    drawing->colorMap.CreateColorMap(static_cast<unsigned short>(colors));
    for (std::uint32_t i = 0; i < colors; ++i)
        drawing->colorMap.colors[i] = static_cast<DWORD>(in.U32());

    unsigned present = in.U8();
    if (present > 1) {
        detail.Format("bad thumbnail flag %u", present);
        in.Fail(detail);
    }
    if (present == 1) {
        std::uint32_t thumbnailSize = in.U32();
        if (thumbnailSize == 0)
            in.Fail("empty thumbnail");
        if (thumbnailSize > in.Remaining())
            in.Fail("thumbnail past the end");
        drawing->thumbnail = new CGrObjBitmap;
        std::memcpy(drawing->thumbnail->GetMem(thumbnailSize), in.Take(thumbnailSize),
                    thumbnailSize);
    }

    std::uint32_t count = in.U32();
    if (count > in.Remaining() / kObjectFixed ||
        count > static_cast<std::uint32_t>(std::numeric_limits<int>::max()))
        in.Fail("object count past the end");
    for (std::uint32_t i = 0; i < count; ++i) {
        ObjectPtr object = ReadObject(in, static_cast<unsigned long>(i) + 1);
        drawing->AddTail(object.get());
        object.release();
    }
    if (in.Remaining() != 0)
        in.Fail("trailing bytes after the last object");
    return drawing.release();
}

} // namespace

void CGrDrawset::CreateJobFile(CString path) const {
    if (path.IsEmpty())
        throw CFileException(CFileException::badPath, "", "a job file needs a path");
    const std::uint64_t total = JobSize(*this, &path);

    CFile::WriteWhole(path, [&](CFile& file) {
        Writer writer(&file);
        WriteJob(*this, total, writer);
    });
}

unsigned long CGrDrawset::GetOleBlockSize() const {
    std::uint64_t total = JobSize(*this);
    if (total > std::numeric_limits<unsigned long>::max())
        AfxThrowMemoryException();
    return static_cast<unsigned long>(total);
}

void CGrDrawset::GetOleBlockData(unsigned char** buffer) const {
    if (buffer != nullptr && *buffer != nullptr) {
        Writer writer(*buffer);
        WriteJob(*this, JobSize(*this), writer);
    }
}

CGrDrawset* CGrDrawset::ReadJobData(const unsigned char* bytes, unsigned long size) {
    return ParseJob(bytes, static_cast<std::size_t>(size), nullptr);
}

CGrDrawset* CGrDrawset::ReadJobFile(CString path) {
    CFile file;
    CFileException error;
    if (!file.Open(path, CFile::modeRead | CFile::shareDenyWrite | CFile::typeBinary, &error))
        throw error;
    ULONGLONG length = file.GetLength();
    if (length > std::numeric_limits<std::size_t>::max())
        ThrowInvalid(path, "job file too large to read");
    // The file's own length backs this buffer.
    std::unique_ptr<unsigned char[]> bytes(
        new unsigned char[length > 0 ? static_cast<std::size_t>(length) : 1]);
    std::size_t done = 0;
    while (done < length) {
        std::size_t piece = length - done < kIoPiece ? length - done : kIoPiece;
        UINT got = file.Read(bytes.get() + done, static_cast<UINT>(piece));
        if (got == 0)
            break;
        done += got;
    }
    file.Close();
    return ParseJob(bytes.get(), done, path);
}
