# Main window, run control, dialogs (Qt Widgets), and the vexlo executable.
add_library(vexlo_app STATIC
    ${CMAKE_CURRENT_LIST_DIR}/AnalysisCommand.cpp
    ${CMAKE_CURRENT_LIST_DIR}/AutoSaveCommands.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CaptureMemory.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dlgProtocol.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dlgProtoEdit.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FileCommands.cpp
    ${CMAKE_CURRENT_LIST_DIR}/InstanceLink.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MainMenus.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dlgTrigger.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MDIMonitor.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MDIMonitorRun.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PanelBar.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PrintCommands.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ProtoEditCommand.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ProgramLock.cpp
    ${CMAKE_CURRENT_LIST_DIR}/QtProgress.cpp
    ${CMAKE_CURRENT_LIST_DIR}/QtPrompts.cpp
    ${CMAKE_CURRENT_LIST_DIR}/QtTranslations.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ToolCommands.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WinColor.h
    ${CMAKE_CURRENT_LIST_DIR}/WindowFit.cpp
    ${CMAKE_CURRENT_LIST_DIR}/frmGuide.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dlgOption.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dlgPrint.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dlgTextSave.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CaptureRecords.cpp
    ${CMAKE_CURRENT_LIST_DIR}/frmAnalysis.cpp
    ${CMAKE_CURRENT_LIST_DIR}/frmFrames.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ProtocolChoice.cpp
    ${CMAKE_CURRENT_LIST_DIR}/frmLineSearch.cpp
    ${CMAKE_CURRENT_LIST_DIR}/frmAbout.cpp)
target_link_libraries(vexlo_app PUBLIC vexlo_view vexlo_link_qt vexlo_print_qt Qt6::Widgets
                      Qt6::PrintSupport Qt6::Network Qt6::Charts)
set_target_properties(vexlo_app PROPERTIES AUTOMOC ON)

add_executable(vexlo ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(vexlo PRIVATE vexlo_app)

# The line-indicator pictures live in the program folder, next to the executable; so does the
# program's icon.
foreach(picture green.bmp gray.bmp)
    configure_file(${PROJECT_SOURCE_DIR}/data/${picture} ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${picture} COPYONLY)
endforeach()
foreach(picture vexlo.svg vexlo-48.png)
    configure_file(${PROJECT_SOURCE_DIR}/packaging/${picture} ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${picture} COPYONLY)
endforeach()

# The user guide and its pictures, which the help menu shows, next to the executable as in the
# installed data folder: docs/guide.md and docs/images/.
configure_file(${PROJECT_SOURCE_DIR}/docs/guide.md ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/docs/guide.md COPYONLY)
file(GLOB guidePictures CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/images/*.png)
foreach(picture ${guidePictures})
    get_filename_component(name ${picture} NAME)
    configure_file(${picture} ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/docs/images/${name} COPYONLY)
endforeach()
