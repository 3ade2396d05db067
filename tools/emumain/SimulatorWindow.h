#pragma once
#include <QMargins>
#include <QRect>
#include <QWidget>
#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class UnitControl;

// The frame of a window of size with frame margins, centred in area; the size shrinks to what
// fits, so that the whole window with its title bar is in area.
QRect FramePlacement(QSize size, QMargins frame, const QRect& area);

// The simulator's window: drives the virtual unit's monitored line by hand. Text typed in
// txtData goes out on SD or RD (optionally with CR LF, parity or framing errors), the six
// buttons switch the control lines, cmbScenario picks what the line carries besides, and
// lstLog lists every command with the unit's reply.
class SimulatorWindow : public QWidget {
    Q_OBJECT
  public:
    // programFolder is where the control socket is looked for (UnitControl::controlPath)
    // unless controlPath names it.
    SimulatorWindow(UnitControl& control, QString programFolder, QString controlPath,
                    QWidget* parent = nullptr);

    // Puts the window, its frame included, in the middle of area (the usable part of a
    // screen), smaller where it would not fit.
    void placeOn(const QRect& area);

    // Connects to the unit (again), as the reconnect button does.
    void cmdConnect_Click();
    void cmdSend_Click();

  private:
    void showState();
    void showConnection(bool connected);
    void log(const QString& command, const QString& reply);

    UnitControl& control_;
    QString programFolder_;
    QString fixedPath_;
    QLabel* lblTarget;
    QLabel* lblState;
    QLineEdit* txtData;
    std::array<QRadioButton*, 2> optDir{};
    QCheckBox* chkCrLf;
    QCheckBox* chkParity;
    QCheckBox* chkFraming;
    QPushButton* cmdSend;
    std::array<QPushButton*, 6> cmdLine{};
    QComboBox* cmbScenario;
    QListWidget* lstLog;
};
