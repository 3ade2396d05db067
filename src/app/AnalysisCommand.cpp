#include "app/AnalysisCommand.h"

#include <filesystem>

#include "analysis/Protocol.h"
#include "app/FileCommands.h"
#include "app/MDIMonitor.h"
#include "app/frmAnalysis.h"

frmAnalysis* mn_Tool_Analysis_Click(MDIMonitor& window) {
    auto* analysis = window.findChild<frmAnalysis*>("frmAnalysis", Qt::FindDirectChildrenOnly);
    if (analysis == nullptr) {
        CoreState& core = window.context().core;
        analysis = new frmAnalysis(core.run, core.capture, window.monitor(), &window);
    }
    // VXProto.ini is read at each opening, so that a definition changed meanwhile counts.
    proto::ProtocolFile protocols = proto::loadProtocols(
        (std::filesystem::path(window.context().programFolder) / "VXProto.ini").string(), true);
    if (!protocols.error.empty()) {
        window.context().prompts.message("VXProto.ini: " + protocols.error, "プロトコル定義の誤り",
                                         Prompts::Icon::Exclamation, Prompts::Buttons::Ok);
    }
    analysis->setProtocols(std::move(protocols));
    std::string error;
    if (!analysis->load(window.files().captureInView(), error)) {
        if (!error.empty()) {  // empty: cancelled, and the window stays as it was
            window.context().prompts.message("通信ログファイルの読込みに失敗しました",
                                             "ファイル読込みの失敗", Prompts::Icon::Critical,
                                             Prompts::Buttons::Ok);
        }
        return analysis;
    }
    analysis->show();
    analysis->raise();
    analysis->activateWindow();
    return analysis;
}
