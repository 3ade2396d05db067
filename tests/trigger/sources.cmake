# Tests of src/trigger, compiled into vexlo-core-tests.
target_sources(vexlo-core-tests PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/TrigIniTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TriggerEngineTest.cpp)
