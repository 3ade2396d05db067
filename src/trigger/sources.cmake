# Qt-free sources of src/trigger, compiled into vexlo_core.
target_sources(vexlo_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/Triggers.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TrigIni.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TriggerDraft.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TriggerEngine.cpp)
