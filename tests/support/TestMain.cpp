// The one test main of the Qt test programs: GoogleTest on a QApplication, on the offscreen
// platform unless the environment chose another, in the program's locale.
#include <gtest/gtest.h>

#include <QApplication>

#include "app/QtTranslations.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    useJapaneseLocale();
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
