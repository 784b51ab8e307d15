// The job file: its layout, the round trip through file and memory, and refusal of damage.
#include "tests/support/test_util.h"

#include "platform/bytes.h"
#include "drawset/crc32.h"
#include "platform/process.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <set>

using namespace cmxtest;
using byteorder::GetU32;
using byteorder::PutU16;
using byteorder::PutU32;

namespace {

using Drawing = std::unique_ptr<CGrDrawset>;

void AddPath(CGrDrawset& drawing, const std::string& letters,
             const std::vector<tagDoublePoint>& points, unsigned short layer) {
    CGrObjSimple path;
    path.SetLayerIndex(layer);
    path.BuildBefBlock(reinterpret_cast<const unsigned char*>(letters.data()), points.data(),
                       static_cast<unsigned long>(points.size()));
    drawing.AddObjTail(&path);
}

// Name "n", frame 2.5 x 4, two colours, a thumbnail of three bytes, then a path of one point, a
// group of two members and a bitmap of four bytes: the offsets the damage cases patch follow.
Drawing Small() {
    Drawing d(new CGrDrawset(CString("n")));
    d->frameWidth = 2.5;
    d->frameHeight = 4.0;
    d->colorMap.CreateColorMap(2);
    d->colorMap.SetColor(0, 0x0000FF);
    d->colorMap.SetColor(1, 0xFF0000);
    d->thumbnail = new CGrObjBitmap;
    std::memcpy(d->thumbnail->GetMem(3), "\1\2\3", 3);
    AddPath(*d, "M", {{1.0, 2.0}}, 1);
    CGrObjGroup group;
    group.AddObject(1);
    group.AddObject(3);
    d->AddObjTail(&group);
    CGrObjBitmap bitmap;
    std::memcpy(bitmap.GetMem(4), "BM\0\1", 4);
    d->AddObjTail(&bitmap);
    return d;
}

// Everything a drawing can hold, odd values among it.
Drawing Rich() {
    Drawing d(new CGrDrawset);
    d->name = CString("Zeichnung \xE4\0x", 13);
    d->frameWidth = -0.0;
    d->frameHeight = std::numeric_limits<double>::infinity();
    d->colorMap.CreateColorMap(300);
    for (unsigned short i = 0; i < 300; ++i)
        d->colorMap.SetColor(i, 0x010203u * i);
    std::memset(d->thumbnail->GetMem(16424 + 8), 0x5A, 16424 + 8);

    std::vector<tagDoublePoint> points;
    std::string letters;
    for (int i = 0; i < 1000; ++i) {
        points.push_back({i * 0.5, -i * 1e300});
        letters += i == 0 ? 'M' : "LCxx"[i % 4];
    }
    AddPath(*d, letters, points, 0xFFFF);
    CGrObjSimple empty(7L);
    CMatrix m{2, 0.5, -0.5, 2, 10, 20};
    empty.SetMatrix(&m);
    std::uint64_t signalling = 0x7FF0000000000001ull;
    std::memcpy(&empty.bounds.left, &signalling, sizeof signalling);
    empty.bounds.right = std::nan("");
    d->AddObjTail(&empty);
    AddPath(*d, "", {}, 3);

    CGrObjGroup split(static_cast<unsigned short>(GROBJ_TYPE_SPLIT_GROUP));
    split.groupExtra1 = -3;
    for (unsigned long p = 1; p <= 3; ++p)
        split.AddObject(p);
    d->AddObjHead(&split);
    CGrObjGroup odd(-9L);
    odd.type = -5;
    odd.bounds = {1, 2, 3, 4};
    d->AddObjTail(&odd);

    CGrObjBitmap image(42L);
    std::memset(image.GetMem(5000), 0xC3, 5000);
    d->AddObjTail(&image);
    CGrObjBitmap none;
    none.GetMem(0);
    d->AddObjTail(&none);
    CGrObj plain(11, -12);
    plain.auxLong = 0x7FFFFFFF;
    d->AddObjTail(&plain);
    return d;
}

// Enough paths for a job of several megabytes, which reaches its file in many pieces.
Drawing Large() {
    Drawing d(new CGrDrawset(CString("gross")));
    std::vector<tagDoublePoint> points;
    for (int i = 0; i < 12; ++i)
        points.push_back({i * 0.5, i * -0.25});
    for (int i = 0; i < 20000; ++i) {
        points[static_cast<std::size_t>(i % 12)].x = i;
        AddPath(*d, "MLLLLLLLLLLL", points, static_cast<unsigned short>(i));
    }
    return d;
}

Bytes Job(const CGrDrawset& drawing) {
    Bytes bytes(drawing.GetOleBlockSize());
    unsigned char* start = bytes.data();
    unsigned char* buffer = start;
    drawing.GetOleBlockData(&buffer);
    EXPECT_EQ(buffer, start);
    return bytes;
}

Drawing Read(const Bytes& job) {
    return Drawing(CGrDrawset::ReadJobData(job.data(), static_cast<unsigned long>(job.size())));
}

// The message a job is refused with, or "accepted".
std::string Refusal(const Bytes& job) {
    try {
        Read(job);
    } catch (CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::invalidFile);
        return e.what();
    }
    return "accepted";
}

