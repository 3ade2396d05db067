#pragma once
#include <QDialog>
#include <QString>
#include <QStringList>
#include <functional>
#include <string>

class QLabel;
class Prompts;

// The version window: the program's version and the firmware version that the last port
// probe found, and a button that starts the system's information program. Modeless; it stays
// open until OK, whatever gets the focus.
class frmAbout : public QDialog {
    Q_OBJECT
  public:
    // Where a program is found on PATH (an empty text when it is not), and how it is started.
    struct SysInfo {
        std::function<QString(const QString&)> find;
        std::function<bool(const QString&)> start;
    };
    // System information programs looked for on PATH, in order of preference.
    static const QStringList kSysInfoPrograms;

    // unitVer gives gstrUnitVer each time the window is shown.
    frmAbout(std::function<std::string()> unitVer, Prompts& prompts, QWidget* parent,
             SysInfo sysInfo = systemSysInfo());

    // Fills the labels (the firmware version may have changed) and shows the window.
    void showDialog();
    // Starts the first system information program found, or says that there is none.
    void StartSysInfo();

    [[nodiscard]] static SysInfo systemSysInfo();

  private:
    std::function<std::string()> unitVer_;
    Prompts& prompts_;
    SysInfo sysInfo_;
    QLabel* lblVersion;
};
