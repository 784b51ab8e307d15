// Files and folders by path on POSIX systems.
#include "platform/paths.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>

PlatformPathKind PlatformGetPathKind(const char* path) {
    struct stat info;
    if (::stat(path, &info) != 0)
        return PlatformPathKind::none;
    return S_ISDIR(info.st_mode) ? PlatformPathKind::folder : PlatformPathKind::file;
}

BOOL PlatformSameFile(const char* first, const char* second) {
    struct stat a;
    struct stat b;
    if (::stat(first, &a) != 0 || ::stat(second, &b) != 0)
        return FALSE;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino ? TRUE : FALSE;
}

BOOL PlatformCreateFolders(const char* path) {
    const std::string full = path;
    // Each folder on the way down is made in turn; one that exists already is no failure.
    for (std::size_t at = full.find('/', 1);; at = full.find('/', at + 1)) {
        const std::string part = full.substr(0, at);
        if (!part.empty() && ::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST)
            return FALSE;
        if (at == std::string::npos)
            break;
    }
    return PlatformGetPathKind(path) == PlatformPathKind::folder ? TRUE : FALSE;
}

BOOL PlatformListFolder(const char* path, std::vector<PlatformFolderEntry>* entries) {
    entries->clear();
    DIR* folder = ::opendir(path);
    if (folder == nullptr)
        return FALSE;
    const std::string prefix = std::string(path) + "/";
    while (const dirent* entry = ::readdir(folder)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat info;
        const bool isFolder = ::lstat((prefix + name).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
        entries->push_back({name, isFolder});
    }
    ::closedir(folder);
    std::sort(
        entries->begin(), entries->end(),
        [](const PlatformFolderEntry& a, const PlatformFolderEntry& b) { return a.name < b.name; });
    return TRUE;
}
