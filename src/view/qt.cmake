# Monitor window (Qt Widgets): library vexlo_view. The cell model, geometry and drawing rules
# are widget-free classes; only the surface, the window and the dialogs use widgets.
add_library(vexlo_view STATIC
    ${CMAKE_CURRENT_LIST_DIR}/CellGrid.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CellGrid.h
    ${CMAKE_CURRENT_LIST_DIR}/CellSurface.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CellSurface.h
    ${CMAKE_CURRENT_LIST_DIR}/CellText.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CellText.h
    ${CMAKE_CURRENT_LIST_DIR}/CellTextCache.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CellTextCache.h
    ${CMAKE_CURRENT_LIST_DIR}/CellTiles.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CellTiles.h
    ${CMAKE_CURRENT_LIST_DIR}/FrameMarks.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FrameMarks.h
    ${CMAKE_CURRENT_LIST_DIR}/GridGeometry.cpp
    ${CMAKE_CURRENT_LIST_DIR}/GridGeometry.h
    ${CMAKE_CURRENT_LIST_DIR}/HistoryRenderer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/HistoryRenderer.h
    ${CMAKE_CURRENT_LIST_DIR}/IdleCounter.cpp
    ${CMAKE_CURRENT_LIST_DIR}/IdleCounter.h
    ${CMAKE_CURRENT_LIST_DIR}/LiveRenderer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/LiveRenderer.h
    ${CMAKE_CURRENT_LIST_DIR}/MonitorStatus.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MonitorSearch.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MonitorSearch.h
    ${CMAKE_CURRENT_LIST_DIR}/MonitorStatus.h
    ${CMAKE_CURRENT_LIST_DIR}/PixelCopy.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PixelCopy.h
    ${CMAKE_CURRENT_LIST_DIR}/ViewDialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ViewDialog.h
    ${CMAKE_CURRENT_LIST_DIR}/dlgJump.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dlgJump.h
    ${CMAKE_CURRENT_LIST_DIR}/dlgScroll.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dlgScroll.h
    ${CMAKE_CURRENT_LIST_DIR}/dlgSearch.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dlgSearch.h
    ${CMAKE_CURRENT_LIST_DIR}/dlgTimeSearch.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dlgTimeSearch.h
    ${CMAKE_CURRENT_LIST_DIR}/frmMonitor.cpp
    ${CMAKE_CURRENT_LIST_DIR}/frmMonitor.h
    ${CMAKE_CURRENT_LIST_DIR}/WindowLook.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WindowLook.h
)
target_link_libraries(vexlo_view PUBLIC vexlo_core vexlo_link_qt Qt6::Widgets)
set_target_properties(vexlo_view PROPERTIES AUTOMOC ON)
