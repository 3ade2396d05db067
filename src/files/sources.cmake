# Qt-free sources of src/files, compiled into vexlo_core.
target_sources(vexlo_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/AtomicFile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/IniFile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/LogFile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/LogInfo.cpp
    ${CMAKE_CURRENT_LIST_DIR}/LTime.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ParamIni.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PcapExport.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ProgramFolder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TextExport.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Val.cpp)
