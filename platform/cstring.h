// CString: an 8-bit text with value semantics, as the framework's string class.
#pragma once

#include "platform/afxdefs.h"

#include <string>

class PLATFORM_API CString {
public:
    CString() = default;
    CString(const char* text);
    CString(const char* text, int length);
    CString(char ch, int repeat = 1);
    CString(const CString&) = default;
    CString(CString&&) noexcept = default;
    ~CString() = default;

    CString& operator=(const CString&) = default;
    CString& operator=(CString&&) noexcept = default;
    CString& operator=(const char* text);
    CString& operator=(char ch);

    int GetLength() const { return static_cast<int>(text_.size()); }
    BOOL IsEmpty() const { return text_.empty(); }
    void Empty() { text_.clear(); }

    char GetAt(int index) const { return text_.at(static_cast<std::size_t>(index)); }
    char operator[](int index) const { return GetAt(index); }
    void SetAt(int index, char ch) { text_.at(static_cast<std::size_t>(index)) = ch; }

    operator const char*() const { return text_.c_str(); }

    CString& operator+=(const CString& text);
    CString& operator+=(const char* text);
    CString& operator+=(char ch);

    int Compare(const char* text) const;
    int CompareNoCase(const char* text) const;

    // Position of the first occurrence at or after start, or -1.
    int Find(char ch, int start = 0) const;
    int Find(const char* text, int start = 0) const;
    int ReverseFind(char ch) const;

    CString Left(int count) const;
    CString Mid(int first) const;
    CString Mid(int first, int count) const;
    CString Right(int count) const;

    // Direct access to the characters; ReleaseBuffer takes the length up to the first zero
    // when it is given -1.
    char* GetBuffer(int minLength);
    char* GetBufferSetLength(int length);
    void ReleaseBuffer(int newLength = -1);

    // Loads a text from the string tables of the resource chain; FALSE when none holds it.
    BOOL LoadString(UINT id);

    void Format(const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;

    // The characters as a standard string, for code outside the framework's idiom.
    const std::string& str() const {
        return text_;
    }

private:
    std::string text_;
};

PLATFORM_API CString operator+(const CString& a, const CString& b);
PLATFORM_API CString operator+(const CString& a, const char* b);
PLATFORM_API CString operator+(const char* a, const CString& b);
PLATFORM_API CString operator+(const CString& a, char b);

inline bool operator==(const CString& a, const CString& b) {
    return a.str() == b.str();
}
inline bool operator==(const CString& a, const char* b) {
    return a.Compare(b) == 0;
}
inline bool operator!=(const CString& a, const CString& b) {
    return !(a == b);
}
inline bool operator!=(const CString& a, const char* b) {
    return !(a == b);
}
inline bool operator<(const CString& a, const CString& b) {
    return a.str() < b.str();
}
