// Run control of the main window: start, stop, new start, background monitoring, the
// communication parameter dialog and the tools menu.
#include <QAction>
#include <QCoreApplication>
#include <QDialog>
#include <QProcess>
#include <QTimer>

#include "app/MDIMonitor.h"
#include "app/QString8.h"
#include "app/dlgProtocol.h"
#include "core/Status.h"
#include "files/LTime.h"
#include "files/ProgramFolder.h"
#include "link/frmComm.h"
#include "view/frmMonitor.h"

bool MDIMonitor::reopenPort(RunControlState::Verdict verdict) {
    CommLink& comm = frmComm_->comm();
    if (verdict == RunControlState::Verdict::GoAfterStop) {
        comm.SendQueued();  // the unit stops streaming before the probe asks for its version
    }
    comm.PortClose();
    lossReported_ = false;
    if (comm.PortOpen() == status::kDone) {
        return true;
    }
    // A unit that hung up during the probe has been reported already.
    if (!frmComm_->closing() && !lossReported_) {
        reportNotConnected();
    }
    return false;
}

void MDIMonitor::onLinkLost() {
    // The unit went away: the port is closed already. Tell the user once; the capture stays
    // and Stop still works.
    if (lossReported_) {
        return;
    }
    lossReported_ = true;
    ctx_.prompts.Message("Vexlo が接続されていません", "Vexlo", Prompts::Icon::Exclamation,
                         Prompts::Buttons::Ok);
}

void MDIMonitor::reportNotConnected() {
    std::string text = "Vexlo が接続されていません";
    const std::string& denied = frmComm_->comm().DeniedPort();
    if (!denied.empty()) {
        text +=
            "\nポート " + denied + " を開く権限がありません（dialout グループに追加してください）";
    }
    ctx_.prompts.Message(text, "Vexlo", Prompts::Icon::Exclamation, Prompts::Buttons::Ok);
}

QString MDIMonitor::StartConfirmText() const {
    QString t = menus_->item("mn_File_AutoSave")->isChecked() ? "自動保存が設定されています" : "";
    if (ctx_.triggers.AnySet()) {
        t = t.isEmpty() ? "トリガが設定されています" : t + "\nトリガが設定されています";
    }
    if (!t.isEmpty()) {
        t += "\n\nモニタを開始しますか？";
    }
    return t;
}

QString MDIMonitor::AutoSaveWarnText() const {
    const Triggers& t = ctx_.triggers;
    for (int i = 0; i < 5; ++i) {
        if (t.gintTrigType[i] > 0 && (t.gintAction[i] == 0 || t.gintAction[i] == 2)) {
            return "トリガ機能でモニタ停止もしくはファイル保存開始／停止が設定されています\n"
                   "自動保存機能が途中で停止する可能性があります";
        }
    }
    return {};
}

void MDIMonitor::closeViewDialogs() {
    // Left open, a dialog would act on the history or the port during the run.
    for (QDialog* dialog : findChildren<QDialog*>()) {
        if (dialog->isVisible() && !dialog->isModal()) {
            dialog->close();
        }
    }
}

int16_t MDIMonitor::RunStart() {
    const RunControlState::Verdict verdict = runControl_.Begin(RunControlState::Command::Start);
    if (verdict == RunControlState::Verdict::Refused) {
        return status::kFailed;  // a start, a probe or the settings are already under way
    }
    closeViewDialogs();
    bool confirmed = reopenPort(verdict);
    CommLink& comm = frmComm_->comm();
    const QString confirm = StartConfirmText();
    if (confirmed && !confirm.isEmpty()) {
        confirmed =
            ctx_.prompts.Message(confirm.toStdString(), "モニタ開始", Prompts::Icon::Question,
                                 Prompts::Buttons::OkCancel) == Prompts::Answer::Ok;
        if (confirmed) {
            WriteLTime(ctx_.programFolder, ctx_.clock);
        }
    }
    if (!runControl_.Probed(confirmed)) {
        return status::kFailed;
    }
    menus_->item("mn_Run_Start")->setEnabled(false);
    menus_->item("mn_Run_Restart")->setEnabled(false);
    menus_->item("mn_Run_Stop")->setEnabled(true);
    const bool sent = comm.SendCommParam() == status::kDone;
    if (!runControl_.SettingsSent(sent)) {
        // A stop during the settings has done its work already. Otherwise the unit went away
        // while taking the settings (it has been reported), or the program is ending and the
        // shutdown takes over: nothing was started.
        if (!runControl_.stopAsked() && !frmComm_->closing()) {
            MenuEnable();
        }
        return status::kFailed;
    }
    RunState& run = ctx_.core.run;
    run.gintIdleReq = status::kDone;
    frmMonitor_->SetRestartPos();
    if (ctx_.core.settings.gintDispMode == 2) {
        mn_View_Mode_Click(0);
    }
    comm.ResetLineState();
    setWindowTitle(kTitleRunning);
    run.gintRireki = 0;
    run.gsngIdleStart = ctx_.clock.Timer();
    comm.QueueCommand("G01");
    return status::kDone;
}

