// The graphic object records and the drawing list's copies.
#include "drawset/grobj.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

TEST(Records, ConstructorsGiveObjectsWithoutDataBlock) {
    CGrObj plain;
    CGrObj typed(4);
    CGrObj two(5, 9);
    CGrObjGroup group;
    CGrObjGroup longGroup(123L);
    CGrObjGroup split(static_cast<unsigned short>(6));
    CGrObjGroup wide(static_cast<unsigned short>(0xFFFF));
    CGrObjSimple path;
    CGrObjSimple longPath(77L);
    CGrObjBitmap bitmap;
    CGrObjBitmap longBitmap(-3L);
    for (const CGrObj* o :
         std::initializer_list<const CGrObj*>{&plain, &typed, &two, &group, &longGroup, &split,
                                              &wide, &path, &longPath, &bitmap, &longBitmap}) {
        EXPECT_EQ(o->GetData(), nullptr);
        EXPECT_EQ(o->GetSize(), 0u);
    }
    EXPECT_EQ(typed.GetType(), 4);
    EXPECT_EQ(two.GetType(), 5);
    EXPECT_EQ(two.auxInt, 9);
    EXPECT_EQ(split.GetType(), 6);
    EXPECT_EQ(split.groupExtra1, 0);
    EXPECT_EQ(split.GetClass(), GrObjClass::group);
    EXPECT_EQ(wide.GetType(), 65535);
    EXPECT_EQ(longGroup.auxLong, 123);
    EXPECT_EQ(longGroup.GetType(), GROBJ_TYPE_GROUP);
    EXPECT_EQ(longPath.auxLong, 77);
    EXPECT_EQ(longPath.GetType(), GROBJ_TYPE_SIMPLE);
    EXPECT_EQ(longBitmap.auxLong, -3);
    EXPECT_EQ(longBitmap.GetType(), GROBJ_TYPE_BITMAP);
    unsigned char* bef = reinterpret_cast<unsigned char*>(1);
    EXPECT_EQ(path.GetBefBlock(&bef), 0u);
    EXPECT_EQ(bef, nullptr);
}

TEST(Records, BitmapMemoryAndAssignmentShareTheBlock) {
    CGrObjBitmap a;
    EXPECT_NE(a.GetMem(0), nullptr);
    EXPECT_EQ(a.GetSize(), 0u);
    CGrObjBitmap b;
    unsigned char* block = b.GetMem(16);
    CGrObjBitmap c;
    c = b;
    EXPECT_EQ(c.GetData(), block);
    EXPECT_EQ(c.GetSize(), 16u);
    c.data = nullptr; // one of the two keeps the block
}

// A transformation belongs to its record: assignments and the list's copies take their own, the
// identity takes no storage, and a negative zero is not the identity. The class is the record's
// own too: assigned through the base, a path stays a path.
TEST(Records, AssignmentCopiesTheTransformationAndKeepsTheClass) {
    const CMatrix turn{0.0, 1.0, -1.0, 0.0, 5.0, 6.0};
    const CMatrix identity;
    CGrObjBitmap image;
    image.SetMatrix(&turn);
    CGrObjBitmap assigned;
    assigned = image;
    image.SetMatrix(&identity);
    EXPECT_EQ(image.matrix, nullptr);
    EXPECT_EQ(assigned.GetMatrix().m21, -1.0);
    {
        CGrDrawset drawing;
        drawing.AddObjTail(&assigned);
        assigned.SetMatrix(&identity);
        EXPECT_EQ(drawing.GetObjByNumber(1)->GetMatrix().dx, 5.0);
    }
    CMatrix negativeZero;
    negativeZero.dy = -0.0;
    image.SetMatrix(&negativeZero);
    EXPECT_TRUE(std::signbit(image.GetMatrix().dy));

    auto* path = new CGrObjSimple;
    static_cast<CGrObj&>(*path) = CGrObjGroup();
    EXPECT_EQ(path->GetClass(), GrObjClass::simple);
    delete static_cast<CGrObj*>(path);
}

