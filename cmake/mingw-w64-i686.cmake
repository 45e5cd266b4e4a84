# The 32-bit Windows program, for the device's 32-bit driver and library: MinGW-w64 i686.
set(TOOLCHAIN_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
