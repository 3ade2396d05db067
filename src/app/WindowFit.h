#pragma once
#include <QMargins>
#include <QRect>
#include <QSize>
#include <optional>

// Where windows go on the screen, as plain geometry (no widget needed). Sizes are the inner
// sizes of windows; frame is what the window manager adds around them; area is the screen's
// available area, all in the same (device-independent) pixels.

// The inner size a window gets when its whole frame must fit inside area: wanted, each side
// cut to what area leaves after the frame (at least one pixel).
[[nodiscard]] QSize fittedSize(QSize wanted, QMargins frame, const QRect& area);

// The frame rectangle of a window of inner size wanted (at least minimum) beside or below the
// frame rectangle main, wholly inside area: on the right of main, else on its left, else below
// it, whichever first has room for minimum; there it keeps as much of wanted as the room allows
// and lines up with main's top (beside) or left side (below) as far as area lets it. Nothing
// when no side has room.
[[nodiscard]] std::optional<QRect> placeBeside(const QRect& main, QSize wanted, QSize minimum,
                                               QMargins frame, const QRect& area);

// The window manager's frame before a window has been shown: room for a title bar and borders
// of the usual sizes.
inline constexpr QMargins kAssumedFrame{8, 40, 8, 8};
