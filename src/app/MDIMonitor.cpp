#include "app/MDIMonitor.h"
#include "app/QString8.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDir>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include "app/AnalysisCommand.h"
#include "app/CaptureMemory.h"
#include "app/FileCommands.h"
#include "app/PanelBar.h"
#include "app/ProtoEditCommand.h"
#include "app/ProtocolChoice.h"
#include "app/Twips.h"
#include "app/WindowFit.h"
#include "app/dlgTrigger.h"
#include "app/frmFrames.h"
#include "app/frmLineSearch.h"
#include "files/ParamIni.h"
#include "files/ProgramFolder.h"
#include "link/CommParam.h"
#include "link/frmComm.h"
#include "trigger/TrigIni.h"
#include "view/MonitorSearch.h"
#include "view/dlgSearch.h"
#include "view/frmMonitor.h"

MDIMonitor::MDIMonitor(AppContext& ctx, QWidget* parent)
    : QMainWindow(parent),
      ctx_(ctx),
      controller_(ctx.core.run, ctx.clock, *this, RunController::AfterStop::Drop) {
    setObjectName("MDIMonitor");
    setWindowTitle(kTitleStopped);
    Settings& s = ctx_.core.settings;

    // Start-up, in order. The single-instance check ran before the window was made.
    ReadParamIni(s, ctx_.programFolder);
    s.glngBufSize = bufSizeInRange(s.glngBufSize);
    std::error_code ec;
    std::filesystem::create_directory(nativePath(s.gstrSaveDir), ec);  // a failure is ignored
    ReadTrigIni(ctx_.triggers, ctx_.programFolder);
    allocCapture(ctx_.core.capture, s.glngBufSize, ctx_.prompts);

    menus_ = std::make_unique<MainMenus>(*this);
    buildStatusBars();
    connectMenus();
    waitGroup_ = new QActionGroup(this);
    waitGroup_->setExclusionPolicy(QActionGroup::ExclusionPolicy::None);
    for (const char* name :
         {"mn_Run_Start", "mn_Run_Restart", "mn_Run_Back", "mn_Tool_Protocol", "mn_Tool_Sim"}) {
        waitGroup_->addAction(menus_->item(name));
    }
    stopGroup_ = new QActionGroup(this);
    stopGroup_->setExclusionPolicy(QActionGroup::ExclusionPolicy::None);
    stopGroup_->addAction(menus_->item("mn_Run_Stop"));
    MenuEnable();

    lintLoaded_ = false;
    resize(heldSize());
    if (s.gintWinState == 2) {
        setWindowState(Qt::WindowMaximized);
    }

    mdi_ = new QMdiArea(this);
    mdi_->setObjectName("MDIArea");
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(mdi_, 1);
    layout->addWidget(stBarLineState_);
    setCentralWidget(central);

    frmMonitor_ = new frmMonitor(ctx_.core.monitor(), ctx_.clock, *this, ctx_.trigEngine);
    // The monitor window lives until the program ends: it has no close button, and a close
    // request (its system menu, Ctrl+F4) is refused. Minimise and maximise stay.
    monitorWindow_ = mdi_->addSubWindow(
        frmMonitor_, Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint);
    monitorWindow_->installEventFilter(this);
    monitorWindow_->showMaximized();
    search_ = std::make_unique<MonitorSearch>(ctx_.core.run, ctx_.core.capture, *frmMonitor_, *this,
                                              ctx_.prompts, this);
    frmFrames_ = new frmFrames(
        ctx_.core, ctx_.clock, *frmMonitor_, [this] { return files_->captureInView(); }, this);
    dockFrames_ = new QDockWidget("フレーム一覧", this);
    dockFrames_->setObjectName("dockFrames");
    dockFrames_->setFeatures(QDockWidget::NoDockWidgetFeatures);
    dockFrames_->setWidget(frmFrames_);
    addDockWidget(Qt::BottomDockWidgetArea, dockFrames_);
    dockFrames_->hide();
    // What the decoder sees goes straight to the live view, the monitor window's idle and
    // time-stamp timers, the run control, the lamps, the triggers and the frame list.
    frmComm_ = std::make_unique<frmComm>(
        LinkState{ctx_.core.settings, ctx_.core.run, ctx_.core.capture}, ctx_.clock, ctx_.ports,
        ctx_.programFolder, *this, [this] { ctx_.trigEngine.TrigCheckTime(); },
        DecoderObservers{&frmMonitor_->live(), frmMonitor_, &controller_, &listener_,
                         &ctx_.trigEngine, frmFrames_});
    controller_.attach(frmComm_->comm());
    // A frame shows what has arrived up to it: a port that reads a busy line only every few
    // milliseconds reads once more just before.
    connect(&frmMonitor_->surface(), &CellSurface::frameDue, this,
            [this] { frmComm_->port().readNow(); });
    files_ = std::make_unique<FileCommands>(ctx_, *this);
    ctx_.autoSave.setReport(this);

    MenuCheck();
    lintLoaded_ = true;
}

