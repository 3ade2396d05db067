#include "OutputQueue.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace {

class OutputQueueTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(pipe(fds_), 0);
        fcntl(fds_[1], F_SETFL, O_NONBLOCK);
        fcntl(fds_[0], F_SETFL, O_NONBLOCK);
        char name[] = "/tmp/vexlo-unit-recordXXXXXX";
        const int fd = mkstemp(name);
        ASSERT_GE(fd, 0);
        close(fd);
        path_ = name;
        ASSERT_TRUE(record_.open(path_));
    }
    void TearDown() override {
        close(fds_[0]);
        close(fds_[1]);
        unlink(path_.c_str());
    }

    std::string drain() {
        std::string out;
        char buffer[65536];
        ssize_t n;
        while ((n = read(fds_[0], buffer, sizeof buffer)) > 0) {
            out.append(buffer, static_cast<size_t>(n));
        }
        return out;
    }
    std::string recorded() const {
        std::ifstream in(path_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    int fds_[2] = {-1, -1};
    std::string path_;
    RecordFile record_;
};

}  // namespace

TEST_F(OutputQueueTest, KeepsWhatTheReaderCannotTakeYet) {
    OutputQueue queue(record_);
    std::string capture;
    for (int i = 0; i < 300'000; ++i) {
        capture += static_cast<char>(0x80 + i % 64);
    }
    queue.append("OK\r", false);
    queue.append(capture, true);
    queue.append("OK\r", false);

    std::string received;
    EXPECT_FALSE(queue.writeTo(fds_[1]));  // far more than a pipe holds
    EXPECT_GT(queue.size(), 0U);
    while (!queue.writeTo(fds_[1])) {
        received += drain();
    }
    received += drain();
    EXPECT_TRUE(queue.empty());
    EXPECT_EQ(received, "OK\r" + capture + "OK\r");
    // Replies are not capture bytes; the file was flushed before the last reply went out.
    EXPECT_EQ(recorded(), capture);
}

TEST_F(OutputQueueTest, RecordsOnlyWhatWasWritten) {
    const std::string filler(4096, 'x');
    while (write(fds_[1], filler.data(), filler.size()) > 0) {
    }
    OutputQueue queue(record_);
    queue.append(std::string(100, '\x80'), true);
    EXPECT_FALSE(queue.writeTo(fds_[1]));  // the reader is not reading
    EXPECT_EQ(queue.size(), 100U);
    record_.flush();
    EXPECT_EQ(recorded(), "");

    drain();
    EXPECT_TRUE(queue.writeTo(fds_[1]));
    record_.flush();
    EXPECT_EQ(recorded(), std::string(100, '\x80'));
}
