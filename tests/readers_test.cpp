// The reading cursor, and the value readers whose work goes beyond it, in every variant.
#include "tests/support/cmxbuilder.h"
#include "vestrel/cmx/cursor.h"
#include "vestrel/cmx/probe.h"

#include <gtest/gtest.h>

#include <functional>

using namespace cmxtest;

namespace {

struct Reader {
    CCmxParser parser;
    CCmxParserProbe access{parser};
    Reader(const Bytes& body, Variant variant, double scale = 1.0, LONG left = 0, LONG bottom = 0) {
        access.SetBody(body, variant, scale, left, bottom);
    }
    ~Reader() { access.Release(); }
};

// Bytes held as a parser holds its body, for a cursor to read through.
struct Held {
    const unsigned char* data;
    DWORD size;
    CmxCursor Cursor(bool littleEndian) const { return CmxCursor(&data, &size, littleEndian); }
};

Variant V(bool le, bool shortCoords, bool tagged) {
    return Variant{le, shortCoords, tagged};
}

} // namespace

TEST(Cursor, WordsAndDoubleWordsFollowTheByteOrder) {
    const unsigned char bytes[] = {0x34, 0x12, 0x12, 0x34, 0x56, 0x78};
    struct Case {
        bool littleEndian;
        std::uint16_t word;
        std::uint32_t dword;
    } cases[] = {{true, 0x1234, 0x78563412}, {false, 0x3412, 0x12345678}};
    for (const Case& c : cases) {
        const Held held{bytes, sizeof bytes};
        CmxCursor cursor = held.Cursor(c.littleEndian);
        EXPECT_EQ(cursor.U16(), c.word);
        EXPECT_EQ(cursor.U32(), c.dword);
        EXPECT_EQ(cursor.Position(), 6u);
        EXPECT_FALSE(cursor.Exhausted());
    }
}

TEST(Cursor, DoublesAreLittleEndianInEitherByteOrder) {
    ByteWriter w(V(false, false, true));
    w.Double(-1234.5);
    for (bool le : {true, false}) {
        const Held held{w.bytes().data(), static_cast<DWORD>(w.size())};
        CmxCursor cursor = held.Cursor(le);
        EXPECT_EQ(cursor.F64(), -1234.5);
    }
}

