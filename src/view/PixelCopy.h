#pragma once
#include <QImage>
#include <QPoint>
#include <QRect>

class QPainter;

// Copies of opaque 32-bit pictures onto what a painter paints on. Where the painter is the
// raster engine on a 32-bit image (a window's backing store, a grab), unscaled, at a whole
// pixel offset, without a clip of its own and with one rectangle as the paint's clip, each
// copy is one memcpy per row of pixels, straight into that image: a cell costs a small
// fraction of a QPainter::drawImage, which checks and converts for every call. Anywhere else
// (another engine or format, a scale, a clip of many rectangles) each copy is a drawImage.
// Both put the same pixels in the same place. Used within one paint, before the painter
// changes its transform or clip.
class PixelCopy {
  public:
    explicit PixelCopy(QPainter& painter);

    // The part `from` of `source` (Format_RGB32, opaque) with its top-left corner at `at`, in
    // the painter's coordinates; whatever lies outside the paint's clip is left out.
    void copy(QPoint at, const QImage& source, const QRect& from);

    // Copies go straight into the image (for tests and measurements).
    [[nodiscard]] bool direct() const { return bits_ != nullptr; }

  private:
    QPainter& painter_;
    uchar* bits_ = nullptr;  // the target image's pixels, when copies go there directly
    qsizetype bytesPerLine_ = 0;
    QPoint offset_;  // painter coordinates to the image's pixels
    QRect clip_;     // in the image's pixels
};
