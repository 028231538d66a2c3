# Cross-build for 64-bit Windows with Debian's MinGW-w64 (posix thread model,
# which gives std::thread and std::mutex). Libraries built for Windows are
# found under the folders given in CMAKE_FIND_ROOT_PATH and in the compiler's
# own sysroot, where Debian's libz-mingw-w64-dev puts zlib.
# cmake/mingw-w64-i686.cmake reuses this file for 32-bit Windows.
set(CMAKE_SYSTEM_NAME Windows)
if(NOT TESSEL_MINGW_PROCESSOR)
  set(TESSEL_MINGW_PROCESSOR x86_64)
endif()
set(CMAKE_SYSTEM_PROCESSOR ${TESSEL_MINGW_PROCESSOR})
set(TESSEL_MINGW_TRIPLE ${TESSEL_MINGW_PROCESSOR}-w64-mingw32)

set(CMAKE_C_COMPILER ${TESSEL_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TESSEL_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TESSEL_MINGW_TRIPLE}-windres)

list(APPEND CMAKE_FIND_ROOT_PATH /usr/${TESSEL_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The programs carry the compiler's runtime (libgcc, libstdc++, winpthread)
# inside, so they run without MinGW's DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
# zlib linked in, not taken from zlib1.dll.
set(ZLIB_USE_STATIC_LIBS ON)
