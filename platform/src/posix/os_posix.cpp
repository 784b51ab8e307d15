// The platform on POSIX systems: files, memory, the console, module handles and the message box.
#include "platform/cfile.h"
#include "platform/console.h"
#include "platform/msgbox.h"
#include "platform/process.h"

#include "src/os.h"
#include "src/syswin.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int CauseOf(int error) {
    switch (error) {
    case ENOENT:
        return CFileException::fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case EISDIR:
        return CFileException::badPath;
    case EMFILE:
    case ENFILE:
        return CFileException::tooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
        return CFileException::accessDenied;
    case ENOSPC:
        return CFileException::diskFull;
    case EIO:
        return CFileException::hardIO;
    case ESPIPE:
    case EINVAL:
        return CFileException::badSeek;
    default:
        return CFileException::generic;
    }
}

[[noreturn]] void ThrowErrno(const CString& path) {
    int error = errno;
    throw CFileException(CauseOf(error), error, path);
}

int Descriptor(std::intptr_t handle) {
    return static_cast<int>(handle);
}

} // namespace

BOOL CFile::Open(const char* path, UINT flags, CFileException* error) {
    if (IsOpen())
        Abort();
    path_ = path;
    int mode = O_RDONLY;
    switch (flags & 3) {
    case modeWrite:
        mode = O_WRONLY;
        break;
    case modeReadWrite:
        mode = O_RDWR;
        break;
    default:
        break;
    }
    if (flags & modeCreate)
        mode |= O_CREAT | ((flags & modeNoTruncate) ? 0 : O_TRUNC);
    mode |= O_CLOEXEC;
    // Opening a FIFO would wait for a writer; the file opens without waiting and reads block
    // as usual afterwards.
    int fd = path != nullptr ? ::open(path, mode | O_NONBLOCK, 0666) : -1;
    if (fd >= 0)
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (fd >= 0) {
        // A directory opens for reading on POSIX but is no file.
        struct stat info;
        if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
            ::close(fd);
            fd = -1;
            errno = EISDIR;
        }
    } else if (path == nullptr) {
        errno = ENOENT;
    }
    if (fd < 0) {
        if (error != nullptr)
            *error = CFileException(CauseOf(errno), errno, path);
        return FALSE;
    }
    handle_ = fd;
    return TRUE;
}

UINT CFile::Read(void* buffer, UINT count) {
    if (!IsOpen())
        throw CFileException(CFileException::invalidFile, -1, path_);
    UINT done = 0;
    while (done < count) {
        ssize_t n = ::read(Descriptor(handle_), static_cast<char*>(buffer) + done, count - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ThrowErrno(path_);
        }
        if (n == 0)
            break;
        done += static_cast<UINT>(n);
    }
    return done;
}

void CFile::Write(const void* buffer, UINT count) {
    if (!IsOpen())
        throw CFileException(CFileException::invalidFile, -1, path_);
    UINT done = 0;
    while (done < count) {
        ssize_t n =
            ::write(Descriptor(handle_), static_cast<const char*>(buffer) + done, count - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ThrowErrno(path_);
        }
        done += static_cast<UINT>(n);
    }
}

ULONGLONG CFile::Seek(LONGLONG offset, UINT from) {
    int whence = from == current ? SEEK_CUR : from == end ? SEEK_END : SEEK_SET;
    off_t at = ::lseek(Descriptor(handle_), static_cast<off_t>(offset), whence);
    if (at < 0)
        ThrowErrno(path_);
    return static_cast<ULONGLONG>(at);
}

ULONGLONG CFile::GetPosition() const {
    off_t at = ::lseek(Descriptor(handle_), 0, SEEK_CUR);
    if (at < 0)
        ThrowErrno(path_);
    return static_cast<ULONGLONG>(at);
}

ULONGLONG CFile::GetLength() const {
    struct stat info;
    if (::fstat(Descriptor(handle_), &info) != 0)
        ThrowErrno(path_);
    return static_cast<ULONGLONG>(info.st_size);
}

void CFile::Flush() {
    if (IsOpen() && ::fsync(Descriptor(handle_)) != 0 && errno != EINVAL)
        ThrowErrno(path_);
}

