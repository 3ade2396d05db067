#include "files/AutoSave.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string_view>
#include <utility>

#include "files/AtomicFile.h"
#include "files/LTime.h"
#include "files/ProgramFolder.h"
#include "files/QSort.h"

namespace {

constexpr std::string_view kExt = ".vxm";
constexpr size_t kStampLen = 12;
constexpr size_t kSuffixLen = 4;  // "_NNN"

bool digits(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The folder and the file-name part of a base.
struct BaseParts {
    std::string folder, stem;
};

BaseParts split(const std::string& base) {
    const std::filesystem::path p = nativePath(base);
    std::string folder = utf8Path(p.parent_path());
    return {folder.empty() ? std::string(".") : folder, utf8Path(p.filename())};
}

// The part of a block-file name between stem + "_" and ".vxm" ("070309140530" or
// "070309140530_001"), or nothing when name is not a block file of stem.
std::optional<std::string_view> blockTail(std::string_view name, std::string_view stem) {
    if (name.size() < stem.size() + 1 + kStampLen + kExt.size() ||
        name.substr(0, stem.size()) != stem || name[stem.size()] != '_' ||
        name.substr(name.size() - kExt.size()) != kExt) {
        return std::nullopt;
    }
    const std::string_view tail =
        name.substr(stem.size() + 1, name.size() - stem.size() - 1 - kExt.size());
    const bool plain = tail.size() == kStampLen && digits(tail);
    const bool suffixed = tail.size() == kStampLen + kSuffixLen && digits(tail.substr(0, 12)) &&
                          tail[kStampLen] == '_' && digits(tail.substr(kStampLen + 1));
    if (!plain && !suffixed) {
        return std::nullopt;
    }
    return tail;
}

// The files of a base that the rotation counts: the block files alone. A file named base +
// ".vxm" is the user's own (saved under the name later given to auto-save, or the capture
// file of a headless capture), and auto-save never deletes what it did not write.
bool rotates(std::string_view name, std::string_view stem) {
    return blockTail(name, stem).has_value();
}

bool diskFull(int error) {
#ifdef EDQUOT
    return error == ENOSPC || error == EDQUOT;
#else
    return error == ENOSPC;
#endif
}

}  // namespace

std::vector<std::string> BlockFolder::list(const std::string& folder) const {
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(nativePath(folder), ec), end; !ec && it != end;
         it.increment(ec)) {
        names.push_back(utf8Path(it->path().filename()));
    }
    return names;
}

int BlockFolder::write(const std::string& name, const LogHeader& header, const uint8_t* bytes,
                       int32_t count) {
    uint8_t head[kLogHeaderLen];
    encodeHeader(header, head);
    AtomicFileWriter writer(name);
    writer.write({reinterpret_cast<const char*>(head), sizeof head});
    if (count > 0) {
        writer.write({reinterpret_cast<const char*>(bytes), static_cast<size_t>(count)});
    }
    if (writer.commit()) {
        return 0;
    }
    return writer.error() != 0 ? writer.error() : EIO;
}

bool BlockFolder::exists(const std::string& name) const {
    std::error_code ec;
    return std::filesystem::symlink_status(nativePath(name), ec).type() !=
           std::filesystem::file_type::not_found;
}

void BlockFolder::remove(const std::string& name) {
    KillFile(name);
}

AutoSave::AutoSave(const Settings& settings, RunState& run, Capture& capture, const Clock& clock,
                   std::string programFolder)
    : settings_(settings),
      run_(run),
      capture_(capture),
      clock_(clock),
      programFolder_(std::move(programFolder)) {}

std::string AutoSave::base() const {
    if (gstrAutoFile.empty()) {
        return joinPath(settings_.gstrSaveDir, "Trig");
    }
    // Four characters, not bytes: a name without the extension may end in any letters.
    size_t end = gstrAutoFile.size();
    for (int n = 0; n < 4 && end > 0; ++n) {
        do {
            --end;
        } while (end > 0 && (static_cast<uint8_t>(gstrAutoFile[end]) & 0xC0) == 0x80);
    }
    return gstrAutoFile.substr(0, end);
}

std::string AutoSave::stamp() const {
    return settings_.gintFileDate == 0 ? ReadLTime() : twelveDigitTime(clock_.now());
}

std::string AutoSave::AutoSaveName() {
    return uniqueName(base(), stamp());
}

std::string AutoSave::uniqueName(const std::string& base, const std::string& stamp) {
    // After a name of this second the next number, even when the rotation has removed the
    // earlier files, so that the names stay in the order the blocks were taken.
    int n = base == lastBase_ && stamp == lastStamp_ ? lastSuffix_ + 1 : 0;
    auto name = [&] {
        char suffix[16] = "";
        if (n > 0) {
            std::snprintf(suffix, sizeof suffix, "_%03d", n);
        }
        return base + "_" + stamp + suffix + std::string(kExt);
    };
    while (n <= kMaxSuffix && folder_->exists(name())) {
        ++n;
    }
    if (n > kMaxSuffix) {
        return {};  // no free name in this second: the block is kept and named later
    }
    lastBase_ = base;
    lastStamp_ = stamp;
    lastSuffix_ = n;
    return name();
}

