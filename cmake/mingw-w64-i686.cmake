# Cross-build for 32-bit Windows (i686) with Debian's MinGW-w64, posix thread
# model: the 64-bit toolchain file with the other processor.
set(TESSEL_MINGW_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-x86_64.cmake)
