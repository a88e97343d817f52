# Build helpers shared by every module of the tree.
#
#   vs_add_module(<lib> SOURCES ... [DEPS ...])
#       One static library per module directory. Include paths are rooted at
#       the repository root. Libraries under vm/ get -fno-rtti and join the
#       writable-section check.
#   vs_add_test(<exe> SOURCES ... [LIBS ...] [LABELS x86_64-only|san-only ...])
#       A GoogleTest executable whose tests run on a low stack (tests/support)
#       and are discovered at test time, so the armel tree lists them through
#       qemu-arm. x86_64-only tests are left out of the armel tree, san-only
#       tests out of every tree but the sanitizer one.
#   vs_add_command_test(NAME <n> COMMAND ... [EXIT_CODE <n>]
#                       [STDOUT_REGEX <re>...] [STDERR_REGEX <re>...]
#                       [STDOUT_FILE <golden>] [COMPARE_COMMAND ...] [LABELS ...])
#       Runs a command and checks its exit code and output. The patterns of
#       one STDOUT_REGEX (STDERR_REGEX) match in their order: each is searched
#       after the end of the previous one's match, where "^" anchors it. A
#       ";" in a pattern is literal. Each NOT_REGEX pattern must match
#       nowhere. COMPARE_COMMAND must print the same standard output.

if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
  set(VS_TARGET_X86_64 ON)
  set(VS_TARGET_ARM OFF)
else()
  set(VS_TARGET_X86_64 OFF)
  set(VS_TARGET_ARM ON)
endif()

# Host tools (Java, generators) run only in a tree that is not handed a host
# tree; the others take their outputs from VS_HOST_TREE.
if(VS_HOST_TREE STREQUAL "")
  set(VS_IS_HOST_TREE ON)
else()
  set(VS_IS_HOST_TREE OFF)
endif()

add_library(vs_warnings INTERFACE)
target_compile_options(vs_warnings INTERFACE -Wall -Wextra -Werror)

set_property(GLOBAL PROPERTY VS_VM_LIBRARIES "")

function(vs_add_module lib)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${lib} STATIC ${ARG_SOURCES})
  target_include_directories(${lib} PUBLIC "${PROJECT_SOURCE_DIR}")
  target_link_libraries(${lib} PRIVATE vs_warnings)
  if(ARG_DEPS)
    target_link_libraries(${lib} PUBLIC ${ARG_DEPS})
  endif()
  file(RELATIVE_PATH rel "${PROJECT_SOURCE_DIR}" "${CMAKE_CURRENT_SOURCE_DIR}")
  if(rel MATCHES "^vm/")
    target_compile_options(${lib} PRIVATE -fno-rtti)
    set_property(GLOBAL APPEND PROPERTY VS_VM_LIBRARIES ${lib})
  endif()
endfunction()

# Environment of every test of the sanitizer tree. ASan's fake stacks would
# put locals above 4 GiB, so use-after-return detection stays off.
set(VS_TEST_ENVIRONMENT
    "ASAN_OPTIONS=detect_stack_use_after_return=0:abort_on_error=1"
    "UBSAN_OPTIONS=print_stacktrace=1")

# Whether a test with these labels belongs in this tree.
function(vs_test_wanted out)
  set(wanted ${VS_BUILD_TESTS})
  if(VS_FUZZ)
    set(wanted OFF)
  endif()
  if("x86_64-only" IN_LIST ARGN AND NOT VS_TARGET_X86_64)
    set(wanted OFF)
  endif()
  if("san-only" IN_LIST ARGN AND NOT VS_SANITIZE)
    set(wanted OFF)
  endif()
  if("host-only" IN_LIST ARGN AND NOT VS_IS_HOST_TREE)
    set(wanted OFF)
  endif()
  set(${out} ${wanted} PARENT_SCOPE)
endfunction()

function(vs_add_test exe)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  vs_test_wanted(wanted ${ARG_LABELS})
  if(NOT wanted)
    return()
  endif()
  add_executable(${exe} ${ARG_SOURCES})
  target_link_libraries(${exe} PRIVATE ${ARG_LIBS} vs_test_main vs_warnings)
  gtest_discover_tests(${exe}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 120)
  # List-valued properties do not survive gtest_discover_tests (it flattens
  # them into its argument list), so a second include file, read after the
  # discovered tests, sets them on the test list whole.
  set(labels unit ${ARG_LABELS})
  set(props "${CMAKE_CURRENT_BINARY_DIR}/${exe}_properties.cmake")
  file(WRITE "${props}"
    "if(${exe}_TESTS)\n"
    "  set_tests_properties(\${${exe}_TESTS} PROPERTIES LABELS \"${labels}\"\n"
    "    ENVIRONMENT \"${VS_TEST_ENVIRONMENT}\")\n"
    "endif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${props}")
