// The printer back end drawing pages into PDF files.
#include <gtest/gtest.h>

#include <algorithm>

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "base/Settings.h"
#include "capture/Capture.h"
#include "print/QtPrintOut.h"
#include "support/SampleCapture.h"

namespace {

class PdfOutputTest : public ::testing::Test {
  protected:
    // The display words of records, as the history view has them.
    void load(const SampleCapture& records) {
        capture.CopyDat(records.bytes.data(), static_cast<int32_t>(records.bytes.size()));
    }
    [[nodiscard]] PrintSource Source() const { return printSourceOf(capture, settings, chr); }
    [[nodiscard]] std::string path(const char* name) const {
        return dir.filePath(QString::fromLatin1(name)).toStdString();
    }
    // The text of a PDF file as pdftotext reads it, pages ended by form feeds.
    [[nodiscard]] static QString PdfText(const std::string& path) {
        QProcess p;
        p.start(QStringLiteral("pdftotext"),
                {QStringLiteral("-layout"), QString::fromStdString(path), QStringLiteral("-")});
        EXPECT_TRUE(p.waitForFinished(30000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        return QString::fromUtf8(p.readAllStandardOutput());
    }
    [[nodiscard]] static bool HavePdfToText() {
        return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty();
    }

    QTemporaryDir dir;
    RunState run;
    Capture capture{run};
    Settings settings;
    ChrTable chr = MakeChrTable();
};

TEST_F(PdfOutputTest, PrintedPagesReadBackWithHeaderAndCells) {
    load(SampleCapture::Exchange());
    const std::string pdf = path("capture.pdf");
    const PrintRequest request{"9600,N,8,1", "ｱｲﾄﾞﾙ(1s)", kPrintLandscape, 3};
    ASSERT_TRUE(printToPdf(pdf, request, Source(), 0));
    QFile file(QString::fromStdString(pdf));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(5) == "%PDF-");

    if (!HavePdfToText()) {
        GTEST_SKIP() << "pdftotext (Debian package poppler-utils) is not installed: the PDF was "
                        "written but its text is not checked";
    }
    const QString text = PdfText(pdf);
    EXPECT_EQ(text.count(QChar('\f')), 1) << "one page: the data ran out on it";
    EXPECT_TRUE(text.contains(QStringLiteral("Page   1")));
    // Each printed line with its blanks collapsed: the header, the column numbers, and the
    // upper and lower line of the first row in capture order.
    QStringList lines = text.split(QChar('\n'));
    for (QString& line : lines) {
        line = line.simplified();
    }
    for (const char* expected : {"ｱｲﾄﾞﾙ(1s) 9600,N,8,1 Page 1", "1 2 3 4 5 6 7 8 9 10 11",
                                 "RD TMST Ａ Ｔ Ｚ CR PE IDLE TMST ア",
                                 "SD 123456 Ｏ Ｋ CR LF FE 001234 123500 Ｈ ｅ ｌ ｌ ｏ"}) {
        EXPECT_TRUE(std::any_of(
            lines.begin(), lines.end(),
            [&](const QString& l) { return l.startsWith(QString::fromUtf8(expected)); }))
            << expected << "\n"
            << text.toStdString();
    }
}

TEST_F(PdfOutputTest, PortraitPagesFollowTheCountAndTheTopOfTheView) {
    // Three words above the top of the view, one portrait page of digits, then "END".
    SampleCapture records;
    records.Data("xyz", false);
    for (int i = 0; i < 35 * 29; ++i) {
        records.Pair(static_cast<uint8_t>('0' + i % 10), i % 2 == 1);
    }
    records.Data("END", true);
    load(records);
    const std::string pdf = path("portrait.pdf");
    ASSERT_TRUE(printToPdf(pdf, {"", "", kPrintPortrait, 5}, Source(), 3));
    if (!HavePdfToText()) {
        GTEST_SKIP() << "pdftotext (Debian package poppler-utils) is not installed";
    }
    const QStringList pages = PdfText(pdf).split(QChar('\f'), Qt::SkipEmptyParts);
    ASSERT_EQ(pages.size(), 2);
    EXPECT_TRUE(pages[0].contains(QStringLiteral("Page   1")));
    EXPECT_TRUE(pages[0].contains(QStringLiteral("35")));
    EXPECT_FALSE(pages[0].contains(QStringLiteral("36")));
    EXPECT_TRUE(pages[0].contains(QStringLiteral("０")));
    EXPECT_FALSE(pages[0].contains(QStringLiteral("ｘ")));
    EXPECT_FALSE(pages[0].contains(QStringLiteral("Ｅ")));
    EXPECT_TRUE(pages[1].contains(QStringLiteral("Page   2")));
    EXPECT_TRUE(pages[1].contains(QStringLiteral("Ｅ")));
    EXPECT_TRUE(pages[1].contains(QStringLiteral("Ｄ")));
    EXPECT_FALSE(pages[1].contains(QStringLiteral("０")));
}

TEST_F(PdfOutputTest, UnwritableTargetFailsAndLeavesNoFile) {
    load(SampleCapture::Exchange());
    const std::string pdf = path("missing/capture.pdf");
    EXPECT_FALSE(printToPdf(pdf, {}, Source(), 0));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(pdf)));
}

}  // namespace
