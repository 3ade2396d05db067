#include "app/dlgProtoEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "analysis/FramePreview.h"
#include "analysis/FrameSummary.h"
#include "app/QString8.h"
#include "base/Prompts.h"
#include "files/AtomicFile.h"
#include "files/IniFile.h"
#include "files/ProgramFolder.h"

namespace {

constexpr const char* kFile = "VXProto.ini";
constexpr const char* kTitle = "プロトコル定義";
const QColor kFaultColor(200, 0, 0);
const QColor kBadCheckColor(255, 230, 140);

QLineEdit* lineEdit(QWidget* parent, const char* name, const QString& placeholder) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setPlaceholderText(placeholder);
    return edit;
}

QComboBox* comboBox(QWidget* parent, const char* name, const QStringList& items) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->addItems(items);
    return box;
}

QString countText(int64_t n) {
    return QLocale(QLocale::Japanese).toString(static_cast<qlonglong>(n));
}

}  // namespace

dlgProtoEdit::dlgProtoEdit(Prompts& prompts, std::string programFolder, QWidget* parent)
    : ViewDialog(parent), prompts_(prompts), programFolder_(std::move(programFolder)) {
    setObjectName("dlgProtoEdit");
    setWindowTitle(kTitle);

    auto* list = new QWidget(this);
    auto* listLayout = new QVBoxLayout(list);
    listLayout->setContentsMargins(0, 0, 0, 0);
    auto* listCaption = new QLabel("定義(&P):", list);
    lstProto_ = new QListWidget(list);
    lstProto_->setObjectName("lstProto");
    listCaption->setBuddy(lstProto_);
    auto* buttons = new QHBoxLayout;
    const std::pair<const char*, const char*> commands[] = {
        {"cmdNew", "新規(&N)"}, {"cmdCopy", "コピー(&C)"}, {"cmdDelete", "削除(&D)"}};
    for (const auto& [name, caption] : commands) {
        auto* b = new QPushButton(caption, list);
        b->setObjectName(name);
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    listLayout->addWidget(listCaption);
    listLayout->addWidget(lstProto_, 1);
    listLayout->addLayout(buttons);
    connect(list->findChild<QPushButton*>("cmdNew"), &QPushButton::clicked, this,
            &dlgProtoEdit::cmdNew_Click);
    connect(list->findChild<QPushButton*>("cmdCopy"), &QPushButton::clicked, this,
            &dlgProtoEdit::cmdCopy_Click);
    connect(list->findChild<QPushButton*>("cmdDelete"), &QPushButton::clicked, this,
            &dlgProtoEdit::cmdDelete_Click);
    connect(lstProto_, &QListWidget::currentRowChanged, this, &dlgProtoEdit::showDraft);

    auto* form = new QGroupBox("定義の内容", this);
    form->setObjectName("fraForm");
    buildForm(form);
    auto* preview = new QGroupBox("プレビュー", this);
    preview->setObjectName("fraPreview");
    buildPreview(preview);

    auto* top = new QHBoxLayout;
    top->addWidget(list, 1);
    top->addWidget(form, 4);
    auto* bottom = new QHBoxLayout;
    lblStatus_ = new QLabel(this);
    lblStatus_->setObjectName("lblStatus");
    bottom->addWidget(lblStatus_, 1);
    bottom->addWidget(OKButton());
    bottom->addWidget(CancelButton());
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(preview, 1);
    layout->addLayout(bottom);
    connect(OKButton(), &QPushButton::clicked, this, &dlgProtoEdit::OKButton_Click);

    timPreview_ = new QTimer(this);
    timPreview_->setObjectName("timPreview");
    timPreview_->setSingleShot(true);
    timPreview_->setInterval(kTypingPauseMs);
    connect(timPreview_, &QTimer::timeout, this, &dlgProtoEdit::timPreview_Timer);
    timPreviewStep_ = new QTimer(this);
    timPreviewStep_->setObjectName("timPreviewStep");
    timPreviewStep_->setInterval(0);
    connect(timPreviewStep_, &QTimer::timeout, this, &dlgProtoEdit::previewStep);
    resize(980, 760);
}

dlgProtoEdit::~dlgProtoEdit() = default;

void dlgProtoEdit::hideEvent(QHideEvent* event) {
    // A preview nobody sees is not worked on.
    timPreview_->stop();
    timPreviewStep_->stop();
    preview_.reset();
    ViewDialog::hideEvent(event);
}

bool dlgProtoEdit::mayDiscard() {
    if (!isVisible() || proto::withDrafts(text_, drafts_, IniFile::kNewFileEol) == text_) {
        return true;
    }
    return prompts_.message("変更を保存せずに閉じますか？", kTitle, Prompts::Icon::Question,
                            Prompts::Buttons::YesNo) == Prompts::Answer::Yes;
}

// Esc, Cancel, F8 and the window's close button all come here (a close event rejects).
void dlgProtoEdit::reject() {
    if (mayDiscard()) {
        ViewDialog::reject();
    }
}

void dlgProtoEdit::buildForm(QWidget* form) {
    auto* grid = new QGridLayout(form);
    int row = 0;
    // A row: its caption (with the field as buddy, for its key), its fields and the label that
    // tells its fault.
    const auto add = [&](QWidget* caption, QWidget* buddy, QLayout* fields, QLabel*& fault,
                         const char* faultName) {
        if (auto* label = qobject_cast<QLabel*>(caption)) {
            label->setBuddy(buddy);
        }
        if (caption != nullptr) {
            grid->addWidget(caption, row, 0);
        }
        grid->addLayout(fields, row, 1);
        fault = new QLabel(form);
        fault->setObjectName(faultName);
        fault->setWordWrap(true);
        QPalette palette = fault->palette();
        palette.setColor(QPalette::WindowText, kFaultColor);
        fault->setPalette(palette);
        grid->addWidget(fault, row, 2);
        ++row;
    };
    const auto single = [&](const char* caption, QWidget* field, std::optional<proto::Key> key,
                            QWidget* after = nullptr) {
        auto* fields = new QHBoxLayout;
        fields->addWidget(field, 1);
        if (after != nullptr) {
            fields->addWidget(after);
        }
        QLabel*& fault =
            key ? lblFault_[static_cast<size_t>(*key)] : lblNameFault_;  // where its fault shows
        const std::string name = std::string("lblFault") + (key ? proto::keyName(*key) : "Name");
        add(caption != nullptr ? new QLabel(caption, form) : nullptr, field, fields, fault,
            name.c_str());
    };

    txtName_ = lineEdit(form, "txtName", "VXProto.ini のセクション名");
    single("名前(&M):", txtName_, std::nullopt);
    txtStart_ = lineEdit(form, "txtStart", "16進（例: 02）。なし: どのバイトからでも");
    single("開始バイト(&S):", txtStart_, proto::Key::Start);
    txtEnd_ = lineEdit(form, "txtEnd", "16進（例: 03 または 0D0A）");
    single("終了バイト(&E):", txtEnd_, proto::Key::End);

    chkLength_ = new QCheckBox("長さフィールド(&L):", form);
    chkLength_->setObjectName("chkLength");
    txtLengthOffset_ = lineEdit(form, "txtLengthOffset", "0");
    cmbLengthSize_ = comboBox(form, "cmbLengthSize", {"1", "2", "4"});
    cmbLengthOrder_ = comboBox(form, "cmbLengthOrder", {"BE", "LE"});
    txtLengthAdjust_ = lineEdit(form, "txtLengthAdjust", "0");
    auto* length = new QHBoxLayout;
    length->addWidget(new QLabel("位置", form));
    length->addWidget(txtLengthOffset_);
    length->addWidget(new QLabel("サイズ", form));
    length->addWidget(cmbLengthSize_);
    length->addWidget(new QLabel("順", form));
    length->addWidget(cmbLengthOrder_);
    length->addWidget(new QLabel("補正", form));
    length->addWidget(txtLengthAdjust_);
    txtLengthOffset_->setToolTip("長さフィールドのフレーム内の位置（0 から、開始バイトを含む）");
    cmbLengthSize_->setToolTip("長さフィールドのバイト数");
    cmbLengthOrder_->setToolTip("BE: 上位バイトが先、LE: 下位バイトが先");
    txtLengthAdjust_->setToolTip("フレーム全体のバイト数 = 長さの値 + 補正");
    add(chkLength_, nullptr, length, lblFault_[static_cast<size_t>(proto::Key::Length)],
        "lblFaultLength");
    connect(chkLength_, &QCheckBox::toggled, this, [this](bool on) {
        for (QWidget* w : std::initializer_list<QWidget*>{txtLengthOffset_, cmbLengthSize_,
                                                          cmbLengthOrder_, txtLengthAdjust_}) {
            w->setEnabled(on);
        }
        if (on && !filling_ && txtLengthOffset_->text().isEmpty()) {
            const QSignalBlocker offset(txtLengthOffset_);
            const QSignalBlocker adjust(txtLengthAdjust_);
            txtLengthOffset_->setText("0");
            txtLengthAdjust_->setText("0");
        }
    });

    txtFixed_ = lineEdit(form, "txtFixed", "なし");
    single("固定長(&F):", txtFixed_, proto::Key::Fixed, new QLabel("バイト", form));
    txtMax_ = lineEdit(form, "txtMax", QString::number(proto::Protocol::kDefaultMax));
    single("最大長(&X):", txtMax_, proto::Key::Max, new QLabel("バイト", form));
    QStringList checks;
    for (int c = 0; c <= static_cast<int>(proto::Check::Crc32); ++c) {
        checks << proto::checkName(static_cast<proto::Check>(c));
    }
    cmbCheck_ = comboBox(form, "cmbCheck", checks);
    single("チェックサム(&K):", cmbCheck_, proto::Key::Check);
    txtCheckFrom_ = lineEdit(form, "txtCheckFrom", "0（負: フレームの終わりから）");
    single("計算の先頭(&G):", txtCheckFrom_, proto::Key::CheckFrom);
    chkCheckAfterEnd_ = new QCheckBox("チェックサムは終了バイトの後(&A)", form);
    chkCheckAfterEnd_->setObjectName("chkCheckAfterEnd");
    single(nullptr, chkCheckAfterEnd_, proto::Key::CheckAfterEnd);
    chkCheckAscii_ = new QCheckBox("チェックサムは16進数字(&H)", form);
    chkCheckAscii_->setObjectName("chkCheckAscii");
    single(nullptr, chkCheckAscii_, proto::Key::CheckAscii);
    cmbCheckOrder_ =
        comboBox(form, "cmbCheckOrder", {"チェックサムの既定", "BE（上位が先）", "LE（下位が先）"});
    single("バイト順(&O):", cmbCheckOrder_, proto::Key::CheckOrder);
    txtTimeout_ = lineEdit(form, "txtTimeout", "なし");
    single("タイムアウト(&T):", txtTimeout_, proto::Key::Timeout, new QLabel("ms", form));
    grid->setColumnStretch(1, 3);
    grid->setColumnStretch(2, 2);

    for (QLineEdit* edit : {txtName_, txtStart_, txtEnd_, txtLengthOffset_, txtLengthAdjust_,
                            txtFixed_, txtMax_, txtCheckFrom_, txtTimeout_}) {
        connect(edit, &QLineEdit::textChanged, this, &dlgProtoEdit::formChanged);
    }
    for (QComboBox* box : {cmbLengthSize_, cmbLengthOrder_, cmbCheck_, cmbCheckOrder_}) {
        connect(box, &QComboBox::currentIndexChanged, this, &dlgProtoEdit::formChanged);
    }
    for (QCheckBox* box : {chkLength_, chkCheckAfterEnd_, chkCheckAscii_}) {
        connect(box, &QCheckBox::toggled, this, &dlgProtoEdit::formChanged);
    }
}

void dlgProtoEdit::buildPreview(QWidget* preview) {
    lblPreview_ = new QLabel(preview);
    lblPreview_->setObjectName("lblPreview");
    lblPreview_->setWordWrap(true);
    tblPreview_ = new QTableWidget(0, 7, preview);
    tblPreview_->setObjectName("tblPreview");
    tblPreview_->setHorizontalHeaderLabels(
        {"番号", "方向", "時刻(s)", "バイト数", "データ", "チェック", "問題"});
    tblPreview_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblPreview_->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblPreview_->verticalHeader()->setVisible(false);
    tblPreview_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    tblPreview_->horizontalHeader()->setSectionResizeMode(4, QHeaderView::Stretch);
    const int digit = fontMetrics().horizontalAdvance('0');
    const int widths[] = {7, 4, 12, 8, 0, 6, 10};
    for (int c = 0; c < 7; ++c) {
        if (widths[c] > 0) {
            tblPreview_->setColumnWidth(c, digit * widths[c] + 12);
        }
    }
    auto* layout = new QVBoxLayout(preview);
    layout->addWidget(lblPreview_);
    layout->addWidget(tblPreview_, 1);
}

bool dlgProtoEdit::showDialog(PreviewRecords records) {
    const std::string path = joinPath(programFolder_, kFile);
    std::string error;
    std::optional<std::string> text = proto::readProtocolText(path, true, error);
    std::optional<std::vector<proto::Draft>> drafts;
    if (text) {
        drafts = proto::draftsOf(*text, error);
    }
    if (!drafts) {
        prompts_.message(std::string(kFile) + ": " + error +
                             "\nこのファイルは編集できません。テキストエディタで直してください",
                         kTitle, Prompts::Icon::Exclamation, Prompts::Buttons::Ok);
        return false;
    }
    text_ = std::move(*text);
    drafts_ = std::move(*drafts);
    timPreview_->stop();
    timPreviewStep_->stop();
    preview_.reset();  // before the records it frames go
    records_ = std::move(records);
    lstProto_->clear();
    for (const proto::Draft& d : drafts_) {
        lstProto_->addItem(qs(d.name));
    }
    shown_ = -1;
    if (drafts_.empty()) {
        showDraft(-1);
    } else {
        lstProto_->setCurrentRow(0);
    }
    show();
    raise();
    activateWindow();
    lstProto_->setFocus();
    return true;
}

void dlgProtoEdit::showDraft(int row) {
    shown_ = row >= 0 && row < static_cast<int>(drafts_.size()) ? row : -1;
    findChild<QWidget*>("fraForm")->setEnabled(shown_ >= 0);
    for (const char* name : {"cmdCopy", "cmdDelete"}) {
        findChild<QWidget*>(name)->setEnabled(shown_ >= 0);
    }
    const proto::DraftForm f =
        shown_ >= 0 ? proto::formOf(drafts_[static_cast<size_t>(shown_)]) : proto::DraftForm{};
    filling_ = true;
    txtName_->setText(qs(f.name));
    txtStart_->setText(qs(f.start));
    txtEnd_->setText(qs(f.end));
    chkLength_->setChecked(f.length);
    txtLengthOffset_->setText(qs(f.lengthOffset));
    cmbLengthSize_->setCurrentText(QString::number(f.lengthSize));
    cmbLengthOrder_->setCurrentIndex(f.lengthBigEndian ? 0 : 1);
    txtLengthAdjust_->setText(qs(f.lengthAdjust));
    txtFixed_->setText(qs(f.fixed));
    txtMax_->setText(qs(f.max));
    cmbCheck_->setCurrentIndex(static_cast<int>(f.check));
    txtCheckFrom_->setText(qs(f.checkFrom));
    chkCheckAfterEnd_->setChecked(f.checkAfterEnd);
    chkCheckAscii_->setChecked(f.checkAscii);
    cmbCheckOrder_->setCurrentIndex(!f.checkBigEndian ? 0 : *f.checkBigEndian ? 1 : 2);
    txtTimeout_->setText(qs(f.timeout));
    filling_ = false;
    for (QWidget* w : std::initializer_list<QWidget*>{txtLengthOffset_, cmbLengthSize_,
                                                      cmbLengthOrder_, txtLengthAdjust_}) {
        w->setEnabled(f.length);
    }
    checkDrafts();
    timPreview_Timer();  // a definition chosen shows its frames at once
}

void dlgProtoEdit::formChanged() {
    if (filling_ || shown_ < 0) {
        return;
    }
    proto::DraftForm f;
    f.name = txtName_->text().toStdString();
    f.start = txtStart_->text().toStdString();
    f.end = txtEnd_->text().toStdString();
    f.length = chkLength_->isChecked();
    f.lengthOffset = txtLengthOffset_->text().toStdString();
    f.lengthSize = cmbLengthSize_->currentText().toInt();
    f.lengthBigEndian = cmbLengthOrder_->currentIndex() == 0;
    f.lengthAdjust = txtLengthAdjust_->text().toStdString();
    f.fixed = txtFixed_->text().toStdString();
    f.max = txtMax_->text().toStdString();
    f.check = static_cast<proto::Check>(cmbCheck_->currentIndex());
    f.checkFrom = txtCheckFrom_->text().toStdString();
    f.checkAfterEnd = chkCheckAfterEnd_->isChecked();
    f.checkAscii = chkCheckAscii_->isChecked();
    if (cmbCheckOrder_->currentIndex() > 0) {
        f.checkBigEndian = cmbCheckOrder_->currentIndex() == 1;
    }
    f.timeout = txtTimeout_->text().toStdString();
    proto::Draft& d = drafts_[static_cast<size_t>(shown_)];
    proto::applyForm(f, d);
    lstProto_->item(shown_)->setText(qs(d.name));
    checkDrafts();
    timPreview_->start();  // the preview follows once the typing pauses
}

QLabel* dlgProtoEdit::faultLabel(const std::optional<proto::Key>& key) const {
    return key ? lblFault_[static_cast<size_t>(*key)] : lblNameFault_;
}

void dlgProtoEdit::checkDrafts() {
    lblNameFault_->clear();
    for (QLabel* label : lblFault_) {
        label->clear();
    }
    QString elsewhere;
    bool any = false;
    for (size_t i = 0; i < drafts_.size(); ++i) {
        const std::optional<proto::DraftFault> fault = proto::draftFault(drafts_, i);
        QListWidgetItem* item = lstProto_->item(static_cast<int>(i));
        item->setForeground(fault ? QBrush(kFaultColor) : QBrush());
        item->setToolTip(fault ? qs(fault->reason) : QString());
        any = any || fault.has_value();
        if (!fault) {
            continue;
        }
        if (static_cast<int>(i) == shown_) {
            faultLabel(fault->key)->setText(qs(fault->reason));
        } else if (elsewhere.isEmpty()) {
            elsewhere = QString("「%1」に誤りがあります").arg(qs(drafts_[i].name));
        }
    }
    lblStatus_->setText(any ? (elsewhere.isEmpty() ? QString("誤りのある定義は保存できません")
                                                   : elsewhere + "（保存できません）")
                            : QString());
    OKButton()->setEnabled(!any);
}

void dlgProtoEdit::timPreview_Timer() {
    timPreview_->stop();
    timPreviewStep_->stop();
    preview_.reset();
    tblPreview_->setRowCount(0);
    if (shown_ < 0) {
        lblPreview_->setText("定義がありません");
        return;
    }
    const std::optional<proto::Protocol> p =
        proto::draftFault(drafts_, static_cast<size_t>(shown_))
            ? std::nullopt
            : proto::protocolOf(drafts_[static_cast<size_t>(shown_)]);
    if (!p) {
        lblPreview_->setText("定義に誤りがあるため、プレビューできません");
        return;
    }
    if (records_.records.empty()) {
        lblPreview_->setText("表示中の記録がありません");
        return;
    }
    preview_ = std::make_unique<FramePreview>(records_.records, records_.line, *p);
    lblPreview_->setText("フレームを探しています...");
    timPreviewStep_->start();
}

void dlgProtoEdit::previewStep() {
    if (!preview_ || preview_->step(kPieceBytes)) {
        timPreviewStep_->stop();
        showPreview();
    }
}

bool dlgProtoEdit::previewDone() const {
    return preview_ && preview_->done() && !timPreview_->isActive();
}

void dlgProtoEdit::showPreview() {
    if (!preview_) {
        return;
    }
    const FramePreview::Counts& n = preview_->counts();
    const uint64_t used = records_.records.size();
    QString text = used < records_.total
                       ? QString("表示中の記録の先頭 %1 バイト（全体 %2 バイト）で ")
                             .arg(countText(static_cast<int64_t>(used)),
                                  countText(static_cast<int64_t>(records_.total)))
                       : QString("表示中の記録全体（%1 バイト）で ")
                             .arg(countText(static_cast<int64_t>(used)));
    text += QString("フレーム %1: チェック良 %2、チェック不良 %3、ノイズ %4、問題 %5")
                .arg(countText(n.frames), countText(n.ok), countText(n.bad), countText(n.noise),
                     countText(n.problems));
    if (n.frames > static_cast<int64_t>(FramePreview::kMaxRows)) {
        text += QString("。表は最初の %1 フレーム").arg(FramePreview::kMaxRows);
    }
    lblPreview_->setText(text);
    const std::vector<FramePreview::Row>& rows = preview_->rows();
    tblPreview_->setRowCount(static_cast<int>(rows.size()));
    for (size_t r = 0; r < rows.size(); ++r) {
        const Frame& f = rows[r].frame;
        QString bytes = qs(hexText(rows[r].head));
        if (static_cast<size_t>(f.bytes) > rows[r].head.size()) {
            bytes += " …";
        }
        const QString cells[] = {QString::number(r + 1),
                                 f.sd ? "SD" : "RD",
                                 qs(secondsText(f.startMicros)),
                                 QString::number(f.bytes),
                                 bytes,
                                 f.check == proto::CheckState::None ? ""
                                 : f.check == proto::CheckState::Ok ? "OK"
                                                                    : "NG",
                                 proto::problemName(f.problem)};
        for (int c = 0; c < 7; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (f.check == proto::CheckState::Bad) {
                item->setBackground(kBadCheckColor);
            }
            if (c == 0 || c == 2 || c == 3) {
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            }
            tblPreview_->setItem(static_cast<int>(r), c, item);
        }
    }
}

std::string dlgProtoEdit::uniqueName(const std::string& base) const {
    const auto taken = [this](const std::string& name) {
        return std::any_of(drafts_.begin(), drafts_.end(), [&name](const proto::Draft& d) {
            return proto::sameName(d.name, name);
        });
    };
    std::string name = base;
    for (int n = 2; taken(name); ++n) {
        name = base + "-" + std::to_string(n);
    }
    return name;
}

void dlgProtoEdit::addDraft(proto::Draft d) {
    drafts_.push_back(std::move(d));
    lstProto_->addItem(qs(drafts_.back().name));
    lstProto_->setCurrentRow(static_cast<int>(drafts_.size()) - 1);
    txtName_->setFocus();  // its name is typed first
    txtName_->selectAll();
}

void dlgProtoEdit::cmdNew_Click() {
    addDraft(proto::Draft{uniqueName("protocol"), {}, {}});
}

void dlgProtoEdit::cmdCopy_Click() {
    if (shown_ < 0) {
        return;
    }
    proto::Draft copy = drafts_[static_cast<size_t>(shown_)];
    copy.name = uniqueName(copy.name);
    copy.origin.clear();
    addDraft(std::move(copy));
}

void dlgProtoEdit::cmdDelete_Click() {
    if (shown_ < 0) {
        return;
    }
    const int row = shown_;
    drafts_.erase(drafts_.begin() + row);
    const int next = std::min(row, static_cast<int>(drafts_.size()) - 1);
    {
        const QSignalBlocker blocker(lstProto_);
        delete lstProto_->takeItem(row);
        lstProto_->setCurrentRow(next);
    }
    showDraft(next);
    lstProto_->setFocus();
}

void dlgProtoEdit::OKButton_Click() {
    for (size_t i = 0; i < drafts_.size(); ++i) {
        if (proto::draftFault(drafts_, i)) {
            return;  // OK is off: nothing refused is saved
        }
    }
    const std::string text = proto::withDrafts(text_, drafts_, IniFile::kNewFileEol);
    if (text == text_) {
        close();  // nothing changed: the file is not touched
        return;
    }
    // What is written must read back: the engine has the last word.
    std::string why = proto::parseProtocols(text).error;
    if (why.empty()) {
        AtomicFileWriter writer(joinPath(programFolder_, kFile));
        writer.write(text);
        if (!writer.commit()) {
            why = writer.reason();
        }
    }
    if (!why.empty()) {
        tell(prompts_, std::string(kFile) + " を保存できませんでした\n" + why, kTitle,
             Prompts::Icon::Critical);
        return;
    }
    text_ = text;
    close();
}
