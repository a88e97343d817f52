# vmrun --runs 2 -version: both runs reset the VM variables from the same
# sections (identical address lines) and end with status 0.
execute_process(COMMAND ${VMRUN} --runs 2 -version ${JAR} X
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
message("--- exit: ${rc}\n--- stderr:\n${err}")
if(NOT rc STREQUAL "0")
  message(FATAL_ERROR "exit code ${rc}, expected 0")
endif()

# Sets <out> to the lines of the trace that match <regex>; there must be two.
function(two_lines out regex)
  string(REGEX MATCHALL "${regex}" lines "${err}")
  list(LENGTH lines n)
  if(NOT n EQUAL 2)
    message(FATAL_ERROR "${n} lines match ${regex}, expected 2")
  endif()
  set(${out} "${lines}" PARENT_SCOPE)
endfunction()

two_lines(inits "VM variable initialization\\.\n")
two_lines(versions "Java 2 Micro Edition\n")
foreach(what dataAddress bssAddress)
  two_lines(lines "  ${what}: 0x[0-9a-f]+ [a-zA-Z]+: 0x[0-9a-f]+\n")
  list(GET lines 0 first)
  list(GET lines 1 second)
  if(NOT first STREQUAL second)
    message(FATAL_ERROR "the runs differ: ${first} / ${second}")
  endif()
endforeach()
