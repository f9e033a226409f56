# Fails unless the package zip holds the DLL, the header and the documentation.
cmake_minimum_required(VERSION 3.25)
execute_process(COMMAND ${CMAKE_COMMAND} -E tar tf ${ZIP}
                OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cannot read ${ZIP}")
endif()
foreach(file vellomar.dll include/vellomar.h README.md)
  if(NOT listing MATCHES "/${file}\n")
    message(FATAL_ERROR "${ZIP} lacks ${file}")
  endif()
endforeach()
message(STATUS "${ZIP}: vellomar.dll, include/vellomar.h, README.md")
