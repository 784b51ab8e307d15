// The jobs that the catalogue's drawings and the bundled samples convert to, held as digests in
// a committed manifest that the suites of every system check: a job written on Windows must be
// byte for byte the job written on Linux.
#pragma once

#include "tests/support/cmxbuilder.h"

#include <map>
#include <string>

namespace cmxtest {

// Where the manifest lives in the source tree, and how to write it anew.
constexpr const char* kJobManifest = "tests/expected-jobs.txt";
constexpr const char* kRegenerateJobManifest =
    "cmake --build --preset debug --target update-job-digests";

// "SIZE FNV1A64" of a job's bytes, or "refused" for a drawing that converts to no job.
std::string JobDigest(const Bytes& cmx);

// The digests by name: the catalogue's drawings by their names, the samples as
// "samples/NAME.cmx".
std::map<std::string, std::string> ComputeJobDigests(const std::string& sourceDir);

// The manifest's entries by name; empty when it cannot be read.
std::map<std::string, std::string> ReadJobManifest(const std::string& path);
// Writes the manifest; false when it cannot.
bool WriteJobManifest(const std::string& path, const std::map<std::string, std::string>& digests);

} // namespace cmxtest
