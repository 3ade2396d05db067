#include "RecordFile.h"

RecordFile::~RecordFile() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

bool RecordFile::open(const std::string& path) {
    file_ = std::fopen(path.c_str(), "ab");
    return file_ != nullptr;
}

void RecordFile::append(const char* data, size_t size) {
    if (file_ != nullptr && size > 0) {
        std::fwrite(data, 1, size, file_);
        unflushed_ = true;
    }
}

void RecordFile::flush() {
    if (file_ != nullptr) {
        std::fflush(file_);
    }
    unflushed_ = false;
    waitingSince_.reset();
}

void RecordFile::flushDue(int64_t nowNs) {
    if (!unflushed_) {
        return;
    }
    if (!waitingSince_) {
        waitingSince_ = nowNs;
    }
    if (nowNs - *waitingSince_ >= kMaxDelayNs) {
        flush();
    }
}

std::optional<int64_t> RecordFile::dueNs() const {
    if (!unflushed_) {
        return std::nullopt;
    }
    return waitingSince_ ? *waitingSince_ + kMaxDelayNs : 0;
}
