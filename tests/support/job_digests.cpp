#include "tests/support/job_digests.h"

#include "tests/support/catalogue.h"
#include "tests/support/test_util.h"

#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace cmxtest {

namespace {

std::string Digest(const Bytes& bytes) {
    std::uint64_t hash = 0xCBF29CE484222325u; // FNV-1a, 64 bits
    for (std::uint8_t byte : bytes) {
        hash ^= byte;
        hash *= 0x100000001B3u;
    }
    char text[40];
    std::snprintf(text, sizeof text, "%zu %016" PRIx64, bytes.size(), hash);
    return text;
}

} // namespace

std::string JobDigest(const Bytes& cmx) {
    MessageRecorder quiet;
    TempDir dir;
    CCmxParser parser;
    if (!parser.LoadCmx6File(WriteTemp(cmx).c_str()))
        return "refused";
    const std::string job = dir.File("drawing.job");
    parser.WriteJobFile(job.c_str());
    return std::filesystem::exists(job) ? Digest(ReadFileBytes(job)) : "refused";
}

std::map<std::string, std::string> ComputeJobDigests(const std::string& sourceDir) {
    std::map<std::string, std::string> digests;
    for (const NamedDrawing& drawing : Catalogue())
        digests[drawing.name] = JobDigest(drawing.bytes);
    for (const auto& entry : std::filesystem::directory_iterator(sourceDir + "/samples")) {
        if (entry.path().extension() == ".cmx")
            digests["samples/" + entry.path().filename().string()] =
                JobDigest(ReadFileBytes(entry.path().string()));
    }
    return digests;
}

std::map<std::string, std::string> ReadJobManifest(const std::string& path) {
    std::map<std::string, std::string> digests;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        std::string name, size, hash;
        fields >> name >> size >> hash;
        digests[name] = hash.empty() ? size : size + " " + hash;
    }
    return digests;
}

bool WriteJobManifest(const std::string& path, const std::map<std::string, std::string>& digests) {
    std::ofstream out(path, std::ios::trunc);
    out << "# The job that each drawing converts to: its size and FNV-1a 64 digest, as Linux "
           "writes\n"
           "# it; the Windows suite checks the same. After a deliberate change of the output:\n"
           "#   "
        << kRegenerateJobManifest << "\n";
    for (const auto& [name, digest] : digests)
        out << name << ' ' << digest << '\n';
    return static_cast<bool>(out);
}

} // namespace cmxtest
