#include "link/PortNames.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

TEST(LinkPortNamesTest, MachinePortsCountUsbAdaptersFirstAndByNumber) {
    const QStringList shuffled{"/dev/ttyS1",   "/dev/ttyUSB10", "/dev/ttyACM0", "/dev/ttyUSB2",
                               "/dev/ttyS0",   "/dev/rfcomm0",  "/dev/ttyUSB0", "/dev/ttyS10",
                               "/dev/ttyACM1", "/dev/ttyS2"};
    EXPECT_EQ(PortNames::machineOrder(shuffled),
              (QStringList{"/dev/ttyUSB0", "/dev/ttyUSB2", "/dev/ttyUSB10", "/dev/ttyACM0",
                           "/dev/ttyACM1", "/dev/rfcomm0", "/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS2",
                           "/dev/ttyS10"}));
}

TEST(LinkPortNamesTest, EntriesOfThePortsFolderNameTheirPortEvenWhenTheTargetIsGone) {
    QTemporaryDir folder;
    QDir(folder.path()).mkdir("ports");
    const QString live = folder.filePath("ports/COM5");
    const QString gone = folder.filePath("ports/COM7");
    ASSERT_TRUE(QFile::link("/dev/null", live));
    ASSERT_TRUE(QFile::link(folder.filePath("nothing"), gone));
    const PortNames names(folder.path());
    EXPECT_EQ(names.location(5), live);
    EXPECT_EQ(names.location(7), gone);
    EXPECT_TRUE(names.location(0).isEmpty());
    EXPECT_TRUE(names.location(-3).isEmpty());
}
