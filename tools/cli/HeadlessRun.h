#pragma once
#include <QEventLoop>
#include <QSocketNotifier>
#include <optional>
#include <string>
#include <string_view>

#include "base/DecoderObserver.h"
#include "base/RunState.h"
#include "base/Settings.h"
#include "capture/Capture.h"
#include "link/QtGapTimers.h"
#include "link/QtPortFactory.h"
#include "link/frmComm.h"
#include "run/RunController.h"

// SIGINT, SIGTERM and SIGHUP end a headless run with the unit stopped. They are caught from the
// start of the command, before the first command goes to the unit, and reach the run's event
// loop through a pipe.
void CatchSignals();

// One run of the unit without a display, shared by the headless commands: the run controller
// on the program's link, the decoder's calls without a view, the idle and time-stamp timers and
// the signals that end the run. Every stored record passes the auto-save block on its way to
// the command, which gets them whole in Records after each batch from the unit and at the end.
class HeadlessRun : public RunHost,
                    public DecoderObserver,
                    public CommParamView,
                    public AutoSaveSink {
  public:
    // Needs a QCoreApplication and CatchSignals before it.
    HeadlessRun(const Settings& settings, std::string programFolder);

    // Finds the unit, sends the line settings and starts it. Nothing when it runs; otherwise
    // the exit status after one line on standard error, with the unit stopped and the port
    // closed. notWritten ends the message of a signal during the start ("OUT not written").
    [[nodiscard]] std::optional<int> begin(const std::string& notWritten);
    // The event loop of the run, until Quit, a signal or a lost unit.
    void RunLoop();
    void Quit() { loop_.quit(); }
    // Stops the unit and hands over every record it sends until it has acknowledged the stop;
    // closes the port.
    void end();

    [[nodiscard]] bool lost() const { return lost_; }
    // The signal that arrived (0: none).
    [[nodiscard]] int signalled() const { return signal_; }
    // Sends the line settings to the unit as the parameter dialog's OK does, and closes the
    // port. True when the unit took them.
    bool sendSettings();
    [[nodiscard]] std::string PortName() const;

    // The run sequence's steps.
    void prepareRun() override;
    void refused() override { refused_ = true; }
    void unitLost() override;

    // What the decoder tells besides the run: the idle and time-stamp timers, and the end of
    // each batch, after which the records go to the command. Nothing is drawn and no trigger is
    // defined.
    void showCommParam(const std::string&) override {}
    void setIdleTimer(bool on) override { gapTimers_.setIdleTimer(on); }
    void setStampTimer(bool on) override { gapTimers_.setStampTimer(on); }
    void batchDone() override { deliver(); }

    // A full block: its records are taken before it is emptied (see BlockFull).
    void AutoSaveBlock() final;

  protected:
    // Whole records in the order stored, as they arrive.
    virtual void Records(std::string_view records) = 0;
    // The full auto-save block, after its records were taken: by default simply emptied.
    virtual void BlockFull() { core_.capture.emptyAutoBlock(); }
    // The exit status of a run that signal sig ended before the capture began: by default an
    // error (one line on standard error).
    virtual int StoppedAtStart(int sig, const std::string& notWritten);

    struct {
        Settings settings;
        RunState run;
        Capture capture{run};
    } core_;
    SystemClock clock_;
    QtPortFactory ports_;
    const std::string programFolder_;

  private:
    void onSignal();
    // Takes the records stored since the last call; hands them over when whole.
    void take();
    void deliver();

    bool refused_ = false;  // the unit refused the start for the last time
    bool lost_ = false;
    int signal_ = 0;
    RunController controller_;
    frmComm link_;
    QSocketNotifier signals_;
    QEventLoop loop_;
    QtGapTimers gapTimers_;
    std::string pending_;  // taken, not yet handed over (a block may end inside a record)
    int32_t taken_ = 0;    // bytes of the auto-save block already taken
};
