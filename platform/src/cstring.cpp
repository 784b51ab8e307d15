#include "platform/cstring.h"

#include "platform/module.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>

CString::CString(const char* text) : text_(text != nullptr ? text : "") {}

CString::CString(const char* text, int length)
    : text_(text != nullptr && length > 0 ? std::string(text, static_cast<std::size_t>(length))
                                          : std::string()) {}

CString::CString(char ch, int repeat)
    : text_(repeat > 0 ? static_cast<std::size_t>(repeat) : 0, ch) {}

CString& CString::operator=(const char* text) {
    text_ = text != nullptr ? text : "";
    return *this;
}

CString& CString::operator=(char ch) {
    text_.assign(1, ch);
    return *this;
}

CString& CString::operator+=(const CString& text) {
    text_ += text.text_;
    return *this;
}

CString& CString::operator+=(const char* text) {
    if (text != nullptr)
        text_ += text;
    return *this;
}

CString& CString::operator+=(char ch) {
    text_ += ch;
    return *this;
}

int CString::Compare(const char* text) const {
    return std::strcmp(text_.c_str(), text != nullptr ? text : "");
}

int CString::CompareNoCase(const char* text) const {
    const unsigned char* a = reinterpret_cast<const unsigned char*>(text_.c_str());
    const unsigned char* b = reinterpret_cast<const unsigned char*>(text != nullptr ? text : "");
    for (;; ++a, ++b) {
        int ca = std::tolower(*a);
        int cb = std::tolower(*b);
        if (ca != cb || ca == 0)
            return ca - cb;
    }
}

int CString::Find(char ch, int start) const {
    if (start < 0 || start >= GetLength())
        return -1;
    std::size_t at = text_.find(ch, static_cast<std::size_t>(start));
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::Find(const char* text, int start) const {
    if (text == nullptr || start < 0 || start > GetLength())
        return -1;
    std::size_t at = text_.find(text, static_cast<std::size_t>(start));
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::ReverseFind(char ch) const {
    std::size_t at = text_.rfind(ch);
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

CString CString::Left(int count) const {
    count = std::clamp(count, 0, GetLength());
    return CString(text_.data(), count);
}

CString CString::Mid(int first) const {
    return Mid(first, GetLength());
}

CString CString::Mid(int first, int count) const {
    first = std::clamp(first, 0, GetLength());
    count = std::clamp(count, 0, GetLength() - first);
    return CString(text_.data() + first, count);
}

CString CString::Right(int count) const {
    count = std::clamp(count, 0, GetLength());
    return CString(text_.data() + (GetLength() - count), count);
}

char* CString::GetBuffer(int minLength) {
    if (minLength > GetLength())
        text_.resize(static_cast<std::size_t>(minLength));
    return text_.data();
}

char* CString::GetBufferSetLength(int length) {
    text_.resize(static_cast<std::size_t>(std::max(length, 0)));
    return text_.data();
}

void CString::ReleaseBuffer(int newLength) {
    if (newLength < 0)
        newLength = static_cast<int>(std::strlen(text_.c_str()));
    text_.resize(static_cast<std::size_t>(std::min(newLength, GetLength())));
}

BOOL CString::LoadString(UINT id) {
    char buffer[4096];
    int length = AfxLoadString(id, buffer, sizeof buffer);
    if (length == 0)
        return FALSE;
    text_.assign(buffer, static_cast<std::size_t>(length));
    return TRUE;
}

void CString::Format(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::va_list again;
    va_copy(again, args);
    int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    if (length < 0) {
        va_end(again);
        text_.clear();
        return;
    }
    text_.resize(static_cast<std::size_t>(length) + 1);
    std::vsnprintf(text_.data(), text_.size(), format, again);
    va_end(again);
    text_.resize(static_cast<std::size_t>(length));
}

CString operator+(const CString& a, const CString& b) {
    CString result(a);
    result += b;
    return result;
}

CString operator+(const CString& a, const char* b) {
    CString result(a);
    result += b;
    return result;
}

CString operator+(const char* a, const CString& b) {
    CString result(a);
    result += b;
    return result;
}

CString operator+(const CString& a, char b) {
    CString result(a);
    result += b;
    return result;
}