MDIMonitor::~MDIMonitor() {
    ctx_.autoSave.setReport(nullptr);
}

void MDIMonitor::buildStatusBars() {
    stBarMonitor_ = new PanelBar("StBarMonitor",
                                 {{1440, "ﾓﾆﾀ停止中", ""},
                                  {1440, "", "通信ﾊﾟﾗﾒｰﾀ"},
                                  {1000, "ASCII", "表示ﾓｰﾄﾞ"},
                                  {1600, "", "ｱｲﾄﾞﾙ時間単位"},
                                  {1500, "", "ﾀｲﾑｽﾀﾝﾌﾟ有無"},
                                  {1500, "1行", "表示先頭行"},
                                  {3200, "", "検索文字列"},
                                  {1440, "", ""}},
                                 this);
    stBarMonitor_->setPanelPicture(8, QPixmap(picturePath("green.bmp")));
    setStatusBar(stBarMonitor_);
    connect(stBarMonitor_, &PanelBar::panelClick, this, &MDIMonitor::StBarMonitor_PanelClick);

    stBarLineState_ = new PanelBar("StBarLineState",
                                   {{200, "", ""},
                                    {900, "RS", "送信要求"},
                                    {900, "CS", "送信可"},
                                    {900, "ER", "データ端末レディ"},
                                    {900, "DR", "データ・セット・レディ"},
                                    {900, "CD", "データ・チャネル受信キャリア検出"},
                                    {900, "CI", "被呼表示"}},
                                   this);
    for (int line = 0; line < 6; ++line) {
        setLineLamp(line, false);
    }
}

void MDIMonitor::connectMenus() {
    auto on = [this](const char* name, auto handler) {
        connect(menus_->item(name), &QAction::triggered, this, handler);
    };
    on("mn_File_Exit", [this] { close(); });
    on("mn_File_AutoSave", [this] { mn_File_AutoSave_Click(); });
    on("mn_File_Open", [this] { files_->mn_File_Open_Click(); });
    on("mn_File_Save", [this] { files_->mn_File_Save_Click(); });
    on("mn_File_Text", [this] { files_->mn_File_Text_Click(); });
    on("mn_File_Pcap", [this] { files_->mn_File_Pcap_Click(); });
    on("mn_Tool_Option", [this] { mn_Tool_Option_Click(); });
    on("mn_Help_Guide", [this] { mn_Help_Guide_Click(); });
    on("mn_Help_Version", [this] { mn_Help_Version_Click(); });
    on("mn_File_Print", [this] { mn_File_Print_Click(); });
    on("mn_Run_Start", [this] { RunStart(); });
    on("mn_Run_Stop", [this] { RunStop(); });
    on("mn_Run_Restart", [this] { mn_Run_Restart_Click(); });
    on("mn_Run_Back", [this] { mn_Run_Back_Click(); });
    on("mn_Tool_Protocol", [this] { mn_Tool_Protocol_Click(false); });
    on("mn_Tool_Trig", [this] { mn_Tool_Trig_Click(); });
    on("mn_Tool_Sim", [this] { mn_Tool_Sim_Click(); });
    on("mn_Tool_Analysis", [this] { mn_Tool_Analysis_Click(*this); });
    on("mn_Tool_ProtoEdit", [this] { mn_Tool_ProtoEdit_Click(*this); });
    on("mn_Tool_LineSearch", [this] { mn_Tool_LineSearch_Click(*this); });
    on("mn_Tool_Counter", [this] { mn_Tool_Counter_Click(); });
    on("mn_Search_Search", [this] { search_->mn_Search_Search_Click(); });
    on("mn_Search_Up", [this] { search_->mn_Search_Up_Click(); });
    on("mn_Search_Down", [this] { search_->mn_Search_Down_Click(); });
    on("mn_Search_Time", [this] { search_->mn_Search_Time_Click(); });
    on("mn_View_Time", [this] { mn_View_Time_Click(); });
    on("mn_View_Line", [this] { mn_View_Line_Click(); });
    on("mn_View_Frames", [this] { mn_View_Frames_Click(); });
    on("mn_View_Jump", [this] { frmMonitor_->mn_View_Jump_Click(); });
    on("mn_View_SJump", [this] { frmMonitor_->mn_View_SJump_Click(); });
    on("mn_View_EJump", [this] { frmMonitor_->mn_View_EJump_Click(); });
    on("mn_View_Scroll", [this] { frmMonitor_->mn_View_Scroll_Click(); });
    for (int i = 0; i < 3; ++i) {
        connect(menus_->mn_View_Mode[i], &QAction::triggered, this,
                [this, i] { mn_View_Mode_Click(i); });
        connect(menus_->mn_View_Font_Size[i], &QAction::triggered, this,
                [this, i] { mn_View_Font_Size_Click(i); });
    }
    for (int i = 0; i < 4; ++i) {
        connect(menus_->mn_View_Idle_Scale[i], &QAction::triggered, this,
                [this, i] { mn_View_Idle_Scale_Click(i); });
    }
}

