// Every drawing converts to the job recorded in the manifest, on every system.
#include "tests/support/job_digests.h"

#include <gtest/gtest.h>

using namespace cmxtest;

TEST(Jobs, EveryDrawingConvertsToTheRecordedJob) {
    const std::string source = VESTREL_SOURCE_DIR;
    const auto expected = ReadJobManifest(source + "/" + kJobManifest);
    const auto actual = ComputeJobDigests(source);
    ASSERT_FALSE(expected.empty()) << kJobManifest << " cannot be read";
    const std::string advice = std::string("If the output changed on purpose, regenerate ") +
                               kJobManifest + " on Linux with: " + kRegenerateJobManifest;
    for (const auto& [name, digest] : actual) {
        auto found = expected.find(name);
        if (found == expected.end())
            ADD_FAILURE() << name << " is missing from " << kJobManifest << ". " << advice;
        else
            EXPECT_EQ(digest, found->second) << "the job of " << name << " differs. " << advice;
    }
    for (const auto& entry : expected)
        EXPECT_TRUE(actual.count(entry.first)) << entry.first << " is no longer made. " << advice;
}