void FixChecksum(Bytes& job) {
    std::size_t body = job.size() - 4;
    PutU32(job.data() + body, DrawsetCrc32(job.data(), body));
}

std::set<std::string> Entries(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

} // namespace

TEST(JobFile, ChecksumIsZlibsCrc32) {
    struct Case {
        const char* text;
        std::uint32_t crc;
    } cases[] = {{"", 0},
                 {"a", 0xE8B7BE43},
                 {"123456789", 0xCBF43926},
                 {"The quick brown fox jumps over the lazy dog", 0x414FA339}};
    for (const Case& c : cases) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(c.text);
        std::size_t n = std::strlen(c.text);
        EXPECT_EQ(DrawsetCrc32(bytes, n), c.crc) << c.text;
        for (std::size_t cut = 0; cut <= n; ++cut)
            EXPECT_EQ(DrawsetCrc32(bytes + cut, n - cut, DrawsetCrc32(bytes, cut)), c.crc);
    }
}

TEST(JobFile, LayoutFollowsTheFormat) {
    Bytes job = Job(*Small());
    ASSERT_EQ(job.size(), 399u);
    Bytes header(job.begin(), job.begin() + 65);
    Bytes expected;
    auto field = [&](const Bytes& bytes) {
        expected.insert(expected.end(), bytes.begin(), bytes.end());
    };
    field({'V', 'J', 'O', 'B', 0x0D, 0x0A, 0x1A, 0x0A}); // magic
    field({1, 0, 0, 0});                                 // version 1, flags 0
    field({0x8F, 1, 0, 0, 0, 0, 0, 0});                  // job length 399
    field({0, 0, 0, 0, 0, 0, 0x04, 0x40});               // frame width 2.5
    field({0, 0, 0, 0, 0, 0, 0x10, 0x40});               // frame height 4
    field({1, 0, 0, 0, 'n'});                            // name
    field({2, 0, 0, 0, 0xFF, 0, 0, 0, 0, 0, 0xFF, 0});   // colour map
    field({1, 3, 0, 0, 0, 1, 2, 3});                     // thumbnail
    field({3, 0, 0, 0});                                 // object count
    EXPECT_EQ(header, expected);
    // The path: kind 1, class 1, layer 1, a Bef block of one point.
    EXPECT_EQ(GetU32(&job[65]), 1u);
    EXPECT_EQ(job[69], 1);
    EXPECT_EQ(GetU32(&job[78]), 0u); // m11 = 1.0 starts with four zero bytes
    EXPECT_EQ(job[85], 0x3F);
    EXPECT_EQ(byteorder::GetU16(&job[158]), 1);
    EXPECT_EQ(GetU32(&job[160]), 21u);
    EXPECT_EQ(GetU32(&job[164]), 1u);
    EXPECT_EQ(job[168], 'M');
    EXPECT_EQ(byteorder::GetF64(&job[169]), 1.0);
    // The group: kind 2, class 2, groupExtra1, then its members 1 and 3.
    EXPECT_EQ(GetU32(&job[185]), 2u);
    EXPECT_EQ(job[189], 2);
    EXPECT_EQ(GetU32(&job[282]), 8u);
    EXPECT_EQ(GetU32(&job[290]), 3u);
    // The bitmap: no fields of its own, four bytes of data, then the checksum.
    EXPECT_EQ(job[298], 3);
    EXPECT_EQ(GetU32(&job[387]), 4u);
    EXPECT_EQ(job[391], 'B');
    EXPECT_EQ(GetU32(&job[395]), DrawsetCrc32(job.data(), 395));

    // A thumbnail bitmap without data is written as none.
    CGrDrawset unnamed;
    EXPECT_EQ(Job(unnamed)[44], 0);
    EXPECT_EQ(Read(Job(unnamed))->thumbnail, nullptr);
}