endfunction()

function(vs_add_command_test)
  # PARSE_ARGV keeps a ";" inside one argument (as "\;"): a pattern such as
  # "Ljava/lang/String;" stays one pattern.
  cmake_parse_arguments(PARSE_ARGV 0 ARG "" "NAME;EXIT_CODE;STDOUT_FILE;WORKING_DIRECTORY"
                        "COMMAND;COMPARE_COMMAND;STDOUT_REGEX;STDERR_REGEX;STDOUT_NOT_REGEX;STDERR_NOT_REGEX;LABELS")
  foreach(list COMMAND COMPARE_COMMAND LABELS)
    string(REPLACE "\\;" ";" ARG_${list} "${ARG_${list}}")
  endforeach()
  vs_test_wanted(wanted ${ARG_LABELS})
  if(NOT wanted)
    return()
  endif()
  if(NOT DEFINED ARG_EXIT_CODE)
    set(ARG_EXIT_CODE 0)
  endif()
  if(NOT ARG_WORKING_DIRECTORY)
    set(ARG_WORKING_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}")
  endif()
  # Each list travels as one argument with its items joined by "|@|" (add_test
  # cannot pass a list through -D unchanged); a ";" inside a pattern travels
  # as "|sc|".
  string(JOIN "|@|" cmd ${ARG_COMMAND})
  string(JOIN "|@|" compare ${ARG_COMPARE_COMMAND})
  foreach(list STDOUT_REGEX STDERR_REGEX STDOUT_NOT_REGEX STDERR_NOT_REGEX)
    string(REPLACE "\\;" "|sc|" joined "${ARG_${list}}")
    string(REPLACE ";" "|@|" ${list} "${joined}")
  endforeach()
  add_test(NAME ${ARG_NAME}
    COMMAND ${CMAKE_COMMAND}
      "-DVS_CMD=${cmd}" "-DVS_EXIT_CODE=${ARG_EXIT_CODE}"
      "-DVS_STDOUT_REGEX=${STDOUT_REGEX}" "-DVS_STDERR_REGEX=${STDERR_REGEX}"
      "-DVS_STDOUT_NOT_REGEX=${STDOUT_NOT_REGEX}" "-DVS_STDERR_NOT_REGEX=${STDERR_NOT_REGEX}"
      "-DVS_STDOUT_FILE=${ARG_STDOUT_FILE}" "-DVS_COMPARE_CMD=${compare}"
      -P "${PROJECT_SOURCE_DIR}/cmake/run_command_test.cmake"
    WORKING_DIRECTORY "${ARG_WORKING_DIRECTORY}")
  # The limit only catches a hang: the emulated and sanitized VMs run the
  # collector-stress and verifier programs several times slower.
  set(timeout 120)
  if(CMAKE_CROSSCOMPILING_EMULATOR OR VS_SANITIZE)
    set(timeout 360)
  endif()
  set_tests_properties(${ARG_NAME} PROPERTIES
    LABELS "command;${ARG_LABELS}" TIMEOUT ${timeout} ENVIRONMENT "${VS_TEST_ENVIRONMENT}")
endfunction()

# Called once at the end of the top-level CMakeLists: registers the checks
# that need every module of the tree.
function(vs_finish_tree)
  get_property(vm_libs GLOBAL PROPERTY VS_VM_LIBRARIES)
  vs_finish_fuzzers()
  vs_finish_benchmarks()
  if(VS_BUILD_TESTS AND VS_TARGET_X86_64 AND NOT VS_SANITIZE AND vm_libs)
    set(objs "")
    foreach(lib IN LISTS vm_libs)
      list(APPEND objs "$<TARGET_OBJECTS:${lib}>")
    endforeach()
    file(GENERATE OUTPUT "${CMAKE_BINARY_DIR}/vm_objects.txt"
         CONTENT "$<JOIN:${objs},\n>\n")
    add_test(NAME section_check_vm_libraries
      COMMAND ${Python3_EXECUTABLE} "${PROJECT_SOURCE_DIR}/tools/section_check.py"
              --allow "${PROJECT_SOURCE_DIR}/tools/section_check.allow"
              --list "${CMAKE_BINARY_DIR}/vm_objects.txt")
    set_tests_properties(section_check_vm_libraries PROPERTIES LABELS "build-check")
  endif()
endfunction()

find_package(Python3 REQUIRED COMPONENTS Interpreter)
