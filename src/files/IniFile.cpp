#include "files/IniFile.h"

#include <fstream>
#include <system_error>

#include "files/AtomicFile.h"
#include "files/ProgramFolder.h"

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kMissingMarker = "NoString";

std::string_view trimmed(std::string_view s) {
    constexpr std::string_view blanks = " \t\r\v\f";
    const size_t first = s.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return s.substr(first, s.find_last_not_of(blanks) - first + 1);
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

// The name of a "[name]" line, or nothing for any other line.
std::optional<std::string_view> sectionName(std::string_view line) {
    const std::string_view t = trimmed(line);
    if (t.empty() || t.front() != '[') {
        return std::nullopt;
    }
    const size_t close = t.find(']');
    return trimmed(
        t.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
}

struct KeyLine {
    std::string_view name, value;
};

// The name and raw value of a "name=value" line, or nothing for any other line.
std::optional<KeyLine> keyLine(std::string_view line) {
    const std::string_view t = trimmed(line);
    const size_t eq = t.find('=');
    if (t.empty() || t.front() == ';' || t.front() == '[' || eq == std::string_view::npos) {
        return std::nullopt;
    }
    return KeyLine{trimmed(t.substr(0, eq)), trimmed(t.substr(eq + 1))};
}

// Removes one pair of matching quotes and limits the value to kMaxValue bytes, never ending
// inside a UTF-8 sequence.
std::string profileValue(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        v = v.substr(1, v.size() - 2);
    }
    if (v.size() > IniFile::kMaxValue) {
        size_t cut = IniFile::kMaxValue;
        while (cut > 0 && (static_cast<unsigned char>(v[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        v = v.substr(0, cut);
    }
    return std::string(v);
}

}  // namespace

void IniFile::load() {
    lines_.clear();
    eol_ = kNewFileEol;
    bom_ = false;
    readable_ = true;
    changed_ = false;

    const std::filesystem::path p = nativePath(path_);
    std::error_code ec;
    const auto status = std::filesystem::status(p, ec);
    if (status.type() == std::filesystem::file_type::not_found) {
        return;
    }
    const auto size = std::filesystem::file_size(p, ec);
    std::ifstream in(p, std::ios::binary);
    if (ec || status.type() != std::filesystem::file_type::regular || size > kMaxFileSize || !in) {
        readable_ = false;
        return;
    }
    std::string text(static_cast<size_t>(size), '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.gcount() != static_cast<std::streamsize>(text.size())) {
        readable_ = false;
        return;
    }

    std::string_view rest = text;
    if (rest.starts_with(kBom)) {
        bom_ = true;
        rest.remove_prefix(kBom.size());
    }
    if (const size_t nl = rest.find('\n'); nl != std::string_view::npos) {
        eol_ = nl > 0 && rest[nl - 1] == '\r' ? "\r\n" : "\n";
    }
    while (!rest.empty()) {
        const size_t nl = rest.find('\n');
        std::string_view line = rest.substr(0, nl);
        rest.remove_prefix(nl == std::string_view::npos ? rest.size() : nl + 1);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        lines_.emplace_back(line);
    }
}

std::optional<IniFile::Span> IniFile::findSection(std::string_view section) const {
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (const auto name = sectionName(lines_[i]); name && sameName(*name, section)) {
            size_t end = i + 1;
            while (end < lines_.size() && !sectionName(lines_[end])) {
                ++end;
            }
            return Span{i, end};
        }
    }
    return std::nullopt;
}

std::optional<size_t> IniFile::findKey(const Span& span, std::string_view key) const {
    for (size_t i = span.header + 1; i < span.end; ++i) {
        if (const auto k = keyLine(lines_[i]); k && sameName(k->name, key)) {
            return i;
        }
    }
    return std::nullopt;
}

std::optional<std::string> IniFile::get(std::string_view section, std::string_view key) const {
    const auto span = findSection(section);
    if (!span) {
        return std::nullopt;
    }
    const auto line = findKey(*span, key);
    if (!line) {
        return std::nullopt;
    }
    return profileValue(keyLine(lines_[*line])->value);
}

void IniFile::put(std::string_view section, std::string_view key, std::string_view value) {
    value = value.substr(0, value.find_first_of(std::string_view("\r\n\0", 3)));
    const auto span = findSection(section);
    if (!span) {
        lines_.push_back("[" + std::string(section) + "]");
        lines_.push_back(std::string(key) + "=" + std::string(value));
        changed_ = true;
        return;
    }
    if (const auto line = findKey(*span, key)) {
        std::string replaced = std::string(keyLine(lines_[*line])->name) + "=" + std::string(value);
        if (replaced != lines_[*line]) {
            lines_[*line] = std::move(replaced);
            changed_ = true;
        }
        return;
    }
    size_t at = span->end;
    while (at > span->header + 1 && trimmed(lines_[at - 1]).empty()) {
        --at;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at),
                  std::string(key) + "=" + std::string(value));
    changed_ = true;
}

bool IniFile::save() {
    if (!readable_) {
        return false;
    }
    if (!changed_) {
        return true;
    }
    std::string text = bom_ ? std::string(kBom) : std::string();
    for (const std::string& line : lines_) {
        text += line;
        text += eol_;
    }
    if (!writeFileAtomic(path_, text)) {
        return false;
    }
    changed_ = false;
    return true;
}

std::string GetIni(std::string_view section, std::string_view key, const std::string& defaultValue,
                   IniFile& file) {
    const auto value = file.get(section, key);
    if (!value || value->find(kMissingMarker) != std::string::npos) {
        PutIni(section, key, defaultValue, file);
        return defaultValue;
    }
    return *value;
}

void PutIni(std::string_view section, std::string_view key, std::string_view value, IniFile& file) {
    file.put(section, key, value);
}
