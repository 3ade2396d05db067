#pragma once
#include <QLocale>
#include <QtGlobal>

class QCoreApplication;

// Installs Qt's own Japanese texts (qtbase_ja from Qt's translations folder), so that the
// standard buttons and dialogs read はい, いいえ, キャンセル. False when they are not installed;
// Qt's English texts remain then.
bool installQtJapanese(QCoreApplication& app);

// The program's locale for texts, numbers and dates is Japanese whatever the system's is. Qt's
// file dialogs format sizes and dates in the system locale, which Qt reads from the environment
// once, at its first use: so this runs first in main, before the application object. The
// environment is left as it was, so that the C library and the programs started from here keep
// the user's locale. Header-only, so that the test programs run in the same locale.
inline void useJapaneseLocale() {
    const bool had = qEnvironmentVariableIsSet("LC_ALL");
    const QByteArray all = qgetenv("LC_ALL");
    qputenv("LC_ALL", "ja_JP.UTF-8");
    (void)QLocale::system();  // reads the environment now
    if (had) {
        qputenv("LC_ALL", all);
    } else {
        qunsetenv("LC_ALL");
    }
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
}
