# The 64-bit Windows program: MinGW-w64 x86_64.
set(TOOLCHAIN_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
