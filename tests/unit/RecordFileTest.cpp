#include "RecordFile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

namespace {

constexpr int64_t kMs = 1'000'000;

TEST(RecordFileTest, AppendedBytesReachTheFileOnceTheyHaveWaitedTheLongestDelay) {
    char name[] = "/tmp/vexlo-unit-flushXXXXXX";
    const int fd = mkstemp(name);
    ASSERT_GE(fd, 0);
    close(fd);
    {
        RecordFile record;
        ASSERT_TRUE(record.open(name));
        EXPECT_FALSE(record.dueNs());
        record.flushDue(0);
        EXPECT_FALSE(record.dueNs()) << "nothing waits";

        record.append("\x85\xC3", 2);
        record.flushDue(1000 * kMs);  // the bytes' wait starts here
        ASSERT_TRUE(record.dueNs());
        EXPECT_EQ(*record.dueNs(), 1100 * kMs);
        record.flushDue(1099 * kMs);
        EXPECT_EQ(std::filesystem::file_size(name), 0U) << "held in the stream's buffer";
        record.append("\xA4\xD1", 2);  // later bytes do not extend the wait
        record.flushDue(1100 * kMs);
        EXPECT_EQ(std::filesystem::file_size(name), 4U);
        EXPECT_FALSE(record.dueNs());
    }
    unlink(name);
}

}  // namespace
