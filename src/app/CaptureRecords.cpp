#include "app/CaptureRecords.h"

#include <algorithm>
#include <fstream>

#include "files/LogFile.h"
#include "files/ProgramFolder.h"

bool readCaptureRecords(const CaptureInView& capture,
                        const std::function<void(const LogHeader&)>& begin, const RecordTaker& take,
                        std::string& error) {
    error.clear();
    if (capture.file) {
        LogReader reader;
        if (!reader.open(*capture.file, error)) {
            return false;
        }
        begin(reader.header());
        return reader.read(
            [&](const uint8_t* bytes, size_t len) { return take(bytes, len, reader.DataLength()); },
            error);
    }
    begin(capture.header);
    // In pieces too, so that a progress moves and a cancel is taken.
    const uint8_t* bytes = capture.bytes.data();
    const size_t len = capture.bytes.size();
    for (size_t at = 0; at < len;) {
        const size_t n = std::min(len - at, LogReader::kPiece);
        const size_t taken = take(bytes + at, n, len);
        if (taken == LogReader::kStop || (taken == 0 && at + n == len)) {
            break;
        }
        at += taken;
    }
    return true;
}

std::vector<uint8_t> frameBytes(const CaptureInView& capture, const Frame& f, size_t most) {
    std::vector<uint8_t> out;
    const size_t want = std::min(static_cast<size_t>(f.bytes), most);
    if (!capture.file) {
        const auto at = static_cast<size_t>(f.offset);
        if (at < capture.bytes.size()) {
            appendDataBytes(capture.bytes.data() + at, capture.bytes.size() - at, want, out);
        }
        return out;
    }
    // The records from the frame's first on, a few kilobytes at a time.
    std::ifstream file(nativePath(*capture.file), std::ios::binary);
    std::vector<char> piece(4096);
    file.seekg(kLogHeaderLen + f.offset);
    size_t kept = 0;  // a record cut off by the end of the last piece
    while (out.size() < want && file) {
        file.read(piece.data() + kept, static_cast<std::streamsize>(piece.size() - kept));
        const size_t len = kept + static_cast<size_t>(file.gcount());
        const auto* records = reinterpret_cast<const uint8_t*>(piece.data());
        const size_t taken = appendDataBytes(records, len, want, out);
        kept = len - taken;
        std::copy(piece.begin() + static_cast<ptrdiff_t>(taken),
                  piece.begin() + static_cast<ptrdiff_t>(len), piece.begin());
    }
    return out;
}
