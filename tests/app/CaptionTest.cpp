// The fixed captions of every dialog and window: each one opened as its menu command opens
// it, and every caption of the table checked.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QTemporaryDir>
#include <map>
#include <string>

#include "app/CoreState.h"
#include "app/PanelBar.h"
#include "app/dlgOption.h"
#include "app/dlgPrint.h"
#include "app/dlgProtocol.h"
#include "app/dlgTextSave.h"
#include "app/dlgTrigger.h"
#include "app/frmAbout.h"
#include "run/RunControlState.h"
#include "support/Control.h"
#include "support/FakeClock.h"
#include "support/RecordingObserver.h"
#include "support/RecordingStatus.h"
#include "support/ScriptedPrompts.h"
#include "view/MonitorSearch.h"
#include "view/dlgSearch.h"
#include "view/dlgTimeSearch.h"
#include "view/frmMonitor.h"

namespace {

// A caption by the objectName of its control: a button's or label's text, a frame's title, or
// the window's title when the name is the window's own.
struct Caption {
    const char* window;
    const char* name;
    const char* text;
};

constexpr const char* kCancel = "ｷｬﾝｾﾙ [F8]";
constexpr const char* kOk = "  OK    [F1]";

constexpr Caption kCaptions[] = {
    {"dlgOption", "dlgOption", "オプション設定"},
    {"dlgOption", "framSize", "ﾃﾞｰﾀﾊﾞｯﾌｧｻｲｽﾞ"},
    {"dlgOption", "framDir", "ﾃﾞｰﾀ保存ﾌｫﾙﾀﾞｰ"},
    {"dlgOption", "framColor", "色設定"},
    {"dlgOption", "framPort", "Vexloﾎﾟｰﾄ"},
    {"dlgOption", "framMaxFiles", "自動保存時最大ﾌｧｲﾙ数"},
    {"dlgOption", "framFileDate", "自動保存時ﾌｧｲﾙ名付加日時"},
    {"dlgOption", "Label4", "Ｋﾊﾞｲﾄ"},
    {"dlgOption", "Label3", "最大４Ｍ(4000K)ﾊﾞｲﾄまで"},
    {"dlgOption", "lblPort", "ﾎﾟｰﾄ番号"},
    {"dlgOption", "Label2", "\"0\"にすると無制限"},
    {"dlgOption", "lblMsg", "変更内容は次回起動時から有効"},
    {"dlgOption", "lblColor0", "RD"},
    {"dlgOption", "lblColor4", "ERR"},
    {"dlgOption", "cmdInit", "規定色"},
    {"dlgOption", "OKButton", kOk},
    {"dlgOption", "CancelButton", kCancel},

    {"dlgPrint", "dlgPrint", "印刷設定"},
    {"dlgPrint", "Frame1", "用紙向き"},
    {"dlgPrint", "optOR0", "縦"},
    {"dlgPrint", "optOR1", "横"},
    {"dlgPrint", "Label1", "印刷ページ数"},
    {"dlgPrint", "OKButton", " 印刷   [F1]"},
    {"dlgPrint", "CancelButton", kCancel},

    {"dlgTextSave", "dlgTextSave", "テキスト形式保存"},
    {"dlgTextSave", "OKButton", "  保存   [F1]"},
    {"dlgTextSave", "CancelButton", kCancel},
    {"dlgTextSave", "framFont", "ASCII文字保存形式"},

    {"dlgProtocol", "dlgProtocol", "通信パラメータの設定"},

    {"dlgTrigger", "dlgTrigger", "トリガ設定"},
    {"dlgTrigger", "optTrigNo4", "トリガ-５"},
    {"dlgTrigger", "optEvent4", "ﾗｲﾝｽﾃｰﾄ"},
    {"dlgTrigger", "optCode1", "16進"},
    {"dlgTrigger", "chkErr0", "ﾊﾟﾘﾃｨｴﾗｰ"},
    {"dlgTrigger", "chkErr1", "ﾌﾚｰﾐﾝｸﾞｴﾗｰ"},
    {"dlgTrigger", "optCI1", "↑"},
    {"dlgTrigger", "optAction3", "イベント発生回数カウント"},
    {"dlgTrigger", "cmdClear", "ﾘｾｯﾄ"},
    {"dlgTrigger", "OKButton", kOk},
    {"dlgTrigger", "CancelButton", kCancel},
    {"dlgTrigger", "fraEvent", "トリガイベント"},
    {"dlgTrigger", "fraAction", "動作"},
    {"dlgTrigger", "fraCD", "CD"},
    {"dlgTrigger", "lblTime", "HHMM(時分)で入力してください"},

    {"frmAbout", "frmAbout", "Vexloのﾊﾞｰｼﾞｮﾝ情報"},
    {"frmAbout", "lblTitle", "Vexlo"},
    {"frmAbout", "cmdSysInfo", "ｼｽﾃﾑ情報(&S)..."},

    {"dlgJump", "dlgJump", "行ジャンプ"},
    {"dlgJump", "OKButton", kOk},
    {"dlgJump", "CancelButton", kCancel},

    {"dlgScroll", "dlgScroll", "ｽｸﾛｰﾙ行数の設定"},
    {"dlgScroll", "optMode0", "画面スクロール"},
    {"dlgScroll", "optMode1", "行スクロール"},
    {"dlgScroll", "lblUnit", "行"},

    {"dlgSearch", "dlgSearch", "文字検索"},
    {"dlgSearch", "OKButton", " 検索   [F1]"},

    {"dlgTimeSearch", "dlgTimeSearch", "時間検索"},
};

QString CaptionOf(const QObject* control) {
    if (const auto* frame = qobject_cast<const QGroupBox*>(control)) {
        return frame->title();
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(control)) {
        return button->text();
    }
    if (const auto* label = qobject_cast<const QLabel*>(control)) {
        return label->text();
    }
    if (const auto* window = qobject_cast<const QWidget*>(control);
        window != nullptr && window->isWindow()) {
        return window->windowTitle();
    }
    return QStringLiteral("(no caption)");
}

// Everything the windows are made from, and each window opened.
class CaptionTest : public ::testing::Test {
  protected:
    CaptionTest() {
        option.showDialog();
        print.showDialog();
        textSave.showDialog();
        protocol.loadSettings();
        protocol.show();
        trigger.showDialog();
        about.showDialog();
        windows = {{"dlgOption", &option},
                   {"dlgPrint", &print},
                   {"dlgTextSave", &textSave},
                   {"dlgProtocol", &protocol},
                   {"dlgTrigger", &trigger},
                   {"frmAbout", &about},
                   {"dlgJump", monitor.mn_View_Jump_Click()},
                   {"dlgScroll", monitor.mn_View_Scroll_Click()},
                   {"dlgSearch", search.mn_Search_Search_Click()},
                   {"dlgTimeSearch", search.mn_Search_Time_Click()}};
    }

