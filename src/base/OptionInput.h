#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

// The numbers typed into the options dialog, read as the dialog's OK button reads them: the
// leading number of each text, rounded to an integer (halves to the even neighbour); a text
// without a number counts as 0.
struct OptionNumbers {
    int32_t bufSize = 0;            // glngBufSize, thousands of bytes
    int16_t maxFiles = 0;           // gintMaxFiles; 0 or less: no limit
    std::optional<int16_t> portNo;  // gintPortNo; nothing when the port is found automatically
};

// Input the dialog refuses: the control that gets the focus and the message shown with the
// title kOptionRefusalTitle and the error icon. Nothing is applied then.
struct OptionRefusal {
    enum class Field { Size, MaxFiles, Port };
    Field field;
    std::string text;
};

inline constexpr int32_t kMaxBufSize = 4000;
inline constexpr const char* kOptionRefusalTitle = "入力不正";
inline constexpr const char* kBufSizeInvalid = "データバッファサイズの設定値が不正です";
inline constexpr const char* kBufSizeTooLarge = "データバッファサイズが最大値を越えています";
inline constexpr const char* kMaxFilesOutOfRange =
    "自動保存時最大ﾌｧｲﾙ数は -32768 から 32767 までの数で指定してください";
inline constexpr const char* kPortOutOfRange =
    "ﾎﾟｰﾄ番号は -32768 から 32767 までの数で指定してください";

// Checks the buffer size first (below 1, text without a number included: invalid; above
// kMaxBufSize, however large: too large), then the maximum file count, then the port number
// when port is given (manual setting). The count and the port number are stored in 16-bit
// settings: a number that does not fit is refused rather than cut.
std::variant<OptionNumbers, OptionRefusal> readOptionNumbers(std::string_view size,
                                                             std::string_view maxFiles,
                                                             std::optional<std::string_view> port);
