// The pictures of the user guide are made by the program itself: vexlo-screenshots makes them
// into a temporary folder, and every picture that docs/guide.md and README.md show must come
// out of it as a PNG file that shows something, and be committed in docs/images.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

namespace {

const QString kSource = QStringLiteral(VEXLO_SOURCE_DIR);

// The names of the pictures in docs/images that a Markdown file links.
QSet<QString> LinkedPictures(const QString& markdown) {
    QFile file(QDir(kSource).filePath(markdown));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << markdown.toStdString();
    static const QRegularExpression link(QStringLiteral(R"(\]\((?:docs/)?images/([^)\s]+)\))"));
    QSet<QString> names;
    for (const QRegularExpressionMatch& m : link.globalMatch(QString::fromUtf8(file.readAll()))) {
        names.insert(m.captured(1));
    }
    return names;
}

// The share of the picture's pixels that have its most frequent colour.
double LargestColourShare(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    QHash<QRgb, qsizetype> counts;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            ++counts[line[x]];
        }
    }
    qsizetype most = 0;
    for (const qsizetype n : counts) {
        most = std::max(most, n);
    }
    return static_cast<double>(most) / (static_cast<double>(rgb.width()) * rgb.height());
}

TEST(GuidePictures, EveryPictureShownIsMadeByTheProgramAndShowsSomething) {
    QTemporaryDir out;
    ASSERT_TRUE(out.isValid());
    QProcess shots;
    shots.start(QStringLiteral(VEXLO_SCREENSHOTS),
                {QStringLiteral("--out"), out.path(), QStringLiteral("--captures"),
                 QDir(kSource).filePath(QStringLiteral("tools/docs/captures"))});
    ASSERT_TRUE(shots.waitForFinished(180'000));
    ASSERT_EQ(shots.exitCode(), 0) << shots.readAllStandardError().toStdString();

    const QSet<QString> guide = LinkedPictures(QStringLiteral("docs/guide.md"));
    const QSet<QString> readme = LinkedPictures(QStringLiteral("README.md"));
    EXPECT_GE(guide.size(), 7);
    EXPECT_FALSE(readme.isEmpty());
    EXPECT_TRUE(guide.contains(readme)) << "the README shows a picture the guide does not";
    // Nothing is made that the guide does not show.
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files).size(), guide.size());

    for (const QString& name : guide) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_TRUE(QFile::exists(QDir(kSource).filePath("docs/images/" + name)))
            << "not committed in docs/images";
        QImageReader reader(QDir(out.path()).filePath(name));
        EXPECT_EQ(reader.format(), "png");
        const QImage image = reader.read();
        ASSERT_FALSE(image.isNull()) << reader.errorString().toStdString();
        EXPECT_LE(image.width(), 1200);
        EXPECT_GE(image.height(), 200);
        // A blank or one-coloured picture has one colour over nearly all of it; the windows
        // and the printed page have cells, text and lines.
        EXPECT_LT(LargestColourShare(image), 0.9);
    }
}

}  // namespace
