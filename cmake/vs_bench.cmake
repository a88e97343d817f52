# Benchmarks: built with the tree, run by the `bench` target, never by CTest.
#
#   vs_add_benchmark(<name> SOURCES ... [LIBS ...])
#       A Google Benchmark program (x86-64 trees without sanitizers; Google
#       Benchmark has no armel build here).
#   vs_add_timing_program(<name> SOURCES ... [LIBS ...])
#       A plain program that prints its own timings; any tree but the
#       sanitizer one (on armel the bench target runs it under qemu-arm).
#   vs_add_bench_command(<name> COMMAND ... [DEPENDS <target>...])
#       A command that times programs of the tree (a script, for example);
#       the same trees as timing programs. The bench target runs it.

set_property(GLOBAL PROPERTY VS_BENCH_TARGETS "")
set_property(GLOBAL PROPERTY VS_BENCH_COMMANDS "")

function(vs_add_benchmark name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT VS_TARGET_X86_64 OR VS_SANITIZE OR VS_FUZZ)
    return()
  endif()
  find_package(benchmark REQUIRED)
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark vs_warnings)
  set_property(GLOBAL APPEND PROPERTY VS_BENCH_TARGETS ${name})
endfunction()

function(vs_add_timing_program name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  if(VS_SANITIZE OR VS_FUZZ)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} vs_warnings)
  set_property(GLOBAL APPEND PROPERTY VS_BENCH_TARGETS ${name})
endfunction()

function(vs_add_bench_command name)
  cmake_parse_arguments(ARG "" "" "COMMAND;DEPENDS" ${ARGN})
  if(VS_SANITIZE OR VS_FUZZ)
    return()
  endif()
  add_custom_target(${name} COMMAND ${ARG_COMMAND} USES_TERMINAL VERBATIM)
  if(ARG_DEPENDS)
    add_dependencies(${name} ${ARG_DEPENDS})
  endif()
  set_property(GLOBAL APPEND PROPERTY VS_BENCH_COMMANDS ${name})
endfunction()

function(vs_finish_benchmarks)
  get_property(targets GLOBAL PROPERTY VS_BENCH_TARGETS)
  set(commands "")
  foreach(t IN LISTS targets)
    # An executable target named as the command runs under the tree's
    # emulator (qemu-arm) where there is one.
    list(APPEND commands COMMAND ${t})
  endforeach()
  if(NOT commands)
    set(commands COMMAND ${CMAKE_COMMAND} -E echo "No benchmarks in this tree.")
  endif()
  add_custom_target(bench ${commands} USES_TERMINAL)
  get_property(scripted GLOBAL PROPERTY VS_BENCH_COMMANDS)
  if(scripted)
    add_dependencies(bench ${scripted})
  endif()
endfunction()
