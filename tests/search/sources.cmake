# Tests of src/search, compiled into vexlo-core-tests.
target_sources(vexlo-core-tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/StringSearchTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SearchInputTest.cpp ${CMAKE_CURRENT_LIST_DIR}/TimeSearchTest.cpp)
