# Printer and PDF back end (Qt Gui, PrintSupport) over the Qt-free page layout: library
# vexlo_print_qt.
add_library(vexlo_print_qt STATIC
    ${CMAKE_CURRENT_LIST_DIR}/QtPrintOut.cpp
    ${CMAKE_CURRENT_LIST_DIR}/QtPrintOut.h)
target_link_libraries(vexlo_print_qt PUBLIC vexlo_core Qt6::Gui Qt6::PrintSupport)