TEST(JobFile, FileAndMemoryCarryTheSameBytesBothWays) {
    TempDir dir;
    std::vector<Drawing> drawings;
    drawings.emplace_back(new CGrDrawset);
    drawings.emplace_back(new CGrDrawset(CString("leer")));
    drawings.push_back(Small());
    drawings.push_back(Rich());
    drawings.push_back(Large());
    for (const Drawing& drawing : drawings) {
        Bytes job = Job(*drawing);
        std::string path = dir.File("drawing.job");
        drawing->CreateJobFile(CString(path.c_str()));
        EXPECT_EQ(ReadFileBytes(path), job);
        EXPECT_EQ(Job(*drawing), job) << "not deterministic";

        Drawing fromFile(CGrDrawset::ReadJobFile(CString(path.c_str())));
        EXPECT_EQ(Job(*fromFile), job);
        Drawing fromMemory = Read(job);
        EXPECT_EQ(Job(*fromMemory), job);
        fromMemory->CreateJobFile(CString(path.c_str()));
        EXPECT_EQ(ReadFileBytes(path), job);
    }
    EXPECT_EQ(Job(*Rich()), Job(*Rich()));
    EXPECT_EQ(Entries(dir.path()), std::set<std::string>{"drawing.job"});
}

TEST(JobFile, ReadingGivesBackTheDrawing) {
    Drawing original = Rich();
    Drawing copy = Read(Job(*original));
    EXPECT_EQ(copy->name, original->name);
    EXPECT_TRUE(std::signbit(copy->frameWidth));
    EXPECT_EQ(copy->frameHeight, original->frameHeight);
    ASSERT_EQ(copy->colorMap.colorCount, 300);
    EXPECT_EQ(copy->colorMap.GetColor(299), 0x010203u * 299);
    ASSERT_NE(copy->thumbnail, nullptr);
    EXPECT_EQ(copy->thumbnail->size, 16432u);
    EXPECT_EQ(copy->thumbnail->data[16431], 0x5A);

    std::vector<CGrObj*> a = Objects(*original), b = Objects(*copy);
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(b[i]->GetClass(), a[i]->GetClass());
        EXPECT_EQ(b[i]->type, a[i]->type);
        EXPECT_EQ(b[i]->auxInt, a[i]->auxInt);
        EXPECT_EQ(b[i]->auxLong, a[i]->auxLong);
        EXPECT_EQ(std::memcmp(&b[i]->GetMatrix(), &a[i]->GetMatrix(), sizeof(CMatrix)), 0);
        EXPECT_EQ(std::memcmp(&b[i]->bounds, &a[i]->bounds, sizeof(tagDoubleRect)), 0);
        EXPECT_EQ(PathLetters(b[i]), PathLetters(a[i]));
        EXPECT_EQ(PathPoints(b[i]).size(), PathPoints(a[i]).size());
        EXPECT_EQ(GroupMembers(b[i]), GroupMembers(a[i]));
        ASSERT_EQ(b[i]->size, a[i]->size);
        // A null block and an empty one are the same in a job: both come back as null.
        if (a[i]->size == 0)
            EXPECT_EQ(b[i]->data, nullptr);
        else
            EXPECT_EQ(std::memcmp(b[i]->data, a[i]->data, a[i]->size), 0);
    }
    EXPECT_EQ(static_cast<CGrObjSimple*>(b[1])->layerIndex, 0xFFFF);
    EXPECT_EQ(static_cast<CGrObjGroup*>(b[0])->groupExtra1, -3);
    EXPECT_EQ(b[4]->type, -5);

    // A 1-based colour reference names entry r - 1; 0, 0xFFFF and references past the map
    // name no colour.
    Drawing small = Read(Job(*Small()));
    struct Case {
        unsigned short reference;
        BOOL found;
        unsigned long color;
    } cases[] = {
        {0, FALSE, 0}, {1, TRUE, 0x0000FF}, {2, TRUE, 0xFF0000}, {3, FALSE, 0}, {0xFFFF, FALSE, 0}};
    for (const Case& c : cases) {
        unsigned long color = 0;
        EXPECT_EQ(small->colorMap.LookupReference(c.reference, &color), c.found) << c.reference;
        EXPECT_EQ(color, c.color);
    }
}

