// The version window.
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QPushButton>

#include "app/frmAbout.h"
#include "support/MainWindowFixture.h"

namespace {

frmAbout* OpenAbout(MDIMonitor& window) {
    window.findChild<QAction*>("mn_Help_Version")->trigger();
    auto* about = window.findChild<frmAbout*>("frmAbout");
    EXPECT_NE(about, nullptr);
    return about;
}

QString VersionLabel(frmAbout* about) {
    return about->findChild<QLabel*>("lblVersion")->text();
}

}  // namespace

TEST_F(AppTest, TheVersionWindowShowsQuestionMarksUntilAUnitWasFound) {
    StartUnit({"--version", "123"});
    OpenWindow();
    frmAbout* about = OpenAbout(*window);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(VersionLabel(about), "ｿﾌﾄｳｪｱ ﾊﾞｰｼﾞｮﾝ 1.1.1\nﾌｧｰﾑｳｪｱ ﾊﾞｰｼﾞｮﾝ ???");
    EXPECT_FALSE(about->isModal());
#ifdef Q_OS_LINUX
    // There the system information button could only say that there is none: it is hidden.
    EXPECT_TRUE(about->findChild<QPushButton*>("cmdSysInfo")->isHidden());
#endif

    // It stays open when it loses activation, until OK.
    QEvent deactivate(QEvent::WindowDeactivate);
    QCoreApplication::sendEvent(about, &deactivate);
    EXPECT_TRUE(about->isVisible());
    about->findChild<QPushButton*>("cmdOK")->click();
    EXPECT_FALSE(about->isVisible());

    ASSERT_TRUE(Start());
    about = OpenAbout(*window);
    EXPECT_TRUE(about->isVisible());
    EXPECT_EQ(VersionLabel(about), "ｿﾌﾄｳｪｱ ﾊﾞｰｼﾞｮﾝ 1.1.1\nﾌｧｰﾑｳｪｱ ﾊﾞｰｼﾞｮﾝ 1.2.3");
    EXPECT_TRUE(prompts.asked.empty());
}

TEST(FrmAboutTest, SystemInformationStartsTheFirstProgramFoundOrSaysThereIsNone) {
    struct Case {
        QStringList onPath;
        bool starts;
        QString started;  // empty: the message is shown
    };
    const Case cases[] = {
        {{}, true, {}},
        {{"ksysguard", "gnome-system-monitor"}, true, "/usr/bin/gnome-system-monitor"},
        {{"hardinfo", "ksysguard"}, true, "/usr/bin/hardinfo"},
        {{"hardinfo"}, false, {}},  // found but it does not start
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.onPath.join(' ').toStdString());
        ScriptedPrompts prompts;
        QStringList tried;
        frmAbout::SysInfo sysInfo{[&](const QString& name) {
                                      return c.onPath.contains(name) ? "/usr/bin/" + name
                                                                     : QString();
                                  },
                                  [&](const QString& path) {
                                      tried << path;
                                      return c.starts;
                                  }};
        frmAbout about([] { return std::string(); }, prompts, nullptr, sysInfo);
        about.findChild<QPushButton*>("cmdSysInfo")->click();
        if (c.started.isEmpty()) {
            ASSERT_EQ(prompts.asked.size(), 1U);
            EXPECT_EQ(prompts.asked[0].text, "現時点ではｼｽﾃﾑ情報を使用できません");
        } else {
            EXPECT_EQ(tried, QStringList{c.started});
            EXPECT_TRUE(prompts.asked.empty());
        }
    }
}
