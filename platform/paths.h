// Files and folders by path, for hosts that work on folders of drawings.
#pragma once

#include "platform/afxdefs.h"

#include <string>
#include <vector>

enum class PlatformPathKind { none, file, folder };

// What stands at path: a file (or anything else that is not a folder), a folder, or nothing
// that can be reached. Links are followed.
PLATFORM_API PlatformPathKind PlatformGetPathKind(const char* path);

// TRUE when both paths reach one existing file, whatever the spelling: the same device and
// inode, or on Windows the same volume serial number and file index.
PLATFORM_API BOOL PlatformSameFile(const char* first, const char* second);

// Creates the folder and every missing folder above it. TRUE when the folder exists afterwards.
PLATFORM_API BOOL PlatformCreateFolders(const char* path);

struct PlatformFolderEntry {
    std::string name;
    // A folder proper; a link to a folder counts as neither, so that a walk cannot loop.
    bool folder = false;
};

// The entries of a folder, without "." and "..", sorted by name. FALSE when the folder cannot
// be read.
PLATFORM_API BOOL PlatformListFolder(const char* path, std::vector<PlatformFolderEntry>* entries);
