// The tools and help menus of the main window: the options dialog, the user guide, the version
// window and where the simulator is found.

#include "app/MDIMonitor.h"

#include <QCoreApplication>
#include <QFileInfo>
#include "app/QString8.h"
#include "app/dlgOption.h"
#include "app/frmAbout.h"
#include "app/frmGuide.h"
#include "link/frmComm.h"

void MDIMonitor::mn_Tool_Option_Click() {
    if (dlgOption_ == nullptr) {
        dlgOption_ = new dlgOption(ctx_.core.settings, ctx_.prompts, this);
    }
    dlgOption_->showDialog();
}

void MDIMonitor::mn_Help_Guide_Click() {
    const QString file = frmGuide::guideFile(ctx_.programFolder,
                                             QCoreApplication::applicationDirPath().toStdString());
    if (!QFileInfo(file).isFile()) {
        ctx_.prompts.message("手引きが見つかりません\n" + file.toStdString(), "Vexlo",
                             Prompts::Icon::Exclamation, Prompts::Buttons::Ok);
        return;
    }
    if (frmGuide_ == nullptr) {
        frmGuide_ = new frmGuide(this);
    }
    frmGuide_->showGuide(file);
}

void MDIMonitor::mn_Help_Version_Click() {
    if (frmAbout_ == nullptr) {
        frmAbout_ =
            new frmAbout([this] { return frmComm_->comm().gstrUnitVer; }, ctx_.prompts, this);
    }
    frmAbout_->showDialog();
}
