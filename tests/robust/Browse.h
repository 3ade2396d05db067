#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "app/CoreState.h"

// Opens the display words of state.capture in the history view of a cols x rows grid and moves
// through them as a user would: the start, page after page to the end (at most maxPages), the
// end and the last half screen, line n, a line up, a page up and back to the start, a search
// hit of the last three words, and the restart position of a resumed run. Returns an empty text
// when every screen stayed inside the grid with texts that exist, else what went wrong.
// With placeAfterOpen the view first stands where an open puts it (the live screen's position
// in state.grid, or the last line with the background option) instead of at the start.
[[nodiscard]] std::string BrowseAll(CoreState& state, int32_t cols, int32_t rows, int64_t line,
                                    int maxPages,
                                    std::optional<bool> placeAfterOpen = std::nullopt);
