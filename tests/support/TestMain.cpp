// The one test main of the Qt test programs: GoogleTest on a QApplication, on the offscreen
// platform with a desktop-sized screen unless the environment chose another platform, in the
// program's locale.
#include <gtest/gtest.h>

#include <QApplication>

#include "app/QtTranslations.h"
#include "support/OffscreenScreen.h"

int main(int argc, char** argv) {
    OffscreenDesktop screen;
    useJapaneseLocale();
    QApplication app(argc, argv);
    screen.applied();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
