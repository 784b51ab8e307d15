/* What the C hosts share: loading the library, the digest of a job file and the manifest of the
   jobs that Linux writes (tests/expected-jobs.txt). */
#ifndef HOST_COMMON_H
#define HOST_COMMON_H

#include <windows.h>

#include <stddef.h>

typedef void(WINAPI* InitFunction)(void);
typedef int(WINAPI* PathFunction)(const char*);

/* vestrel.dll and the plain functions a host converts with, found by their decorated names. */
typedef struct {
    HMODULE library;
    InitFunction init;
    PathFunction load;
    PathFunction write;
} VestrelLibrary;

/* Loads vestrel.dll and finds its functions; 0, having said why, when it cannot. */
int LoadVestrel(VestrelLibrary* vestrel);

/* "SIZE FNV1A64" of a file's bytes; 0 when it cannot be read. */
int JobFileDigest(const char* path, char* digest, size_t size);
/* The manifest's digest for a name; 0 when the manifest has none. */
int ExpectedDigest(const char* manifest, const char* name, char* digest, size_t size);
/* 1 when the job file at path is the job that Linux writes for name, with a line saying so. */
int SameJobAsLinux(const char* manifest, const char* name, const char* path);

#endif
