#include "app/dlgOption.h"

#include <QFileSystemModel>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "app/QString8.h"
#include "app/WinColor.h"
#include "base/OptionInput.h"
#include "base/Prompts.h"
#include "base/Settings.h"
#include "files/ParamIni.h"

namespace {

// The setting behind each colour label, in label order.
constexpr int32_t Settings::*kColorSetting[dlgOption::kColors] = {
    &Settings::glngColRD, &Settings::glngColSD, &Settings::glngColIdle, &Settings::glngColTmst,
    &Settings::glngColErr};
constexpr const char* kColorCaption[dlgOption::kColors] = {"RD", "SD", "IDLE", "TMST", "ERR"};

QGroupBox* frame(QWidget* parent, const char* name, const char* caption) {
    auto* box = new QGroupBox(QString::fromUtf8(caption), parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

template <class W>
W* named(W* widget, const QString& name) {
    widget->setObjectName(name);
    return widget;
}

}  // namespace

dlgOption::dlgOption(Settings& settings, Prompts& prompts, QWidget* parent)
    : ViewDialog(parent),
      settings_(settings),
      prompts_(prompts),
      txtSize(named(new QLineEdit(this), "txtSize")),
      folders_(new QFileSystemModel(this)),
      Dir1(named(new QTreeView(this), "Dir1")),
      lblDir(named(new QLabel(this), "lblDir")),
      lblPort(named(new QLabel(QStringLiteral("ﾎﾟｰﾄ番号"), this), "lblPort")),
      txtPort(named(new QLineEdit(this), "txtPort")),
      txtMaxFiles(named(new QLineEdit(this), "txtMaxFiles")) {
    setObjectName(QStringLiteral("dlgOption"));
    setWindowTitle(QStringLiteral("オプション設定"));

    QGroupBox* framSize = frame(this, "framSize", "ﾃﾞｰﾀﾊﾞｯﾌｧｻｲｽﾞ");
    txtSize->setText(QStringLiteral("1000"));
    txtSize->setMaximumWidth(80);
    auto* sizeLayout = new QGridLayout(framSize);
    sizeLayout->addWidget(txtSize, 0, 0);
    sizeLayout->addWidget(named(new QLabel(QStringLiteral("Ｋﾊﾞｲﾄ"), framSize), "Label4"), 0, 1);
    sizeLayout->addWidget(
        named(new QLabel(QStringLiteral("最大４Ｍ(4000K)ﾊﾞｲﾄまで"), framSize), "Label3"), 1, 0, 1,
        2);

    // The folder tree stands in for the drive list and the folder list.
    QGroupBox* framDir = frame(this, "framDir", "ﾃﾞｰﾀ保存ﾌｫﾙﾀﾞｰ");
    folders_->setFilter(QDir::Dirs | QDir::Drives | QDir::NoDotAndDotDot);
    folders_->setRootPath(QDir::rootPath());
    Dir1->setModel(folders_);
    for (int column = 1; column < folders_->columnCount(); ++column) {
        Dir1->hideColumn(column);
    }
    Dir1->header()->hide();
    Dir1->setMinimumSize(260, 220);
    lblDir->setWordWrap(true);
    auto* dirLayout = new QVBoxLayout(framDir);
    dirLayout->addWidget(Dir1, 1);
    dirLayout->addWidget(lblDir);
    connect(Dir1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { lblDir->setText(selectedFolder()); });
    // The tree is filled in the background: keep the selected folder in sight while the
    // folders above it come in.
    connect(folders_, &QFileSystemModel::directoryLoaded, this, [this](const QString& path) {
        if (folders_->filePath(Dir1->currentIndex()).startsWith(path)) {
            showSelectedFolder();
        }
    });

    QGroupBox* framColor = frame(this, "framColor", "色設定");
    auto* colorLayout = new QHBoxLayout(framColor);
    for (int i = 0; i < kColors; ++i) {
        QLabel* label = named(new QLabel(QString::fromLatin1(kColorCaption[i]), framColor),
                              QStringLiteral("lblColor%1").arg(i));
        label->setAlignment(Qt::AlignCenter);
        label->setFrameShape(QFrame::Box);
        label->setMinimumSize(44, 24);
        label->setAutoFillBackground(true);
        label->setCursor(Qt::PointingHandCursor);
        label->installEventFilter(this);
        lblColor[i] = label;
        colorLayout->addWidget(label);
    }
    auto* cmdInit = named(new QPushButton(QStringLiteral("規定色"), framColor), "cmdInit");
    cmdInit->setAutoDefault(false);
    colorLayout->addWidget(cmdInit);
    connect(cmdInit, &QPushButton::clicked, this, &dlgOption::cmdInit_Click);

    QGroupBox* framPort = frame(this, "framPort", "Vexloﾎﾟｰﾄ");
    auto* portLayout = new QGridLayout(framPort);
    const char* portCaptions[] = {"手動設定", "自動検出"};
    for (int i = 0; i < 2; ++i) {
        optPort[i] = named(new QRadioButton(QString::fromUtf8(portCaptions[i]), framPort),
                           QStringLiteral("optPort%1").arg(i));
        portLayout->addWidget(optPort[i], i, 0);
        connect(optPort[i], &QRadioButton::toggled, this, &dlgOption::optPort_Click);
    }
    txtPort->setMaximumWidth(60);
    portLayout->addWidget(lblPort, 0, 1);
    portLayout->addWidget(txtPort, 0, 2);

    QGroupBox* framMaxFiles = frame(this, "framMaxFiles", "自動保存時最大ﾌｧｲﾙ数");
    auto* filesLayout = new QHBoxLayout(framMaxFiles);
    txtMaxFiles->setMaximumWidth(60);
    filesLayout->addWidget(txtMaxFiles);
    filesLayout->addWidget(
        named(new QLabel(QStringLiteral("\"0\"にすると無制限"), framMaxFiles), "Label2"));
    filesLayout->addStretch();

    QGroupBox* framFileDate = frame(this, "framFileDate", "自動保存時ﾌｧｲﾙ名付加日時");
    auto* dateLayout = new QVBoxLayout(framFileDate);
    const char* dateCaptions[] = {"データ取込み開始日時", "データ取込み終了日時"};
    for (int i = 0; i < 2; ++i) {
        optFileDate[i] = named(new QRadioButton(QString::fromUtf8(dateCaptions[i]), framFileDate),
                               QStringLiteral("optFileDate%1").arg(i));
        dateLayout->addWidget(optFileDate[i]);
    }

    auto* lblMsg =
        named(new QLabel(QStringLiteral("変更内容は次回起動時から有効"), this), "lblMsg");
    OKButton()->setDefault(true);
    CancelButton()->setAutoDefault(false);
    connect(OKButton(), &QPushButton::clicked, this, &dlgOption::OKButton_Click);

    auto* left = new QVBoxLayout;
    left->addWidget(framSize);
    left->addWidget(framDir, 1);
    auto* right = new QVBoxLayout;
    right->addWidget(framColor);
    right->addWidget(framPort);
    right->addWidget(framMaxFiles);
    right->addWidget(framFileDate);
    right->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(lblMsg);
    buttons->addStretch();
    buttons->addWidget(OKButton());
    buttons->addWidget(CancelButton());
    auto* layout = new QGridLayout(this);
    layout->addLayout(left, 0, 0);
    layout->addLayout(right, 0, 1);
    layout->addLayout(buttons, 1, 0, 1, 2);
}

void dlgOption::showDialog() {
    loadSettings();
    show();
    showSelectedFolder();
    raise();
    activateWindow();
}

void dlgOption::loadSettings() {
    const Settings& s = settings_;
    txtSize->setText(QString::number(s.glngBufSize));
    // A folder that cannot be shown leaves the tree without a selection; OK then keeps the
    // data folder as it is.
    Dir1->setCurrentIndex({});
    const QModelIndex folder =
        s.gstrSaveDir.empty() ? QModelIndex() : folders_->index(qs(s.gstrSaveDir));
    if (folder.isValid() && folders_->isDir(folder)) {
        Dir1->setCurrentIndex(folder);
    }
    lblDir->setText(selectedFolder());
    txtMaxFiles->setText(QString::number(s.gintMaxFiles));
    for (int i = 0; i < kColors; ++i) {
        showColor(i, s.*kColorSetting[i]);
    }
    optPort[s.gintPortAuto == 1 ? 1 : 0]->setChecked(true);
    optPort_Click();
    optFileDate[s.gintFileDate == 1 ? 1 : 0]->setChecked(true);
    txtPort->setText(QString::number(s.gintPortNo));
}

void dlgOption::showSelectedFolder() {
    const QModelIndex current = Dir1->currentIndex();
    for (QModelIndex parent = current.parent(); parent.isValid(); parent = parent.parent()) {
        Dir1->expand(parent);
    }
    Dir1->scrollTo(current, QAbstractItemView::PositionAtCenter);
}

QString dlgOption::selectedFolder() const {
    const QModelIndex current = Dir1->currentIndex();
    return current.isValid() ? QDir::toNativeSeparators(folders_->filePath(current)) : QString();
}

void dlgOption::showColor(int index, int32_t color) {
    colors_[index] = color;
    QPalette palette = lblColor[index]->palette();
    palette.setColor(QPalette::Window, toQColor(color));
    palette.setColor(QPalette::WindowText, Qt::black);
    lblColor[index]->setPalette(palette);
}

void dlgOption::optPort_Click() {
    const bool manual = optPort[0]->isChecked();
    txtPort->setEnabled(manual);
    lblPort->setEnabled(manual);
}

bool dlgOption::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        for (int i = 0; i < kColors; ++i) {
            if (watched == lblColor[i]) {
                lblColor_Click(i);
                return true;
            }
        }
    }
    return ViewDialog::eventFilter(watched, event);
}

