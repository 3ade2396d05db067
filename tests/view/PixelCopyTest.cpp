#include "view/PixelCopy.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <QWidget>
#include <random>

namespace {

// Paints pictures with PixelCopy, some reaching past its edges, and notes whether the copies
// went straight into the target image.
class CopyWidget final : public QWidget {
  public:
    CopyWidget() {
        resize(40, 30);
        tile_ = QImage(9, 7, QImage::Format_RGB32);
        std::mt19937 rng(7);
        for (int y = 0; y < tile_.height(); ++y) {
            for (int x = 0; x < tile_.width(); ++x) {
                tile_.setPixel(x, y, 0xFF000000U | (rng() & 0xFFFFFFU));
            }
        }
    }
    bool direct = false;

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), Qt::darkGreen);
        PixelCopy copy(p);
        direct = copy.direct();
        copy.copy(QPoint(3, 4), tile_, tile_.rect());
        copy.copy(QPoint(-4, 25), tile_, tile_.rect());       // past two edges
        copy.copy(QPoint(35, -2), tile_, QRect(2, 1, 6, 5));  // part, past two edges
        copy.copy(QPoint(20, 10), tile_, QRect(5, 3, 9, 9));  // larger than the tile
    }

  private:
    QImage tile_;
};

// The widget rendered into an image of a format, at an offset, limited to a region.
QImage rendered(CopyWidget& w, QImage::Format format, QPoint offset, const QRegion& region,
                bool& direct) {
    QImage image(50, 40, format);
    image.fill(Qt::white);
    w.render(&image, offset, region);
    direct = w.direct;
    return image.convertToFormat(QImage::Format_RGB32);
}

TEST(PixelCopyTest, DirectCopiesPutThePixelsOfDrawImage) {
    CopyWidget w;
    struct Case {
        QImage::Format format;
        QPoint offset;
        QRegion region;
        bool direct;
    };
    const QRegion twoRects = QRegion(0, 0, 12, 30) + QRegion(25, 5, 15, 10);
    const Case cases[] = {
        {QImage::Format_RGB32, {}, {}, true},
        {QImage::Format_ARGB32_Premultiplied, {5, 3}, {}, true},
        {QImage::Format_RGB32, {7, 2}, QRegion(4, 5, 20, 21), true},  // one rectangle
        {QImage::Format_RGB32, {1, 1}, twoRects, false},              // clip of two rectangles
        {QImage::Format_RGB888, {2, 6}, QRegion(0, 3, 38, 20), false},
        {QImage::Format_ARGB32, {}, QRegion(0, 0, 50, 40), true},
    };
    for (const Case& c : cases) {
        bool direct = false;
        const QImage got = rendered(w, c.format, c.offset, c.region, direct);
        EXPECT_EQ(direct, c.direct) << c.format;
        // The same paint through QPainter alone: copies never go straight into RGB888.
        bool ignored = false;
        const QImage want = rendered(w, QImage::Format_RGB888, c.offset, c.region, ignored);
        EXPECT_EQ(got, want) << c.format << " at " << c.offset.x() << "," << c.offset.y();
    }
}

}  // namespace
