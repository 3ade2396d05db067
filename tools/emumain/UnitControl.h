#pragma once
#include <QLocalSocket>
#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <deque>

// The simulator's side of the virtual unit's control channel (vexlo-unit's <link>.ctl): sends
// the commands and pairs each reply line with the command it answers.
class UnitControl : public QObject {
    Q_OBJECT
  public:
    // The six control lines in the order of the line-state bits (RS is bit 0).
    static const QStringList kLineNames;

    explicit UnitControl(QObject* parent = nullptr);

    // The control socket of the unit the program folder's settings name: ports/COM<n>.ctl for
    // the port n of VXParam.ini ([VX_Inf] Port). When that one does not exist (no port known
    // yet, or the settings file is older than the port found), the first existing one of
    // ports/COM1.ctl .. ports/COM16.ctl; when there is none, the settings' one.
    [[nodiscard]] static QString controlPath(const QString& programFolder);

    // Connects to the socket at path (closing any earlier connection) and asks for the
    // unit's state; false when nothing listens there.
    bool connectTo(const QString& path);
    [[nodiscard]] bool isConnected() const;
    [[nodiscard]] QString path() const { return path_; }

    // Sends the bytes of text on SD or RD, with CR LF appended when crlf, every character
    // with a parity and/or framing error when asked. False, with the reason, when the text
    // has a bad escape or the unit is not connected.
    bool sendText(bool sd, const QString& text, bool crlf, bool parityError, bool framingError,
                  QString& error);
    // Switches one control line (0 RS .. 5 CI) on or off; the others keep their state.
    void setLine(int line, bool on);
    void setScenario(const QString& name);
    // Asks for the unit's state and its scenario names.
    void refresh();
    // Asks for the unit's state only.
    void askStatus();

    [[nodiscard]] uint8_t lines() const { return lines_; }
    [[nodiscard]] bool monitoring() const { return monitoring_; }
    [[nodiscard]] QString scenario() const { return scenario_; }
    [[nodiscard]] QStringList scenarios() const { return scenarios_; }

  signals:
    // Every reply: the command, and the reply line ("OK ...", or "NG" and the reason).
    void replied(const QString& command, const QString& reply);
    // The state the unit reported (STATUS), or the lines changed here.
    void stateChanged();
    void connectionChanged(bool connected);

  private:
    void send(const QString& command);
    void readReplies();
    void take(const QString& command, const QString& reply);

    QString path_;
    std::deque<QString> pending_;  // commands sent and not yet answered
    QByteArray partial_;
    uint8_t lines_ = 0;
    bool monitoring_ = false;
    QString scenario_;
    QStringList scenarios_;
    // Last, so that it goes first: closing it reports the disconnection to the members above.
    QLocalSocket socket_;
};
