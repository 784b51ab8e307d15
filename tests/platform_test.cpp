// The platform's strings, lists and files.
#include "platform/afx.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

TEST(CString, TextOperations) {
    CString s("Hello");
    s += ", ";
    s += CString("world");
    s += '!';
    EXPECT_EQ(s, "Hello, world!");
    EXPECT_EQ(s.GetLength(), 13);
    EXPECT_EQ(s.Find("world"), 7);
    EXPECT_EQ(s.Find("*.cmx"), -1);
    EXPECT_EQ(s.Find('o', 5), 8);
    EXPECT_EQ(s.ReverseFind('o'), 8);
    EXPECT_EQ(s.Left(5), "Hello");
    EXPECT_EQ(s.Mid(7, 5), "world");
    EXPECT_EQ(s.Right(6), "world!");
    EXPECT_EQ(s.Mid(100), "");
    EXPECT_EQ(CString("abc").Compare("abd"), -1);
    EXPECT_EQ(CString("ABC").CompareNoCase("abc"), 0);
    CString empty(static_cast<const char*>(nullptr));
    EXPECT_TRUE(empty.IsEmpty());
    CString formatted;
    formatted.Format("%d-%s", 42, "x");
    EXPECT_EQ(formatted, "42-x");
    char* buffer = formatted.GetBuffer(10);
    std::snprintf(buffer, 10, "ab");
    formatted.ReleaseBuffer();
    EXPECT_EQ(formatted, "ab");
}

TEST(CPtrList, AddInsertRemoveAndWalk) {
    CPtrList list(2);
    int a = 1, b = 2, c = 3, d = 4;
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(list.GetHeadPosition(), nullptr);
    EXPECT_EQ(list.GetTailPosition(), nullptr);
    POSITION pb = list.AddTail(&b);
    list.AddHead(&a);
    list.InsertAfter(pb, &d);
    list.InsertAfter(pb, &c);
    ASSERT_EQ(list.GetCount(), 4);
    std::vector<int> walked;
    for (POSITION at = list.GetHeadPosition(); at != nullptr;)
        walked.push_back(*static_cast<int*>(list.GetNext(at)));
    EXPECT_EQ(walked, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(list.GetAt(list.GetTailPosition()), &d);
    EXPECT_EQ(list.GetAt(list.FindIndex(2)), &c);
    EXPECT_EQ(list.FindIndex(4), nullptr);
    EXPECT_EQ(list.Find(&c), list.FindIndex(2));
    EXPECT_EQ(list.RemoveHead(), &a);
    EXPECT_EQ(list.GetHead(), &b);
    list.RemoveAt(list.FindIndex(1));
    EXPECT_EQ(list.GetCount(), 2);
    EXPECT_EQ(list.RemoveTail(), &d);
    EXPECT_EQ(list.RemoveHead(), &b);
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_THROW(list.RemoveHead(), CNotSupportedException);
    EXPECT_THROW(list.GetHead(), CNotSupportedException);
    // Nodes are reused across many additions.
    for (int i = 0; i < 1000; ++i)
        list.AddTail(&a);
    EXPECT_EQ(list.GetCount(), 1000);
    list.RemoveAll();
    EXPECT_EQ(list.GetCount(), 0);
}

TEST(CMemFile, ReadsAttachedBytesWithoutOwningThem) {
    BYTE bytes[6] = {1, 2, 3, 4, 5, 6};
    CMemFile file(bytes, sizeof bytes, 0);
    EXPECT_EQ(file.GetLength(), 6u);
    BYTE out[4] = {};
    EXPECT_EQ(file.Read(out, 4), 4u);
    EXPECT_EQ(out[3], 4);
    EXPECT_EQ(file.Read(out, 4), 2u);
    EXPECT_EQ(file.Read(out, 4), 0u);
    EXPECT_THROW(file.Write(out, 1), CFileException);
    file.Close();
    EXPECT_EQ(bytes[0], 1);
}

TEST(CMemFile, GrowsItsOwnBlock) {
    CMemFile file;
    std::vector<BYTE> data(5000, 7);
    file.Write(data.data(), static_cast<UINT>(data.size()));
    EXPECT_EQ(file.GetLength(), 5000u);
    file.Seek(0, CFile::begin);
    std::vector<BYTE> back(5000);
    EXPECT_EQ(file.Read(back.data(), 5000), 5000u);
    EXPECT_EQ(back, data);
}

TEST(CFile, OpenFailureTellsTheCause) {
    CFile file;
    CFileException error;
    EXPECT_FALSE(file.Open("/nonexistent/folder/file", CFile::modeRead, &error));
    // Windows tells a missing folder from a missing file; POSIX systems do not.
#if defined(_WIN32)
    EXPECT_EQ(error.m_cause, CFileException::badPath);
#else
    EXPECT_EQ(error.m_cause, CFileException::fileNotFound);
#endif
    EXPECT_EQ(error.m_strFileName, "/nonexistent/folder/file");
    EXPECT_THROW(CFile("/nonexistent/folder/file", CFile::modeRead), CFileException);
}
