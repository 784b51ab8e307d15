// What CFile does the same way on every system.
#include "platform/cfile.h"

#include "platform/process.h"

#include <string>

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

namespace {

void RemoveQuietly(const char* path) {
    try {
        CFile::Remove(path);
    } catch (CFileException&) {
        // Nothing more can be done about a temporary file that will not go.
    }
}

} // namespace

void CFile::WriteWhole(const char* path, const std::function<void(CFile& file)>& write) {
    // The process id tells apart the files of processes writing beside the same target.
    const std::string temporary =
        std::string(path) + "." + std::to_string(PlatformProcessId()) + ".tmp";
    CFile file;
    CFileException error;
    if (!file.Open(temporary.c_str(), modeCreate | modeWrite | shareExclusive | typeBinary, &error))
        throw CFileException(error.m_cause, error.m_lOsError, path);
    try {
        write(file);
        // A full disk may show only when the data reaches it.
        file.Flush();
        file.Close();
        Rename(temporary.c_str(), path);
    } catch (CFileException& failure) {
        file.Abort();
        RemoveQuietly(temporary.c_str());
        throw CFileException(failure.m_cause, failure.m_lOsError, path);
    } catch (...) {
        file.Abort();
        RemoveQuietly(temporary.c_str());
        throw;
    }
}
