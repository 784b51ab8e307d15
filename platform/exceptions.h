// The framework's exception classes. They are thrown by value and caught by reference.
#pragma once

#include "platform/cstring.h"

#include <exception>

class PLATFORM_API CException : public std::exception {
public:
    CException() = default;
    ~CException() override;

    // Copies a readable description into buffer, as the framework does; FALSE when there is none.
    virtual BOOL GetErrorMessage(char* buffer, UINT maxLength, UINT* helpContext = nullptr) const;
    const char* what() const noexcept override;

protected:
    CString message_;
};

class PLATFORM_API CFileException : public CException {
public:
    enum {
        none,
        generic,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile
    };

    explicit CFileException(int cause = none, LONG osError = -1, const char* fileName = nullptr);
    CFileException(int cause, const char* fileName, const char* detail);
    ~CFileException() override;

    int m_cause;
    LONG m_lOsError;
    CString m_strFileName;

private:
    void Describe(const char* detail);
};

class PLATFORM_API CMemoryException : public CException {
public:
    CMemoryException();
    ~CMemoryException() override;
};

class PLATFORM_API CNotSupportedException : public CException {
public:
    explicit CNotSupportedException(const char* detail = nullptr);
    ~CNotSupportedException() override;
};

[[noreturn]] PLATFORM_API void AfxThrowFileException(int cause, LONG osError = -1,
                                                     const char* fileName = nullptr);
[[noreturn]] PLATFORM_API void AfxThrowMemoryException();
[[noreturn]] PLATFORM_API void AfxThrowNotSupportedException(const char* detail = nullptr);