// A read that would pass the limit yields 0, reads nothing, leaves the cursor at the limit
// and exhausted; every later read fails too, however small.
TEST(Cursor, ReadsPastTheLimitYieldZeroAndStayExhausted) {
    const unsigned char bytes[] = {7, 7, 7, 7, 7, 7, 7, 7, 7};
    struct Case {
        const char* name;
        DWORD limit;
        std::function<double(CmxCursor&)> read;
    };
    const Case cases[] = {
        {"byte", 0, [](CmxCursor& c) { return double(c.U8()); }},
        {"word", 1, [](CmxCursor& c) { return double(c.U16()); }},
        {"double word", 3, [](CmxCursor& c) { return double(c.U32()); }},
        {"double", 7, [](CmxCursor& c) { return c.F64(); }},
        {"copy", 3,
         [](CmxCursor& c) {
             unsigned char out[4] = {9, 9, 9, 9};
             c.Copy(out, 4);
             return out[0] == 9 ? 0.0 : 1.0;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Held held{bytes, sizeof bytes};
        CmxCursor cursor = held.Cursor(true);
        cursor.SetLimit(c.limit);
        EXPECT_EQ(c.read(cursor), 0.0);
        EXPECT_TRUE(cursor.Exhausted());
        EXPECT_EQ(cursor.Position(), c.limit);
        cursor.Seek(0);
        EXPECT_EQ(cursor.U8(), 0);
        EXPECT_TRUE(cursor.Exhausted());
    }
}

TEST(Cursor, LimitsAndTablesElsewhere) {
    const unsigned char bytes[] = {1, 2, 3, 4, 5, 6, 7, 8};
    Held held{bytes, sizeof bytes};
    CmxCursor walk = held.Cursor(true);
    // A limit never lies past the view.
    walk.SetLimit(100);
    EXPECT_EQ(walk.Limit(), 8u);
    walk.SetLimit(4);
    walk.Seek(2);
    EXPECT_EQ(walk.Remaining(), 2u);
    // A table elsewhere reads up to the view's end, and runs out there on its own.
    CmxCursor table = walk.At(5);
    EXPECT_EQ(table.U16(), 0x0706);
    EXPECT_EQ(table.U16(), 0);
    EXPECT_TRUE(table.Exhausted());
    EXPECT_FALSE(walk.Exhausted());
    EXPECT_EQ(walk.U16(), 0x0403);
    // A position past the limit fails at the next read.
    walk.Seek(6);
    EXPECT_EQ(walk.Remaining(), 0u);
    EXPECT_EQ(walk.U8(), 0);
    EXPECT_TRUE(walk.Exhausted());
    // A new limit starts afresh.
    walk.SetLimit(8);
    EXPECT_FALSE(walk.Exhausted());
    // The cursor reads what its holder holds now: a body cut short ends the reading there, and
    // a released one, whatever size is still stated, reads nothing.
    walk.Seek(4);
    held.size = 5;
    EXPECT_EQ(walk.Limit(), 5u);
    EXPECT_EQ(walk.U16(), 0);
    EXPECT_TRUE(walk.Exhausted());
    walk.SetLimit(8);
    held.data = nullptr;
    walk.Seek(0);
    EXPECT_EQ(walk.Remaining(), 0u);
    EXPECT_EQ(walk.U8(), 0);
}

TEST(Readers, CoordinatesAndLengthsFollowTheCoordinateSize) {
    for (bool le : {true, false}) {
        Reader shortCoords({0xFF, 0xFF, 0x00, 0x10, 0xFF, 0xFF}, V(le, true, true), 2.5);
        EXPECT_DOUBLE_EQ(shortCoords.access.GetCoordinate(), -2.5);
        EXPECT_EQ(shortCoords.access.Position(), 2u);
        EXPECT_EQ(shortCoords.access.GetLength(), le ? 0x1000u : 0x0010u);
        EXPECT_EQ(shortCoords.access.Position(), 4u);

        Reader longCoords({0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 7}, V(le, false, true), 2.5);
        EXPECT_DOUBLE_EQ(longCoords.access.GetCoordinate(), -2.5);
        EXPECT_EQ(longCoords.access.Position(), 4u);
        EXPECT_EQ(longCoords.access.GetLength(), le ? 0x07000000u : 7u);
        EXPECT_EQ(longCoords.access.Position(), 8u);
    }
}

TEST(Readers, PointsAreShiftedToTheLowerLeftCornerAndRectanglesAreNot) {
    for (const Variant& v : AllVariants()) {
        SCOPED_TRACE(v.Name());
        ByteWriter w(v);
        w.Point(-100, 50).Point(300, 450).Rect(-100, 450, 300, 50);
        Reader r(w.bytes(), v, 0.5, -100, 50);
        tagDoublePoint corner, top;
        r.access.GetPoint(&corner);
        r.access.GetPoint(&top);
        EXPECT_EQ(corner.x, 0.0);
        EXPECT_EQ(corner.y, 0.0);
        EXPECT_EQ(top.x, 200.0);
        EXPECT_EQ(top.y, 200.0);
        tagDoubleRect rect;
        EXPECT_EQ(r.access.GetRectangle(&rect), 1);
        EXPECT_EQ(rect.left, -50.0);
        EXPECT_EQ(rect.top, 225.0);
        EXPECT_EQ(rect.right, 150.0);
        EXPECT_EQ(rect.bottom, 25.0);
        EXPECT_FALSE(r.access.Exhausted());
    }
}

TEST(Readers, MatrixTypes) {
    struct Case {
        Bytes bytes;
        DWORD consumed;
        CMatrix expected;
    };
    ByteWriter type2(V(true, false, true));
    type2.Matrix(2, 3, 4, 5, 110, 70);
    CMatrix translated;
    translated.m11 = 2;
    translated.m12 = 3;
    translated.m21 = 4;
    translated.m22 = 5;
    translated.dx = (110 - 10) * 0.5;
    translated.dy = (70 - 20) * 0.5;
    CMatrix untouched;
    untouched.m11 = 9;
    const Case cases[] = {
        {{1, 0}, 2, CMatrix()},
        {type2.bytes(), 50, translated},
        {{7, 0, 1, 2, 3}, 2, untouched},
    };
    for (const Case& c : cases) {
        Reader r(c.bytes, V(true, false, true), 0.5, 10, 20);
        CMatrix m;
        m.m11 = 9;
        EXPECT_EQ(r.access.GetMatrix(&m), 1);
        EXPECT_EQ(r.access.Position(), c.consumed);
        EXPECT_EQ(m.m11, c.expected.m11);
        EXPECT_EQ(m.m12, c.expected.m12);
        EXPECT_EQ(m.m21, c.expected.m21);
        EXPECT_EQ(m.m22, c.expected.m22);
        EXPECT_EQ(m.dx, c.expected.dx);
        EXPECT_EQ(m.dy, c.expected.dy);
    }
}

TEST(Readers, StringsAppendTheirCharacters) {
    Reader r({3, 0, 'a', 'b', 'c', 0, 0, 2, 0, 'x', 0}, V(true, false, true));
    CString text("<");
    EXPECT_EQ(r.access.GetString(&text), 1);
    EXPECT_EQ(text, "<abc");
    EXPECT_EQ(r.access.GetString(&text), 1);
    EXPECT_EQ(text, "<abc");
    EXPECT_EQ(r.access.Position(), 7u);
    // A zero byte is a character like any other.
    EXPECT_EQ(r.access.GetString(&text), 1);
    EXPECT_EQ(text.GetLength(), 6);
}

TEST(Readers, TagReadersReadNothingInUntaggedBodies) {
    Reader untagged({1, 9, 0, 0xFF}, V(true, false, false));
    EXPECT_EQ(untagged.access.GetTag(), 0u);
    EXPECT_EQ(untagged.access.GetTagSize(), 0u);
    untagged.access.OverrideTag();
    EXPECT_EQ(untagged.access.Position(), 0u);

    Reader tagged({1, 6, 0, 'a', 'b', 'c', 0xFF}, V(true, false, true));
    EXPECT_EQ(tagged.access.GetTag(), 1u);
    tagged.access.OverrideTag();
    EXPECT_EQ(tagged.access.Position(), 6u);
    EXPECT_EQ(tagged.access.GetTag(), 0xFFu);
}

TEST(Readers, OverlongSkipsAndCountsStopAtTheEnd) {
    // A group size below 3 wraps to a skip of nearly 64 KiB.
    Reader skip({1, 2, 0, 5, 6}, V(true, false, true));
    skip.access.GetTag();
    skip.access.OverrideTag();
    EXPECT_TRUE(skip.access.Exhausted());
    EXPECT_EQ(skip.access.Position(), 5u);

    Reader text({200, 0, 'a', 'b'}, V(true, false, true));
    CString s;
    EXPECT_EQ(text.access.GetString(&s), 1);
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_TRUE(text.access.Exhausted());
}
