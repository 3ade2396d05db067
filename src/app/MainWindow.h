#pragma once
#include <QMainWindow>

// The main frame window MDIMonitor.
class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    explicit MainWindow(QWidget* parent = nullptr);
};
