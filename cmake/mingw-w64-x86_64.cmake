# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (posix thread model, so that
# std::thread and std::mutex work).  The runtime libraries are linked statically: the
# program then needs nothing on the target beyond the DLLs every Windows ships.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VELASTRIA_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VELASTRIA_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELASTRIA_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VELASTRIA_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VELASTRIA_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# -static takes libgcc, libstdc++ and winpthread from their archives; the system DLLs
# (kernel32, user32, gdi32, opengl32, glu32, winmm) still come through their import libraries.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# A release carries no symbols: the .exe is what a user downloads.
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")

# Tests run through Wine on the build machine.
find_program(VELASTRIA_WINE NAMES wine wine64)
if(VELASTRIA_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VELASTRIA_WINE})
endif()