void AutoSave::AutoSaveBlock() {
    const int32_t len = std::min<int32_t>(capture_.glngAutoLen(), capture_.glngBufKeep());
    std::vector<uint8_t> next = spareBuffer(capture_.gbyteAutoDat().size());
    keep(capture_.swapAutoBlock(std::move(next)), len);
    WriteLTime();
    writeKept();
}

void AutoSave::AutoSaveFlush() {
    if (run_.gintAutoSave == 1 && capture_.glngAutoLen() > 0) {
        const auto len = static_cast<size_t>(capture_.glngAutoLen());
        std::vector<uint8_t> part = spareBuffer(len);
        std::copy_n(capture_.gbyteAutoDat().begin(), len, part.begin());
        keep(std::move(part), static_cast<int32_t>(len));
        capture_.emptyAutoBlock();
    }
    writeKept();
}

void AutoSave::keep(std::vector<uint8_t> bytes, int32_t len) {
    Block b;
    b.base = base();
    b.name = AutoSaveName();
    b.header = headerOf(settings_);
    b.bytes = std::move(bytes);
    b.len = len;
    kept_.push_back(std::move(b));
    const int64_t limit = std::max<int64_t>(kKeepLimit, int64_t{2} * capture_.glngBufKeep());
    while (kept_.size() > 1 && keptBytes() > limit) {
        dropped_ += kept_.front().len;
        recycle(std::move(kept_.front().bytes));
        kept_.pop_front();
    }
}

void AutoSave::writeKept() {
    while (!kept_.empty()) {
        Block& b = kept_.front();
        const int error = writeBlock(b);
        if (error != 0) {
            if (!streak_) {
                streak_ = true;
                if (report_ != nullptr) {
                    report_->autoSaveFailed(b.name.empty() ? b.base : b.name, error);
                }
            }
            return;
        }
        recycle(std::move(b.bytes));
        kept_.pop_front();
        ++written_;
    }
    if (streak_) {
        streak_ = false;
        if (report_ != nullptr) {
            report_->autoSaveRecovered(std::exchange(dropped_, 0));
        }
    }
}

int AutoSave::writeBlock(Block& b) {
    if (b.name.empty() || folder_->exists(b.name)) {
        // Taken meanwhile by a file that is not ours: the next free name of the same second.
        // A block that found no free name in its second takes the current stamp.
        const std::optional<std::string_view> tail =
            blockTail(split(b.name).stem, split(b.base).stem);
        b.name = uniqueName(b.base, tail ? std::string(tail->substr(0, kStampLen)) : stamp());
        if (b.name.empty()) {
            return EEXIST;
        }
    }
    const int16_t maxFiles = settings_.gintMaxFiles;
    int error = folder_->write(b.name, b.header, b.bytes.data(), b.len);
    if (error != 0 && diskFull(error) && maxFiles > 0) {
        // The files the limit removes once this block is written make the room for it.
        RotateFiles(b.base);
        error = folder_->write(b.name, b.header, b.bytes.data(), b.len);
    }
    if (error == 0 && maxFiles > 0) {
        deleteOldest(b.base, maxFiles, b.name);
    }
    return error;
}

void AutoSave::RotateFiles(const std::string& base) {
    if (settings_.gintMaxFiles > 0) {
        deleteOldest(base, settings_.gintMaxFiles - 1, {});
    }
}

void AutoSave::deleteOldest(const std::string& base, int keep, const std::string& spared) {
    const BaseParts parts = split(base);
    const std::string sparedName = spared.empty() ? std::string() : split(spared).stem;
    std::vector<std::string> names;
    for (std::string& name : folder_->list(parts.folder)) {
        if (rotates(name, parts.stem) && name != sparedName) {
            names.push_back(std::move(name));
        }
    }
    const int own = spared.empty() ? 0 : 1;
    const int count = static_cast<int>(names.size());
    if (count + own <= keep) {
        return;
    }
    QSort::upQuickSort(names, 0, count - 1);
    for (int i = 0; i < count + own - keep && i < count; ++i) {
        folder_->remove(joinPath(parts.folder, names[static_cast<size_t>(i)]));
    }
}

int16_t AutoSave::WriteLTime() const {
    return static_cast<int16_t>(::WriteLTime(programFolder_, clock_));
}

std::string AutoSave::ReadLTime() const {
    return ::ReadLTime(programFolder_, clock_);
}

int64_t AutoSave::keptBytes() const {
    int64_t n = 0;
    for (const Block& b : kept_) {
        n += b.len;
    }
    return n;
}

void AutoSave::recycle(std::vector<uint8_t> bytes) {
    if (spares_.size() < 2) {
        spares_.push_back(std::move(bytes));
    }
}

std::vector<uint8_t> AutoSave::spareBuffer(size_t size) {
    while (!spares_.empty()) {
        std::vector<uint8_t> v = std::move(spares_.back());
        spares_.pop_back();
        if (v.size() >= size) {
            return v;
        }
    }
    return std::vector<uint8_t>(size, 0);
}
