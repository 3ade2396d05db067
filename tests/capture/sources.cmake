# Tests of src/capture, compiled into vexlo-core-tests.
target_sources(vexlo-core-tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/CaptureTest.cpp ${CMAKE_CURRENT_LIST_DIR}/ByteTextTest.cpp)
# Word files are kept in files only where there are mappings of files to catch faults of.
if(NOT WIN32)
    target_sources(vexlo-core-tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/WordFileTest.cpp)
endif()
