// CFile and CMemFile: binary files on disk and in memory.
#pragma once

#include "platform/exceptions.h"

#include <functional>

class PLATFORM_API CFile {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        typeText = 0x4000,
        typeBinary = 0x8000
    };
    enum SeekPosition : UINT { begin = 0, current = 1, end = 2 };

    CFile();
    // Opens at once; a failure raises CFileException.
    CFile(const char* path, UINT flags);
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
    virtual ~CFile();

    // FALSE when the file cannot be opened; error, when given, then tells why.
    virtual BOOL Open(const char* path, UINT flags, CFileException* error = nullptr);
    // Reads up to count bytes and returns how many it read (0 at the end). Raises
    // CFileException on a read error.
    virtual UINT Read(void* buffer, UINT count);
    // Writes all count bytes or raises CFileException.
    virtual void Write(const void* buffer, UINT count);
    virtual ULONGLONG Seek(LONGLONG offset, UINT from);
    virtual ULONGLONG GetPosition() const;
    virtual ULONGLONG GetLength() const;
    // Hands written data to the operating system's storage.
    virtual void Flush();
    // Closes the file; a failure raises CFileException.
    virtual void Close();
    // Closes the file and ignores every failure.
    virtual void Abort();

    BOOL IsOpen() const { return handle_ != kNoHandle; }
    CString GetFilePath() const { return path_; }

    // Renames or replaces, and removes, files by path; failures raise CFileException.
    static void Rename(const char* oldPath, const char* newPath);
    static void Remove(const char* path);

    // Writes the file at path whole or not at all: write fills a file beside path (in its folder,
    // so that the rename stays on one volume), which replaces what stands at path only once all
    // of it has reached the system. A failure raises CFileException naming path (the file beside
    // it means nothing to whoever reads the error), other exceptions pass; either way what stood
    // at path stands unchanged and the file beside it is gone.
    static void WriteWhole(const char* path, const std::function<void(CFile& file)>& write);

protected:
    static constexpr std::intptr_t kNoHandle = -1;
    std::intptr_t handle_ = kNoHandle;
    CString path_;
};

// A file over a block of memory. Attached to caller bytes with a grow size of 0 it neither
// copies nor frees them and never grows; with a grow size it owns and enlarges its block.
class PLATFORM_API CMemFile : public CFile {
public:
    explicit CMemFile(UINT growBytes = 1024);
    CMemFile(BYTE* buffer, UINT size, UINT growBytes = 0);
    ~CMemFile() override;

    void Attach(BYTE* buffer, UINT size, UINT growBytes = 0);
    // Gives up the block and returns it; the caller owns it when the file did.
    BYTE* Detach();

    BOOL Open(const char* path, UINT flags, CFileException* error = nullptr) override;
    UINT Read(void* buffer, UINT count) override;
    void Write(const void* buffer, UINT count) override;
    ULONGLONG Seek(LONGLONG offset, UINT from) override;
    ULONGLONG GetPosition() const override;
    ULONGLONG GetLength() const override;
    void Flush() override;
    void Close() override;
    void Abort() override;

private:
    void Grow(ULONGLONG needed);
    void Release();

    BYTE* buffer_ = nullptr;
    ULONGLONG size_ = 0;     // bytes of data
    ULONGLONG capacity_ = 0; // bytes of the block
    ULONGLONG position_ = 0;
    UINT growBytes_ = 0;
    bool owned_ = false;
};