void MDIMonitor::mn_Tool_Trig_Click() {
    if (dlgTrigger_ == nullptr) {
        dlgTrigger_ = new dlgTrigger(
            ctx_.triggers, ctx_.core.run, ctx_.prompts, ctx_.programFolder,
            [this] { return ctx_.autoSave.chosen(); }, this);
    }
    dlgTrigger_->showDialog();
}

// ---- menu and status bar state ----

void MDIMonitor::MenuEnable() {
    const bool stopped = ctx_.core.run.gintRun == 0;
    for (const char* name :
         {"mn_File_Open",     "mn_File_AutoSave", "mn_File_Save",     "mn_File_Text",
          "mn_File_Pcap",     "mn_File_Print",    "mn_Search_Search", "mn_Search_Up",
          "mn_Search_Down",   "mn_Search_Time",   "mn_View_Idle",     "mn_View_Time",
          "mn_View_Line",     "mn_View_Jump",     "mn_View_SJump",    "mn_View_EJump",
          "mn_View_Font",     "mn_View_Scroll",   "mn_Run_Start",     "mn_Run_Restart",
          "mn_Tool_Protocol", "mn_Tool_Option",   "mn_Tool_Analysis", "mn_Tool_LineSearch"}) {
        menus_->item(name)->setEnabled(stopped);
    }
    menus_->item("mn_Run_Stop")->setEnabled(!stopped);
    menus_->item("mn_Run_Back")->setEnabled(!stopped);
}

void MDIMonitor::MenuCheck() {
    const Settings& s = ctx_.core.settings;
    showDispMode();
    showIdleScale();
    if (s.gintIdleMode == 1 || s.gintIdleMode == 10 || s.gintIdleMode == 100) {
        frmMonitor_->setIdleScale(s.gintIdleMode);
        ctx_.core.run.gsngIdleStart = ctx_.clock.timer();
    }
    showTimeStamp();
    frmMonitor_->setStampTimer(s.gintTimeStamp == 1);
    showFontSize();
    menus_->item("mn_View_Line")->setChecked(s.gintLineState == 1);
    stBarLineState_->setVisible(s.gintLineState == 1);
    showFrameList();
    stBarMonitor_->setPanelText(2, qs(commParamText(s)));
}

void MDIMonitor::showDispMode() {
    const int16_t mode = ctx_.core.settings.gintDispMode;
    for (int i = 0; i < 3; ++i) {
        menus_->mn_View_Mode[i]->setChecked(i == mode);
    }
    stBarMonitor_->setPanelText(MonitorStatus::kModePanel, PanelText::mode(mode));
}

void MDIMonitor::showIdleScale() {
    const int16_t mode = ctx_.core.settings.gintIdleMode;
    const int16_t modes[] = {0, 1, 10, 100};
    for (int i = 0; i < 4; ++i) {
        menus_->mn_View_Idle_Scale[i]->setChecked(mode == modes[i]);
    }
    stBarMonitor_->setPanelText(MonitorStatus::kIdlePanel, PanelText::idleScale(mode));
}

void MDIMonitor::showFontSize() {
    for (int i = 0; i < 3; ++i) {
        menus_->mn_View_Font_Size[i]->setChecked(i == ctx_.core.settings.gintFontSize);
    }
}

