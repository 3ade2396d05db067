# Serial port adapter (QtSerialPort) over the Qt-free link logic: library vexlo_link_qt.
