// The user guide in the program's own window: the help menu opens it on the guide, and its
// links lead where they point.
#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>

#include "app/frmGuide.h"
#include "support/MainWindowFixture.h"

namespace {

// The heading block whose anchor names include name, or an invalid block.
QTextBlock Heading(const QTextDocument& doc, const QString& name) {
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().anchorNames().contains(name)) {
                return b;
            }
        }
    }
    return {};
}

// The top of the block, in the browser's scrolled coordinates.
int Top(GuideBrowser& browser, const QTextBlock& block) {
    return static_cast<int>(browser.document()->documentLayout()->blockBoundingRect(block).top());
}

void Write(const QString& path, const QByteArray& text) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

}  // namespace

TEST(GuideWindowTest, HeadingsGetTheAnchorNamesThatMarkdownLinksUse) {
    QHash<QString, int> taken;
    const std::pair<QString, QString> cases[] = {
        {"本体をつなぐ", "本体をつなぐ"},
        {"Wireshark で見る", "wireshark-で見る"},
        {"タップ: 2 つのプログラムの間の通信を見る", "タップ-2-つのプログラムの間の通信を見る"},
        {"本体がないとき: 仮想本体", "本体がないとき-仮想本体"},
        {" Trailing (spaces) ", "trailing-spaces"},
        {"本体をつなぐ", "本体をつなぐ-1"},  // a second heading of the same text
        {"本体をつなぐ", "本体をつなぐ-2"},
    };
    for (const auto& [heading, anchor] : cases) {
        EXPECT_EQ(headingAnchor(heading, taken), anchor) << heading.toStdString();
    }
}

TEST(GuideWindowTest, LinksLeadToHeadingsOtherGuidesAndTheDesktopAndBack) {
    QTemporaryDir dir;
    const QDir d(dir.path());
    QStringList others;
    Write(d.filePath("guide.md"),
          "# Guide\n\n[to the end](#the-end) [other](more/other.md#part-two) "
          "[web](https://example.org/) [picture](images/x.png)\n\n" +
              QByteArray("text\n\n").repeated(200) + "## The end\n\nlast\n");
    d.mkpath("more");
    Write(d.filePath("more/other.md"), "# Other\n\n" + QByteArray("text\n\n").repeated(200) +
                                           "## Part two\n\n[back](../guide.md)\n");
    frmGuide guide(nullptr, [&](const QUrl& url) { others << url.toString(); });
    guide.resize(600, 400);
    guide.showGuide(d.filePath("guide.md"));
    GuideBrowser& browser = guide.browser();
    QCoreApplication::processEvents();
    EXPECT_EQ(browser.verticalScrollBar()->value(), 0);

    browser.follow(QUrl("#the-end"));
    const QTextBlock end = Heading(*browser.document(), "the-end");
    ASSERT_TRUE(end.isValid());
    EXPECT_GT(browser.verticalScrollBar()->value(), 0);
    EXPECT_NEAR(browser.verticalScrollBar()->value(),
                std::min(Top(browser, end), browser.verticalScrollBar()->maximum()), 2);

    browser.follow(QUrl("more/other.md#part-two"));
    EXPECT_EQ(browser.source().fileName(), "other.md");
    const QTextBlock part = Heading(*browser.document(), "part-two");
    ASSERT_TRUE(part.isValid());
    EXPECT_EQ(part.text(), "Part two");
    EXPECT_GT(browser.verticalScrollBar()->value(), 0);

    browser.follow(QUrl("https://example.org/"));
    browser.follow(QUrl("images/x.png"));
    EXPECT_EQ(browser.source().fileName(), "other.md");  // neither is shown in the window
    EXPECT_EQ(others,
              (QStringList{"https://example.org/",
                           QUrl::fromLocalFile(d.filePath("more/images/x.png")).toString()}));

    // Back leads to the guide, where it was left.
    auto* back = guide.findChild<QPushButton*>("cmdBack");
    ASSERT_TRUE(back->isEnabled());
    back->click();
    EXPECT_EQ(browser.source().fileName(), "guide.md");
    guide.findChild<QPushButton*>("cmdHome")->click();
    EXPECT_EQ(browser.verticalScrollBar()->value(), 0);
}

TEST_F(AppTest, F1OpensTheGuideWithItsPicturesAndEveryLinkOfItsContentsLeadsToAHeading) {
    OpenWindow();
    QAction* item = Item("mn_Help_Guide");
    EXPECT_EQ(item->text(), "手引き(&G)");
    EXPECT_EQ(item->shortcut(), QKeySequence(Qt::Key_F1));
    item->trigger();
    auto* guide = window->findChild<frmGuide*>("frmGuide");
    ASSERT_NE(guide, nullptr);
    ASSERT_TRUE(prompts.asked.empty()) << prompts.asked.front().text;
    EXPECT_TRUE(guide->isVisible());
    GuideBrowser& browser = guide->browser();
    EXPECT_EQ(browser.source().fileName(), "guide.md");
    EXPECT_EQ(browser.document()->begin().text(), "Vexlo 利用の手引き");

    // Every picture is found beside the guide, and every link inside the guide has its heading.
    QFile file(browser.source().toLocalFile());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString markdown = QString::fromUtf8(file.readAll());
    int pictures = 0;
    static const QRegularExpression picture(R"(!\[[^\]]*\]\(([^)\s]+)\))");
    for (const QRegularExpressionMatch& m : picture.globalMatch(markdown)) {
        ++pictures;
        EXPECT_FALSE(
            browser.loadResource(QTextDocument::ImageResource, QUrl(m.captured(1))).isNull())
            << m.captured(1).toStdString();
    }
    EXPECT_GE(pictures, 5);
    int links = 0;
    static const QRegularExpression internal(R"(\]\(#([^)\s]+)\))");
    for (const QRegularExpressionMatch& m : internal.globalMatch(markdown)) {
        ++links;
        const QString name = QUrl::fromPercentEncoding(m.captured(1).toUtf8());
        SCOPED_TRACE(name.toStdString());
        browser.follow(QUrl("#" + name));
        const QTextBlock heading = Heading(*browser.document(), name);
        ASSERT_TRUE(heading.isValid());
        EXPECT_NEAR(browser.verticalScrollBar()->value(),
                    std::min(Top(browser, heading), browser.verticalScrollBar()->maximum()), 2);
    }
    EXPECT_GE(links, 15);

    // Asked again, the window comes forward, one window.
    guide->close();
    item->trigger();
    EXPECT_TRUE(guide->isVisible());
    EXPECT_EQ(window->findChildren<frmGuide*>().size(), 1);
}

TEST_F(AppTest, WithoutItsGuideTheHelpMenuSaysWhereItLooked) {
    OpenWindow();
    // The program folder's own guide is shown first: an empty folder there stands for a
    // guide that is missing.
    QDir(folder.path()).mkpath("docs/guide.md/");
    Item("mn_Help_Guide")->trigger();
    ASSERT_EQ(prompts.asked.size(), 1U);
    EXPECT_EQ(prompts.asked[0].text.substr(0, prompts.asked[0].text.find('\n')),
              "手引きが見つかりません");
}