TEST(JobFile, DamagedAndForeignJobsAreRefused) {
    const Bytes good = Job(*Small());
    ASSERT_EQ(Refusal(good), "accepted");
    struct Case {
        const char* what;
        std::size_t at; // where value goes; past the end appends it
        std::uint32_t value;
        int width; // bytes of value
        bool fixChecksum;
        const char* message;
    } cases[] = {
        {"magic", 0, 'X', 1, true, "not a job file"},
        {"version", 8, 7, 2, true, "unknown job file version 7"},
        {"flags", 10, 1, 2, true, "unknown job file flags 0x0001"},
        {"length too small", 12, 52, 4, true, "job file damaged (length)"},
        {"length too large", 12, 400, 4, true, "job file cut short (399 of 400 bytes)"},
        {"length short of the file", 12, 398, 4, true, "trailing bytes after the job"},
        {"name length", 36, 0xFFFFFFF0, 4, true, "name past the end"},
        {"colour count", 41, 0x10000, 4, true, "65536 colours, more than a colour map holds"},
        {"colours past the end", 41, 0xFFFF, 4, true, "colour map past the end"},
        {"thumbnail flag", 53, 2, 1, true, "bad thumbnail flag 2"},
        {"empty thumbnail", 54, 0, 4, true, "empty thumbnail"},
        {"thumbnail size", 54, 0x7FFFFFFF, 4, true, "thumbnail past the end"},
        {"object count", 61, 0xFFFFFFFF, 4, true, "object count past the end"},
        {"fewer objects", 61, 2, 4, true, "trailing bytes after the last object"},
        {"class", 69, 9, 1, true, "object 1: unknown class 9"},
        {"Bef count", 164, 2, 4, true, "object 1: point block does not match its point count"},
        {"Bef size", 160, 20, 4, true, "object 1: point block does not match its point count"},
        {"group block", 282, 6, 4, true, "object 2: group block is not a whole number"},
        {"data size", 387, 1000, 4, true, "object 3: data past the end"},
        {"data byte", 392, 'X', 1, false, "job file damaged (checksum)"},
        {"appended byte", 399, 0, 1, false, "trailing bytes after the job"},
    };
    for (const Case& c : cases) {
        Bytes job = good;
        if (c.at >= job.size())
            job.resize(c.at + c.width);
        if (c.width == 1)
            job[c.at] = static_cast<std::uint8_t>(c.value);
        else if (c.width == 2)
            PutU16(&job[c.at], static_cast<std::uint16_t>(c.value));
        else
            PutU32(&job[c.at], c.value);
        if (c.fixChecksum)
            FixChecksum(job);
        EXPECT_NE(Refusal(job).find(c.message), std::string::npos)
            << c.what << ": " << Refusal(job);
    }

    Bytes checksum = good;
    checksum[396] ^= 1;
    EXPECT_EQ(Refusal(checksum), "job file damaged (checksum)");
    // A job copied in text mode loses its carriage returns.
    Bytes textMode = good;
    textMode.erase(textMode.begin() + 4);
    EXPECT_EQ(Refusal(textMode), "not a job file");
    EXPECT_EQ(Refusal(Bytes{'P', 'K', 3, 4}), "not a job file");
    EXPECT_EQ(Refusal(Bytes{'V', 'J', 'O', 'B'}), "job file cut short");
}

