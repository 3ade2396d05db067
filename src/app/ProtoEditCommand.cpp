#include "app/ProtoEditCommand.h"

#include <algorithm>

#include "app/FileCommands.h"
#include "app/MDIMonitor.h"
#include "app/dlgProtoEdit.h"
#include "files/LogFile.h"
#include "files/PcapExport.h"

namespace {

// The first records of the capture in view, at most dlgProtoEdit::kPreviewBytes. An opened
// file that can no longer be read gives none.
PreviewRecords previewRecords(MDIMonitor& window) {
    PreviewRecords r;
    if (window.files().fileInView()) {
        const CaptureInView view = window.files().captureInView();
        LogReader reader(dlgProtoEdit::kPreviewBytes);
        std::string error;
        if (view.file && reader.open(*view.file, error)) {
            r.line = lineTimingOf(reader.header());
            r.total = reader.DataLength();
            const bool read = reader.read(
                [&r](const uint8_t* bytes, size_t len) {
                    r.records.assign(bytes, bytes + len);
                    return LogReader::kStop;
                },
                error);
            if (!read) {
                r.records.clear();
            }
        }
        return r;
    }
    const CoreState& core = window.context().core;
    const Capture& c = core.capture;
    r.line = lineTimingOf(headerOf(core.settings));
    r.total = static_cast<uint64_t>(c.glngDatLen());
    const size_t n = std::min(static_cast<size_t>(c.glngDatLen()), dlgProtoEdit::kPreviewBytes);
    r.records.assign(c.gbyteDat().begin(), c.gbyteDat().begin() + static_cast<ptrdiff_t>(n));
    return r;
}

}  // namespace

dlgProtoEdit* mn_Tool_ProtoEdit_Click(MDIMonitor& window) {
    auto* dialog = window.findChild<dlgProtoEdit*>("dlgProtoEdit", Qt::FindDirectChildrenOnly);
    if (dialog == nullptr) {
        dialog =
            new dlgProtoEdit(window.context().prompts, window.context().programFolder, &window);
    }
    dialog->showDialog(previewRecords(window));
    return dialog;
}
