// What CFile does the same way on every system.
#include "platform/cfile.h"

CFile::CFile() = default;

CFile::CFile(const char* path, UINT flags) {
    CFileException error;
    if (!Open(path, flags, &error))
        throw error;
}

CFile::~CFile() {
    if (IsOpen())
        Abort();
}
