# Runs PROGRAM with the argument ARG and compares its standard output, byte
# for byte, with the file EXPECTED; the exit status must be 0.
# Usage: cmake -DPROGRAM=... -DARG=... -DEXPECTED=... -P compare_output.cmake
execute_process(COMMAND "${PROGRAM}" "${ARG}" OUTPUT_VARIABLE actual RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} ${ARG} ended with ${status}")
endif()
file(READ "${EXPECTED}" expected)
if(NOT actual STREQUAL expected)
  message(FATAL_ERROR "output differs from ${EXPECTED}; it was:\n${actual}")
endif()
