# Cross build for 64-bit Windows with Debian's mingw-w64 (package g++-mingw-w64-x86-64).
# The runtime is linked statically, so vantedit.exe needs no DLL beyond those of Windows itself.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VANTEDIT_MINGW_PREFIX x86_64-w64-mingw32)
# The posix thread model is the one GoogleTest builds with; both give the same vantedit.exe.
find_program(CMAKE_CXX_COMPILER NAMES ${VANTEDIT_MINGW_PREFIX}-g++-posix ${VANTEDIT_MINGW_PREFIX}-g++ REQUIRED)
find_program(CMAKE_C_COMPILER NAMES ${VANTEDIT_MINGW_PREFIX}-gcc-posix ${VANTEDIT_MINGW_PREFIX}-gcc)
find_program(CMAKE_RC_COMPILER NAMES ${VANTEDIT_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VANTEDIT_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Tests and tools of the Windows build run under Wine where it is installed (Debian's wine64).
find_program(VANTEDIT_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(VANTEDIT_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VANTEDIT_WINE})
endif()
