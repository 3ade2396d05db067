#pragma once
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/Protocol.h"

// The definitions of VXProto.ini as the protocol editor holds them: each key as the text it is
// written with, so that what the user leaves alone is written back as it was.
namespace proto {

// One definition: its name and the text of each key (empty: the key is not given).
struct Draft {
    std::string name;
    std::string origin;  // the section of the file it was read from; empty when new
    std::array<std::string, kKeyCount> values{};

    [[nodiscard]] std::string& operator[](Key k) { return values[static_cast<size_t>(k)]; }
    [[nodiscard]] const std::string& operator[](Key k) const {
        return values[static_cast<size_t>(k)];
    }
    friend bool operator==(const Draft&, const Draft&) = default;
};

// The fields of the editor's form for one definition.
struct DraftForm {
    std::string name;
    std::string start;  // hex bytes as typed
    std::string end;
    bool length = false;  // a length field is given
    std::string lengthOffset;
    int lengthSize = 1;  // 1, 2 or 4
    bool lengthBigEndian = true;
    std::string lengthAdjust;
    std::string fixed;
    std::string max;
    Check check = Check::None;
    bool checkAfterEnd = false;
    bool checkAscii = false;
    std::string checkFrom;
    std::optional<bool> checkBigEndian;  // nothing: the algorithm's usual order
    std::string timeout;
    friend bool operator==(const DraftForm&, const DraftForm&) = default;
};

// The form that shows d.
[[nodiscard]] DraftForm formOf(const Draft& d);
// Puts what the form shows into d: a key whose fields show what d already says keeps its text
// as written; the others are written afresh (a field left empty drops its key). Values are
// trimmed and cut at a line end.
void applyForm(const DraftForm& form, Draft& d);

// What keeps a definition from being saved: the key it concerns (nothing: the name) and why
// (the framing engine's reason for a key).
struct DraftFault {
    std::optional<Key> key;
    std::string reason;
    friend bool operator==(const DraftFault&, const DraftFault&) = default;
};
// The fault of drafts[i], its name compared with the others' letter case aside; nothing when it
// can be saved.
[[nodiscard]] std::optional<DraftFault> draftFault(const std::vector<Draft>& drafts, size_t i);
// The protocol a draft without fault defines.
[[nodiscard]] std::optional<Protocol> protocolOf(const Draft& d);

// The sections of a VXProto.ini text as drafts, in their order (origin set). Nothing, with the
// engine's reason in error, when the text is malformed.
[[nodiscard]] std::optional<std::vector<Draft>> draftsOf(std::string_view text, std::string& error);
// text with its sections as drafts says: the section a draft came from (by origin) keeps its
// place, its comments and blank lines, and each key line whose value is unchanged; a changed
// value is replaced in its line, a dropped key's line removed, a new key added after the last
// line of the section that is not blank, and a new name replaces the header. A section no
// draft comes from is removed with its lines; new drafts follow at the end, in their order.
// Lines before the first section stay. The text keeps its line ends (newFileEol for a text
// without any) and its byte order mark.
[[nodiscard]] std::string withDrafts(std::string_view text, const std::vector<Draft>& drafts,
                                     std::string_view newFileEol);

}  // namespace proto
