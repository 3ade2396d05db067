#pragma once
#include <QMainWindow>
#include <QPointer>
#include <memory>

#include "app/AppContext.h"
#include "app/MainMenus.h"
#include "base/DecoderObserver.h"
#include "link/LinkSeams.h"
#include "run/RunController.h"
#include "view/MonitorStatus.h"

class QActionGroup;
class QDockWidget;
class frmFrames;
class QMdiArea;
class QMdiSubWindow;
class PanelBar;
class dlgProtocol;
class FileCommands;
class dlgPrint;
class dlgTrigger;
class dlgOption;
class frmAbout;
class frmGuide;
class frmComm;
class frmMonitor;
class MonitorSearch;

// The main frame window MDIMonitor: menus, the status bars StBarMonitor and StBarLineState,
// start-up and shutdown, and run control.
class MDIMonitor : public QMainWindow,
                   public RunHost,
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
    void RunStop();
    void MenuEnable();
    void MenuCheck();
    void AutoSaveFlush();
    void setLineLamp(int line, bool on);

    void showPanelText(int panel, const QString& text) override;

    // Auto-save: the menu command, and the report of block files that cannot be written
    // (panel 8 names the failure while it lasts; one message per failure streak).
    void mn_File_AutoSave_Click();
    void autoSaveFailed(const std::string& name, int error) override;
    void autoSaveRecovered(int64_t droppedBytes) override;
    static constexpr int kAutoSavePanel = 8;
    void showCommParam(const std::string& text) override;

    void StBarMonitor_PanelClick(int panel);
    // Sends the line settings to the unit as the communication parameter dialog's OK does
    // (probe first; a missing unit is reported). True when the unit took them.
    bool SendSettings() { return controller_.applySettings(); }

    // Ends the program without the question (SIGTERM, SIGINT, SIGHUP, logout): the same
    // shutdown as an answered close, except that nothing waits on a message box; what could
    // not be saved is said on standard error.
    void shutdownNow();
    // The process is ending without the event loop (the display connection broke): the unit is
    // stopped, the partial auto-save block and the settings are written, nothing waits.
    void shutdownAtExit();

    [[nodiscard]] MainMenus& menus() { return *menus_; }
    [[nodiscard]] PanelBar& StBarMonitor() { return *stBarMonitor_; }
    [[nodiscard]] PanelBar& StBarLineState() { return *stBarLineState_; }
    [[nodiscard]] frmComm& link() { return *frmComm_; }
    [[nodiscard]] frmMonitor& monitor() { return *frmMonitor_; }
    [[nodiscard]] FileCommands& files() { return *files_; }
    [[nodiscard]] MonitorSearch& search() { return *search_; }
    [[nodiscard]] frmFrames& frameList() { return *frmFrames_; }
    [[nodiscard]] AppContext& context() { return ctx_; }
    [[nodiscard]] bool shutdownDone() const { return shutdownDone_; }
    [[nodiscard]] const RunControlState& runControl() const { return controller_.state(); }

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
    // The stored window size in pixels, fitted inside the screen's available area; the stored
    // value itself stays until the user changes the size.
    [[nodiscard]] QSize heldSize() const;
    // After the last auto-save flush of a shutdown: blocks still kept are lost; says so.
    void reportAutoSaveLoss();

    void mn_Run_Restart_Click();
    void mn_Run_Back_Click();
    void mn_Tool_Sim_Click();
    void mn_Tool_Counter_Click();
    void mn_Tool_Protocol_Click(bool abovePanel);
    void mn_File_Print_Click();
    void mn_Tool_Trig_Click();
    void mn_Tool_Option_Click();
    void mn_Help_Version_Click();
    void mn_Help_Guide_Click();
    void mn_View_Mode_Click(int index);
    void mn_View_Idle_Scale_Click(int index);
    void mn_View_Time_Click();
    void mn_View_Line_Click();
    // "フレーム一覧(&F)": shows or hides the frame list below the grid (gintFrameList).
    void mn_View_Frames_Click();
    void showFrameList();
    void mn_View_Font_Size_Click(int index);

    void showDispMode();
    void showIdleScale();
    void showFontSize();
    void showTimeStamp();
    void setSearchAndJumpEnabled(bool enabled);
    void placeAbovePanel(QWidget* dialog, int leftTwips);
    [[nodiscard]] QString picturePath(const char* name) const;

    // RunHost: the run sequence's steps as menus, captions and messages.
    void startBegins() override;
    void notConnected(const PortReport& report) override;
    bool confirmStart() override;
    void sendingSettings() override;
    void startAbandoned() override;
    void prepareRun() override;
    void accepted() override;
    void refused() override;
    void stopped(StopCause cause) override;
    void unitLost() override;
    void waitChanged() override;
    [[nodiscard]] QString StartConfirmText() const;
    [[nodiscard]] QString AutoSaveWarnText() const;

    AppContext& ctx_;
    std::unique_ptr<MainMenus> menus_;
    PanelBar* stBarMonitor_ = nullptr;
    PanelBar* stBarLineState_ = nullptr;
    QMdiArea* mdi_ = nullptr;
    QMdiSubWindow* monitorWindow_ = nullptr;
    frmMonitor* frmMonitor_ = nullptr;
    QDockWidget* dockFrames_ = nullptr;
    frmFrames* frmFrames_ = nullptr;
    std::unique_ptr<frmComm> frmComm_;
    std::unique_ptr<FileCommands> files_;
    std::unique_ptr<MonitorSearch> search_;
    QPointer<dlgProtocol> dlgProtocol_;
    QPointer<dlgPrint> dlgPrint_;
    QPointer<dlgTrigger> dlgTrigger_;
    QPointer<dlgOption> dlgOption_;
    QPointer<frmAbout> frmAbout_;
    QPointer<frmGuide> frmGuide_;
    RunController controller_;
    // What the decoder tells the main window: the line lamps and a trigger's save stop.
    class DecoderListener final : public DecoderObserver {
      public:
        explicit DecoderListener(MDIMonitor& window) : window_(window) {}
        void setLineLamp(int line, bool on) override { window_.setLineLamp(line, on); }
        void AutoSaveFlush() override { window_.AutoSaveFlush(); }

      private:
        MDIMonitor& window_;
    };
    DecoderListener listener_{*this};
    // The run commands a wait for the unit ignores: all of them, and the stop apart (a start's
    // settings may be stopped).
    QActionGroup* waitGroup_ = nullptr;
    QActionGroup* stopGroup_ = nullptr;
    bool lintLoaded_ = false;
    bool closeConfirmed_ = false;
    bool unloading_ = false;
    bool shutdownDone_ = false;
    bool holdPending_ = false;
    bool quiet_ = false;            // a shutdown without the user: no message box
    std::string autoSaveFailName_;  // the last auto-save failure
    int autoSaveFailError_ = 0;
};
