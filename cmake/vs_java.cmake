# The Java pipeline: every Java archive of the tree (the system library and
# the test programs) is built in three checked steps by tools/javabuild.py:
#   1. ecj -source 1.3 -target 1.3 -inlineJSR against a boot class path,
#   2. ProGuard -microedition preverification (unresolved references fail),
#   3. tools/classcheck.py: major version 45..48, no jsr/ret/jsr_w,
#      StackMap wherever control flow needs one, no StackMapTable.
#
#   vs_add_checked_jar(<target> SOURCE_DIR <dir> OUTPUT <jar>
#                      [BOOT_JAR <jar>...] [DEPENDS <target>...])
#       The sources are compiled against the BOOT_JAR archives (the system
#       library, then others it depends on); without BOOT_JAR against an
#       empty boot class path (they are a boot library themselves).
#   vs_add_hotspot_test(NAME <n> JAR <jar> MAIN <class>
#                       (GOLDEN <file> | COMPARE_COMMAND <cmd>...))
#       Runs the class on the JDK's HotSpot and compares its standard output
#       with a golden file or with another command's standard output.
#
# Java runs only in the host tree; other trees use the archives in
# ${VS_JAVA_OUT}, which points into VS_HOST_TREE for them.

if(VS_IS_HOST_TREE)
  set(VS_JAVA_OUT "${CMAKE_BINARY_DIR}/java")
  find_program(VS_ECJ ecj REQUIRED)
  find_program(VS_PROGUARD proguard REQUIRED)
  find_program(VS_JAVA java REQUIRED)
  find_program(VS_JAVAC javac REQUIRED)
  find_program(VS_JAVAP javap REQUIRED)
  find_program(VS_JAR jar REQUIRED)
else()
  set(VS_JAVA_OUT "${VS_HOST_TREE}/java")
endif()

function(vs_add_checked_jar target)
  cmake_parse_arguments(ARG "" "SOURCE_DIR;OUTPUT" "BOOT_JAR;DEPENDS" ${ARGN})
  if(NOT VS_IS_HOST_TREE)
    return()
  endif()
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS "${ARG_SOURCE_DIR}/*.java")
  set(boot_args "")
  if(ARG_BOOT_JAR)
    string(JOIN ":" boot_path ${ARG_BOOT_JAR})
    set(boot_args --boot "${boot_path}")
  endif()
  add_custom_command(OUTPUT "${ARG_OUTPUT}"
    COMMAND ${Python3_EXECUTABLE} "${PROJECT_SOURCE_DIR}/tools/javabuild.py"
            --src "${ARG_SOURCE_DIR}" --out "${ARG_OUTPUT}"
            --work "${CMAKE_CURRENT_BINARY_DIR}/${target}.work" ${boot_args}
    DEPENDS ${sources} ${ARG_BOOT_JAR} ${ARG_DEPENDS}
            "${PROJECT_SOURCE_DIR}/tools/javabuild.py" "${PROJECT_SOURCE_DIR}/tools/classcheck.py"
    COMMENT "Building checked Java archive ${target}"
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS "${ARG_OUTPUT}")
endfunction()

function(vs_add_hotspot_test)
  cmake_parse_arguments(ARG "" "NAME;JAR;MAIN;GOLDEN" "COMPARE_COMMAND" ${ARGN})
  if(NOT VS_IS_HOST_TREE)
    return()
  endif()
  if(ARG_GOLDEN)
    vs_add_command_test(NAME ${ARG_NAME} LABELS java host-only
      COMMAND "${VS_JAVA}" -cp "${ARG_JAR}" ${ARG_MAIN}
      STDOUT_FILE "${ARG_GOLDEN}")
  else()
    vs_add_command_test(NAME ${ARG_NAME} LABELS java host-only
      COMMAND "${VS_JAVA}" -cp "${ARG_JAR}" ${ARG_MAIN}
      COMPARE_COMMAND ${ARG_COMPARE_COMMAND})
  endif()
endfunction()
