# Qt-free sources of src/analysis, compiled into vexlo_core.
target_sources(vexlo_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/FrameAnalysis.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FrameIndex.cpp ${CMAKE_CURRENT_LIST_DIR}/FramePreview.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FrameSummary.cpp ${CMAKE_CURRENT_LIST_DIR}/Modbus.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Protocol.cpp ${CMAKE_CURRENT_LIST_DIR}/ProtocolDraft.cpp)
