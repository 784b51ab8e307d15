/* A host as a plain C program that declares the plain functions as a host's header does and
   links them through the import library.

     host-import SOURCE_DIR MANIFEST */
#include "host_common.h"

#include <stdio.h>
#include <windows.h>

__declspec(dllimport) void __stdcall InitVestrelDLL(void);
__declspec(dllimport) int __stdcall LoadCmx6File(const char* path);
__declspec(dllimport) int __stdcall LoadCmx6FileOle2(void);
__declspec(dllimport) int __stdcall WriteJobFile(const char* path);
__declspec(dllimport) int __stdcall SetFrameSize(unsigned long width, unsigned long height);
__declspec(dllimport) int __stdcall SetClipboardOwner(void* window);
__declspec(dllimport) int __stdcall WEP(int reserved);

int main(int argc, char** argv) {
    if (argc != 3) {
        printf("usage: host-import SOURCE_DIR MANIFEST\n");
        return 2;
    }
    char cmx[MAX_PATH], job[MAX_PATH], temp[MAX_PATH];
    snprintf(cmx, sizeof cmx, "%s/samples/sample.cmx", argv[1]);
    GetTempPathA(MAX_PATH, temp);
    snprintf(job, sizeof job, "%shost-import-%lu.job", temp, GetCurrentProcessId());
    InitVestrelDLL();
    int ok = LoadCmx6FileOle2() == 0 && WEP(0) == 1 && SetClipboardOwner(NULL) == 1;
    ok = ok && LoadCmx6File(cmx) == 1 && WriteJobFile(job) == 1;
    /* Without a drawing both do nothing and still answer 1. */
    ok = ok && SetFrameSize(10, 20) == 1 && WriteJobFile(job) == 1;
    ok = ok && SameJobAsLinux(argv[2], "samples/sample.cmx", job);
    DeleteFileA(job);
    printf("host-import: %s\n", ok ? "passed" : "failed");
    return ok ? 0 : 1;
}
