#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A profile (INI) file held in memory between one Load and one Save, read and changed with
// the rules of the classic profile functions:
// - section and key names match without regard to letter case; the first match counts;
// - a value is the text after the first '=' with blanks trimmed from both ends and one pair
//   of surrounding quotes (" or ') removed; a read gives at most kMaxValue bytes of it, cut
//   at a UTF-8 character boundary;
// - an existing key is replaced in its line (keeping the file's spelling of the name), a new
//   key goes after the last non-blank line of its section, a new section at the end of the
//   file; every other line is kept byte for byte;
// - lines starting with ';' are comments.
// Files may end their lines with CR LF or LF and may start with a UTF-8 byte order mark.
// Save keeps the line end of the file's first line (and the mark); a new file gets LF
// (CR LF on Windows). Texts are UTF-8.
class IniFile {
  public:
    static constexpr size_t kMaxValue = 255;
    // The line end of a new file.
#ifdef _WIN32
    static constexpr std::string_view kNewFileEol = "\r\n";
#else
    static constexpr std::string_view kNewFileEol = "\n";
#endif
    // A larger file is not a profile this program wrote: it is neither read nor replaced.
    static constexpr size_t kMaxFileSize = 1 << 20;

    explicit IniFile(std::string path) : path_(std::move(path)) {}

    // Reads the file. A missing file is an empty profile. A file that cannot be read (a
    // folder, no permission, too large) also reads as empty, and Save will not replace it.
    void load();

    // The value of section/key, or nothing when the key is missing.
    [[nodiscard]] std::optional<std::string> get(std::string_view section,
                                                 std::string_view key) const;
    // Sets section/key to value. A value is one line: it is cut at its first CR, LF or NUL.
    void put(std::string_view section, std::string_view key, std::string_view value);

    // Writes the file atomically if a Put changed it. False when the write failed or the
    // file could not be read by Load.
    bool save();

    [[nodiscard]] const std::string& path() const {
        return path_;
    }

  private:
    struct Span {
        size_t header;  // line of "[section]"
        size_t end;     // one past the section's last line
    };
    [[nodiscard]] std::optional<Span> findSection(std::string_view section) const;
    [[nodiscard]] std::optional<size_t> findKey(const Span& span, std::string_view key) const;

    std::string path_;
    std::vector<std::string> lines_;  // without their line ends
    std::string eol_;
    bool bom_ = false;
    bool readable_ = true;
    bool changed_ = false;
};

// The settings-file read of one key: the value of section/key from file. When the key is
// missing, or its value contains the text "NoString" (the marker the classic read returns
// for a missing key), defaultValue is written to the file under section/key and returned.
std::string GetIni(std::string_view section, std::string_view key, const std::string& defaultValue,
                   IniFile& file);

// The settings-file write of one key.
void PutIni(std::string_view section, std::string_view key, std::string_view value, IniFile& file);
