#include "app/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstring>

namespace {

// Qt 6 took the type names of its file dialog ("Folder", "Drive", "File") into a context of
// their own, which its Japanese texts do not have yet; they still have them under the file
// dialog's context, where Qt 5 kept them.
class FileTypeNames final : public QTranslator {
  public:
    FileTypeNames(const QTranslator& qt, QObject* parent) : QTranslator(parent), qt_(qt) {}

    [[nodiscard]] bool isEmpty() const override { return false; }
    [[nodiscard]] QString translate(const char* context, const char* sourceText,
                                    const char* disambiguation, int n) const override {
        if (context == nullptr || std::strcmp(context, "QAbstractFileIconProvider") != 0) {
            return {};
        }
        return qt_.translate("QFileDialog", sourceText, disambiguation, n);
    }

  private:
    const QTranslator& qt_;
};

}  // namespace

bool installQtJapanese(QCoreApplication& app) {
    auto* translator = new QTranslator(&app);
    if (!translator->load(QStringLiteral("qtbase_ja"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(new FileTypeNames(*translator, translator));
    return true;
}
