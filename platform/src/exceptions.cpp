#include "platform/exceptions.h"

#include <algorithm>
#include <cstring>

CException::~CException() = default;

BOOL CException::GetErrorMessage(char* buffer, UINT maxLength, UINT* helpContext) const {
    if (helpContext != nullptr)
        *helpContext = 0;
    if (buffer == nullptr || maxLength == 0 || message_.IsEmpty())
        return FALSE;
    std::size_t n =
        std::min<std::size_t>(static_cast<std::size_t>(message_.GetLength()), maxLength - 1);
    std::memcpy(buffer, static_cast<const char*>(message_), n);
    buffer[n] = '\0';
    return TRUE;
}

const char* CException::what() const noexcept {
    return message_;
}

namespace {

const char* CauseText(int cause) {
    switch (cause) {
    case CFileException::none:
        return "no error";
    case CFileException::fileNotFound:
        return "file not found";
    case CFileException::badPath:
        return "bad path";
    case CFileException::tooManyOpenFiles:
        return "too many open files";
    case CFileException::accessDenied:
        return "access denied";
    case CFileException::invalidFile:
        return "invalid file";
    case CFileException::removeCurrentDir:
        return "cannot remove the current directory";
    case CFileException::directoryFull:
        return "directory full";
    case CFileException::badSeek:
        return "bad seek";
    case CFileException::hardIO:
        return "input/output error";
    case CFileException::sharingViolation:
        return "sharing violation";
    case CFileException::lockViolation:
        return "lock violation";
    case CFileException::diskFull:
        return "disk full";
    case CFileException::endOfFile:
        return "unexpected end of file";
    default:
        return "file error";
    }
}

} // namespace

CFileException::CFileException(int cause, LONG osError, const char* fileName)
    : m_cause(cause), m_lOsError(osError), m_strFileName(fileName) {
    Describe(nullptr);
}

CFileException::CFileException(int cause, const char* fileName, const char* detail)
    : m_cause(cause), m_lOsError(-1), m_strFileName(fileName) {
    Describe(detail);
}

CFileException::~CFileException() = default;

void CFileException::Describe(const char* detail) {
    message_ = m_strFileName.IsEmpty() ? CString() : m_strFileName + ": ";
    message_ += detail != nullptr ? detail : CauseText(m_cause);
}

CMemoryException::CMemoryException() {
    message_ = "out of memory";
}
CMemoryException::~CMemoryException() = default;

CNotSupportedException::CNotSupportedException(const char* detail) {
    message_ = detail != nullptr ? detail : "operation not supported";
}
CNotSupportedException::~CNotSupportedException() = default;

void AfxThrowFileException(int cause, LONG osError, const char* fileName) {
    throw CFileException(cause, osError, fileName);
}

void AfxThrowMemoryException() {
    throw CMemoryException();
}

void AfxThrowNotSupportedException(const char* detail) {
    throw CNotSupportedException(detail);
}
