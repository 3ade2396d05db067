# Qt-free sources of src/files, compiled into vexlo_core.
target_sources(vexlo_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/AtomicFile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/AutoSave.cpp
    ${CMAKE_CURRENT_LIST_DIR}/IniFile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/LogFile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/LogInfo.cpp
    ${CMAKE_CURRENT_LIST_DIR}/LTime.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ParamIni.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PcapExport.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ProgramFolder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/QSort.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TextExport.cpp)

# The installed data and companion folders, relative to the installed executables.
file(RELATIVE_PATH dataFromBin ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_PREFIX}/${VEXLO_INSTALL_DATADIR})
file(RELATIVE_PATH libFromBin ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_PREFIX}/${VEXLO_INSTALL_LIBDIR})
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/ProgramFolder.cpp PROPERTIES COMPILE_DEFINITIONS
    "VEXLO_DATA_FROM_BIN=\"${dataFromBin}\";VEXLO_LIB_FROM_BIN=\"${libFromBin}\"")
