# Runs one bundled example through vellomar-run and compares what it prints
# with the example's expected.out. The example directory holds the scripts,
# `args` (the command-line arguments, one per line, script names relative to
# the directory), `expected.out` and, when the example shows a warning,
# `expected.err` (else it must print no messages).
#
#   cmake -DRUNNER=path/to/vellomar-run -DEXAMPLE=examples/names
#         [-DMODULE=path/to/module] [-DLAUNCHER=wine64] -P run_example.cmake
#
# Without MODULE the runner loads the module beside it. LAUNCHER, when given,
# runs the runner (an emulator, say). Line ends are compared without any \r.
foreach(variable RUNNER EXAMPLE)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "run_example.cmake needs -D${variable}=...")
  endif()
endforeach()

file(STRINGS "${EXAMPLE}/args" args)
set(module_args "")
if(DEFINED MODULE)
  set(module_args --module "${MODULE}")
endif()
execute_process(COMMAND ${LAUNCHER} "${RUNNER}" ${module_args} ${args}
                WORKING_DIRECTORY "${EXAMPLE}"
                OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE status)
file(READ "${EXAMPLE}/expected.out" expected)
string(REPLACE "\r" "" output "${output}")
string(REPLACE "\r" "" expected "${expected}")

# 32-bit tokens are addresses: number the dump's distinct tokens from 1, in
# creation order, as a 64-bit build prints them.
if(TOKENS_AS_POSITIONS)
  string(REGEX MATCHALL "token [0-9]+\n" tokens "${output}")
  list(REMOVE_DUPLICATES tokens)
  set(position 0)
  foreach(token IN LISTS tokens)
    math(EXPR position "${position} + 1")
    string(REPLACE "${token}" "token ${position}\n" output "${output}")
  endforeach()
endif()

if(NOT status EQUAL 0)
  message(FATAL_ERROR "vellomar-run ${args} exited with ${status}:\n${errors}")
endif()
set(expected_errors "")
if(EXISTS "${EXAMPLE}/expected.err")
  file(READ "${EXAMPLE}/expected.err" expected_errors)
  string(REPLACE "\r" "" expected_errors "${expected_errors}")
endif()
string(REPLACE "\r" "" errors "${errors}")
if(NOT errors STREQUAL expected_errors)
  message(FATAL_ERROR "vellomar-run ${args} wrote messages:\n${errors}\nexpected:\n${expected_errors}")
endif()
if(NOT output STREQUAL expected)
  message(FATAL_ERROR "vellomar-run ${args} printed:\n${output}\nexpected:\n${expected}")
endif()
message(STATUS "${EXAMPLE}: output as expected")
