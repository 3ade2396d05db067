#pragma once
#include <QString>
#include <map>
#include <string>

#include "view/MonitorStatus.h"

// The main status bar as the monitor window sees it: keeps the last text of every panel and
// counts the writes.
struct RecordingStatus final : MonitorStatus {
    void showPanelText(int panel, const QString& text) override {
        panels[panel] = text.toStdString();
        ++writes[panel];
    }
    std::map<int, std::string> panels;
    std::map<int, int> writes;
};