TEST(Records, BefBlockHoldsLettersAndPoints) {
    CGrObjSimple path;
    const unsigned char letters[] = {'M', 'C', 'x', 'x', 'L'};
    const tagDoublePoint points[] = {{0, 1}, {2, 3}, {4.5, -5}, {1e300, 7}, {-0.0, 9}};
    EXPECT_EQ(path.BuildBefBlock(letters, points, 5), 1);
    EXPECT_EQ(path.GetSize(), 4u + 5u * 17u);
    EXPECT_EQ(path.GetPointCount(), 5u);
    EXPECT_EQ(path.GetLetter(2), 'x');
    EXPECT_EQ(path.GetPoint(3).x, 1e300);
    EXPECT_TRUE(std::signbit(path.GetPoint(4).x));
    EXPECT_EQ(path.GetPoint(5).x, 0.0);
    // A second build replaces the first.
    EXPECT_EQ(path.BuildBefBlock(letters, points, 1), 1);
    EXPECT_EQ(path.GetPointCount(), 1u);
}

TEST(Records, GroupsRecordTheirMembers) {
    CGrObjGroup group;
    for (unsigned long i = 1; i <= 100; ++i)
        EXPECT_EQ(group.AddObject(i * 3), 1);
    EXPECT_EQ(group.GetMemberCount(), 100u);
    EXPECT_EQ(group.GetSize(), 400u);
    EXPECT_EQ(group.GetMember(0), 3u);
    EXPECT_EQ(group.GetMember(99), 300u);
    EXPECT_EQ(group.GetMember(100), 0u);
}

TEST(Records, ColorMap) {
    CGrObjColorMap map;
    EXPECT_EQ(map.colors, nullptr);
    EXPECT_EQ(map.colorCount, 0);
    EXPECT_EQ(map.CreateColorMap(3), 1);
    EXPECT_EQ(map.SetColor(2, 0x302010), 1);
    EXPECT_EQ(map.SetColor(3, 1), 0);
    EXPECT_EQ(map.GetColor(2), 0x302010u);
    EXPECT_EQ(map.GetColor(0), 0u);
    unsigned long color = 0;
    EXPECT_TRUE(map.LookupReference(3, &color));
    EXPECT_EQ(color, 0x302010u);
    for (unsigned short ref : {0, 4, 0xFFFF})
        EXPECT_FALSE(map.LookupReference(ref, &color)) << ref;
    EXPECT_EQ(map.CreateColorMap(0), 1);
    EXPECT_EQ(map.colorCount, 0);
}

TEST(Drawset, ListsKeepCopiesOfWhatTheyReceive) {
    CGrDrawset drawing;
    ASSERT_NE(drawing.thumbnail, nullptr);
    EXPECT_EQ(drawing.extra1, 0u);
    CGrObjSimple path;
    const unsigned char letters[] = {'M', 'L'};
    const tagDoublePoint points[] = {{1, 2}, {3, 4}};
    path.BuildBefBlock(letters, points, 2);
    path.SetLayerIndex(7);
    POSITION first = drawing.AddObjTail(&path);
    CGrObjGroup group(static_cast<unsigned short>(6));
    group.AddObject(2);
    drawing.AddObjHead(&group);
    CGrObjBitmap bitmap;
    std::memset(bitmap.GetMem(8), 0xAB, 8);
    drawing.InsertObjAfter(first, &bitmap);
    ASSERT_EQ(drawing.GetCount(), 3);
    auto* copy = static_cast<CGrObjSimple*>(drawing.GetObjByNumber(2));
    ASSERT_EQ(copy->GetClass(), GrObjClass::simple);
    EXPECT_NE(copy->GetData(), path.GetData());
    EXPECT_EQ(copy->GetLayerIndex(), 7);
    EXPECT_EQ(copy->GetPoint(1).y, 4.0);
    EXPECT_EQ(drawing.GetObjByNumber(1)->GetType(), 6);
    EXPECT_EQ(drawing.GetObjByNumber(3)->GetData()[7], 0xAB);
    EXPECT_EQ(drawing.GetObjByNumber(4), nullptr);
    EXPECT_EQ(drawing.GetObjByNumber(0), nullptr);
    drawing.CreateClipArt();
    EXPECT_EQ(drawing.GetCount(), 3);
}

