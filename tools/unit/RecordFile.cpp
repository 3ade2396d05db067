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
    if (file_ != nullptr) {
        std::fwrite(data, 1, size, file_);
    }
}

void RecordFile::flush() {
    if (file_ != nullptr) {
        std::fflush(file_);
    }
}
