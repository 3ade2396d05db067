# Tests of src/files, compiled into vexlo-core-tests.
target_sources(vexlo-core-tests PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/AtomicFileTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/AutoSaveTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/IniFileTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/LogFileTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/LogReaderTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/LTimeTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ParamIniTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PcapExportTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ProgramFolderTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TextExportTest.cpp)
