# Qt-free sources of src/run, compiled into vexlo_core.
target_sources(vexlo_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/LineSearch.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RunControlState.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RunController.cpp)
