#pragma once
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

// The --record file: every capture byte that reached the client, appended in order. Bytes
// appended reach the file within kMaxDelayNs, so that the file can be followed during a
// stream: the owner calls flushDue regularly and wakes up by dueNs.
class RecordFile {
  public:
    static constexpr int64_t kMaxDelayNs = 100'000'000;

    RecordFile() = default;
    ~RecordFile();
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;

    // Opens path for appending; false (with errno set) on failure.
    bool open(const std::string& path);
    void append(const char* data, size_t size);
    void flush();
    // Flushes when bytes appended have waited kMaxDelayNs; the first call that sees them
    // starts their wait (monotonic nanoseconds).
    void flushDue(int64_t nowNs);
    // When flushDue must run next at the latest; nothing when no bytes wait.
    [[nodiscard]] std::optional<int64_t> dueNs() const;

  private:
    std::FILE* file_ = nullptr;
    bool unflushed_ = false;
    std::optional<int64_t> waitingSince_;
};
