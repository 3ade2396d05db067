// Run control of the main window: start, stop, new start, background monitoring, the
// communication parameter dialog and the tools menu.
#include <QAction>
#include <QProcess>

#include "app/DlgProtocol.h"
#include "app/MainWindow.h"
#include "app/QString8.h"
#include "files/LTime.h"
#include "files/ProgramFolder.h"
#include "link/QtLink.h"
#include "view/frmMonitor.h"

bool MainWindow::reopenPort() {
    CommLink& comm = frmComm_->comm();
    comm.PortClose();
    lossReported_ = false;
    if (comm.PortOpen() == 0) {
        return true;
    }
    // A unit that hung up during the probe has been reported already.
    if (!frmComm_->closing() && !lossReported_) {
        reportNotConnected();
    }
    return false;
}

void MainWindow::onLinkLost() {
    // The unit went away: the port is closed already. Tell the user once; the capture stays
    // and Stop still works.
    if (lossReported_) {
        return;
    }
    lossReported_ = true;
    ctx_.prompts.Message("Vexlo が接続されていません", "Vexlo", Prompts::Icon::Exclamation,
                         Prompts::Buttons::Ok);
}

void MainWindow::reportNotConnected() {
    std::string text = "Vexlo が接続されていません";
    const std::string reason = frmComm_->permissionProblem();
    if (!reason.empty()) {
        text += "\n" + reason;
    }
    ctx_.prompts.Message(text, "Vexlo", Prompts::Icon::Exclamation, Prompts::Buttons::Ok);
}

QString MainWindow::StartConfirmText() const {
    QString t = menus_->item("mn_File_AutoSave")->isChecked() ? "自動保存が設定されています" : "";
    if (ctx_.triggers.AnySet()) {
        t = t.isEmpty() ? "トリガが設定されています" : t + "\nトリガが設定されています";
    }
    if (!t.isEmpty()) {
        t += "\n\nモニタを開始しますか？";
    }
    return t;
}

QString MainWindow::AutoSaveWarnText() const {
    const Triggers& t = ctx_.triggers;
    for (int i = 0; i < 5; ++i) {
        if (t.gintTrigType[i] > 0 && (t.gintAction[i] == 0 || t.gintAction[i] == 2)) {
            return "トリガ機能でモニタ停止もしくはファイル保存開始／停止が設定されています\n"
                   "自動保存機能が途中で停止する可能性があります";
        }
    }
    return {};
}

int16_t MainWindow::RunStart() {
    if (!reopenPort()) {
        return -1;
    }
    CommLink& comm = frmComm_->comm();
    const QString confirm = StartConfirmText();
    if (!confirm.isEmpty()) {
        if (ctx_.prompts.Message(confirm.toStdString(), "モニタ開始", Prompts::Icon::Question,
                                 Prompts::Buttons::OkCancel) != Prompts::Answer::Ok) {
            return -1;
        }
        WriteLTime(ctx_.programFolder, ctx_.clock);
    }
    menus_->item("mn_Run_Start")->setEnabled(false);
    menus_->item("mn_Run_Restart")->setEnabled(false);
    menus_->item("mn_Run_Stop")->setEnabled(true);
    // The start's shortcut also works from the communication parameter dialog; left open, its
    // OK would empty the capture and reopen the port during the run.
    if (dlgProtocol_ != nullptr) {
        dlgProtocol_->close();
    }
    if (comm.SendCommParam() != 0) {
        // The unit went away while taking the settings (it has been reported), or the
        // program is ending and the shutdown takes over: nothing was started.
        if (!frmComm_->closing()) {
            MenuEnable();
        }
        return -1;
    }
    RunState& run = ctx_.core.run;
    run.gintIdleReq = 0;
    frmMonitor_->SetRestartPos();
    if (ctx_.core.settings.gintDispMode == 2) {
        mn_View_Mode_Click(0);
    }
    comm.ResetLineState();
    setWindowTitle(kTitleRunning);
    run.gintRireki = 0;
    run.gsngIdleStart = ctx_.clock.Timer();
    comm.QueueCommand("G01");
    return 0;
}