void MDIMonitor::showTimeStamp() {
    const bool on = ctx_.core.settings.gintTimeStamp == 1;
    menus_->item("mn_View_Time")->setChecked(on);
    stBarMonitor_->setPanelText(MonitorStatus::kStampPanel, PanelText::stamp(on ? 1 : 0));
}

void MDIMonitor::StBarMonitor_PanelClick(int panel) {
    const RunState& run = ctx_.core.run;
    const bool stopped = run.gintRun == 0;
    const bool browsing = stopped || run.gintRireki == 1;
    switch (panel) {
        case 2:
            if (stopped) {
                mn_Tool_Protocol_Click(true);
            }
            break;
        case 3:
            mn_View_Mode_Click(ctx_.core.settings.gintDispMode != 0 ? 0 : 1);
            break;
        case 4:
            if (stopped) {
                QWidget* p = stBarMonitor_->panel(4);
                menus_->idleMenu()->popup(p->mapToGlobal(QPoint(0, 0)));
            }
            break;
        case 5:
            if (stopped) {
                mn_View_Time_Click();
            }
            break;
        case 6:
            if (browsing) {
                placeAbovePanel(frmMonitor_->mn_View_Jump_Click(), 5500);
            }
            break;
        case 7:
            if (browsing) {
                placeAbovePanel(search_->mn_Search_Search_Click(), 7500);
            }
            break;
        default:
            break;
    }
}

void MDIMonitor::placeAbovePanel(QWidget* dialog, int leftTwips) {
    if (dialog == nullptr) {
        return;
    }
    const QRect frame = frameGeometry();
    const int top =
        frame.top() + frame.height() - dialog->frameGeometry().height() - twipsToPixelsY(this, 500);
    dialog->move(frame.left() + twipsToPixelsX(this, leftTwips), top);
}

QString MDIMonitor::picturePath(const char* name) const {
    // The program folder's own picture wins; a folder given by --home or the per-user folder
    // of an installed copy may have none, and then the shipped one is used.
    return qs(programDataFile(ctx_.programFolder,
                              QCoreApplication::applicationDirPath().toStdString(), name));
}

void MDIMonitor::showPanelText(int panel, const QString& text) {
    stBarMonitor_->setPanelText(panel, text);
}

void MDIMonitor::showCommParam(const std::string& text) {
    stBarMonitor_->setPanelText(2, qs(text));
}

void MDIMonitor::setLineLamp(int line, bool on) {
    // The picture is read from the program folder each time; a missing file keeps the old one.
    const QPixmap picture(picturePath(on ? "green.bmp" : "gray.bmp"));
    if (!picture.isNull()) {
        stBarLineState_->setPanelPicture(line + 2, picture);
    }
}

// ---- view menu ----
// The menu toggles a checkable item by itself, also the one already in force; the check
// marks are set again from the settings after every choice.

void MDIMonitor::mn_View_Mode_Click(int index) {
    frmMonitor_->mn_View_Mode_Click(index);
    showDispMode();
}

void MDIMonitor::mn_View_Idle_Scale_Click(int index) {
    frmMonitor_->mn_View_Idle_Scale_Click(index);
    showIdleScale();
}

void MDIMonitor::mn_View_Time_Click() {
    frmMonitor_->mn_View_Time_Click();
    showTimeStamp();
}

void MDIMonitor::mn_View_Line_Click() {
    Settings& s = ctx_.core.settings;
    s.gintLineState = s.gintLineState == 1 ? 0 : 1;
    menus_->item("mn_View_Line")->setChecked(s.gintLineState == 1);
    stBarLineState_->setVisible(s.gintLineState == 1);
}

void MDIMonitor::mn_View_Frames_Click() {
    Settings& s = ctx_.core.settings;
    s.gintFrameList = s.gintFrameList == 1 ? 0 : 1;
    showFrameList();
}

void MDIMonitor::showFrameList() {
    const bool shown = ctx_.core.settings.gintFrameList == 1;
    menus_->item("mn_View_Frames")->setChecked(shown);
    if (shown == !dockFrames_->isHidden()) {
        return;
    }
    if (shown) {
        frmFrames_->setProtocols(readProtocolFile(*this));
    }
    dockFrames_->setVisible(shown);
    frmFrames_->setActive(shown);
}

void MDIMonitor::mn_View_Font_Size_Click(int index) {
    frmMonitor_->mn_View_Font_Size_Click(index);
    showFontSize();
}

// ---- window size and state ----

void MDIMonitor::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    MDIForm_Resize();
}

