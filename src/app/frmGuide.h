#pragma once
#include <QTextBrowser>
#include <QUrl>
#include <QWidget>
#include <functional>

class QPushButton;

// The user guide's text view: Markdown with its pictures, every heading an anchor under the
// name that Markdown renderers give it (so "#検索" and "guide.md#検索" lead there), links to
// other Markdown files opened in the same view, anything else handed to openOther.
class GuideBrowser : public QTextBrowser {
    Q_OBJECT
  public:
    explicit GuideBrowser(std::function<void(const QUrl&)> openOther, QWidget* parent = nullptr);

    // Follows a link as a click on it does.
    void follow(const QUrl& link);

  private:
    // Gives every heading of the document shown its anchor name, then goes to the fragment of
    // source: the base class looked for it before the headings had their names. Runs on every
    // change of source, also the ones of back and forward, which then set their own position.
    void nameHeadings(const QUrl& source);

    std::function<void(const QUrl&)> openOther_;
};

// The anchor name of a heading: lower case, spaces as "-", every character that is not a
// letter, digit, mark, "-" or "_" left out. taken counts the names given so far; a name
// already given gets "-1", "-2" ... appended, as Markdown renderers do.
[[nodiscard]] QString headingAnchor(const QString& heading, QHash<QString, int>& taken);

// "手引き(&G)": the user guide in a window of the program's own, modeless, with back, forward
// and a button to its beginning.
class frmGuide : public QWidget {
    Q_OBJECT
  public:
    // Links to web pages and to files other than Markdown go to openOther (the desktop's
    // handler unless a test gives its own).
    explicit frmGuide(QWidget* parent, std::function<void(const QUrl&)> openOther = {});

    // Shows the guide file (from its beginning the first time) and brings the window forward.
    void showGuide(const QString& file);

    [[nodiscard]] GuideBrowser& browser() { return *txtGuide; }

    // The guide in the program folder, the executable's folder (a build folder, where it is
    // copied to docs/) or the installed data folder; the program folder's path when none has it.
    [[nodiscard]] static QString guideFile(const std::string& programFolder,
                                           const std::string& exeFolder);

  private:
    GuideBrowser* txtGuide;
    QPushButton* cmdBack;
    QPushButton* cmdForward;
};