    QTemporaryDir folder;
    CoreState state;
    FakeClock clock;
    RecordingStatus status;
    RecordingObserver around;
    ScriptedPrompts prompts;
    Triggers triggers;
    RunControlState runControl;
    PanelBar bar{QStringLiteral("StBarMonitor"), {}};
    frmMonitor monitor{state.monitor(), clock, status, around};
    MonitorSearch search{state.run, state.capture, monitor, status, prompts, nullptr};
    dlgOption option{state.settings, prompts, nullptr};
    dlgPrint print{state.settings, state.run, state.capture, state.gstrChr, prompts, bar, nullptr};
    dlgTextSave textSave{state.settings, state.capture, state.gstrChr, prompts, nullptr};
    dlgProtocol protocol{state.settings, state.capture, prompts, runControl, [] {}, [] {}, nullptr};
    dlgTrigger trigger{
        triggers, state.run, prompts, folder.path().toStdString(), [] { return false; }, nullptr};
    frmAbout about{[] { return std::string(); }, prompts, nullptr};
    std::map<std::string, QWidget*> windows;
};

}  // namespace

TEST_F(CaptionTest, EveryWindowShowsTheCaptionsOfTheTable) {
    for (const Caption& c : kCaptions) {
        ASSERT_EQ(windows.count(c.window), 1U) << c.window;
        QWidget* window = windows.at(c.window);
        const QObject* control = std::string(c.name) == c.window
                                     ? window
                                     : Control<QObject>(window, QString::fromLatin1(c.name));
        EXPECT_EQ(CaptionOf(control), QString::fromUtf8(c.text)) << c.window << " " << c.name;
    }
}
