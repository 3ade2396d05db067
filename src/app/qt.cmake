# Main window, run control, dialogs, and the vexlo executable.
add_library(vexlo_app STATIC ${CMAKE_CURRENT_LIST_DIR}/MainWindow.cpp ${CMAKE_CURRENT_LIST_DIR}/MainWindow.h)
target_link_libraries(vexlo_app PUBLIC vexlo_core Qt6::Widgets Qt6::PrintSupport)

add_executable(vexlo ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(vexlo PRIVATE vexlo_app)
