#include "e2e/StoredRecords.h"

#include "capture/Records.h"

uint8_t StoredRecord::Value() const {
    return rec::pairValue(bytes[0], bytes[1]);
}

int32_t StoredRecord::Number() const {
    if (kind == Kind::Stamp) {
        return (bytes[1] * 60 + bytes[2]) * 60 + bytes[3];
    }
    return (bytes[1] * 100 + bytes[2]) * 100 + bytes[3];
}

size_t StoredRecords::Count(StoredRecord::Kind kind) const {
    size_t n = 0;
    for (const StoredRecord& r : records) {
        n += r.kind == kind ? 1 : 0;
    }
    return n;
}

StoredRecords ParseStored(std::string_view bytes) {
    StoredRecords out;
    size_t i = 0;
    auto at = [&bytes](size_t k) { return static_cast<uint8_t>(bytes[k]); };
    auto fail = [&out, &i](const char* why) {
        out.fault = std::string(why) + " at " + std::to_string(i);
    };
    while (i < bytes.size()) {
        StoredRecord r{StoredRecord::Kind::Pair, {at(i), 0, 0, 0}, i};
        size_t length = 2;
        const uint8_t b = at(i);
        if (rec::isLineState(b)) {
            r.kind = StoredRecord::Kind::Line;
        } else if (b == rec::kStamp || b == rec::kIdle) {
            r.kind = b == rec::kStamp ? StoredRecord::Kind::Stamp : StoredRecord::Kind::Idle;
            length = 4;
        } else if (!rec::isFirst(b)) {
            fail("no record starts with this byte");
            break;
        }
        if (i + length > bytes.size()) {
            fail("record cut off by the end");
            break;
        }
        for (size_t k = 1; k < length; ++k) {
            r.bytes[k] = at(i + k);
        }
        bool good = true;
        switch (r.kind) {
            case StoredRecord::Kind::Pair:
                good = rec::isSecond(r.bytes[1]);
                break;
            case StoredRecord::Kind::Line:
                good = r.bytes[1] == rec::kLineTail;
                break;
            case StoredRecord::Kind::Stamp:
                good = r.bytes[1] < 24 && r.bytes[2] < 60 && r.bytes[3] < 60;
                break;
            case StoredRecord::Kind::Idle:
                good = r.bytes[1] < 100 && r.bytes[2] < 100 && r.bytes[3] < 100;
                break;
        }
        if (!good) {
            fail("malformed record");
            break;
        }
        out.records.push_back(r);
        i += length;
    }
    return out;
}

std::string StoredFormOf(std::string_view stream) {
    std::string out;
    out.reserve(stream.size() * 2);
    for (const char c : stream) {
        out += c;
        if (rec::isLineState(static_cast<uint8_t>(c))) {
            out += static_cast<char>(rec::kLineTail);
        }
    }
    return out;
}

std::string WithoutMarkers(std::string_view stored, const StoredRecords& parsed) {
    std::string out;
    out.reserve(stored.size());
    for (const StoredRecord& r : parsed.records) {
        if (!r.IsMarker()) {
            out.append(stored.substr(r.offset, 2));
        }
    }
    return out;
}
