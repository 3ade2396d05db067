#include "app/frmGuide.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>

#include "app/QString8.h"
#include "app/WindowFit.h"
#include "files/ProgramFolder.h"

namespace {

bool isMarkdown(const QUrl& url) {
    const QString suffix = QFileInfo(url.path()).suffix().toLower();
    return suffix == QLatin1String("md") || suffix == QLatin1String("markdown");
}

}  // namespace

QString headingAnchor(const QString& heading, QHash<QString, int>& taken) {
    QString name;
    for (const QChar c : heading.trimmed().toLower()) {
        if (c == QLatin1Char(' ')) {
            name += QLatin1Char('-');
        } else if (c.isLetterOrNumber() || c.isMark() || c == QLatin1Char('-') ||
                   c == QLatin1Char('_')) {
            name += c;
        }
    }
    const int n = taken.value(name, 0);
    taken.insert(name, n + 1);
    return n == 0 ? name : name + QLatin1Char('-') + QString::number(n);
}

GuideBrowser::GuideBrowser(std::function<void(const QUrl&)> openOther, QWidget* parent)
    : QTextBrowser(parent), openOther_(std::move(openOther)) {
    setObjectName(QStringLiteral("txtGuide"));
    setOpenLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, &GuideBrowser::follow);
    connect(this, &QTextBrowser::sourceChanged, this, &GuideBrowser::nameHeadings);
}

void GuideBrowser::follow(const QUrl& link) {
    const QUrl target = source().resolved(link);
    const bool sameFile =
        target.adjusted(QUrl::RemoveFragment) == source().adjusted(QUrl::RemoveFragment);
    if (target.isLocalFile() && (sameFile || isMarkdown(target))) {
        setSource(target, QTextDocument::MarkdownResource);
    } else {
        openOther_(target);
    }
}

void GuideBrowser::nameHeadings(const QUrl& source) {
    QHash<QString, int> taken;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() == 0 || block.length() <= 1) {
            continue;
        }
        QTextCursor cursor(block);
        cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        QTextCharFormat anchor;
        anchor.setAnchor(true);
        anchor.setAnchorNames({headingAnchor(block.text(), taken)});
        cursor.mergeCharFormat(anchor);
    }
    document()->setModified(false);
    if (source.hasFragment()) {
        scrollToAnchor(source.fragment(QUrl::FullyDecoded));
    }
}

frmGuide::frmGuide(QWidget* parent, std::function<void(const QUrl&)> openOther)
    : QWidget(parent, Qt::Window),
      txtGuide(new GuideBrowser(
          openOther ? std::move(openOther)
                    : [](const QUrl& url) { QDesktopServices::openUrl(url); },
          this)),
      cmdBack(new QPushButton(QStringLiteral("← 戻る(&B)"), this)),
      cmdForward(new QPushButton(QStringLiteral("進む(&F) →"), this)) {
    setObjectName(QStringLiteral("frmGuide"));
    setWindowTitle(QStringLiteral("Vexlo 利用の手引き"));
    cmdBack->setObjectName(QStringLiteral("cmdBack"));
    cmdForward->setObjectName(QStringLiteral("cmdForward"));
    auto* cmdHome = new QPushButton(QStringLiteral("目次(&T)"), this);
    cmdHome->setObjectName(QStringLiteral("cmdHome"));
    cmdBack->setEnabled(false);
    cmdForward->setEnabled(false);
    connect(cmdBack, &QPushButton::clicked, txtGuide, &QTextBrowser::backward);
    connect(cmdForward, &QPushButton::clicked, txtGuide, &QTextBrowser::forward);
    connect(cmdHome, &QPushButton::clicked, txtGuide, &QTextBrowser::home);
    connect(txtGuide, &QTextBrowser::backwardAvailable, cmdBack, &QWidget::setEnabled);
    connect(txtGuide, &QTextBrowser::forwardAvailable, cmdForward, &QWidget::setEnabled);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdBack);
    buttons->addWidget(cmdForward);
    buttons->addWidget(cmdHome);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(txtGuide, 1);
    resize(900, 700);
}

void frmGuide::showGuide(const QString& file) {
    const QUrl url = QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath());
    if (txtGuide->source().adjusted(QUrl::RemoveFragment) != url) {
        txtGuide->clearHistory();
        txtGuide->setSource(url, QTextDocument::MarkdownResource);
    }
    if (!isVisible() && screen() != nullptr) {
        resize(fittedSize(size(), kAssumedFrame, screen()->availableGeometry()));
    }
    show();
    raise();
    activateWindow();
}

QString frmGuide::guideFile(const std::string& programFolder, const std::string& exeFolder) {
    return qs(programDataFile(programFolder, exeFolder, joinPath("docs", "guide.md")));
}
