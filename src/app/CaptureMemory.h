#pragma once
#include <cstdint>

class Capture;
class Prompts;

// The buffer-size setting as the options dialog accepts it: 1 to 4000 (units of 1000 bytes).
// The settings file may hold anything; a value outside is taken as the nearest limit.
inline constexpr int32_t kMinBufSize = 1;
inline constexpr int32_t kMaxBufSize = 4000;
[[nodiscard]] int32_t bufSizeInRange(int32_t bufSize);

// Allocates the capture buffers for bufSize. When the memory is not there, the default size
// (then the smallest) is taken instead and the user is told; the program never ends for it.
// Returns the size allocated.
int32_t allocCapture(Capture& capture, int32_t bufSize, Prompts& prompts);
