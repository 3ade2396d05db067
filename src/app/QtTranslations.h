#pragma once

class QCoreApplication;

// Installs Qt's own Japanese texts (qtbase_ja from Qt's translations folder), so that the
// standard buttons and dialogs read はい, いいえ, キャンセル. False when they are not installed;
// Qt's English texts remain then.
bool InstallQtJapanese(QCoreApplication& app);
