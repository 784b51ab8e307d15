// Writes the job manifest: the digest of the job that every catalogue drawing and every sample
// converts to.
//
//   make-job-digests SOURCE_DIR
#include "tests/support/job_digests.h"

#include "vestrel/frame/vestrel.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-job-digests SOURCE_DIR\n");
        return 2;
    }
    try {
        InitVestrelDLL();
        const std::string source = argv[1];
        const auto digests = cmxtest::ComputeJobDigests(source);
        const std::string manifest = source + "/" + cmxtest::kJobManifest;
        if (!cmxtest::WriteJobManifest(manifest, digests)) {
            std::fprintf(stderr, "make-job-digests: cannot write %s\n", manifest.c_str());
            return 1;
        }
        std::printf("make-job-digests: %zu jobs in %s\n", digests.size(), manifest.c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make-job-digests: %s\n", e.what());
        return 1;
    }
    return 0;
}
