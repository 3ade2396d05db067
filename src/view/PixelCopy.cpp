#include "view/PixelCopy.h"

#include <QPaintEngine>
#include <QPainter>
#include <cmath>
#include <cstring>

namespace {

// Formats whose pixels an opaque Format_RGB32 pixel is copied into unchanged.
bool takesRgb32(QImage::Format format) {
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
           format == QImage::Format_ARGB32_Premultiplied;
}

}  // namespace

PixelCopy::PixelCopy(QPainter& painter) : painter_(painter) {
    QPaintEngine* engine = painter.paintEngine();
    if (engine == nullptr || engine->type() != QPaintEngine::Raster || painter.hasClipping() ||
        painter.opacity() != 1.0 ||
        (painter.compositionMode() != QPainter::CompositionMode_SourceOver &&
         painter.compositionMode() != QPainter::CompositionMode_Source)) {
        return;
    }
    QPaintDevice* device = engine->paintDevice();
    if (device == nullptr || device->devType() != QInternal::Image) {
        return;
    }
    auto* image = static_cast<QImage*>(device);
    const QTransform t = painter.deviceTransform();
    if (!takesRgb32(image->format()) || !image->isDetached() || image->devicePixelRatio() != 1.0 ||
        t.type() > QTransform::TxTranslate || t.dx() != std::round(t.dx()) ||
        t.dy() != std::round(t.dy())) {
        return;
    }
    // Without a system clip the paint may cover the whole image.
    const QRegion system = engine->systemClip();
    const QRect all = image->rect();
    if (system.rectCount() > 1) {
        return;
    }
    clip_ = system.isEmpty() ? all : system.boundingRect() & all;
    offset_ = QPoint(static_cast<int>(t.dx()), static_cast<int>(t.dy()));
    bytesPerLine_ = image->bytesPerLine();
    bits_ = image->bits();
}

void PixelCopy::copy(QPoint at, const QImage& source, const QRect& from) {
    if (bits_ == nullptr || source.format() != QImage::Format_RGB32) {
        painter_.drawImage(at, source, from);
        return;
    }
    const QRect part = from & source.rect();
    const QPoint shift = at - from.topLeft() + offset_;  // source pixels to target pixels
    const QRect target = part.translated(shift) & clip_;
    if (target.isEmpty()) {
        return;
    }
    const QPoint first = target.topLeft() - shift;
    const auto rowBytes = static_cast<size_t>(target.width()) * 4;
    const uchar* in = source.constScanLine(first.y()) + static_cast<qsizetype>(first.x()) * 4;
    uchar* out = bits_ + target.y() * bytesPerLine_ + static_cast<qsizetype>(target.x()) * 4;
    const qsizetype inStep = source.bytesPerLine();
    for (int y = 0; y < target.height(); ++y) {
        std::memcpy(out, in, rowBytes);
        in += inStep;
        out += bytesPerLine_;
    }
}
