#pragma once
#include <QProcess>
#include <QString>
#include <QStringList>

// A vexlo-unit process serving on a link at linkPath for the length of a test: started,
// watched through its trace, told what to put on the line through its control channel, and
// ended when this object goes, whatever the test's outcome.
class VirtualUnit {
  public:
    // Starts the unit with the extra arguments and waits until it reports ready.
    explicit VirtualUnit(const QString& linkPath, const QStringList& extra = {});
    ~VirtualUnit();
    VirtualUnit(const VirtualUnit&) = delete;
    VirtualUnit& operator=(const VirtualUnit&) = delete;

    // Runs the unit with these arguments alone until it ends by itself: its exit status, or
    // -1 when it did not end within a few seconds or was killed by a signal.
    [[nodiscard]] static int exitCodeOf(const QStringList& args);

    // True once the unit's first line was "ready " and the link path (and a note of the
    // folders it made, if any).
    [[nodiscard]] bool ready() const { return ready_; }
    // The unit's first line, without its line end.
    [[nodiscard]] const QByteArray& firstLine() const { return firstLine_; }
    // What the unit wrote on its error output so far, for failure messages.
    [[nodiscard]] QString errors();
    // The lines the unit printed after "ready" so far: with --trace, each command it took
    // and its reply ("G01 OK").
    [[nodiscard]] QStringList trace();
    // The lines of the trace that start or stop monitoring, in order ("G01 OK", "G00 OK").
    [[nodiscard]] QStringList startsAndStops();
    // Waits up to ten seconds until count lines of the trace start with prefix.
    [[nodiscard]] bool waitForTrace(const QString& prefix, int count = 1);
    // The unit's one-line reply to a command on its control channel ("OK", "OK stopped none
    // -"), without the line end; empty when none came within two seconds.
    [[nodiscard]] QString control(const QString& command) const;
    // Asks the unit to end (SIGTERM) and waits: its exit status, -1 when it did not end by
    // itself. The unit removes its link and control channel on the way out.
    int stop();
    // Ends the unit at once (SIGKILL), as if the cable were pulled: the link then names a
    // device that is gone. (Left pointing at the unit's pseudo-terminal, the link would reach
    // the next unit of any test that is given the same terminal number.)
    void kill();
    // Freezes the unit (SIGSTOP): it answers and sends nothing until resumed, but its end of
    // the link stays open. A frozen unit is resumed before it is ended.
    void suspend();
    void resume();

  private:
    QString linkPath_;
    QProcess process_;
    QByteArray firstLine_;
    QByteArray output_;  // standard output after the ready line
    bool ready_ = false;
    bool suspended_ = false;
};
