# Qt-free sources of src/core, compiled into vexlo_core.
target_sources(vexlo_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/Clock.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RunControlState.cpp)
