# Tests of src/link, compiled into vexlo-core-tests.
target_sources(vexlo-core-tests PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/ComPortTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CommLinkTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CommParamTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DecoderTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/GapTimersTest.cpp)
