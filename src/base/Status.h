#pragma once
#include <cstdint>

// The system's 16-bit status values. Procedures that can fail return kDone or kFailed; a
// request flag holds kPending from the moment it is raised until whoever serves it sets it
// back to kDone.
namespace status {
inline constexpr int16_t kDone = 0;
inline constexpr int16_t kFailed = -1;
inline constexpr int16_t kPending = -1;
}  // namespace status