TEST(Drawset, NamedConstructorMakesNoThumbnail) {
    CGrDrawset named(CString("sheet"));
    EXPECT_EQ(named.thumbnail, nullptr);
    EXPECT_EQ(named.name, "sheet");
    EXPECT_EQ(named.GetCount(), 0);
}

// A list keeps its copies in storage of its own. Whatever a caller does with a copy (takes it
// out and deletes it, keeps it past the list, grows or rebuilds its block, shares the block by
// assignment), each record and block is released once, where it lives; the sanitizer build turns
// a slip into a failure.
TEST(Drawset, CopiesMayBeTakenOutChangedAndSharedLikeAnyRecord) {
    const unsigned char letters[] = {'M', 'L', 'L'};
    const tagDoublePoint points[] = {{1, 2}, {3, 4}, {5, 6}};
    const std::vector<unsigned char> longLetters(50, 'L');
    const std::vector<tagDoublePoint> longPoints(50, tagDoublePoint{7, 8});
    const std::size_t largeImage = 40000;
    CGrObjSimple kept;
    CGrObj* takenOut = nullptr;
    {
        CGrDrawset drawing;
        CGrObjSimple path;
        path.BuildBefBlock(letters, points, 3);
        CGrObjGroup group(static_cast<unsigned short>(6));
        group.AddObject(1);
        CGrObjBitmap image;
        std::memset(image.GetMem(largeImage), 0x5A, largeImage);
        const long paths = 5000; // copies enough for several pieces
        for (long i = 0; i < paths; ++i)
            drawing.AddObjTail(&path);
        drawing.AddObjTail(&group);
        drawing.AddObjTail(&image);
        for (long n = 1; n <= paths; n += 499)
            EXPECT_EQ(static_cast<CGrObjSimple*>(drawing.GetObjByNumber(n))->GetPoint(2).y, 6.0);

        auto* grown = static_cast<CGrObjGroup*>(drawing.GetObjByNumber(paths + 1));
        for (unsigned long member = 2; member <= 100; ++member)
            grown->AddObject(member);
        EXPECT_EQ(grown->GetMember(99), 100u);
        auto* rebuilt = static_cast<CGrObjSimple*>(drawing.GetObjByNumber(2));
        rebuilt->BuildBefBlock(longLetters.data(), longPoints.data(), 50);
        EXPECT_EQ(rebuilt->GetPoint(49).x, 7.0);
        EXPECT_EQ(drawing.GetObjByNumber(paths + 2)->GetData()[largeImage - 1], 0x5A);

        kept = *static_cast<CGrObjSimple*>(drawing.GetObjByNumber(3));
        takenOut = static_cast<CGrObj*>(drawing.RemoveHead());
        delete static_cast<CGrObjSimple*>(drawing.RemoveHead());
    }
    // The next list fills the storage the first one gave back, none that is still held.
    CGrDrawset next;
    CGrObjSimple other;
    other.BuildBefBlock(longLetters.data(), longPoints.data(), 50);
    for (int i = 0; i < 5000; ++i)
        next.AddObjTail(&other);
    EXPECT_EQ(static_cast<CGrObjSimple*>(next.GetObjByNumber(4999))->GetPoint(49).y, 8.0);
    EXPECT_EQ(kept.GetPoint(2).x, 5.0);
    EXPECT_EQ(static_cast<CGrObjSimple*>(takenOut)->GetPoint(0).y, 2.0);
    delete takenOut;
}
