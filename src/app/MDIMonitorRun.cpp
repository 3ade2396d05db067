// Run control of the main window: start, stop, new start, background monitoring, the
// communication parameter dialog and the tools menu.
#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QDialog>
#include <QProcess>
#include <QTimer>

#include "app/FileCommands.h"
#include "app/MDIMonitor.h"
#include "app/QString8.h"
#include "app/dlgProtocol.h"
#include "base/Status.h"
#include "files/LTime.h"
#include "files/ProgramFolder.h"
#include "link/frmComm.h"
#include "view/ViewDialog.h"
#include "view/frmMonitor.h"

namespace {

// The line of the not-connected message that names the ports tried and what each did:
// "試したポート: /dev/ttyUSB0（応答なし）、COM3（権限なし）". Numbers without a port are left
// out; when no port tried exists, the line says so. Empty when no port was tried.
std::string triedPortsLine(const PortReport& report) {
    using Status = PortOpenResult::Status;
    if (report.tried.empty()) {
        return {};
    }
    std::string ports;
    for (const PortReport::Tried& t : report.tried) {
        const std::string& holder = t.result.holder;
        std::string why;
        switch (t.result.status) {
            case Status::NoSuchPort:
                continue;
            case Status::Opened:
                why = "応答なし";
                break;
            case Status::Busy:
                why = holder.empty() ? "他のプログラムが使用中" : holder + " が使用中";
                break;
            case Status::NoPermission:
                why = "権限なし";
                break;
            case Status::Failed:
                why = "開けません";
                break;
        }
        ports += (ports.empty() ? "" : "、") + PortReport::where(t) + "（" + why + "）";
    }
    if (ports.empty()) {
        const int first = report.tried.front().n;
        const int last = report.tried.back().n;
        ports = "COM" + std::to_string(first) +
                (first == last ? "（ありません）"
                               : "～COM" + std::to_string(last) + "（どれもありません）");
    }
    return "試したポート: " + ports;
}

}  // namespace

void MDIMonitor::notConnected(const PortReport& report) {
    using Status = PortOpenResult::Status;
    std::string text = "Vexlo が接続されていません";
    if (const std::string tried = triedPortsLine(report); !tried.empty()) {
        text += "\n" + tried;
    }
    if (!report.unanswered.empty()) {
        text += "\nコマンド " + report.unanswered + " に応答がありません";
        if (!report.sharers.empty()) {
            text += "（ポートを " + report.sharers + " も開いています）";
        }
    }
    if (const PortReport::Tried* shared = report.first(Status::Opened, true)) {
        text += "\nポート " + PortReport::where(*shared) + " は他のプログラム（" +
                shared->result.holder + "）も開いています";
    }
    if (report.first(Status::NoPermission) != nullptr) {
        text += "\n権限のないポートを開くには dialout グループに追加してください";
    }
    ctx_.prompts.message(text, "Vexlo", Prompts::Icon::Exclamation, Prompts::Buttons::Ok);
}

void MDIMonitor::unitLost() {
    // The unit went away: the port is closed already and a run has ended. Tell the user once;
    // the capture stays.
    ctx_.prompts.message("Vexlo が接続されていません", "Vexlo", Prompts::Icon::Exclamation,
                         Prompts::Buttons::Ok);
}

