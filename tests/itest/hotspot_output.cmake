# Writes what a test program prints on HotSpot into a file, for the test
# trees to compare the VM's output with.
#   -DJAVA=<java> -DCLASSPATH=<path> -DMAIN=<class> -DOUTPUT=<file> [-DARGS=<arguments>]
execute_process(COMMAND "${JAVA}" -Dsun.stdout.encoding=UTF-8 -Duser.timezone=GMT -Duser.language=en
          -Duser.country=US -cp "${CLASSPATH}" "${MAIN}" ${ARGS}
  OUTPUT_FILE "${OUTPUT}.tmp" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  file(REMOVE "${OUTPUT}.tmp")
  message(FATAL_ERROR "${MAIN} on HotSpot: exit status ${rc}")
endif()
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
