#pragma once
#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

#include "RecordFile.h"

// Bytes waiting to go to the client, capture stream and replies in the order they were
// made. A write that the terminal does not take in full keeps the rest for the next try,
// so nothing is lost while the client reads slowly or not at all. Capture bytes are copied
// to the record file once written; the record file is flushed before any reply goes out,
// so a client that has seen a reply finds every capture byte before it in the file.
class OutputQueue {
  public:
    explicit OutputQueue(RecordFile& record) : record_(record) {}

    void append(std::string_view bytes, bool capture);
    // Writes as much as fd takes without blocking; false when bytes remain.
    bool writeTo(int fd);
    [[nodiscard]] size_t size() const { return bytes_.size() - head_; }
    [[nodiscard]] bool empty() const { return size() == 0; }

  private:
    struct Run {
        size_t length;
        bool capture;
    };

    RecordFile& record_;
    std::string bytes_;
    size_t head_ = 0;
    std::deque<Run> runs_;
};