TEST(JobFile, EveryCutAndEveryDamagedByteIsRefused) {
    const Bytes good = Job(*Small());
    for (std::size_t n = 0; n < good.size(); ++n)
        EXPECT_NE(Refusal(Bytes(good.begin(), good.begin() + n)), "accepted") << n;
    for (std::size_t at = 0; at < good.size(); ++at) {
        Bytes job = good;
        job[at] ^= 0xA5;
        EXPECT_NE(Refusal(job), "accepted") << at;
    }
    EXPECT_NE(Refusal(Bytes()), "accepted");
    EXPECT_THROW(CGrDrawset::ReadJobData(nullptr, 100), CFileException);
}

TEST(JobFile, ReadingFromDisk) {
    TempDir dir;
    Bytes job = Job(*Small());
    std::string cut = dir.File("cut.job");
    WriteFile(cut, Bytes(job.begin(), job.end() - 1));
    struct Case {
        std::string path;
        int cause;
    } cases[] = {{dir.File("missing.job"), CFileException::fileNotFound},
                 {dir.path(), CFileException::badPath},
                 {cut, CFileException::invalidFile}};
    for (const Case& c : cases) {
        try {
            delete CGrDrawset::ReadJobFile(CString(c.path.c_str()));
            ADD_FAILURE() << c.path << " was read";
        } catch (CFileException& e) {
            EXPECT_EQ(e.m_cause, c.cause) << c.path;
            EXPECT_EQ(std::string(e.what()).rfind(c.path, 0), 0u) << e.what();
        }
    }
}

TEST(JobFile, AFailedWriteLeavesThePathAndTheDrawingAsTheyWere) {
    TempDir dir;
    const std::string target = dir.File("out.job");
    const std::string temporary = target + "." + std::to_string(PlatformProcessId()) + ".tmp";
    std::filesystem::create_directory(dir.File("folder"));
    Drawing damaged = Small();
    // A path whose point count no longer matches its block.
    PutU32(Objects(*damaged)[0]->data, 5);

    struct Case {
        const char* what;
        std::string path;
        const CGrDrawset* drawing;
        bool occupyTemporary;
    };
    Drawing drawing = Small();
    const Bytes job = Job(*drawing);
    Case cases[] = {
        {"missing folder", dir.File("missing/out.job"), drawing.get(), false},
        {"folder at the path", dir.File("folder"), drawing.get(), false},
        {"temporary name taken", target, drawing.get(), true},
        {"damaged drawing", target, damaged.get(), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile(target, Bytes(5000, 'o'));
        if (c.occupyTemporary)
            std::filesystem::create_directory(temporary);
        std::set<std::string> before = Entries(dir.path());
        EXPECT_THROW(c.drawing->CreateJobFile(CString(c.path.c_str())), CFileException);
        EXPECT_EQ(Entries(dir.path()), before);
        EXPECT_EQ(ReadFileBytes(target), Bytes(5000, 'o'));
        EXPECT_TRUE(std::filesystem::is_directory(dir.File("folder")));
        std::filesystem::remove(temporary);
    }
    EXPECT_EQ(drawing->GetCount(), 3);
    EXPECT_EQ(Job(*drawing), job);

    // Success replaces a longer file whole and leaves nothing beside it.
    drawing->CreateJobFile(CString(target.c_str()));
    EXPECT_EQ(ReadFileBytes(target), job);
    EXPECT_EQ(Entries(dir.path()), (std::set<std::string>{"folder", "out.job"}));
}
