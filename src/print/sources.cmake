# Qt-free sources of src/print, compiled into vexlo_core: the page layout as drawing operations.
target_sources(vexlo_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/PrintLayout.cpp)
