# The summary an application ends with, as the uncaught RuntimeException's
# message.
#   -DJAVA=<java> -DJAR=<archive> -DOUTPUT=<file>
#       HotSpot runs app.Main; the message after "Exception in thread
#       "main" java.lang.RuntimeException: " on the first line of its
#       standard error goes into OUTPUT.
#   -DVMRUN=<launcher and its emulator> -DJAR=<archive> -DEXPECTED=<file>
#       vmrun runs app.Main: exit status 0, the first line of standard
#       output "Uncaught exception: java.lang.RuntimeException: " and the
#       message HotSpot printed.
function(first_line text prefix out)
  string(FIND "${text}" "\n" end)
  string(SUBSTRING "${text}" 0 ${end} line)
  string(LENGTH "${prefix}" n)
  string(SUBSTRING "${line}" 0 ${n} head)
  if(end LESS 0 OR NOT head STREQUAL prefix)
    message(FATAL_ERROR "the first line does not start with '${prefix}':\n${text}")
  endif()
  string(SUBSTRING "${line}" ${n} -1 rest)
  set(${out} "${rest}" PARENT_SCOPE)
endfunction()

if(DEFINED JAVA)
  execute_process(COMMAND "${JAVA}" -cp "${JAR}" app.Main RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_QUIET)
  first_line("${err}" "Exception in thread \"main\" java.lang.RuntimeException: " summary)
  file(WRITE "${OUTPUT}" "${summary}\n")
  return()
endif()

execute_process(COMMAND ${VMRUN} ${JAR} app.Main RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
message("--- exit: ${rc}\n--- stdout:\n${out}--- stderr:\n${err}")
if(NOT rc STREQUAL "0")
  message(FATAL_ERROR "exit status ${rc}, expected 0")
endif()
first_line("${out}" "Uncaught exception: java.lang.RuntimeException: " summary)
file(READ "${EXPECTED}" expected)
if(NOT "${summary}\n" STREQUAL expected)
  message(FATAL_ERROR "summary differs:\n  vmrun:   ${summary}\n  HotSpot: ${expected}")
endif()
