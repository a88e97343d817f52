# Fuzz targets (the `fuzz` preset: clang, libFuzzer, ASan and UBSan).
#
#   vs_add_fuzzer(<name> SOURCES ... [LIBS ...] [CORPUS <dir>...] [RUNS <n>] [REPLAY])
#       Builds a libFuzzer program (only in the fuzz tree) and registers the
#       CTest test fuzz_<name>: it runs the seed corpus directories and then
#       RUNS further executions (default 200000) with a fixed seed; a crash,
#       leak or sanitizer report fails it. New inputs go to a scratch folder
#       of the build tree, never into the seed folders. With REPLAY, the
#       other test trees build the same entry point as <name>_replay, and
#       the test replay_<name> runs it once on every seed.
#
# A target body that runs VM code must not run on libFuzzer's main thread,
# whose stack lies above 4 GiB: tests/support/fuzz_main.h hands every input to
# one persistent low-stack thread.

set_property(GLOBAL PROPERTY VS_FUZZ_TARGETS "")

function(vs_add_fuzzer name)
  cmake_parse_arguments(ARG "REPLAY" "RUNS" "SOURCES;LIBS;CORPUS" ${ARGN})
  if(NOT VS_FUZZ)
    if(ARG_REPLAY AND VS_BUILD_TESTS)
      add_executable(${name}_replay ${ARG_SOURCES})
      target_link_libraries(${name}_replay PRIVATE ${ARG_LIBS} vs_fuzz_replay vs_warnings)
      add_test(NAME replay_${name}
        COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:${name}_replay> ${ARG_CORPUS})
      set_tests_properties(replay_${name} PROPERTIES LABELS fuzz-replay TIMEOUT 600
        ENVIRONMENT "${VS_TEST_ENVIRONMENT}")
    endif()
    return()
  endif()
  if(NOT ARG_RUNS)
    set(ARG_RUNS 200000)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} vs_fuzz_main vs_warnings)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set_property(GLOBAL APPEND PROPERTY VS_FUZZ_TARGETS ${name})
  set(scratch "${CMAKE_CURRENT_BINARY_DIR}/${name}.scratch")
  string(JOIN "|@|" corpus ${ARG_CORPUS})
  add_test(NAME fuzz_${name}
    COMMAND ${CMAKE_COMMAND} "-DSCRATCH=${scratch}"
            "-DRUN=$<TARGET_FILE:${name}>|@|-runs=${ARG_RUNS}|@|-seed=1|@|-print_final_stats=1"
            "-DCORPUS=${corpus}"
            -P "${PROJECT_SOURCE_DIR}/cmake/run_fuzzer.cmake")
  set_tests_properties(fuzz_${name} PROPERTIES LABELS fuzz TIMEOUT 1200
    ENVIRONMENT "${VS_TEST_ENVIRONMENT}")
endfunction()

function(vs_finish_fuzzers)
  if(NOT VS_FUZZ)
    return()
  endif()
  get_property(targets GLOBAL PROPERTY VS_FUZZ_TARGETS)
  add_custom_target(vs_fuzzers DEPENDS ${targets})
endfunction()
