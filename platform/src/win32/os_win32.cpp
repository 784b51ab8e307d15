// The platform on Windows: files, module handles, string resources and the message box.
#include "platform/cfile.h"
#include "platform/console.h"
#include "platform/msgbox.h"
#include "platform/process.h"

#include "src/os.h"

#include <windows.h>
#include <objbase.h>

#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <io.h>

namespace {

int CauseOf(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
        return CFileException::fileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_DIRECTORY:
        return CFileException::badPath;
    case ERROR_TOO_MANY_OPEN_FILES:
        return CFileException::tooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
        return CFileException::accessDenied;
    case ERROR_SHARING_VIOLATION:
        return CFileException::sharingViolation;
    case ERROR_LOCK_VIOLATION:
        return CFileException::lockViolation;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return CFileException::diskFull;
    case ERROR_NEGATIVE_SEEK:
    case ERROR_SEEK:
        return CFileException::badSeek;
    default:
        return CFileException::generic;
    }
}

[[noreturn]] void ThrowLastError(const CString& path) {
    DWORD error = ::GetLastError();
    throw CFileException(CauseOf(error), static_cast<LONG>(error), path);
}

HANDLE Handle(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

} // namespace

BOOL CFile::Open(const char* path, UINT flags, CFileException* error) {
    if (IsOpen())
        Abort();
    path_ = path;
    DWORD access = GENERIC_READ;
    switch (flags & 3) {
    case modeWrite:
        access = GENERIC_WRITE;
        break;
    case modeReadWrite:
        access = GENERIC_READ | GENERIC_WRITE;
        break;
    default:
        break;
    }
    DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    switch (flags & 0x70) {
    case shareExclusive:
        share = 0;
        break;
    case shareDenyWrite:
        share = FILE_SHARE_READ;
        break;
    case shareDenyRead:
        share = FILE_SHARE_WRITE;
        break;
    default:
        break;
    }
    DWORD creation = OPEN_EXISTING;
    if (flags & modeCreate)
        creation = (flags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;
    HANDLE file =
        ::CreateFileA(path, access, share, nullptr, creation, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        if (error != nullptr) {
            DWORD code = ::GetLastError();
            // A folder is refused as access denied; it is a path that names no file, as the
            // other systems report it.
            const DWORD attributes =
                path != nullptr ? ::GetFileAttributesA(path) : INVALID_FILE_ATTRIBUTES;
            const bool folder = code == ERROR_ACCESS_DENIED &&
                                attributes != INVALID_FILE_ATTRIBUTES &&
                                (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            *error = CFileException(folder ? CFileException::badPath : CauseOf(code),
                                    static_cast<LONG>(code), path);
        }
        return FALSE;
    }
    handle_ = reinterpret_cast<std::intptr_t>(file);
    return TRUE;
}

UINT CFile::Read(void* buffer, UINT count) {
    if (!IsOpen())
        throw CFileException(CFileException::invalidFile, -1, path_);
    UINT done = 0;
    while (done < count) {
        DWORD n = 0;
        if (!::ReadFile(Handle(handle_), static_cast<char*>(buffer) + done, count - done, &n,
                        nullptr))
            ThrowLastError(path_);
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

void CFile::Write(const void* buffer, UINT count) {
    if (!IsOpen())
        throw CFileException(CFileException::invalidFile, -1, path_);
    UINT done = 0;
    while (done < count) {
        DWORD n = 0;
        if (!::WriteFile(Handle(handle_), static_cast<const char*>(buffer) + done, count - done, &n,
                         nullptr))
            ThrowLastError(path_);
        if (n == 0)
            throw CFileException(CFileException::diskFull, -1, path_);
        done += n;
    }
}

ULONGLONG CFile::Seek(LONGLONG offset, UINT from) {
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    LARGE_INTEGER at;
    DWORD method = from == current ? FILE_CURRENT : from == end ? FILE_END : FILE_BEGIN;
    if (!::SetFilePointerEx(Handle(handle_), distance, &at, method))
        ThrowLastError(path_);
    return static_cast<ULONGLONG>(at.QuadPart);
}

ULONGLONG CFile::GetPosition() const {
    LARGE_INTEGER zero;
    zero.QuadPart = 0;
    LARGE_INTEGER at;
    if (!::SetFilePointerEx(Handle(handle_), zero, &at, FILE_CURRENT))
        ThrowLastError(path_);
    return static_cast<ULONGLONG>(at.QuadPart);
}

ULONGLONG CFile::GetLength() const {
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(Handle(handle_), &size))
        ThrowLastError(path_);
    return static_cast<ULONGLONG>(size.QuadPart);
}

void CFile::Flush() {
    if (IsOpen() && !::FlushFileBuffers(Handle(handle_)))
        ThrowLastError(path_);
}

void CFile::Close() {
    if (!IsOpen())
        return;
    HANDLE file = Handle(handle_);
    handle_ = kNoHandle;
    if (!::CloseHandle(file))
        ThrowLastError(path_);
}

void CFile::Abort() {
    if (IsOpen())
        ::CloseHandle(Handle(handle_));
    handle_ = kNoHandle;
}

void CFile::Rename(const char* oldPath, const char* newPath) {
    if (!::MoveFileExA(oldPath, newPath, MOVEFILE_REPLACE_EXISTING))
        ThrowLastError(oldPath);
}

void CFile::Remove(const char* path) {
    if (!::DeleteFileA(path))
        ThrowLastError(path);
}

unsigned long PlatformProcessId() {
    return static_cast<unsigned long>(::GetCurrentProcessId());
}

void PlatformReleaseZeroedMemory(void*, std::size_t) {
    // The heap's pages cannot be handed back piecemeal here; they stay as the caller left them.
}

void PlatformAdviseLargePages(void*, std::size_t) {
    // Large pages on Windows need a privilege that a host does not hold.
}

void* PlatformAllocateAligned(std::size_t count, std::size_t alignment) {
    // The system places every allocation at the start of a granule, so alignment costs nothing.
    void* bytes = ::VirtualAlloc(nullptr, count, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (bytes != nullptr && (reinterpret_cast<std::uintptr_t>(bytes) & (alignment - 1)) != 0) {
        ::VirtualFree(bytes, 0, MEM_RELEASE);
        return nullptr;
    }
    return bytes;
}

void PlatformFreeAligned(void* bytes, std::size_t) {
    if (bytes != nullptr)
        ::VirtualFree(bytes, 0, MEM_RELEASE);
}

BOOL PlatformStderrIsTerminal() {
    return ::_isatty(2) ? TRUE : FALSE;
}

BOOL PlatformWriteStandardOutput(const void* bytes, std::size_t count) {
    // What stands in the buffer goes out in the mode it was written in; the bytes go out as
    // they are, with no LF turned into CR LF.
    if (std::fflush(stdout) != 0)
        return FALSE;
    ::_setmode(::_fileno(stdout), _O_BINARY);
    return std::fwrite(bytes, 1, count, stdout) == count && std::fflush(stdout) == 0 ? TRUE : FALSE;
}

BOOL PlatformReadStandardInput(std::vector<BYTE>* bytes) {
    bytes->clear();
    // The C library would turn CR LF into LF and stop at Ctrl-Z.
    ::_setmode(::_fileno(stdin), _O_BINARY);
    BYTE piece[65536];
    for (;;) {
        const std::size_t n = std::fread(piece, 1, sizeof piece, stdin);
        bytes->insert(bytes->end(), piece, piece + n);
        if (n < sizeof piece)
            return std::ferror(stdin) ? FALSE : TRUE;
    }
}

namespace platform_os {

int LoadModuleString(HINSTANCE module, UINT id, char* buffer, UINT maxLength) {
    int length = ::LoadStringA(reinterpret_cast<::HINSTANCE>(module), id, buffer,
                               static_cast<int>(maxLength));
    if (length > 0)
        return length;
    return LoadRegisteredString(module, id, buffer, maxLength);
}

int ShowSystemMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
    return ::MessageBoxA(reinterpret_cast<::HWND>(owner), text, caption, type);
}

HINSTANCE ProgramInstance() {
    return reinterpret_cast<HINSTANCE>(::GetModuleHandleA(nullptr));
}

HINSTANCE ModuleFromAddress(const void* address) {
    HMODULE module = nullptr;
    if (!::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                  GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              static_cast<LPCSTR>(address), &module))
        return nullptr;
    return reinterpret_cast<HINSTANCE>(module);
}

} // namespace platform_os

BSTR platform_os::AnsiToBstr(const char* text) {
    const int length = ::MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 0)
        return nullptr;
    BSTR wide = ::SysAllocStringLen(nullptr, static_cast<UINT>(length - 1));
    if (wide != nullptr)
        ::MultiByteToWideChar(CP_ACP, 0, text, -1, wide, length);
    return wide;
}

std::string platform_os::BstrToAnsi(BSTR text) {
    const int wide = static_cast<int>(::SysStringLen(text));
    if (wide == 0)
        return std::string();
    const int length = ::WideCharToMultiByte(CP_ACP, 0, text, wide, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    if (length > 0)
        ::WideCharToMultiByte(CP_ACP, 0, text, wide, narrow.data(), length, nullptr, nullptr);
    return narrow;
}

bool platform_os::InitializeCom() {
    return SUCCEEDED(::CoInitialize(nullptr));
}

HRESULT platform_os::GetActiveDispatch(const char* progId, LPDISPATCH* dispatch) {
    BSTR wide = AnsiToBstr(progId);
    if (wide == nullptr)
        return E_OUTOFMEMORY;
    CLSID clsid;
    HRESULT hr = ::CLSIDFromProgID(wide, &clsid);
    ::SysFreeString(wide);
    if (FAILED(hr))
        return hr;
    IUnknown* object = nullptr;
    hr = ::GetActiveObject(clsid, nullptr, &object);
    if (FAILED(hr))
        return hr;
    hr = object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch));
    object->Release();
    return hr;
}
