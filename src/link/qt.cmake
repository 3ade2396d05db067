# Serial port adapters (UnixSerialPort, and QtSerialPort for Windows) over the Qt-free link
# logic: library vexlo_link_qt.
add_library(vexlo_link_qt STATIC
    ${CMAKE_CURRENT_LIST_DIR}/PortNames.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PortSession.cpp
    ${CMAKE_CURRENT_LIST_DIR}/QtEventWait.cpp
    ${CMAKE_CURRENT_LIST_DIR}/QtGapTimers.cpp
    ${CMAKE_CURRENT_LIST_DIR}/frmComm.cpp
    ${CMAKE_CURRENT_LIST_DIR}/frmComm.h
    ${CMAKE_CURRENT_LIST_DIR}/QtLinkTimers.cpp
    ${CMAKE_CURRENT_LIST_DIR}/QtPortFactory.cpp
    ${CMAKE_CURRENT_LIST_DIR}/QtSerialPort.cpp)
if(NOT WIN32)
    target_sources(vexlo_link_qt PRIVATE ${CMAKE_CURRENT_LIST_DIR}/UnixSerialPort.cpp)
endif()
target_link_libraries(vexlo_link_qt PUBLIC vexlo_core Qt6::Core Qt6::SerialPort)
set_target_properties(vexlo_link_qt PROPERTIES AUTOMOC ON)
