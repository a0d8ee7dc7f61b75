# Compiles tests/c99/all_headers.c as C99 with warnings as errors: once with
# every public header, then once per header on its own. The test command
# runs on a POSIX machine (cross builds are tested from one).
#   cmake -DCOMPILER=cc "-DFLAGS=-m32;..." -DSOURCE=all_headers.c
#         -DINCLUDE=include -DSIZES=record_sizes.txt -P check_c99_headers.cmake
# With -DPROBE=ON, a compiler that cannot build for FLAGS at all (no 32-bit
# C library headers, say) prints "skipped:" and passes.
string(REPLACE ";" " " target "${COMPILER} ${FLAGS}")
string(STRIP "${target}" target)
get_filename_component(INCLUDE ${INCLUDE} ABSOLUTE)
# Compiled to an object (thrown away): some warnings come only from the
# compiler's later passes.
set(check ${COMPILER} ${FLAGS} -std=c99 -Wall -Wextra -Wpedantic -Werror -c -o /dev/null
    -I${INCLUDE})

if(PROBE)
  # The C library's own headers, through the same source (nothing written).
  execute_process(COMMAND ${COMPILER} ${FLAGS} -std=c99 -fsyntax-only "-DONE_HEADER=<stdio.h>"
    ${SOURCE} RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
  if(NOT status EQUAL 0)
    message("skipped: ${target} cannot compile C with the standard headers")
    return()
  endif()
endif()

# The record sizes, "record bytes32 bytes64" per line, as C99_SIZE(...) calls.
file(STRINGS ${SIZES} rows REGEX "^[a-z]")
list(TRANSFORM rows REPLACE "^([a-z_0-9]+) +([0-9]+) +([0-9]+)$" "C99_SIZE(\\1, \\2, \\3)")
list(JOIN rows " " sizes)
execute_process(COMMAND ${check} "-DC99_SIZES=${sizes}" ${SOURCE} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the public headers together are not clean C99 for ${target}")
endif()

file(GLOB headers RELATIVE ${INCLUDE} ${INCLUDE}/*.h)
set(count 0)
foreach(header IN LISTS headers)
  execute_process(COMMAND ${check} "-DONE_HEADER=\"${header}\"" ${SOURCE} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${header} on its own is not clean C99 for ${target}")
  endif()
  math(EXPR count "${count} + 1")
endforeach()
message("clean C99 for ${target}: the ${count} public headers together and each alone")