void MainWindow::RunStop() {
    for (int i = 0; i < 3; ++i) {
        frmComm_->comm().QueueCommand("G00");
    }
    setWindowTitle(kTitleStopped);
    RunState& run = ctx_.core.run;
    run.gintRun = 0;
    // A start the unit never answered must not turn the replies to "G00" into a refused
    // start, which would queue "G01" again.
    run.gintStartTry = 0;
    Capture& c = ctx_.core.capture;
    QAction* back = menus_->item("mn_Run_Back");
    // Stopped from the background view, the history opens on the last line.
    c.CopyDat(c.gbyteDat().data(), c.glngDatLen());
    frmMonitor_->placeHistory(back->isChecked());
    back->setChecked(false);
    run.gintRireki = 1;
    MenuEnable();
    AutoSaveFlush();
    int32_t top = -1;
    frmMonitor_->DispRireki(top);
}

void MainWindow::AutoSaveFlush() {
    // Auto-save writing is not built yet; it can never be switched on, so there is no
    // partial block to write.
}

void MainWindow::mn_Run_Restart_Click() {
    if (RunStart() == 0) {
        frmMonitor_->ClearDat();
        frmMonitor_->ShowNewCaption();
    }
}

void MainWindow::setSearchAndJumpEnabled(bool enabled) {
    for (const char* name : {"mn_Search_Search", "mn_Search_Up", "mn_Search_Down", "mn_Search_Time",
                             "mn_View_Jump", "mn_View_SJump", "mn_View_EJump"}) {
        menus_->item(name)->setEnabled(enabled);
    }
}

void MainWindow::mn_Run_Back_Click() {
    RunState& run = ctx_.core.run;
    QAction* back = menus_->item("mn_Run_Back");
    if (run.gintRireki == 0) {
        back->setChecked(true);
        Capture& c = ctx_.core.capture;
        c.CopyDat(c.gbyteDat().data(), c.glngDatLen());
        frmMonitor_->placeHistory(true);
        run.gintRireki = 1;
        setSearchAndJumpEnabled(true);
        int32_t top = -1;
        frmMonitor_->DispRireki(top);
    } else {
        run.gintRireki = 0;
        back->setChecked(false);
        frmMonitor_->ClearDisp();
        setSearchAndJumpEnabled(false);
    }
}

void MainWindow::mn_Tool_Sim_Click() {
    if (ctx_.core.run.gintRun == 0 && !reopenPort()) {
        return;
    }
#ifdef _WIN32
    const std::string program = JoinPath(ctx_.programFolder, "EMUMAIN.exe");
#else
    const std::string program = JoinPath(ctx_.programFolder, "EMUMAIN");
#endif
    if (!QProcess::startDetached(qs(program), {"KAPKAP"}, qs(ctx_.programFolder))) {
        ctx_.prompts.Message("シミュレータを起動できません\n" + program, "Vexlo",
                             Prompts::Icon::Exclamation, Prompts::Buttons::Ok);
    }
}

void MainWindow::mn_Tool_Counter_Click() {
    ctx_.prompts.Message("ただいま工事中", "Vexlo", Prompts::Icon::None, Prompts::Buttons::Ok);
}

void MainWindow::mn_Tool_Protocol_Click(bool abovePanel) {
    if (dlgProtocol_ == nullptr) {
        dlgProtocol_ = new DlgProtocol(
            ctx_.core, ctx_.prompts, [this] { frmMonitor_->ClearDat(); },
            [this] {
                if (reopenPort()) {
                    frmComm_->comm().SendCommParam();
                }
            },
            this);
    }
    dlgProtocol_->loadSettings();
    dlgProtocol_->show();
    if (abovePanel) {
        placeAbovePanel(dlgProtocol_, 1000);
    }
    dlgProtocol_->raise();
    dlgProtocol_->activateWindow();
}
