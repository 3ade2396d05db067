# Qt-free sources of src/capture, compiled into vexlo_core.
target_sources(vexlo_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/Capture.cpp ${CMAKE_CURRENT_LIST_DIR}/ByteText.cpp
                                   ${CMAKE_CURRENT_LIST_DIR}/RecordClock.cpp
                                   ${CMAKE_CURRENT_LIST_DIR}/WordFile.cpp)
