// The fuzzers' seeds and every input that a fuzzer once found, through every road with the
// fuzzers' own checks, so that the suite keeps each of them fixed.
#include "fuzz/roads.h"
#include "tests/support/test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

using namespace cmxtest;

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> Inputs() {
    const fs::path fuzz = fs::path(VESTREL_SOURCE_DIR) / "fuzz";
    std::vector<fs::path> files;
    for (const fs::path& folder : {fuzz / "corpus", fuzz / "regressions"}) {
        if (!fs::is_directory(folder))
            continue;
        for (const auto& entry : fs::recursive_directory_iterator(folder))
            if (entry.is_regular_file())
                files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace

TEST(FuzzInputs, EverySeedAndFindingPassesEveryRoad) {
    MessageRecorder quiet;
    ClipboardTurn turn;
    const std::pair<const char*, std::function<std::string(const std::uint8_t*, std::size_t)>>
        roads[] = {
            {"load", vestrel_fuzz::LoadRoad},
            {"convert", vestrel_fuzz::ConvertRoad},
            {"thumbnail", vestrel_fuzz::ThumbnailRoad},
            {"jobfile", vestrel_fuzz::JobRoad},
            {"compressed", vestrel_fuzz::CompressedRoad},
            {"dropblock", vestrel_fuzz::DropBlockRoad},
            {"clipboard", vestrel_fuzz::ClipboardRoad},
        };
    const std::vector<fs::path> files = Inputs();
    // The seeds alone are several dozen; fewer means the folders were not found.
    EXPECT_GT(files.size(), 40u);
    for (const fs::path& file : files) {
        const Bytes bytes = ReadFileBytes(file.string());
        for (const auto& [name, road] : roads)
            EXPECT_EQ(road(bytes.data(), bytes.size()), "") << name << ": " << file;
    }
}
