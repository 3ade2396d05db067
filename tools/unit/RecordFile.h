#pragma once
#include <cstdio>
#include <string>

// The --record file: every capture byte that reached the client, appended in order.
class RecordFile {
  public:
    RecordFile() = default;
    ~RecordFile();
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;

    // Opens path for appending; false (with errno set) on failure.
    bool open(const std::string& path);
    void append(const char* data, size_t size);
    void flush();

  private:
    std::FILE* file_ = nullptr;
};
