// The print command of the file menu.
#include "app/MDIMonitor.h"
#include "app/dlgPrint.h"
#include "app/frmFrames.h"

void MDIMonitor::mn_File_Print_Click() {
    if (dlgPrint_ == nullptr) {
        dlgPrint_ = new dlgPrint(ctx_.core.settings, ctx_.core.run, ctx_.core.capture,
                                 ctx_.core.gstrChr, ctx_.prompts, *stBarMonitor_, this);
        dlgPrint_->setFrameMarks([this] { return frmFrames_->marked(); });
    }
    dlgPrint_->showDialog();
}
