# Checks cmake/run_command_test.cmake itself: patterns match in their order
# (reversed lines are refused, naming the pattern) and a ";" inside a
# pattern is literal. Run with -DPYTHON=<python3>.
cmake_minimum_required(VERSION 3.20)

set(runner "${CMAKE_CURRENT_LIST_DIR}/../run_command_test.cmake")
set(two_lines "${PYTHON}|@|-c|@|print('first\\nsecond' + chr(59) + 'third')")

# One run of the runner: name, stdout patterns (joined by "|@|"), expected
# exit status of the runner, and a text its error output must hold.
function(check name patterns status holds)
  execute_process(COMMAND ${CMAKE_COMMAND} "-DVS_CMD=${two_lines}" -DVS_EXIT_CODE=0
                          "-DVS_STDOUT_REGEX=${patterns}" -DVS_STDERR_REGEX= -DVS_STDOUT_NOT_REGEX=
                          -DVS_STDERR_NOT_REGEX= -DVS_STDOUT_FILE= -DVS_COMPARE_CMD= -P "${runner}"
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc STREQUAL "${status}")
    message(SEND_ERROR "${name}: runner exit ${rc}, expected ${status}\n${err}")
  endif()
  string(FIND "${err}" "${holds}" at)
  if(at EQUAL -1)
    message(SEND_ERROR "${name}: runner output lacks \"${holds}\"\n${err}")
  endif()
endfunction()

check("lines in order" "^first\n|@|^second|sc|third\n$" 0 "--- exit: 0")
check("lines reversed" "second|@|first" 1 "stdout matches only before the previous pattern: first")
check("a pattern missing" "first|@|fourth" 1 "stdout does not match: fourth")
check("a literal semicolon" "second|sc|fourth" 1 "stdout does not match: second;fourth")

# A golden file: the first differing line is named.
file(WRITE "${CMAKE_CURRENT_BINARY_DIR}/order_golden.txt" "first\nsecond;fourth\n")
execute_process(COMMAND ${CMAKE_COMMAND} "-DVS_CMD=${two_lines}" -DVS_EXIT_CODE=0 -DVS_STDOUT_REGEX=
                        -DVS_STDERR_REGEX= -DVS_STDOUT_NOT_REGEX= -DVS_STDERR_NOT_REGEX=
                        "-DVS_STDOUT_FILE=${CMAKE_CURRENT_BINARY_DIR}/order_golden.txt" -DVS_COMPARE_CMD= -P "${runner}"
                RESULT_VARIABLE rc ERROR_VARIABLE err)
string(FIND "${err}" "expected: second;fourth" expected_at)
string(FIND "${err}" "actual: second;third" actual_at)
if(NOT rc EQUAL 1 OR expected_at EQUAL -1 OR actual_at EQUAL -1)
  message(SEND_ERROR "golden file: runner exit ${rc}, expected 1 and the first differing line\n${err}")
endif()
