# Tests of src/capture, compiled into vexlo-core-tests.
target_sources(vexlo-core-tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/CaptureTest.cpp ${CMAKE_CURRENT_LIST_DIR}/ByteTextTest.cpp)
# The word file tests are of its POSIX side: the cache folder, memory file systems, SIGBUS.
if(NOT WIN32)
    target_sources(vexlo-core-tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/WordFileTest.cpp)
endif()
