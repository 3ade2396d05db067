#pragma once
#include <QProcess>
#include <QString>
#include <QStringList>

// A vexlo-unit process serving on a link at linkPath for the length of a test. The process
// is ended when this object goes, whatever the test's outcome.
class VirtualUnit {
  public:
    // Starts the unit with the extra arguments and waits until it reports ready.
    explicit VirtualUnit(const QString& linkPath, const QStringList& extra = {});
    ~VirtualUnit();
    VirtualUnit(const VirtualUnit&) = delete;
    VirtualUnit& operator=(const VirtualUnit&) = delete;

    [[nodiscard]] bool ready() const { return ready_; }
    // What the unit wrote on its error output so far, for failure messages.
    [[nodiscard]] QString errors();
    // The lines the unit printed after "ready" so far: with --trace, each command it took
    // and its reply ("G01 OK").
    [[nodiscard]] QStringList trace();
    // The lines of the trace that start or stop monitoring, in order ("G01 OK", "G00 OK").
    [[nodiscard]] QStringList startsAndStops();
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
    QByteArray output_;  // standard output after the ready line
    bool ready_ = false;
    bool suspended_ = false;
};