void MDIMonitor::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        MDIForm_Resize();
    }
}

void MDIMonitor::MDIForm_Resize() {
    if (!lintLoaded_) {
        return;
    }
    Settings& s = ctx_.core.settings;
    const RunState& run = ctx_.core.run;
    if (s.gintResizeMode != 0 || run.gintRun == 0 || run.gintRireki == 1) {
        const Qt::WindowStates st = windowState();
        s.gintWinState = st & Qt::WindowMinimized ? 1 : (st & Qt::WindowMaximized ? 2 : 0);
        // A side that still has its stored size in pixels (fitted to the screen) keeps its
        // stored twips, so that neither rounding nor the fit changes the settings when nobody
        // resized the window.
        const QSize held = heldSize();
        if (s.gintWinState == 0 && height() != held.height()) {
            s.glngWinHeight = pixelsToTwipsY(this, height());
        }
        if (s.gintWinState == 0 && width() != held.width()) {
            s.glngWinWidth = pixelsToTwipsX(this, width());
        }
        return;
    }
    // A live run holds the window; the change is undone once the event has been handled.
    if (!holdPending_ && !(windowState() & Qt::WindowMinimized)) {
        holdPending_ = true;
        QTimer::singleShot(0, this, &MDIMonitor::applyHeldGeometry);
    }
}

void MDIMonitor::applyHeldGeometry() {
    holdPending_ = false;
    const Settings& s = ctx_.core.settings;
    if (windowState() & Qt::WindowMinimized) {
        return;
    }
    if (s.gintWinState == 2) {
        if (!(windowState() & Qt::WindowMaximized)) {
            setWindowState(Qt::WindowMaximized);
        }
        return;
    }
    if (windowState() & Qt::WindowMaximized) {
        setWindowState(Qt::WindowNoState);
    }
    const QSize held = heldSize();
    if (size() != held) {
        resize(held);
    }
}

QSize MDIMonitor::heldSize() const {
    const Settings& s = ctx_.core.settings;
    const QSize stored(twipsToPixelsX(this, s.glngWinWidth), twipsToPixelsY(this, s.glngWinHeight));
    const QScreen* on = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
    if (on == nullptr) {
        return stored;
    }
    // Always the assumed frame, so that the same stored value gives the same size before and
    // after the window is shown.
    return fittedSize(stored, kAssumedFrame, on->availableGeometry());
}

// ---- closing ----

bool MDIMonitor::eventFilter(QObject* watched, QEvent* event) {
    if (watched == monitorWindow_ && event->type() == QEvent::Close && !shutdownDone_) {
        event->ignore();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MDIMonitor::closeEvent(QCloseEvent* event) {
    if (shutdownDone_) {
        event->accept();
        return;
    }
    if (unloading_) {
        event->ignore();  // the shutdown is already under way below us
        return;
    }
    if (!closeConfirmed_) {
        if (ctx_.prompts.message("Vexloを終了しますか？", "Vexloの終了", Prompts::Icon::Question,
                                 Prompts::Buttons::YesNo) != Prompts::Answer::Yes) {
            event->ignore();
            return;
        }
        closeConfirmed_ = true;
    }
    if (frmComm_->waiting()) {
        // A wait for the unit is on the stack: end it, and close once it has unwound.
        frmComm_->setClosing();
        event->ignore();
        QTimer::singleShot(0, this, &QWidget::close);
        return;
    }
    MDIForm_Unload();
    event->accept();
}

void MDIMonitor::shutdownAtExit() {
    if (shutdownDone_ || unloading_) {
        return;
    }
    quiet_ = true;
    frmComm_->setClosing();  // no event is handled any more: every wait ends at once
    MDIForm_Unload();
}

void MDIMonitor::shutdownNow() {
    closeConfirmed_ = true;
    quiet_ = true;
    // A message box or dialog waiting for the user keeps its own event loop on the stack:
    // dismiss it, and end once that loop has returned.
    if (auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
        modal->reject();
        QTimer::singleShot(0, this, &QWidget::close);
        return;
    }
    close();
}

void MDIMonitor::MDIForm_Unload() {
    unloading_ = true;
    controller_.shutdown();
    AutoSaveFlush();
    reportAutoSaveLoss();
    WriteTrigIni(ctx_.triggers, ctx_.programFolder);
    WriteParamIni(ctx_.core.settings, ctx_.programFolder);
    frmComm_->comm().PortClose();
    shutdownDone_ = true;
}
