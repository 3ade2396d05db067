# Cross compilation for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64-posix:
# the variant with std::thread and std::mutex). The programs are linked statically, so they
# run without the compiler's DLLs beside them, and CTest runs them through run-wine.sh.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(mingwPrefix x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${mingwPrefix}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingwPrefix}-g++-posix)
set(CMAKE_RC_COMPILER ${mingwPrefix}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${mingwPrefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Compiled objects are kept in ccache's cache where it is installed: a second build of an
# unchanged tree costs the link alone.
find_program(VEXLO_CCACHE ccache)
if(VEXLO_CCACHE)
    set(CMAKE_C_COMPILER_LAUNCHER ${VEXLO_CCACHE})
    set(CMAKE_CXX_COMPILER_LAUNCHER ${VEXLO_CCACHE})
endif()

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/run-wine.sh ${CMAKE_BINARY_DIR}/wine)