void CFile::Close() {
    if (!IsOpen())
        return;
    int fd = Descriptor(handle_);
    handle_ = kNoHandle;
    if (::close(fd) != 0)
        ThrowErrno(path_);
}

void CFile::Abort() {
    if (IsOpen())
        ::close(Descriptor(handle_));
    handle_ = kNoHandle;
}

void CFile::Rename(const char* oldPath, const char* newPath) {
    if (::rename(oldPath, newPath) != 0)
        ThrowErrno(oldPath);
}

void CFile::Remove(const char* path) {
    if (::unlink(path) != 0)
        ThrowErrno(path);
}

unsigned long PlatformProcessId() {
    return static_cast<unsigned long>(::getpid());
}

namespace {

constexpr std::uintptr_t kLargePage = std::uintptr_t{2} << 20;

// The large pages wholly inside count bytes at bytes: their first and end addresses.
bool LargePagesInside(void* bytes, std::size_t count, std::uintptr_t* first, std::uintptr_t* last) {
    const auto from = reinterpret_cast<std::uintptr_t>(bytes);
    *first = (from + kLargePage - 1) / kLargePage * kLargePage;
    *last = (from + count) / kLargePage * kLargePage;
    return bytes != nullptr && *first < *last;
}

} // namespace

void PlatformReleaseZeroedMemory(void* bytes, std::size_t count) {
    std::uintptr_t first = 0, last = 0;
    // Private anonymous pages, as every heap's are, read as zero once the system has them back.
    if (LargePagesInside(bytes, count, &first, &last))
        ::madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);
}

void PlatformAdviseLargePages(void* bytes, std::size_t count) {
#if defined(MADV_HUGEPAGE)
    std::uintptr_t first = 0, last = 0;
    // Advice only: a system without large pages refuses it, and the buffer works as before.
    if (LargePagesInside(bytes, count, &first, &last))
        ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)bytes;
    (void)count;
#endif
}

void* PlatformAllocateAligned(std::size_t count, std::size_t alignment) {
    return ::operator new (count, std::align_val_t{alignment}, std::nothrow);
}

void PlatformFreeAligned(void* bytes, std::size_t alignment) {
    ::operator delete (bytes, std::align_val_t{alignment});
}

BOOL PlatformStderrIsTerminal() {
    return ::isatty(2) ? TRUE : FALSE;
}

BOOL PlatformReadStandardInput(std::vector<BYTE>* bytes) {
    bytes->clear();
    BYTE piece[65536];
    for (;;) {
        const ssize_t n = ::read(0, piece, sizeof piece);
        if (n == 0)
            return TRUE;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return FALSE;
        }
        bytes->insert(bytes->end(), piece, piece + n);
    }
}

BOOL PlatformWriteStandardOutput(const void* bytes, std::size_t count) {
    return std::fwrite(bytes, 1, count, stdout) == count && std::fflush(stdout) == 0 ? TRUE : FALSE;
}

namespace platform_os {

int ShowSystemMessageBox(HWND, const char* text, const char* caption, UINT) {
    std::string line = PlatformAnsiToUtf8(caption != nullptr ? caption : "");
    line += ' ';
    line += PlatformAnsiToUtf8(text != nullptr ? text : "");
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    return IDOK;
}

HINSTANCE ProgramInstance() {
    // The first object that the dynamic linker reports is the program itself.
    HINSTANCE program = nullptr;
    dl_iterate_phdr(
        [](struct dl_phdr_info* info, std::size_t, void* out) {
            *static_cast<HINSTANCE*>(out) = reinterpret_cast<HINSTANCE>(info->dlpi_addr);
            return 1;
        },
        &program);
    return program;
}

HINSTANCE ModuleFromAddress(const void* address) {
    Dl_info info;
    if (::dladdr(address, &info) == 0)
        return nullptr;
    return static_cast<HINSTANCE>(info.dli_fbase);
}

// This system has no windows of its own: every window and device context is portable.
SystemWindows* Windows() {
    return nullptr;
}

} // namespace platform_os
