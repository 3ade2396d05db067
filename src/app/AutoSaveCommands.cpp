// Auto-save on the main window: the File menu's command, the flush at a stop and at shutdown,
// and the report of block files that cannot be written.
#include <QAction>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "app/MDIMonitor.h"
#include "app/PanelBar.h"
#include "app/QString8.h"

void MDIMonitor::mn_File_AutoSave_Click() {
    QAction* item = menus_->item("mn_File_AutoSave");
    // The menu has toggled the check mark already; the command decides it from the model.
    item->setChecked(ctx_.autoSave.chosen());
    Prompts& prompts = ctx_.prompts;
    if (!ctx_.autoSave.chosen()) {
        const QString warning = AutoSaveWarnText();
        if (!warning.isEmpty()) {
            prompts.message(warning.toStdString(), "トリガ設定情報", Prompts::Icon::Information,
                            Prompts::Buttons::Ok);
        }
        // No file is made here: the name is the base of the block files.
        const std::optional<std::string> name =
            prompts.saveFileName("名前を付けて自動保存", ctx_.core.settings.gstrSaveDir,
                                 "vxmﾌｧｲﾙ(*.vxm);;すべてのﾌｧｲﾙ(*.*)");
        if (!name) {
            return;  // cancelled: auto-save stays off
        }
        ctx_.autoSave.gstrAutoFile = *name;
        ctx_.core.run.gintAutoSave = 1;
        item->setChecked(true);
        return;
    }
    if (prompts.message("自動保存モードを解除します\nよろしいですか？", "自動保存停止",
                        Prompts::Icon::Exclamation,
                        Prompts::Buttons::OkCancel) != Prompts::Answer::Ok) {
        return;
    }
    // The bytes gathered so far stay in the block: switched on again, it goes on from them.
    ctx_.core.run.gintAutoSave = 0;
    ctx_.autoSave.gstrAutoFile.clear();
    item->setChecked(false);
}

void MDIMonitor::AutoSaveFlush() {
    ctx_.autoSave.AutoSaveFlush();
}

void MDIMonitor::autoSaveFailed(const std::string& name, int error) {
    stBarMonitor_->setPanelText(kAutoSavePanel, "自動保存失敗");
    autoSaveFailName_ = name;
    autoSaveFailError_ = error;
    if (unloading_) {
        return;  // the shutdown tells what is lost, once the last flush has been tried
    }
    const std::string text = "自動保存ファイルを書き込めません\n" + name + "\n" +
                             std::strerror(error) +
                             "\n書き込めなかったデータは保持し、次のファイルの前に書き込みます";
    // Called while bytes are being stored: the message waits for the event loop, where its
    // own loop lets the capture go on. A shutdown that began meanwhile does not wait for it.
    QTimer::singleShot(0, this, [this, text] {
        if (!unloading_ && !quiet_) {
            ctx_.prompts.message(text, "自動保存の失敗", Prompts::Icon::Exclamation,
                                 Prompts::Buttons::Ok);
        }
    });
}

void MDIMonitor::reportAutoSaveLoss() {
    const AutoSave& a = ctx_.autoSave;
    if (a.keptBlocks() == 0) {
        return;
    }
    const std::string bytes = std::to_string(a.keptBytes());
    const std::string blocks = std::to_string(a.keptBlocks());
    const std::string reason = std::strerror(autoSaveFailError_);
    // A shutdown by a signal waits for nobody: standard error only.
    std::fprintf(stderr, "vexlo: %s: %s: %s bytes in %s auto-save blocks not written, lost\n",
                 autoSaveFailName_.c_str(), reason.c_str(), bytes.c_str(), blocks.c_str());
    std::fflush(stderr);
    if (!quiet_) {
        ctx_.prompts.message("自動保存ファイルを書き込めません\n" + autoSaveFailName_ + "\n" +
                                 reason + "\n書き込めなかった " + bytes + " バイト（" + blocks +
                                 " ブロック）は失われます",
                             "自動保存の失敗", Prompts::Icon::Exclamation, Prompts::Buttons::Ok);
    }
}

void MDIMonitor::autoSaveRecovered(int64_t droppedBytes) {
    stBarMonitor_->setPanelText(
        kAutoSavePanel,
        droppedBytes > 0 ? qs("自動保存 " + std::to_string(droppedBytes) + "ﾊﾞｲﾄ消失") : QString());
}
