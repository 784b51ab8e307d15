// Files and folders by path on Windows.
#include "platform/paths.h"

#include <windows.h>

#include <algorithm>

PlatformPathKind PlatformGetPathKind(const char* path) {
    const DWORD attributes = ::GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return PlatformPathKind::none;
    return attributes & FILE_ATTRIBUTE_DIRECTORY ? PlatformPathKind::folder
                                                 : PlatformPathKind::file;
}

namespace {

// The file's identity: its volume's serial number and its index on that volume.
bool Identity(const char* path, BY_HANDLE_FILE_INFORMATION* info) {
    // Opening for no access reads the attributes even of a file that another program holds.
    HANDLE file = ::CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const BOOL read = ::GetFileInformationByHandle(file, info);
    ::CloseHandle(file);
    return read != FALSE;
}

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

} // namespace

BOOL PlatformSameFile(const char* first, const char* second) {
    BY_HANDLE_FILE_INFORMATION a;
    BY_HANDLE_FILE_INFORMATION b;
    if (!Identity(first, &a) || !Identity(second, &b))
        return FALSE;
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
                   a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow
               ? TRUE
               : FALSE;
}

BOOL PlatformCreateFolders(const char* path) {
    const std::string full = path;
    // Each folder on the way down is made in turn; one that exists already (a drive, a share's
    // root) is no failure.
    for (std::size_t at = 1; at <= full.size(); ++at) {
        if (at < full.size() && !IsSeparator(full[at]))
            continue;
        const std::string part = full.substr(0, at);
        if (!part.empty() && part.back() != ':' && !::CreateDirectoryA(part.c_str(), nullptr) &&
            ::GetLastError() != ERROR_ALREADY_EXISTS &&
            PlatformGetPathKind(part.c_str()) != PlatformPathKind::folder)
            return FALSE;
    }
    return PlatformGetPathKind(path) == PlatformPathKind::folder ? TRUE : FALSE;
}

BOOL PlatformListFolder(const char* path, std::vector<PlatformFolderEntry>* entries) {
    entries->clear();
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((std::string(path) + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return ::GetLastError() == ERROR_FILE_NOT_FOUND ? TRUE : FALSE;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        const DWORD attributes = found.dwFileAttributes;
        entries->push_back({name, (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                                      (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0});
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
    std::sort(
        entries->begin(), entries->end(),
        [](const PlatformFolderEntry& a, const PlatformFolderEntry& b) { return a.name < b.name; });
    return TRUE;
}
