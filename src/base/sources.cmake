# Qt-free sources of src/base, compiled into vexlo_core.
target_sources(vexlo_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/Clock.cpp
    ${CMAKE_CURRENT_LIST_DIR}/OptionInput.cpp
    ${CMAKE_CURRENT_LIST_DIR}/VersionText.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Val.cpp)
# The version window shows the project's version.
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/VersionText.cpp PROPERTIES COMPILE_DEFINITIONS
    "VEXLO_VERSION_MAJOR=${PROJECT_VERSION_MAJOR};VEXLO_VERSION_MINOR=${PROJECT_VERSION_MINOR};VEXLO_VERSION_PATCH=${PROJECT_VERSION_PATCH}")
