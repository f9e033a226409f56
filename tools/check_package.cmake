# Fails unless the package zip holds the DLL, the header, the documentation
# and the script runner with its examples.
cmake_minimum_required(VERSION 3.25)
execute_process(COMMAND ${CMAKE_COMMAND} -E tar tf ${ZIP}
                OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cannot read ${ZIP}")
endif()
foreach(file vellomar.dll include/vellomar.h README.md vellomar-run.exe examples/names/names.rpn
             examples/waypoints/waypoints.xml examples/waypoints/scenario.toml
             examples/waypoints/expected.out examples/autopilot/autopilot.xml
             examples/autopilot/scenario.toml examples/autopilot/expected.out)
  if(NOT listing MATCHES "/${file}\n")
    message(FATAL_ERROR "${ZIP} lacks ${file}")
  endif()
endforeach()
message(STATUS "${ZIP}: the DLL, the header, the README, the runner and its examples")
