# 64-bit Windows. Its programs run here under wine64, which proves the DLL under
# a Windows loader (exports by name, data exports, LoadLibrary/FreeLibrary).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VELLOMAR_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
