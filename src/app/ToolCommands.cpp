// The tools and help menus of the main window: the options dialog, the version window and
// where the simulator is found.
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "app/MainWindow.h"
#include "app/QString8.h"
#include "app/dlgOption.h"
#include "app/frmAbout.h"
#include "files/ProgramFolder.h"
#include "link/QtLink.h"

void MainWindow::mn_Tool_Option_Click() {
    if (dlgOption_ == nullptr) {
        dlgOption_ = new dlgOption(ctx_.core.settings, ctx_.prompts, this);
    }
    dlgOption_->Open();
}

void MainWindow::mn_Help_Version_Click() {
    if (frmAbout_ == nullptr) {
        frmAbout_ =
            new frmAbout([this] { return frmComm_->comm().gstrUnitVer; }, ctx_.prompts, this);
    }
    frmAbout_->Open();
}

std::string MainWindow::simulatorPath() const {
#ifdef _WIN32
    const char* name = "EMUMAIN.exe";
#else
    const char* name = "EMUMAIN";
#endif
    // The simulator of the program folder; a folder given by --home may have none, and then
    // the one installed next to the executable is started.
    const std::string own = JoinPath(ctx_.programFolder, name);
    if (QFileInfo::exists(qs(own))) {
        return own;
    }
    const QString installed = QDir(QCoreApplication::applicationDirPath()).filePath(name);
    return QFileInfo::exists(installed) ? QDir::toNativeSeparators(installed).toStdString() : own;
}
