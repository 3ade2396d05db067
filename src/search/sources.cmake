# Qt-free sources of src/search, compiled into vexlo_core.
target_sources(vexlo_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/StringSearch.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SearchInput.cpp ${CMAKE_CURRENT_LIST_DIR}/TimeSearch.cpp)