void dlgOption::lblColor_Click(int index) {
    std::optional<int32_t> chosen;
    {
        KeepOpen keep(*this);
        chosen = prompts_.chooseColor(colors_[index]);
    }
    // A cancelled choice leaves the label as it was.
    if (chosen) {
        showColor(index, *chosen);
    }
}

void dlgOption::cmdInit_Click() {
    SetDefaultColor(settings_);
    for (int i = 0; i < kColors; ++i) {
        showColor(i, settings_.*kColorSetting[i]);
    }
}

void dlgOption::OKButton_Click() {
    const std::string port = txtPort->text().toStdString();
    const auto read = readOptionNumbers(
        txtSize->text().toStdString(), txtMaxFiles->text().toStdString(),
        optPort[0]->isChecked() ? std::optional<std::string_view>(port) : std::nullopt);
    if (const auto* refusal = std::get_if<OptionRefusal>(&read)) {
        {
            KeepOpen keep(*this);
            prompts_.message(refusal->text, kOptionRefusalTitle, Prompts::Icon::Critical,
                             Prompts::Buttons::Ok);
        }
        QLineEdit* fields[] = {txtSize, txtMaxFiles, txtPort};
        fields[static_cast<int>(refusal->field)]->setFocus();
        return;
    }
    const auto& numbers = std::get<OptionNumbers>(read);
    Settings& s = settings_;
    s.glngBufSize = numbers.bufSize;
    if (const QString folder = selectedFolder(); !folder.isEmpty()) {
        s.gstrSaveDir = folder.toStdString();
    }
    s.gintMaxFiles = numbers.maxFiles;
    for (int i = 0; i < kColors; ++i) {
        s.*kColorSetting[i] = colors_[i];
    }
    if (numbers.portNo) {
        s.gintPortAuto = 0;
        s.gintPortNo = *numbers.portNo;
    } else {
        s.gintPortAuto = 1;  // the port number stays: automatic detection tries it first
    }
    s.gintFileDate = optFileDate[0]->isChecked() ? 0 : 1;
    {
        KeepOpen keep(*this);
        prompts_.message("変更内容は次回起動時から有効です", "オプション設定",
                         Prompts::Icon::Information, Prompts::Buttons::Ok);
    }
    close();
}
