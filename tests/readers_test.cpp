// The value readers in every variant, and what a read past the body's end yields.
#include "tests/support/parser_access.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace cmxtest;

namespace {

struct Reader {
    CCmxParser parser;
    CCmxParserTestAccess access{parser};
    Reader(const Bytes& body, Variant variant, double scale = 1.0, LONG left = 0, LONG bottom = 0) {
        access.SetBody(body, variant, scale, left, bottom);
    }
    ~Reader() { access.Release(); }
};

Variant V(bool le, bool shortCoords, bool tagged) {
    return Variant{le, shortCoords, tagged};
}

} // namespace

TEST(Readers, WordsAndDoubleWordsFollowTheByteOrder) {
    struct Case {
        bool littleEndian;
        WORD word;
        DWORD dword;
    } cases[] = {{true, 0x1234, 0x78563412}, {false, 0x3412, 0x12345678}};
    for (const Case& c : cases) {
        Reader r({0x34, 0x12, 0x12, 0x34, 0x56, 0x78}, V(c.littleEndian, false, true));
        EXPECT_EQ(r.access.GetWord(), c.word);
        r.access.SetPos(2);
        EXPECT_EQ(r.access.GetDWord(), c.dword);
        EXPECT_EQ(r.access.pos(), 6u);
    }
}

TEST(Readers, SignedAndAliasedReaders) {
    Reader r({0xFF, 0xFE, 0xFE, 0xFF, 0xFF, 0xFF, 2, 0x10, 0x20}, V(true, false, true));
    EXPECT_EQ(r.access.GetInteger(), -257);
    EXPECT_EQ(r.access.GetInt32(), -2);
    EXPECT_EQ(r.access.GetBoolean(), 2);
    r.access.SetPos(0);
    EXPECT_EQ(r.access.GetCount(), 0xFEFF);
    EXPECT_EQ(r.access.GetAngle(), 0xFFFE);
    r.access.SetPos(2);
    EXPECT_EQ(r.access.GetAtom(), -2);
    r.access.SetPos(2);
    EXPECT_EQ(r.access.GetOffset(), 0xFFFFFFFEu);
}

TEST(Readers, CoordinatesAndLengthsFollowTheCoordinateSize) {
    for (bool le : {true, false}) {
        Reader shortCoords({0xFF, 0xFF, 0x00, 0x10, 0xFF, 0xFF}, V(le, true, true), 2.5);
        EXPECT_DOUBLE_EQ(shortCoords.access.GetCoordinate(), -2.5);
        EXPECT_EQ(shortCoords.access.pos(), 2u);
        EXPECT_EQ(shortCoords.access.GetLength(), le ? 0x1000u : 0x0010u);
        EXPECT_EQ(shortCoords.access.pos(), 4u);

        Reader longCoords({0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 7}, V(le, false, true), 2.5);
        EXPECT_DOUBLE_EQ(longCoords.access.GetCoordinate(), -2.5);
        EXPECT_EQ(longCoords.access.pos(), 4u);
        EXPECT_EQ(longCoords.access.GetLength(), le ? 0x07000000u : 7u);
        EXPECT_EQ(longCoords.access.pos(), 8u);
    }
}

TEST(Readers, DoublesAreLittleEndianInEveryByteOrder) {
    for (bool le : {true, false}) {
        ByteWriter w(V(le, false, true));
        w.Double(-1234.5);
        Reader r(w.bytes(), V(le, false, true));
        EXPECT_EQ(r.access.GetDouble(), -1234.5);
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
        EXPECT_FALSE(r.access.exhausted());
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
        EXPECT_EQ(r.access.pos(), c.consumed);
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
    EXPECT_EQ(r.access.pos(), 7u);
    // A zero byte is a character like any other.
    EXPECT_EQ(r.access.GetString(&text), 1);
    EXPECT_EQ(text.GetLength(), 6);
}

TEST(Readers, TagReadersReadNothingInUntaggedBodies) {
    Reader untagged({1, 9, 0, 0xFF}, V(true, false, false));
    EXPECT_EQ(untagged.access.GetTag(), 0u);
    EXPECT_EQ(untagged.access.GetTagSize(), 0u);
    untagged.access.OverrideTag();
    EXPECT_EQ(untagged.access.pos(), 0u);

    Reader tagged({1, 6, 0, 'a', 'b', 'c', 0xFF}, V(true, false, true));
    EXPECT_EQ(tagged.access.GetTag(), 1u);
    tagged.access.OverrideTag();
    EXPECT_EQ(tagged.access.pos(), 6u);
    EXPECT_EQ(tagged.access.GetTag(), 0xFFu);
}

TEST(Readers, GetBlockCopiesItsBytes) {
    Reader r({1, 2, 3, 4, 5}, V(true, false, true));
    unsigned char out[3] = {};
    r.access.GetByte();
    EXPECT_EQ(r.access.GetBlock(out, 3), 3u);
    EXPECT_EQ(out[0], 2);
    EXPECT_EQ(out[2], 4);
    EXPECT_EQ(r.access.pos(), 4u);
}

// A read that would pass the body's end yields 0, reads nothing and marks the body
// exhausted; every later read fails too.
TEST(Readers, ReadsPastTheEndYieldZero) {
    struct Case {
        const char* name;
        Bytes body;
        std::function<double(CCmxParserTestAccess&)> read;
    };
    const Case cases[] = {
        {"byte", {}, [](CCmxParserTestAccess& a) { return double(a.GetByte()); }},
        {"word", {7}, [](CCmxParserTestAccess& a) { return double(a.GetWord()); }},
        {"dword", {7, 7, 7}, [](CCmxParserTestAccess& a) { return double(a.GetDWord()); }},
        {"double", {7, 7, 7, 7, 7, 7, 7}, [](CCmxParserTestAccess& a) { return a.GetDouble(); }},
        {"coordinate", {7, 7, 7}, [](CCmxParserTestAccess& a) { return a.GetCoordinate(); }},
        {"tag size", {7}, [](CCmxParserTestAccess& a) { return double(a.GetTagSize()); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Reader r(c.body, V(true, false, true));
        EXPECT_EQ(c.read(r.access), 0.0);
        EXPECT_TRUE(r.access.exhausted());
        EXPECT_EQ(r.access.pos(), r.access.dataSize());
        EXPECT_EQ(r.access.GetByte(), 0u);
    }
}

TEST(Readers, OverlongSkipsAndCountsStopAtTheEnd) {
    // A group size below 3 wraps to a skip of nearly 64 KiB.
    Reader skip({1, 2, 0, 5, 6}, V(true, false, true));
    skip.access.GetTag();
    skip.access.OverrideTag();
    EXPECT_TRUE(skip.access.exhausted());
    EXPECT_EQ(skip.access.pos(), 5u);

    Reader text({200, 0, 'a', 'b'}, V(true, false, true));
    CString s;
    EXPECT_EQ(text.access.GetString(&s), 1);
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_TRUE(text.access.exhausted());

    Reader block({1, 2}, V(true, false, true));
    unsigned char out[4] = {9, 9, 9, 9};
    block.access.GetBlock(out, 4);
    EXPECT_EQ(out[0], 9);
    EXPECT_TRUE(block.access.exhausted());
}
