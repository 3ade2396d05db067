#include "analysis/ProtocolDraft.h"

#include <algorithm>
#include <tuple>

namespace proto {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

// A value as one trimmed line: cut at its first line end or NUL.
std::string oneLine(std::string_view s) {
    return std::string(trim(s.substr(0, s.find_first_of(std::string_view("\r\n\0", 3)))));
}

// The lines of a text without their line ends (a last line end starts no line).
std::vector<std::string_view> linesOf(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t at = 0;
    while (at < text.size()) {
        const size_t eol = std::min(text.find('\n', at), text.size());
        std::string_view line = text.substr(at, eol - at);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        at = eol + 1;
    }
    return lines;
}

bool isComment(std::string_view trimmed) {
    return trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '#';
}

// The name a section header line gives, if the line is one.
std::optional<std::string_view> headerName(std::string_view line) {
    const std::string_view s = trim(line);
    if (s.empty() || s.front() != '[' || s.back() != ']' || s.size() < 2) {
        return std::nullopt;
    }
    return trim(s.substr(1, s.size() - 2));
}

// The section text of one draft, keys in their order.
std::vector<std::string> sectionLines(const Draft& d) {
    std::vector<std::string> lines{"[" + d.name + "]"};
    for (size_t k = 0; k < kKeyCount; ++k) {
        if (!d.values[k].empty()) {
            lines.push_back(std::string(keyName(static_cast<Key>(k))) + "=" + d.values[k]);
        }
    }
    return lines;
}

std::string joined(const std::vector<std::string>& lines, std::string_view eol) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += eol;
    }
    return text;
}

}  // namespace

DraftForm formOf(const Draft& d) {
    DraftForm f;
    f.name = d.name;
    f.start = d[Key::Start];
    f.end = d[Key::End];
    if (!d[Key::Length].empty()) {
        f.length = true;
        std::vector<std::string_view> parts = commaParts(d[Key::Length]);
        parts.resize(4);
        f.lengthOffset = parts[0];
        f.lengthSize = parts[1] == "2" ? 2 : parts[1] == "4" ? 4 : 1;
        f.lengthBigEndian = !sameName(parts[2], "LE");
        f.lengthAdjust = std::string(parts[3]);
    }
    f.fixed = d[Key::Fixed];
    f.max = d[Key::Max];
    f.check = checkNamed(d[Key::Check]).value_or(Check::None);
    f.checkAfterEnd = d[Key::CheckAfterEnd] == "1";
    f.checkAscii = d[Key::CheckAscii] == "1";
    f.checkFrom = d[Key::CheckFrom];
    if (sameName(d[Key::CheckOrder], "BE") || sameName(d[Key::CheckOrder], "LE")) {
        f.checkBigEndian = sameName(d[Key::CheckOrder], "BE");
    }
    f.timeout = d[Key::Timeout];
    return f;
}

void applyForm(const DraftForm& form, Draft& d) {
    const DraftForm was = formOf(d);
    d.name = oneLine(form.name);
    const auto text = [&d](Key k, const std::string& now, const std::string& before) {
        if (now != before) {
            d[k] = oneLine(now);
        }
    };
    text(Key::Start, form.start, was.start);
    text(Key::End, form.end, was.end);
    const auto lengthOf = [](const DraftForm& f) {
        return std::tie(f.length, f.lengthOffset, f.lengthSize, f.lengthBigEndian, f.lengthAdjust);
    };
    if (lengthOf(form) != lengthOf(was)) {
        d[Key::Length] = form.length
                             ? oneLine(form.lengthOffset) + "," + std::to_string(form.lengthSize) +
                                   "," + (form.lengthBigEndian ? "BE" : "LE") + "," +
                                   oneLine(form.lengthAdjust)
                             : "";
    }
    text(Key::Fixed, form.fixed, was.fixed);
    text(Key::Max, form.max, was.max);
    if (form.check != was.check) {
        d[Key::Check] = form.check == Check::None ? "" : checkName(form.check);
    }
    if (form.checkAfterEnd != was.checkAfterEnd) {
        d[Key::CheckAfterEnd] = form.checkAfterEnd ? "1" : "";
    }
    if (form.checkAscii != was.checkAscii) {
        d[Key::CheckAscii] = form.checkAscii ? "1" : "";
    }
    text(Key::CheckFrom, form.checkFrom, was.checkFrom);
    if (form.checkBigEndian != was.checkBigEndian) {
        d[Key::CheckOrder] = !form.checkBigEndian ? "" : *form.checkBigEndian ? "BE" : "LE";
    }
    text(Key::Timeout, form.timeout, was.timeout);
}

