# Cross-compiles for 64-bit Windows with MinGW-w64 (posix threads). The
# programs link the GCC and C++ runtimes statically, so nothing but system
# DLLs has to lie beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(_triplet x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
