# Tests of src/capture, compiled into vexlo-core-tests.
target_sources(vexlo-core-tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/CaptureTest.cpp ${CMAKE_CURRENT_LIST_DIR}/ByteTextTest.cpp)
