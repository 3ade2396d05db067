#include "app/AnalysisCommand.h"

#include <QScreen>

#include "app/FileCommands.h"
#include "app/MDIMonitor.h"
#include "app/ProtocolChoice.h"
#include "app/WindowFit.h"
#include "app/frmAnalysis.h"

namespace {

// A window that opens beside or below the main window where the screen has room, so that the
// grid its double clicks move stays in view; otherwise where the window system puts it, on top,
// no larger than the screen.
void placeBesideMain(QWidget& window, const MDIMonitor& main) {
    if (window.isVisible() || main.screen() == nullptr) {
        return;
    }
    const QRect area = main.screen()->availableGeometry();
    const std::optional<QRect> placed = placeBeside(main.frameGeometry(), window.size(),
                                                    window.minimumSizeHint(), kAssumedFrame, area);
    if (placed) {
        window.resize(placed->size().shrunkBy(kAssumedFrame));
        window.move(placed->topLeft());
    } else {
        window.resize(fittedSize(window.size(), kAssumedFrame, area));
    }
}

}  // namespace

frmAnalysis* mn_Tool_Analysis_Click(MDIMonitor& window) {
    auto* analysis = window.findChild<frmAnalysis*>("frmAnalysis", Qt::FindDirectChildrenOnly);
    if (analysis == nullptr) {
        analysis = new frmAnalysis(window.monitor(), &window);
    }
    analysis->setProtocols(readProtocolFile(window));
    std::string error;
    if (!analysis->load(window.files().captureInView(), error)) {
        if (!error.empty()) {  // empty: cancelled, and the window stays as it was
            window.context().prompts.message("通信ログファイルの読込みに失敗しました",
                                             "ファイル読込みの失敗", Prompts::Icon::Critical,
                                             Prompts::Buttons::Ok);
        }
        return analysis;
    }
    placeBesideMain(*analysis, window);
    analysis->show();
    analysis->raise();
    analysis->activateWindow();
    return analysis;
}
