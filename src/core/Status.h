#pragma once
#include <cstdint>

// Status values of the file procedures and pending requests.
namespace status {
inline constexpr int16_t kDone = 0;
inline constexpr int16_t kFailed = -1;
}  // namespace status
