# Fails unless the Windows DLL is of the expected machine type, exports exactly
# the module's eight names undecorated, and imports only Windows system DLLs
# (the C++ runtime and libgcc are linked in statically).
#   cmake -DDLL=path/vellomar.dll -DMACHINE=i686|x86_64 -P check_dll.cmake
cmake_minimum_required(VERSION 3.25)
find_program(OBJDUMP NAMES objdump x86_64-w64-mingw32-objdump REQUIRED)
execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "objdump cannot read ${DLL}")
endif()

execute_process(COMMAND ${OBJDUMP} -f ${DLL} OUTPUT_VARIABLE header)
if(MACHINE STREQUAL "i686")
  set(format "pei-i386")
  set(magic "010b\t\\(PE32\\)")
  set(architecture "architecture: i386,")
else()
  set(format "pei-x86-64")
  set(magic "020b\t\\(PE32\\+\\)")
  set(architecture "architecture: i386:x86-64,")
endif()
if(NOT listing MATCHES "file format ${format}\n" OR NOT listing MATCHES "Magic\t+${magic}"
   OR NOT header MATCHES "${architecture}")
  message(FATAL_ERROR "${DLL}: wrong machine type, expected ${format}")
endif()

string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${listing}")
set(system_dlls kernel32.dll msvcrt.dll ntdll.dll user32.dll advapi32.dll ucrtbase.dll)
foreach(import IN LISTS imports)
  string(REGEX REPLACE "DLL Name: " "" dll "${import}")
  string(TOLOWER "${dll}" dll)
  if(NOT dll IN_LIST system_dlls AND NOT dll MATCHES "^api-ms-win-")
    message(FATAL_ERROR "${DLL} imports ${dll}, which a user's machine does not have")
  endif()
endforeach()
# Export names: the lines after "[Ordinal/Name Pointer] Table".
string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table[^\n]*\n(([ \t]+\\[[ 0-9]+\\][^\n]*\n)*)"
       table "${listing}")
# (List elements must not keep the brackets: CMake lists treat them specially.)
string(REGEX REPLACE "[ \t]*\\[[ 0-9]+\\][ \t]*([^\n]*)\n" "\\1;" exports "${CMAKE_MATCH_1}")
list(REMOVE_ITEM exports "")
list(SORT exports)
set(expected DLLStart DLLStop GetFirstArray GetFirstUserVar GetMaxVars ImportTable Linkage Panels)
if(NOT exports STREQUAL expected)
  message(FATAL_ERROR "exports are [${exports}], expected [${expected}]")
endif()

message(STATUS "${DLL}: ${format}, exports [${exports}], imports [${imports}]")
