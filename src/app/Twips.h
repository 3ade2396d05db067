#pragma once
#include <QWidget>
#include <cmath>

// Window geometry is kept in twips (1440 per inch); convert with the logical DPI.
inline int twipsToPixelsX(const QWidget* w, int twips) {
    return static_cast<int>(std::lround(twips * w->logicalDpiX() / 1440.0));
}
inline int twipsToPixelsY(const QWidget* w, int twips) {
    return static_cast<int>(std::lround(twips * w->logicalDpiY() / 1440.0));
}
inline int pixelsToTwipsX(const QWidget* w, int px) {
    return static_cast<int>(std::lround(px * 1440.0 / w->logicalDpiX()));
}
inline int pixelsToTwipsY(const QWidget* w, int px) {
    return static_cast<int>(std::lround(px * 1440.0 / w->logicalDpiY()));
}
