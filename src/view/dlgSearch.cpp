#include "view/dlgSearch.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTimer>
#include <string_view>

#include "view/MonitorSearch.h"

namespace {

constexpr const char* kInputTitle = "入力不正";
constexpr int kAsciiLength = 8;  // the longest text in ASCII
constexpr int kHexLength = 16;   // the longest text in hexadecimal or Shift-JIS

// Search codes of text in Shift-JIS. oneCodePerCharacter (ASCII): a character of one byte
// gives that byte, any other character a code outside 0..255 (its two bytes as one value, or -1
// without a Shift-JIS form), which never matches. Otherwise every byte is a code, and a
// character without a Shift-JIS form gives -1.
std::vector<int16_t> shiftJisCodes(const QString& text, bool oneCodePerCharacter) {
    QStringEncoder encoder("Shift_JIS");
    std::vector<int16_t> codes;
    const QStringView all(text);
    for (qsizetype i = 0; i < all.size();) {
        const qsizetype len =
            all[i].isHighSurrogate() && i + 1 < all.size() && all[i + 1].isLowSurrogate() ? 2 : 1;
        encoder.resetState();
        const QByteArray bytes = encoder.encode(all.mid(i, len));
        i += len;
        if (encoder.hasError() || bytes.isEmpty()) {
            codes.push_back(-1);
        } else if (!oneCodePerCharacter) {
            for (const char b : bytes) {
                codes.push_back(static_cast<uint8_t>(b));
            }
        } else if (bytes.size() == 1) {
            codes.push_back(static_cast<uint8_t>(bytes[0]));
        } else {
            codes.push_back(static_cast<int16_t>(static_cast<uint8_t>(bytes[0]) << 8 |
                                                 static_cast<uint8_t>(bytes[1])));
        }
    }
    return codes;
}

// The characters of ASCII search codes, read back as Shift-JIS.
QString codesText(const std::vector<int16_t>& codes) {
    QByteArray bytes;
    for (const int16_t c : codes) {
        if (c < 0 || c > 0xFF) {
            bytes.append(static_cast<char>((c >> 8) & 0xFF));
        }
        bytes.append(static_cast<char>(c & 0xFF));
    }
    QStringDecoder decoder("Shift_JIS");
    return decoder.decode(bytes);
}

QGroupBox* optionFrame(QWidget* parent, const char* name, const char* caption, const char* opt,
                       const std::array<const char*, 3>& captions,
                       std::array<QRadioButton*, 3>& buttons) {
    auto* frame = new QGroupBox(QString::fromUtf8(caption), parent);
    frame->setObjectName(QString::fromLatin1(name));
    auto* layout = new QHBoxLayout(frame);
    for (size_t i = 0; i < buttons.size(); ++i) {
        buttons[i] = new QRadioButton(QString::fromUtf8(captions[i]), frame);
        buttons[i]->setObjectName(QString::fromLatin1(opt) + QString::number(i));
        layout->addWidget(buttons[i]);
    }
    return frame;
}

template <size_t N>
int checked(const std::array<QRadioButton*, N>& buttons) {
    for (size_t i = 0; i < N; ++i) {
        if (buttons[i]->isChecked()) {
            return static_cast<int>(i);
        }
    }
    return 0;
}

}  // namespace

dlgSearch::dlgSearch(MonitorSearch& search, Prompts& prompts, QWidget* parent)
    : ViewDialog(parent),
      search_(search),
      prompts_(prompts),
      cmbSearch(new QComboBox(this)),
      txtSearch(new QLineEdit(this)),
      timReset(new QTimer(this)) {
    setObjectName(QStringLiteral("dlgSearch"));
    setWindowTitle(QStringLiteral("文字検索"));
    OKButton()->setText(QStringLiteral(" 検索   [F1]"));

    cmbSearch->setObjectName(QStringLiteral("cmbSearch"));
    cmbSearch->setEditable(true);
    cmbSearch->setInsertPolicy(QComboBox::NoInsert);
    cmbSearch->setCompleter(nullptr);
    cmbSearch->setMinimumContentsLength(kHexLength);
    // The combo box keeps the focus for its line edit and passes the keys on to it itself.
    cmbSearch->installEventFilter(this);
    txtSearch->setObjectName(QStringLiteral("txtSearch"));
    txtSearch->hide();
    timReset->setObjectName(QStringLiteral("timReset"));
    timReset->setInterval(10);
    timReset->setSingleShot(true);

    auto* label = new QLabel(QStringLiteral("検索文字"), this);
    label->setObjectName(QStringLiteral("Label1"));
    label->setBuddy(cmbSearch);
    auto* layout = new QGridLayout(this);
    layout->addWidget(label, 0, 0);
    layout->addWidget(cmbSearch, 0, 1);
    layout->addWidget(optionFrame(this, "Frame1", "検索文字コード", "optCode",
                                  {"ASCII", "16進", "ｼﾌﾄJIS"}, optCode),
                      1, 0, 1, 2);
    layout->addWidget(optionFrame(this, "Frame2", "検索方向", "optHoukou",
                                  {"先頭から", "上へ", "下へ"}, optHoukou),
                      2, 0, 1, 2);
    layout->addWidget(
        optionFrame(this, "Frame3", "検索区分", "optKubun", {"SD/RD", "SD", "RD"}, optKubun), 3, 0,
        1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(OKButton());
    buttons->addWidget(CancelButton());
    layout->addLayout(buttons, 4, 0, 1, 2);
    OKButton()->setAutoDefault(false);
    CancelButton()->setAutoDefault(false);

    for (size_t i = 0; i < optCode.size(); ++i) {
        connect(optCode[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on) {
                optCode_Click(static_cast<int>(i));
            }
        });
    }
    optCode[0]->setChecked(true);
    optHoukou[static_cast<size_t>(SearchHoukou::Down)]->setChecked(true);
    optKubun[static_cast<size_t>(SearchKubun::Both)]->setChecked(true);
    connect(cmbSearch, &QComboBox::activated, this, &dlgSearch::cmbSearch_Click);
    connect(timReset, &QTimer::timeout, this, &dlgSearch::timReset_Timer);
    connect(OKButton(), &QPushButton::clicked, this, &dlgSearch::OKButton_Click);
}