std::optional<DraftFault> draftFault(const std::vector<Draft>& drafts, size_t i) {
    const Draft& d = drafts[i];
    if (d.name.empty()) {
        return DraftFault{std::nullopt, "名前がありません"};
    }
    if (d.name != trim(d.name) || std::any_of(d.name.begin(), d.name.end(), [](char c) {
            return c == '[' || c == ']' || static_cast<unsigned char>(c) < 0x20;
        })) {
        return DraftFault{std::nullopt, "名前の前後の空白、[ ] と制御文字は使えません"};
    }
    const auto& builtin = builtinNames();
    if (std::any_of(builtin.begin(), builtin.end(),
                    [&d](const std::string& b) { return sameName(b, d.name); })) {
        return DraftFault{std::nullopt, "組み込みのプロトコルの名前です"};
    }
    for (size_t j = 0; j < drafts.size(); ++j) {
        if (j != i && sameName(drafts[j].name, d.name)) {
            return DraftFault{std::nullopt, "同じ名前の定義がほかにあります"};
        }
    }
    const ProtocolFile file = parseProtocols(joined(sectionLines(d), "\n"));
    if (file.error.empty()) {
        return std::nullopt;
    }
    // "line N: " and, for the section as a whole, "[name]: " say nothing the form does not.
    std::string_view reason = file.error;
    reason.remove_prefix(std::min(reason.size(), reason.find(": ") + 2));
    const std::string header = "[" + d.name + "]: ";
    if (reason.substr(0, header.size()) == header) {
        reason.remove_prefix(header.size());
    }
    return DraftFault{keyNamed(file.errorKey), std::string(reason)};
}

std::optional<Protocol> protocolOf(const Draft& d) {
    ProtocolFile file = parseProtocols(joined(sectionLines(d), "\n"));
    if (!file.error.empty() || file.protocols.size() != 1) {
        return std::nullopt;
    }
    return std::move(file.protocols.front());
}

std::optional<std::vector<Draft>> draftsOf(std::string_view text, std::string& error) {
    const ProtocolFile file = parseProtocols(text);
    if (!file.error.empty()) {
        error = file.error;
        return std::nullopt;
    }
    if (text.substr(0, kBom.size()) == kBom) {
        text.remove_prefix(kBom.size());
    }
    std::vector<Draft> drafts;
    for (const std::string_view line : linesOf(text)) {
        const std::string_view s = trim(line);
        if (isComment(s)) {
            continue;
        }
        if (const auto name = headerName(s)) {
            drafts.push_back(Draft{std::string(*name), std::string(*name), {}});
        } else if (const size_t eq = s.find('='); eq != std::string_view::npos) {
            // The text parsed: a key line follows a header and names a key.
            drafts.back()[*keyNamed(trim(s.substr(0, eq)))] = trim(s.substr(eq + 1));
        }
    }
    return drafts;
}

std::string withDrafts(std::string_view text, const std::vector<Draft>& drafts,
                       std::string_view newFileEol) {
    const bool bom = text.substr(0, kBom.size()) == kBom;
    if (bom) {
        text.remove_prefix(kBom.size());
    }
    const size_t firstEol = text.find('\n');
    const std::string_view eol = firstEol == std::string_view::npos           ? newFileEol
                                 : firstEol > 0 && text[firstEol - 1] == '\r' ? "\r\n"
                                                                              : "\n";
    const std::vector<std::string_view> lines = linesOf(text);
    std::vector<std::string> out;
    std::vector<bool> placed(drafts.size(), false);
    size_t i = 0;
    for (; i < lines.size() && !headerName(lines[i]); ++i) {
        out.emplace_back(lines[i]);
    }
    while (i < lines.size()) {
        const std::string_view name = *headerName(lines[i]);
        size_t next = i + 1;
        while (next < lines.size() && !headerName(lines[next])) {
            ++next;
        }
        const auto from = std::find_if(drafts.begin(), drafts.end(), [name](const Draft& d) {
            return !d.origin.empty() && sameName(d.origin, name);
        });
        if (from == drafts.end()) {
            i = next;  // removed, with its lines
            continue;
        }
        const Draft& d = *from;
        placed[static_cast<size_t>(from - drafts.begin())] = true;
        out.push_back(d.name == name ? std::string(lines[i]) : "[" + d.name + "]");
        std::array<bool, kKeyCount> written{};
        size_t lastFilled = out.size();  // where keys the section did not have go
        for (size_t j = i + 1; j < next; ++j) {
            const std::string_view s = trim(lines[j]);
            const size_t eq = s.find('=');
            const auto key = isComment(s) || eq == std::string_view::npos
                                 ? std::nullopt
                                 : keyNamed(trim(s.substr(0, eq)));
            if (!key) {
                out.emplace_back(lines[j]);
            } else if (const std::string& value = d[*key]; value.empty()) {
                continue;  // the key is dropped
            } else {
                written[static_cast<size_t>(*key)] = true;
                out.push_back(value == trim(s.substr(eq + 1))
                                  ? std::string(lines[j])
                                  : std::string(trim(s.substr(0, eq))) + "=" + value);
            }
            if (!s.empty()) {
                lastFilled = out.size();
            }
        }
        std::vector<std::string> added;
        for (size_t k = 0; k < kKeyCount; ++k) {
            if (!written[k] && !d.values[k].empty()) {
                added.push_back(std::string(keyName(static_cast<Key>(k))) + "=" + d.values[k]);
            }
        }
        out.insert(out.begin() + static_cast<ptrdiff_t>(lastFilled), added.begin(), added.end());
        i = next;
    }
    for (size_t k = 0; k < drafts.size(); ++k) {
        if (placed[k]) {
            continue;
        }
        if (!out.empty() && !trim(out.back()).empty()) {
            out.emplace_back();
        }
        const std::vector<std::string> section = sectionLines(drafts[k]);
        out.insert(out.end(), section.begin(), section.end());
    }
    return (bom ? std::string(kBom) : std::string()) + joined(out, eol);
}

}  // namespace proto
