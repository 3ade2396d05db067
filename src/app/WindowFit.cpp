#include "app/WindowFit.h"

#include <algorithm>

QSize fittedSize(QSize wanted, QMargins frame, const QRect& area) {
    const QSize room = area.size().shrunkBy(frame).expandedTo(QSize(1, 1));
    return wanted.boundedTo(room);
}

std::optional<QRect> placeBeside(const QRect& main, QSize wanted, QSize minimum, QMargins frame,
                                 const QRect& area) {
    const QRect inner = main.intersected(area);
    // The room on each side of main, in the order they are tried.
    const QRect rooms[] = {
        QRect(QPoint(inner.right() + 1, area.top()), area.bottomRight()),
        QRect(area.topLeft(), QPoint(inner.left() - 1, area.bottom())),
        QRect(QPoint(area.left(), inner.bottom() + 1), area.bottomRight()),
    };
    for (int side = 0; side < 3; ++side) {
        const QRect& room = rooms[side];
        const QSize outerMin = minimum.grownBy(frame);
        if (room.width() < outerMin.width() || room.height() < outerMin.height()) {
            continue;
        }
        const QSize outer = wanted.expandedTo(minimum).grownBy(frame).boundedTo(room.size());
        QRect placed(QPoint(), outer);
        if (side == 2) {
            placed.moveTopLeft(
                {std::clamp(main.left(), room.left(), room.right() - outer.width() + 1),
                 room.top()});
        } else {
            placed.moveTopLeft(
                {side == 0 ? room.left() : room.right() - outer.width() + 1,
                 std::clamp(main.top(), room.top(), room.bottom() - outer.height() + 1)});
        }
        return placed;
    }
    return std::nullopt;
}