void dlgSearch::showDialog() {
    const SearchString& s = search_.current();
    fillHistory();
    QString text;
    if (s.gintSearchType == SearchString::kAscii) {
        text = codesText(s.gintSearchDat);
        optCode[0]->setChecked(true);
    } else if (s.gintSearchType == SearchString::kHex) {
        text = QString::fromStdString(hexCodesText(s.gintSearchDat));
        optCode[1]->setChecked(true);
    }
    cmbSearch->setEditText(text);
    // The next search starts from the current screen. The old hit is no longer the reference,
    // so it is not highlighted again either.
    Capture& capture = search_.words();
    capture.glngCursol.assign(1, capture.glngDispTop);
    show();
    raise();
    activateWindow();
    cmbSearch->setFocus();
    cmbSearch->lineEdit()->selectAll();
}

int16_t dlgSearch::codeType() const {
    return static_cast<int16_t>(checked(optCode) + 1);
}

void dlgSearch::optCode_Click(int index) {
    txtSearch->clear();
    txtSearch->setMaxLength(index == 0 ? kAsciiLength : kHexLength);
    cmbSearch->setFocus();
}

void dlgSearch::cmbSearch_Click(int index) {
    const int type = cmbSearch->itemData(index).toInt();
    if (type >= 1 && type <= 3) {
        optCode[static_cast<size_t>(type - 1)]->setChecked(true);
    }
}

void dlgSearch::fillHistory() {
    cmbSearch->clear();
    for (size_t i = 0; i < SearchHistory::kSize; ++i) {
        if (history_.lintSearchHist[i] > 0) {
            cmbSearch->addItem(QString::fromStdString(history_.lstrSearchHist[i]),
                               history_.lintSearchHist[i]);
        }
    }
}

bool dlgSearch::eventFilter(QObject* watched, QEvent* event) {
    if (watched != cmbSearch || event->type() != QEvent::KeyPress) {
        return ViewDialog::eventFilter(watched, event);
    }
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        OKButton()->click();
        return true;
    }
    // A key that may add a character to a full text: the text is cut back by timReset once the
    // key has had its effect.
    const int longest = codeType() == SearchString::kAscii ? kAsciiLength : kHexLength;
    const QString text = cmbSearch->currentText();
    if (key != Qt::Key_Backspace && text.size() > longest - 1) {
        lstrSearchCut = text.left(longest);
        timReset->start();
    }
    return false;
}

void dlgSearch::timReset_Timer() {
    timReset->stop();
    cmbSearch->setEditText(lstrSearchCut);
    cmbSearch->lineEdit()->setCursorPosition(static_cast<int>(lstrSearchCut.size()));
}

bool dlgSearch::setSearchString(const QString& text, int16_t type) {
    SearchString& s = search_.current();
    s.gintSearchType = type;
    switch (type) {
        case SearchString::kHex: {
            const QStringView view(text);
            const std::u16string_view digits(view.utf16(), static_cast<size_t>(view.size()));
            const HexInput read = parseHexCodes(digits, s.gintSearchDat);
            if (read == HexInput::OddLength) {
                tell(prompts_, "入力文字数が不正です", kInputTitle, Prompts::Icon::Critical);
                return false;
            }
            if (read == HexInput::BadPair) {
                search_.showSearchText({});
                tell(prompts_, "入力データが不正です", kInputTitle, Prompts::Icon::Critical);
                return false;
            }
            break;
        }
        case SearchString::kShiftJis:
            s.gintSearchDat = shiftJisCodes(text, false);
            break;
        default:
            s.gintSearchDat = shiftJisCodes(text, true);
            break;
    }
    search_.showSearchText(QString::fromStdString(searchPanelText(type, text.toStdString())));
    return true;
}

void dlgSearch::OKButton_Click() {
    if (!MonitorSearch::historyShown(search_.run())) {
        return;  // a run went live while the dialog was open
    }
    txtSearch->setText(cmbSearch->currentText());
    const QString text = txtSearch->text();  // cut to the longest text of the code type
    if (text.isEmpty()) {
        return;
    }
    const int16_t type = codeType();
    if (!setSearchString(text, type)) {
        return;
    }
    search_.current().kubun = static_cast<SearchKubun>(checked(optKubun));
    history_.add(text.toStdString(), type);
    fillHistory();
    cmbSearch->setEditText(text);
    if (!search_.find(static_cast<SearchHoukou>(checked(optHoukou)))) {
        tell(prompts_, MonitorSearch::kNotFound, MonitorSearch::kTitle, Prompts::Icon::Exclamation);
    }
}
