#include "app/QtTranslations.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>

TEST(QtTranslationsTest, StandardButtonsReadJapanese) {
    ASSERT_TRUE(installQtJapanese(*QCoreApplication::instance()))
        << "Qt's Japanese texts are missing (Debian package qt6-translations-l10n)";
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel |
                           QMessageBox::Ok);
    const auto text = [&box](QMessageBox::StandardButton b) {
        return box.button(b)->text().remove(QRegularExpression("\\(&.\\)|&")).toStdString();
    };
    EXPECT_EQ(text(QMessageBox::Yes), "はい");
    EXPECT_EQ(text(QMessageBox::No), "いいえ");
    EXPECT_EQ(text(QMessageBox::Cancel), "キャンセル");
    EXPECT_EQ(text(QMessageBox::Ok), "OK");
}
