#pragma once
#include <QString>
#include <cstdint>

// The panels of the main status bar StBarMonitor that the monitor window writes. The main
// window implements it; panel numbers are the status bar's own (3 display mode, 4 idle scale,
// 5 time stamps, 6 line number, 7 search string).
class MonitorStatus {
  public:
    static constexpr int kModePanel = 3;
    static constexpr int kIdlePanel = 4;
    static constexpr int kStampPanel = 5;
    static constexpr int kLinePanel = 6;
    static constexpr int kSearchPanel = 7;

    virtual ~MonitorStatus() = default;
    virtual void showPanelText(int panel, const QString& text) = 0;
};

// Panel texts, also for the main window when it applies the loaded settings.
namespace PanelText {
// Panel 6: "57行", or "行ｵｰﾊﾞｰ" from line 100000 on.
[[nodiscard]] QString line(int64_t line);
// Panel 3 for gintDispMode: "ASCII", "16進", "ｼﾌﾄJIS".
[[nodiscard]] QString mode(int dispMode);
// Panel 4 for gintIdleMode: empty, "ｱｲﾄﾞﾙ(1s)", "ｱｲﾄﾞﾙ(100ms)", "ｱｲﾄﾞﾙ(10ms)".
[[nodiscard]] QString idleScale(int idleMode);
// Panel 5 for gintTimeStamp: "ﾀｲﾑｽﾀﾝﾌﾟ有" when on, else empty.
[[nodiscard]] QString stamp(int timeStamp);
}  // namespace PanelText