void MDIMonitor::RunStop() {
    if (runControl_.Begin(RunControlState::Command::Stop) == RunControlState::Verdict::Refused) {
        return;
    }
    CommLink& comm = frmComm_->comm();
    // A start not yet accepted is taken back: its "OK" must not start a stopped run, and the
    // replies to "G00" must not count as a refused start, which would queue "G01" again.
    comm.CancelStart();
    for (int i = 0; i < 3; ++i) {
        comm.QueueCommand("G00");
    }
    setWindowTitle(kTitleStopped);
    RunState& run = ctx_.core.run;
    run.gintRun = 0;
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

void MDIMonitor::StartAccepted() {
    runControl_.Accepted();
    MenuEnable();
}

void MDIMonitor::StartRefused() {
    // The unit's refusal arrives inside the serial port's read: the message box waits for
    // the user only once that read has returned.
    QTimer::singleShot(0, this, [this] {
        ctx_.prompts.Message(
            "Vexlo本体がモニタ開始できません\n"
            "プログラムを終了し、ＵＳＢケーブルをはずしてやり直してください",
            "モニタ開始不可", Prompts::Icon::Exclamation, Prompts::Buttons::Ok);
    });
}

void MDIMonitor::mn_Run_Restart_Click() {
    if (RunStart() == status::kDone) {
        frmMonitor_->ClearDat();
        frmMonitor_->ShowNewCaption();
    }
}

void MDIMonitor::setSearchAndJumpEnabled(bool enabled) {
    for (const char* name : {"mn_Search_Search", "mn_Search_Up", "mn_Search_Down", "mn_Search_Time",
                             "mn_View_Jump", "mn_View_SJump", "mn_View_EJump"}) {
        menus_->item(name)->setEnabled(enabled);
    }
}

void MDIMonitor::mn_Run_Back_Click() {
    if (runControl_.Judge(RunControlState::Command::Background) ==
        RunControlState::Verdict::Refused) {
        return;
    }
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

void MDIMonitor::mn_Tool_Sim_Click() {
    // The port is probed unless a run is under way, where that would end the run.
    const RunControlState::Verdict verdict = runControl_.Begin(RunControlState::Command::Simulator);
    if (verdict == RunControlState::Verdict::Refused) {
        return;
    }
    if (verdict != RunControlState::Verdict::GoWithoutProbe &&
        !runControl_.Probed(reopenPort(verdict))) {
        return;
    }
#ifdef _WIN32
    const char* name = "EMUMAIN.exe";
#else
    const char* name = "EMUMAIN";
#endif
    const std::string program = CompanionProgram(
        ctx_.programFolder, QCoreApplication::applicationDirPath().toStdString(), name);
    if (!QProcess::startDetached(qs(program), {"KAPKAP"}, qs(ctx_.programFolder))) {
        ctx_.prompts.Message("シミュレータを起動できません\n" + program, "Vexlo",
                             Prompts::Icon::Exclamation, Prompts::Buttons::Ok);
    }
}

void MDIMonitor::mn_Tool_Counter_Click() {
    ctx_.prompts.Message("ただいま工事中", "Vexlo", Prompts::Icon::None, Prompts::Buttons::Ok);
}

void MDIMonitor::mn_Tool_Protocol_Click(bool abovePanel) {
    if (runControl_.Judge(RunControlState::Command::Settings) ==
        RunControlState::Verdict::Refused) {
        return;
    }
    if (dlgProtocol_ == nullptr) {
        dlgProtocol_ = new dlgProtocol(
            ctx_.core.settings, ctx_.core.capture, ctx_.prompts, runControl_,
            [this] { frmMonitor_->ClearDat(); },
            [this] {
                const RunControlState::Verdict verdict =
                    runControl_.Begin(RunControlState::Command::Settings);
                if (verdict != RunControlState::Verdict::Refused &&
                    runControl_.Probed(reopenPort(verdict))) {
                    runControl_.SettingsSent(frmComm_->comm().SendCommParam() == status::kDone);
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
