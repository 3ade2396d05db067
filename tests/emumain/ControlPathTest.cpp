#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "UnitControl.h"

namespace {

void touch(const QString& path) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

}  // namespace

TEST(ControlPathTest, ThePortOfTheSettingsElseTheFirstUnitFound) {
    QTemporaryDir folder;
    QDir(folder.path()).mkpath(QStringLiteral("ports"));
    auto at = [&](const char* name) { return folder.filePath(QStringLiteral("ports/") + name); };
    auto settings = [&](const char* text) {
        QFile ini(folder.filePath(QStringLiteral("VXParam.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ini.write(text);
    };
    // Nothing there: the socket of the settings' port (none yet: port 0).
    EXPECT_EQ(UnitControl::controlPath(folder.path()), at("COM0.ctl"));
    settings("[VX_Inf]\nAuto=0\nPort=5\n");
    EXPECT_EQ(UnitControl::controlPath(folder.path()), at("COM5.ctl"));

    touch(at("COM12.ctl"));
    touch(at("COM3.ctl"));
    EXPECT_EQ(UnitControl::controlPath(folder.path()), at("COM3.ctl")) << "the lowest found";
    touch(at("COM5.ctl"));
    EXPECT_EQ(UnitControl::controlPath(folder.path()), at("COM5.ctl")) << "the settings' port";
    settings("[VX_Inf]\nPort=abc\n");
    EXPECT_EQ(UnitControl::controlPath(folder.path()), at("COM3.ctl"));
}
