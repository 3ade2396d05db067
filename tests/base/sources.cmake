# Tests of src/base, compiled into vexlo-core-tests.
target_sources(vexlo-core-tests PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/OptionInputTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SystemClockTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/VersionTextTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ValTest.cpp)
