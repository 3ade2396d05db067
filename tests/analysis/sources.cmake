# Tests of src/analysis, compiled into vexlo-core-tests.
target_sources(vexlo-core-tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/FrameAnalysisTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FrameIndexTest.cpp ${CMAKE_CURRENT_LIST_DIR}/ProtocolDraftTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ProtocolTest.cpp)
