#pragma once
#include <QMainWindow>
#include <QPointer>
#include <memory>

#include "app/AppContext.h"
#include "app/MainMenus.h"
#include "core/Callbacks.h"
#include "core/RunControlState.h"
#include "link/LinkSeams.h"
#include "view/MonitorStatus.h"

class QMdiArea;
class QMdiSubWindow;
class PanelBar;
class dlgProtocol;
class FileCommands;
class dlgPrint;
class dlgTrigger;
class dlgOption;
class frmAbout;
class frmComm;
class frmMonitor;
class MonitorSearch;

// The main frame window MDIMonitor: menus, the status bars StBarMonitor and StBarLineState,
// start-up and shutdown, and run control.
class MDIMonitor : public QMainWindow,
                   public RunControl,
                   public LineIndicators,
                   public MonitorStatus,
                   public CommParamView,
                   public AutoSaveReport {
    Q_OBJECT
  public:
    static constexpr const char* kTitleStopped = "Vexlo 【モニタ停止中】";
    static constexpr const char* kTitleRunning = "Vexlo 【モニタ実行中】";

    explicit MDIMonitor(AppContext& ctx, QWidget* parent = nullptr);
    ~MDIMonitor() override;

    // Run control. RunStart: kDone when the start command has been queued, else kFailed.
    int16_t RunStart();
    void RunStop() override;
    void StartAccepted() override;
    void StartRefused() override;
    void MenuEnable();
    void MenuCheck();
    void AutoSaveFlush() override;
    void SetLineLamp(int line, bool on) override;

    void ShowPanelText(int panel, const QString& text) override;

    // Auto-save: the menu command, and the report of block files that cannot be written
    // (panel 8 names the failure while it lasts; one message per failure streak).
    void mn_File_AutoSave_Click();
    void AutoSaveFailed(const std::string& name, int error) override;
    void AutoSaveRecovered(int64_t droppedBytes) override;
    static constexpr int kAutoSavePanel = 8;
    void ShowCommParam(const std::string& text) override;

    void StBarMonitor_PanelClick(int panel);

    // Ends the program without the question (SIGTERM, SIGINT, logout): the same shutdown as
    // an answered close.
    void shutdownNow();

    [[nodiscard]] MainMenus& menus() { return *menus_; }
    [[nodiscard]] PanelBar& StBarMonitor() { return *stBarMonitor_; }
    [[nodiscard]] PanelBar& StBarLineState() { return *stBarLineState_; }
    [[nodiscard]] frmComm& link() { return *frmComm_; }
    [[nodiscard]] frmMonitor& monitor() { return *frmMonitor_; }
    [[nodiscard]] FileCommands& files() { return *files_; }
    [[nodiscard]] MonitorSearch& search() { return *search_; }
    [[nodiscard]] AppContext& context() { return ctx_; }
    [[nodiscard]] bool shutdownDone() const { return shutdownDone_; }
    [[nodiscard]] const RunControlState& runControl() const { return runControl_; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void buildStatusBars();
    void connectMenus();
    void MDIForm_Unload();
    void MDIForm_Resize();
    void applyHeldGeometry();

    void mn_Run_Restart_Click();
    void mn_Run_Back_Click();
    void mn_Tool_Sim_Click();
    void mn_Tool_Counter_Click();
    void mn_Tool_Protocol_Click(bool abovePanel);
    void mn_File_Print_Click();
    void mn_Tool_Trig_Click();
    void mn_Tool_Option_Click();
    void mn_Help_Version_Click();
    void mn_View_Mode_Click(int index);
    void mn_View_Idle_Scale_Click(int index);
    void mn_View_Time_Click();
    void mn_View_Line_Click();
    void mn_View_Font_Size_Click(int index);

    void showDispMode();
    void showIdleScale();
    void showFontSize();
    void showTimeStamp();
    void setSearchAndJumpEnabled(bool enabled);
    void placeAbovePanel(QWidget* dialog, int leftTwips);
    void reportNotConnected();
    [[nodiscard]] QString picturePath(const char* name) const;
    // PortClose and PortOpen for a command the run control let go (after a queued stop has
    // reached the unit, when it says so); a missing unit is reported. True when found.
    [[nodiscard]] bool reopenPort(RunControlState::Verdict verdict);
    void closeViewDialogs();
    void onLinkLost();
    [[nodiscard]] QString StartConfirmText() const;
    [[nodiscard]] QString AutoSaveWarnText() const;

    AppContext& ctx_;
    std::unique_ptr<MainMenus> menus_;
    PanelBar* stBarMonitor_ = nullptr;
    PanelBar* stBarLineState_ = nullptr;
    QMdiArea* mdi_ = nullptr;
    QMdiSubWindow* monitorWindow_ = nullptr;
    frmMonitor* frmMonitor_ = nullptr;
    std::unique_ptr<frmComm> frmComm_;
    std::unique_ptr<FileCommands> files_;
    std::unique_ptr<MonitorSearch> search_;
    QPointer<dlgProtocol> dlgProtocol_;
    QPointer<dlgPrint> dlgPrint_;
    QPointer<dlgTrigger> dlgTrigger_;
    QPointer<dlgOption> dlgOption_;
    QPointer<frmAbout> frmAbout_;
    RunControlState runControl_;
    bool lintLoaded_ = false;
    bool closeConfirmed_ = false;
    bool unloading_ = false;
    bool shutdownDone_ = false;
    bool holdPending_ = false;
    bool lossReported_ = false;
};
