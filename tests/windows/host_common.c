#include "host_common.h"

#include <inttypes.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

int JobFileDigest(const char* path, char* digest, size_t size) {
    FILE* file = fopen(path, "rb");
    if (file == NULL)
        return 0;
    uint64_t hash = 0xCBF29CE484222325u; /* FNV-1a, 64 bits */
    size_t length = 0;
    int ch;
    while ((ch = fgetc(file)) != EOF) {
        hash = (hash ^ (uint64_t)ch) * 0x100000001B3u;
        ++length;
    }
    fclose(file);
    snprintf(digest, size, "%lu %016" PRIx64, (unsigned long)length, hash);
    return 1;
}

int ExpectedDigest(const char* manifest, const char* name, char* digest, size_t size) {
    FILE* file = fopen(manifest, "r");
    if (file == NULL)
        return 0;
    char line[512];
    int found = 0;
    const size_t n = strlen(name);
    while (!found && fgets(line, sizeof line, file) != NULL) {
        if (strncmp(line, name, n) == 0 && line[n] == ' ') {
            snprintf(digest, size, "%s", line + n + 1);
            digest[strcspn(digest, "\r\n")] = '\0';
            found = 1;
        }
    }
    fclose(file);
    return found;
}

int SameJobAsLinux(const char* manifest, const char* name, const char* path) {
    char expected[128], actual[128];
    if (!ExpectedDigest(manifest, name, expected, sizeof expected)) {
        printf("%s: not in %s\n", name, manifest);
        return 0;
    }
    if (!JobFileDigest(path, actual, sizeof actual)) {
        printf("%s: no job file was written\n", name);
        return 0;
    }
    const int same = strcmp(expected, actual) == 0;
    printf("%s: %s (%s)\n", name, same ? "the same job as on Linux" : "a job unlike Linux's",
           actual);
    return same;
}

int LoadVestrel(VestrelLibrary* vestrel) {
    vestrel->library = LoadLibraryA("vestrel.dll");
    if (vestrel->library == NULL) {
        printf("vestrel.dll does not load (error %lu)\n", GetLastError());
        return 0;
    }
    vestrel->init = (InitFunction)(void*)GetProcAddress(vestrel->library, "_InitVestrelDLL@0");
    vestrel->load = (PathFunction)(void*)GetProcAddress(vestrel->library, "_LoadCmx6File@4");
    vestrel->write = (PathFunction)(void*)GetProcAddress(vestrel->library, "_WriteJobFile@4");
    if (vestrel->init == NULL || vestrel->load == NULL || vestrel->write == NULL) {
        printf("vestrel.dll lacks a plain function\n");
        FreeLibrary(vestrel->library);
        return 0;
    }
    return 1;
}
