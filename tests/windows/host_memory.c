/* A host as a plain C program that loads drawing after drawing and then frees the library, and
   counts the private memory committed in its address space after each step, as a 32-bit host
   with 2 GiB to spend has to.

     host-memory SMALL.cmx LARGE.cmx

   It holds the library to three bounds: a small drawing commits at most 256 KiB more than its
   copies take (the job it writes measures them); once the lists of a large drawing are destroyed
   at most 4 MiB more than after start-up stays committed; after FreeLibrary at most 1 MiB more
   than after a LoadLibrary and FreeLibrary that did nothing in between, since what loading the
   runtime leaves (the thread library stays loaded) is the system's and not the library's. */
#include "host_common.h"

#include <windows.h>

#include <stdio.h>

static const double kMiB = 1024.0 * 1024.0;

/* MEM_COMMIT and MEM_PRIVATE regions, the whole address space walked. */
static SIZE_T CommittedPrivate(void) {
    SIZE_T total = 0;
    const char* address = NULL;
    MEMORY_BASIC_INFORMATION region;
    while (VirtualQuery(address, &region, sizeof region) == sizeof region) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
            total += region.RegionSize;
        const char* next = (const char*)region.BaseAddress + region.RegionSize;
        if (next <= address)
            break; /* the top of the address space */
        address = next;
    }
    return total;
}

static long long FileSize(const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data))
        return -1;
    return ((long long)data.nFileSizeHigh << 32) | data.nFileSizeLow;
}

static void Report(const char* step, SIZE_T committed) {
    printf("%-44s %8.2f MiB\n", step, committed / kMiB);
}

static int Within(const char* what, double grown, double bound) {
    const int ok = grown <= bound;
    printf("%s: %.2f MiB, bound %.2f MiB: %s\n", what, grown / kMiB, bound / kMiB,
           ok ? "held" : "EXCEEDED");
    return ok;
}

int main(int argc, char** argv) {
    if (argc != 3) {
        printf("usage: host-memory SMALL.cmx LARGE.cmx\n");
        return 2;
    }
    char job[MAX_PATH], temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    snprintf(job, sizeof job, "%shost-memory-%lu.job", temp, GetCurrentProcessId());

    Report("before LoadLibrary", CommittedPrivate());
    HMODULE library = LoadLibraryA("vestrel.dll");
    if (library != NULL)
        FreeLibrary(library);
    const SIZE_T before = CommittedPrivate();
    Report("after LoadLibrary and FreeLibrary alone", before);
    VestrelLibrary vestrel;
    if (!LoadVestrel(&vestrel))
        return 1;
    vestrel.init();
    const SIZE_T started = CommittedPrivate();
    Report("after LoadLibrary and InitVestrelDLL", started);

    if (vestrel.load(argv[1]) != 1) {
        printf("%s does not load\n", argv[1]);
        return 1;
    }
    const SIZE_T small = CommittedPrivate();
    Report("after the small drawing", small);
    /* Writing the job destroys the lists; the job holds what the copies hold. */
    const int smallWritten = vestrel.write(job) == 1;
    const long long copies = FileSize(job);
    DeleteFileA(job);
    if (!smallWritten || copies < 0) {
        printf("the small drawing's job was not written\n");
        return 1;
    }

    if (vestrel.load(argv[2]) != 1) {
        printf("%s does not load\n", argv[2]);
        return 1;
    }
    Report("after the large drawing", CommittedPrivate());
    /* A new load releases the lists of the one before. */
    if (vestrel.load(argv[1]) != 1) {
        printf("%s does not load a second time\n", argv[1]);
        return 1;
    }
    const SIZE_T replaced = CommittedPrivate();
    Report("after the large drawing and a small one", replaced);
    const int written = vestrel.write(job) == 1;
    DeleteFileA(job);
    const SIZE_T destroyed = CommittedPrivate();
    Report("once the lists are destroyed", destroyed);

    FreeLibrary(vestrel.library);
    const SIZE_T freed = CommittedPrivate();
    Report("after FreeLibrary", freed);

    int ok = written;
    ok &= Within("the small drawing beyond its copies", (double)small - (double)started - copies,
                 256.0 * 1024);
    ok &= Within("kept once replaced by a small drawing", (double)replaced - (double)started,
                 4 * kMiB);
    ok &=
        Within("kept once the lists are destroyed", (double)destroyed - (double)started, 4 * kMiB);
    ok &= Within("kept after FreeLibrary", (double)freed - (double)before, 1 * kMiB);
    return ok ? 0 : 1;
}
