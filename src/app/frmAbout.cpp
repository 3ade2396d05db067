#include "app/frmAbout.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QStyle>

#include "app/QString8.h"
#include "base/Prompts.h"
#include "base/VersionText.h"
#include "view/WindowLook.h"

namespace {
constexpr const char* kTitle = "Vexlo";
}

const QStringList frmAbout::kSysInfoPrograms = {QStringLiteral("hardinfo"),
                                                QStringLiteral("gnome-system-monitor"),
                                                QStringLiteral("plasma-systemmonitor"),
                                                QStringLiteral("ksysguard"),
                                                QStringLiteral("mate-system-monitor"),
                                                QStringLiteral("xfce4-taskmanager")};

frmAbout::SysInfo frmAbout::systemSysInfo() {
    return {[](const QString& name) { return QStandardPaths::findExecutable(name); },
            [](const QString& path) { return QProcess::startDetached(path, {}); }};
}

frmAbout::frmAbout(std::function<std::string()> unitVer, Prompts& prompts, QWidget* parent,
                   SysInfo sysInfo)
    : QDialog(parent),
      unitVer_(std::move(unitVer)),
      prompts_(prompts),
      sysInfo_(std::move(sysInfo)),
      lblVersion(new QLabel(this)) {
    setObjectName(QStringLiteral("frmAbout"));
    setModal(false);
    setWindowTitle(QString::fromUtf8(kTitle) + QStringLiteral("のﾊﾞｰｼﾞｮﾝ情報"));

    auto* picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    const QIcon icon = QApplication::windowIcon().isNull()
                           ? style()->standardIcon(QStyle::SP_ComputerIcon)
                           : QApplication::windowIcon();
    picIcon->setPixmap(icon.pixmap(48, 48));
    picIcon->setAlignment(Qt::AlignTop);

    auto* lblTitle = new QLabel(QString::fromUtf8(kTitle), this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = lblTitle->font();
    titleFont.setPointSize(titleFont.pointSize() * 2);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));

    auto* cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::close);
    auto* cmdSysInfo = new QPushButton(QStringLiteral("ｼｽﾃﾑ情報(&S)..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    cmdSysInfo->setAutoDefault(false);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::StartSysInfo);
#ifdef Q_OS_LINUX
    // A Linux desktop has no system information program of the kind the button starts: it
    // could only say so, and is hidden.
    cmdSysInfo->setVisible(false);
#endif

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);
    buttons->addStretch();
    auto* layout = new QGridLayout(this);
    layout->addWidget(picIcon, 0, 0, 2, 1);
    layout->addWidget(lblTitle, 0, 1);
    layout->addWidget(lblVersion, 1, 1);
    layout->addLayout(buttons, 0, 2, 2, 1);
    layout->setColumnStretch(1, 1);
    layout->setHorizontalSpacing(16);
}

void frmAbout::showDialog() {
    lblVersion->setText(qs(versionLines(kAppVersion, unitVer_())));
    fitCaption(*this);
    show();
    raise();
    activateWindow();
}

void frmAbout::StartSysInfo() {
    for (const QString& name : kSysInfoPrograms) {
        const QString path = sysInfo_.find(name);
        if (!path.isEmpty()) {
            if (sysInfo_.start(path)) {
                return;
            }
            break;  // the program found could not be started
        }
    }
    prompts_.message("現時点ではｼｽﾃﾑ情報を使用できません", kTitle, Prompts::Icon::None,
                     Prompts::Buttons::Ok);
}
