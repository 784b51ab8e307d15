#include "platform/cfile.h"

#include <algorithm>
#include <cstring>
#include <limits>

CMemFile::CMemFile(UINT growBytes) : growBytes_(growBytes), owned_(true) {
    // The base's handle marks the file as open; a memory file has no system handle.
    handle_ = 0;
}

CMemFile::CMemFile(BYTE* buffer, UINT size, UINT growBytes) {
    Attach(buffer, size, growBytes);
}

CMemFile::~CMemFile() {
    Release();
    handle_ = kNoHandle;
}

void CMemFile::Release() {
    if (owned_)
        ::operator delete(buffer_);
    buffer_ = nullptr;
    size_ = capacity_ = position_ = 0;
    owned_ = false;
}

void CMemFile::Attach(BYTE* buffer, UINT size, UINT growBytes) {
    Release();
    buffer_ = buffer;
    size_ = capacity_ = buffer != nullptr ? size : 0;
    growBytes_ = growBytes;
    // Bytes handed in by the caller stay the caller's, whatever the grow size says.
    owned_ = false;
    handle_ = 0;
}

BYTE* CMemFile::Detach() {
    BYTE* buffer = buffer_;
    buffer_ = nullptr;
    size_ = capacity_ = position_ = 0;
    owned_ = false;
    handle_ = kNoHandle;
    return buffer;
}

BOOL CMemFile::Open(const char*, UINT, CFileException* error) {
    if (error != nullptr)
        *error = CFileException(CFileException::generic, -1, nullptr);
    return FALSE;
}

UINT CMemFile::Read(void* buffer, UINT count) {
    if (!IsOpen())
        throw CFileException(CFileException::invalidFile, -1, nullptr);
    if (position_ >= size_)
        return 0;
    UINT n = static_cast<UINT>(std::min<ULONGLONG>(count, size_ - position_));
    std::memcpy(buffer, buffer_ + position_, n);
    position_ += n;
    return n;
}

void CMemFile::Grow(ULONGLONG needed) {
    if (needed <= capacity_)
        return;
    if (growBytes_ == 0 || (buffer_ != nullptr && !owned_))
        throw CFileException(CFileException::diskFull, -1, nullptr);
    ULONGLONG capacity = std::max<ULONGLONG>(needed, capacity_ + capacity_ / 2);
    capacity = (capacity + growBytes_ - 1) / growBytes_ * growBytes_;
    if (capacity > std::numeric_limits<std::size_t>::max())
        AfxThrowMemoryException();
    BYTE* grown = static_cast<BYTE*>(::operator new(static_cast<std::size_t>(capacity)));
    if (size_ > 0)
        std::memcpy(grown, buffer_, static_cast<std::size_t>(size_));
    ::operator delete(buffer_);
    buffer_ = grown;
    capacity_ = capacity;
    owned_ = true;
}

void CMemFile::Write(const void* buffer, UINT count) {
    if (!IsOpen())
        throw CFileException(CFileException::invalidFile, -1, nullptr);
    if (count == 0)
        return;
    Grow(position_ + count);
    std::memcpy(buffer_ + position_, buffer, count);
    position_ += count;
    size_ = std::max(size_, position_);
}

ULONGLONG CMemFile::Seek(LONGLONG offset, UINT from) {
    LONGLONG base = from == current ? static_cast<LONGLONG>(position_)
                    : from == end   ? static_cast<LONGLONG>(size_)
                                    : 0;
    LONGLONG at = base + offset;
    if (at < 0)
        throw CFileException(CFileException::badSeek, -1, nullptr);
    position_ = static_cast<ULONGLONG>(at);
    return position_;
}

ULONGLONG CMemFile::GetPosition() const {
    return position_;
}

ULONGLONG CMemFile::GetLength() const {
    return size_;
}

void CMemFile::Flush() {}

void CMemFile::Close() {
    Release();
    handle_ = kNoHandle;
}

void CMemFile::Abort() {
    Close();
}
