#include "view/WindowLook.h"

#include <QApplication>
#include <QFile>
#include <QFont>
#include <QFontMetrics>
#include <QStyle>
#include <QWidget>
#include <algorithm>

#include "files/ProgramFolder.h"

QIcon programIcon(const std::string& programFolder, const std::string& exeFolder) {
    QIcon icon;
    for (const char* name : {"vexlo.svg", "vexlo-48.png"}) {
        const QString path =
            QString::fromStdString(programDataFile(programFolder, exeFolder, name));
        if (QFile::exists(path)) {
            icon.addFile(path);  // an SVG file without Qt's SVG support adds nothing
        }
    }
    if (icon.isNull()) {
        icon = QIcon::fromTheme(QStringLiteral("vexlo"));
    }
    return icon;
}

int captionWidth(const QWidget& window) {
    QFont font = window.font();
    font.setBold(true);
    // The icon and three buttons (minimise, maximise, close), each about a title bar high.
    const int buttons =
        4 * window.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &window);
    return QFontMetrics(font).horizontalAdvance(window.windowTitle()) + buttons;
}

void fitCaption(QWidget& window) {
    const int need = captionWidth(window);
    window.setMinimumWidth(std::max(window.minimumSizeHint().width(), need));
    if (window.width() < need) {
        window.resize(need, window.height());
    }
}

void useProgramFonts() {
    QFont::insertSubstitution("ＭＳ ゴシック", "IPAGothic");
    QFont uiFont("IPAGothic");
    uiFont.setPointSize(10);
    QApplication::setFont(uiFont);
}