QString MDIMonitor::StartConfirmText() const {
    QString t = ctx_.autoSave.chosen() ? "自動保存が設定されています" : "";
    if (ctx_.triggers.anySet()) {
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

void MDIMonitor::startBegins() {
    // Left open, a view dialog would act on the history during the run. The other windows
    // (the version window, the settings dialogs) stay.
    for (ViewDialog* dialog : findChildren<ViewDialog*>()) {
        if (dialog->isVisible() && !dialog->isModal()) {
            dialog->close();
        }
    }
}

bool MDIMonitor::confirmStart() {
    const QString confirm = StartConfirmText();
    if (confirm.isEmpty()) {
        return true;
    }
    if (ctx_.prompts.message(confirm.toStdString(), "モニタ開始", Prompts::Icon::Question,
                             Prompts::Buttons::OkCancel) != Prompts::Answer::Ok) {
        return false;
    }
    WriteLTime(ctx_.programFolder, ctx_.clock);
    return true;
}

void MDIMonitor::sendingSettings() {
    menus_->item("mn_Run_Start")->setEnabled(false);
    menus_->item("mn_Run_Restart")->setEnabled(false);
    menus_->item("mn_Run_Stop")->setEnabled(true);
}

void MDIMonitor::startAbandoned() {
    MenuEnable();
}

void MDIMonitor::prepareRun() {
    frmMonitor_->SetRestartPos();
    if (ctx_.core.settings.gintDispMode == 2) {
        mn_View_Mode_Click(0);
    }
    setWindowTitle(kTitleRunning);
    frmMonitor_->showStopNote({});
    ctx_.core.run.gintRireki = 0;
    files_->captureShown();
}

int16_t MDIMonitor::RunStart() {
    return controller_.start() == RunController::Outcome::Started ? status::kDone : status::kFailed;
}

void MDIMonitor::RunStop() {
    controller_.stop();
}

void MDIMonitor::stopped(StopCause cause) {
    // After a stop, a trigger's stop and the loss of the unit alike.
    setWindowTitle(kTitleStopped);
    if (cause == StopCause::Trigger) {
        // The monitor's caption tells which trigger stopped the run and when, until the next
        // start: the status bar's panels all have their own content.
        const DateTime now = ctx_.clock.now();
        frmMonitor_->showStopNote(QString::asprintf("トリガ-%d でモニタ停止 %02d:%02d:%02d",
                                                    ctx_.core.run.stopTrigger, now.hour, now.minute,
                                                    now.second));
    }
    RunState& run = ctx_.core.run;
    Capture& c = ctx_.core.capture;
    // Stopped from the background view, the history opens on the last line.
    c.CopyDat(c.gbyteDat().data(), c.glngDatLen());
    frmMonitor_->placeHistory(run.background);
    run.background = false;
    menus_->item("mn_Run_Back")->setChecked(false);
    run.gintRireki = 1;
    MenuEnable();
    AutoSaveFlush();
    int32_t top = -1;
    frmMonitor_->DispRireki(top);
}

void MDIMonitor::accepted() {
    MenuEnable();
}

void MDIMonitor::refused() {
    // The unit's refusal arrives inside the serial port's read: the message box waits for
    // the user only once that read has returned.
    QTimer::singleShot(0, this, [this] {
        ctx_.prompts.message(
            "Vexlo本体がモニタ開始できません\n"
            "プログラムを終了し、ＵＳＢケーブルをはずしてやり直してください",
            "モニタ開始不可", Prompts::Icon::Exclamation, Prompts::Buttons::Ok);
    });
}

void MDIMonitor::waitChanged() {
    // Commands that a wait for the unit would ignore are greyed out for that time; each
    // item's own state comes back when the wait is over.
    const bool waiting = controller_.waiting();
    waitGroup_->setEnabled(!waiting);
    stopGroup_->setEnabled(!waiting || controller_.judge(RunControlState::Command::Stop) !=
                                           RunControlState::Verdict::Refused);
}

void MDIMonitor::mn_Run_Restart_Click() {
    if (RunStart() == status::kDone) {
        frmMonitor_->ClearDat();
        frmMonitor_->showNewCaption();
    }
}

void MDIMonitor::setSearchAndJumpEnabled(bool enabled) {
    for (const char* name : {"mn_Search_Search", "mn_Search_Up", "mn_Search_Down", "mn_Search_Time",
                             "mn_View_Jump", "mn_View_SJump", "mn_View_EJump"}) {
        menus_->item(name)->setEnabled(enabled);
    }
}

void MDIMonitor::mn_Run_Back_Click() {
    if (controller_.judge(RunControlState::Command::Background) ==
        RunControlState::Verdict::Refused) {
        return;
    }
    RunState& run = ctx_.core.run;
    run.background = !run.background;
    menus_->item("mn_Run_Back")->setChecked(run.background);
    if (run.background) {
        Capture& c = ctx_.core.capture;
        c.CopyDat(c.gbyteDat().data(), c.glngDatLen());
        frmMonitor_->placeHistory(true);
        run.gintRireki = 1;
        setSearchAndJumpEnabled(true);
        int32_t top = -1;
        frmMonitor_->DispRireki(top);
    } else {
        run.gintRireki = 0;
        frmMonitor_->ClearDisp();
        setSearchAndJumpEnabled(false);
    }
}

void MDIMonitor::mn_Tool_Sim_Click() {
    if (!controller_.probeForSimulator()) {
        return;
    }
#ifdef _WIN32
    const char* name = "EMUMAIN.exe";
#else
    const char* name = "EMUMAIN";
#endif
    const std::string program = companionProgram(
        ctx_.programFolder, QCoreApplication::applicationDirPath().toStdString(), name);
    if (!QProcess::startDetached(qs(program), {"KAPKAP"}, qs(ctx_.programFolder))) {
        ctx_.prompts.message("シミュレータを起動できません\n" + program, "Vexlo",
                             Prompts::Icon::Exclamation, Prompts::Buttons::Ok);
    }
}

void MDIMonitor::mn_Tool_Counter_Click() {
    ctx_.prompts.message("ただいま工事中", "Vexlo", Prompts::Icon::None, Prompts::Buttons::Ok);
}

void MDIMonitor::mn_Tool_Protocol_Click(bool abovePanel) {
    if (controller_.judge(RunControlState::Command::Settings) ==
        RunControlState::Verdict::Refused) {
        return;
    }
    if (dlgProtocol_ == nullptr) {
        dlgProtocol_ = new dlgProtocol(
            ctx_.core.settings, ctx_.core.capture, ctx_.prompts, controller_.state(),
            [this] { frmMonitor_->ClearDat(); }, [this] { controller_.applySettings(); }, this);
    }
    dlgProtocol_->loadSettings();
    dlgProtocol_->show();
    if (abovePanel) {
        placeAbovePanel(dlgProtocol_, 1000);
    }
    dlgProtocol_->raise();
    dlgProtocol_->activateWindow();
}
