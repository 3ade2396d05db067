#include "app/MainWindow.h"

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
    setObjectName("MDIMonitor");
    setWindowTitle(QStringLiteral("Vexlo 【モニタ停止中】"));
}
