# Fails unless the package zip holds the DLL, the header, the documentation
# (the README and every page of docs/) and the script runner with its
# examples.
cmake_minimum_required(VERSION 3.25)
execute_process(COMMAND ${CMAKE_COMMAND} -E tar tf ${ZIP}
                OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cannot read ${ZIP}")
endif()
# Every page of docs/ in the sources, so that a new page cannot be left out.
file(GLOB pages RELATIVE ${CMAKE_CURRENT_LIST_DIR}/.. ${CMAKE_CURRENT_LIST_DIR}/../docs/*.md)
if(NOT pages)
  message(FATAL_ERROR "no docs/*.md beside ${CMAKE_CURRENT_LIST_DIR}")
endif()
foreach(file vellomar.dll include/vellomar.h README.md ${pages} vellomar-run.exe
             examples/names/names.rpn
             examples/waypoints/waypoints.xml examples/waypoints/scenario.toml
             examples/waypoints/expected.out examples/autopilot/autopilot.xml
             examples/autopilot/scenario.toml examples/autopilot/expected.out
             examples/radio/radio.xml examples/radio/scenario.toml examples/radio/expected.out)
  if(NOT listing MATCHES "/${file}\n")
    message(FATAL_ERROR "${ZIP} lacks ${file}")
  endif()
endforeach()
message(STATUS "${ZIP}: the DLL, the header, the README and docs/, the runner and its examples")
