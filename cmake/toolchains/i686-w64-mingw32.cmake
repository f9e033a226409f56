# 32-bit Windows, the simulator's own platform. Programs built here cannot run
# on this machine; the DLL is checked by reading it.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VELLOMAR_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
