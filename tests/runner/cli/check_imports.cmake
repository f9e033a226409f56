# Fails unless a Windows program imports only DLLs that every Windows machine
# has: the runner ships alone in the zip, with its libraries (the C++ runtime,
# cairo, pixman) linked in statically.
#   cmake -DPROGRAM=path/vellomar-run.exe -P check_imports.cmake
cmake_minimum_required(VERSION 3.25)
find_program(OBJDUMP NAMES objdump x86_64-w64-mingw32-objdump REQUIRED)
execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM} OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "objdump cannot read ${PROGRAM}")
endif()
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${listing}")
if(NOT imports)
  message(FATAL_ERROR "${PROGRAM} shows no imports: not a Windows program?")
endif()
set(system_dlls kernel32.dll msvcrt.dll ntdll.dll user32.dll advapi32.dll ucrtbase.dll
                gdi32.dll msimg32.dll shell32.dll ole32.dll)
foreach(import IN LISTS imports)
  string(REGEX REPLACE "DLL Name: " "" dll "${import}")
  string(TOLOWER "${dll}" dll)
  if(NOT dll IN_LIST system_dlls AND NOT dll MATCHES "^api-ms-win-")
    message(FATAL_ERROR "${PROGRAM} imports ${dll}, which a user's machine does not have")
  endif()
endforeach()
message(STATUS "${PROGRAM}: imports [${imports}]")
