#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "files/LogFile.h"

// The capture file that vexlo-cli capture streams to. Nothing is made until the first bytes
// are written (or Finish is called on an empty capture): then the header and those bytes go
// to a temporary file with a unique name in the same folder, which is flushed and renamed
// over the target, and every later Write appends to it. So an existing file is only replaced
// by a capture that has begun, and the file is a valid capture file at all times: it ends
// where a Write ended, and a Write that fails part way is cut back. A symbolic link is
// followed to its file (the link stays); a FIFO, a character device and "-" (standard output)
// are written directly, without a temporary file.
class CaptureOutput {
  public:
    explicit CaptureOutput(std::string path) : path_(std::move(path)) {}
    ~CaptureOutput();
    CaptureOutput(const CaptureOutput&) = delete;
    CaptureOutput& operator=(const CaptureOutput&) = delete;

    // The header the file will begin with; set before the first Write.
    void SetHeader(const LogHeader& header) { header_ = header; }
    // Appends whole records to the file. False, with the reason in Error, when the file could
    // not be made or written; the file then keeps what was written before.
    bool write(std::string_view records);
    // Makes the file if no bytes came, and flushes it to the disk.
    bool finish();

    [[nodiscard]] const std::string& error() const { return error_; }
    [[nodiscard]] int64_t Bytes() const { return bytes_; }

  private:
    bool create();
    bool openDirect(const std::filesystem::path& target);
    bool writeHeader();
    bool fail(const std::string& step);

    std::string path_;
    LogHeader header_;
    int fd_ = -1;
    bool direct_ = false;  // a FIFO, a device or standard output
    int64_t size_ = 0;     // bytes in the file
    int64_t bytes_ = 0;    // capture bytes in the file
    std::string error_;
};
