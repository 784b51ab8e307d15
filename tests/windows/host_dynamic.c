/* A host as a plain C program: it loads vestrel.dll at run time and finds the plain functions by
   their decorated names, as hosts built with any compiler do.

     host-dynamic CMX JOB              converts one drawing
     host-dynamic SOURCE_DIR MANIFEST  converts every bundled sample, each in a process of its
                                       own, and compares each job with the one Linux writes */
#include "host_common.h"

#include <windows.h>

#include <stdio.h>
#include <string.h>

static int Convert(const char* cmx, const char* job) {
    VestrelLibrary vestrel;
    if (!LoadVestrel(&vestrel))
        return 1;
    vestrel.init();
    const int loaded = vestrel.load(cmx);
    const int written = loaded == 1 ? vestrel.write(job) : 0;
    FreeLibrary(vestrel.library);
    return loaded == 1 && written == 1 ? 0 : 1;
}

/* Runs this program on one sample in a process of its own and waits for it. */
static int ConvertInNewProcess(const char* cmx, const char* job) {
    char self[MAX_PATH];
    char command[3 * MAX_PATH + 16];
    GetModuleFileNameA(NULL, self, MAX_PATH);
    snprintf(command, sizeof command, "\"%s\" \"%s\" \"%s\"", self, cmx, job);
    STARTUPINFOA startup;
    PROCESS_INFORMATION process;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    if (!CreateProcessA(NULL, command, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
        return 1;
    DWORD status = 1;
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return (int)status;
}

static int CheckSamples(const char* source, const char* manifest) {
    char pattern[MAX_PATH];
    snprintf(pattern, sizeof pattern, "%s/samples/*.cmx", source);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) {
        printf("no samples in %s\n", source);
        return 1;
    }
    int samples = 0, same = 0;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    do {
        char cmx[MAX_PATH], job[MAX_PATH], name[MAX_PATH];
        snprintf(cmx, sizeof cmx, "%s/samples/%s", source, found.cFileName);
        snprintf(job, sizeof job, "%shost-dynamic-%lu.job", temp, GetCurrentProcessId());
        snprintf(name, sizeof name, "samples/%s", found.cFileName);
        ++samples;
        if (ConvertInNewProcess(cmx, job) != 0)
            printf("%s: the conversion failed\n", name);
        else if (SameJobAsLinux(manifest, name, job))
            ++same;
        DeleteFileA(job);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    printf("%d of %d samples convert to the same job as on Linux\n", same, samples);
    return same == samples ? 0 : 1;
}

int main(int argc, char** argv) {
    if (argc != 3) {
        printf("usage: host-dynamic CMX JOB | host-dynamic SOURCE_DIR MANIFEST\n");
        return 2;
    }
    DWORD attributes = GetFileAttributesA(argv[1]);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return CheckSamples(argv[1], argv[2]);
    return Convert(argv[1], argv[2]);
}
