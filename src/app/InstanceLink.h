#pragma once
#include <QObject>
#include <QString>
#include <functional>
#include <string>

class QLocalServer;

// A later start of the program on the same program folder (a capture file double-clicked
// while the program runs) hands the file name to the running instance over a local socket,
// and the running instance opens it.

// The socket name of the instance of a program folder, for the current user.
[[nodiscard]] QString instanceName(const QString& programFolder);

// Listens for file names from later starts and passes each to open, from the event loop.
class InstanceServer : public QObject {
    Q_OBJECT
  public:
    InstanceServer(const QString& name, std::function<void(const std::string&)> open,
                   QObject* parent);

    [[nodiscard]] bool listening() const;

  private:
    void onConnection();

    QLocalServer* server_;
    std::function<void(const std::string&)> open_;
};

// Sends a file name to the instance listening under name. An instance still starting up is
// given up to timeoutMs to begin listening. True when the name was delivered.
bool forwardToRunning(const QString& name, const std::string& file, int timeoutMs);
