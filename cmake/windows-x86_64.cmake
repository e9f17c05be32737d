# Cross build of the Windows plug-ins (64-bit DLLs) with Debian's MinGW-w64.
# The POSIX-threads variant of the compiler: the Win32-threads one of GCC 12
# has no std::thread or std::mutex. Its runtime, libstdc++ and winpthread
# are linked in statically, so the DLLs need only system libraries.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TAMBORO_MINGW x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${TAMBORO_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TAMBORO_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${TAMBORO_MINGW}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TAMBORO_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

foreach(kind EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS_INIT "-static")
endforeach()

# Test programs run under wine, in the build tree's own prefix.
find_program(TAMBORO_WINE wine REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${TAMBORO_WINE})
set(ZLIB_USE_STATIC_LIBS ON)
