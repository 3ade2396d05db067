# Tests of src/run, compiled into vexlo-core-tests.
target_sources(vexlo-core-tests PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/LineSearchTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RunControlStateTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RunControllerTest.cpp)
