# Qt-free sources of src/link, compiled into vexlo_core.
target_sources(vexlo_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/ComPort.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CommLink.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CommParam.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Decoder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/GapTimers.cpp)
# Terminal devices borrowed from other programs: POSIX only (the port and the virtual unit's
# tap use it).
if(NOT WIN32)
    target_sources(vexlo_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/TtyClaim.cpp)
endif()
