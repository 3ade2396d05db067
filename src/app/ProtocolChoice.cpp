#include "app/ProtocolChoice.h"

#include <QComboBox>
#include <QSignalBlocker>
#include <filesystem>

#include "analysis/FrameSummary.h"
#include "app/MDIMonitor.h"
#include "app/QString8.h"

void fillProtocolChoice(QComboBox& box, const proto::ProtocolFile& file) {
    const QSignalBlocker blocker(box);
    const QString chosen = box.currentText();
    box.clear();
    for (const std::string& name : proto::builtinNames()) {
        box.addItem(QString::fromStdString(name));
    }
    for (const proto::Protocol& p : file.protocols) {
        box.addItem(QString::fromStdString(p.name));
    }
    const int at = box.findText(chosen);
    box.setCurrentIndex(at < 0 ? 0 : at);
}

proto::ProtocolFile readProtocolFile(MDIMonitor& window) {
    proto::ProtocolFile protocols = proto::loadProtocols(
        (std::filesystem::path(window.context().programFolder) / "VXProto.ini").string(), true);
    if (!protocols.error.empty()) {
        window.context().prompts.message("VXProto.ini: " + protocols.error, "プロトコル定義の誤り",
                                         Prompts::Icon::Exclamation, Prompts::Buttons::Ok);
    }
    return protocols;
}

QString modbusKindText(modbus::Kind kind) {
    switch (kind) {
        case modbus::Kind::Request:
            return "要求";
        case modbus::Kind::Reply:
            return "応答";
        case modbus::Kind::Exception:
            return "例外";
        case modbus::Kind::Noise:
            return "ノイズ";
    }
    return {};
}

QString frameTimeText(const Frame& f) {
    return qs(secondsText(f.startMicros));
}

QString frameSizeText(const Frame& f) {
    return f.errors > 0 ? QString("%1 (誤り %2)").arg(f.bytes).arg(f.errors)
                        : QString::number(f.bytes);
}

QString frameDataText(const Frame& f, std::span<const uint8_t> shown) {
    const QString text = qs(hexText(shown));
    return static_cast<size_t>(f.bytes) > shown.size() ? text + " …" : text;
}
