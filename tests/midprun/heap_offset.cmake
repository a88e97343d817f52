# Runs MIDPRUN (the program, after its emulator when there is one) with
# ARGS, both lists separated by commas, and prints "VM heap at heap + N": how far the VM's
# heap (the trace line "VM heap 0x...") begins behind the heap area that
# midprun reports ("heap 0x... SIZE"), both on standard error.
string(REPLACE "," ";" args "${ARGS}")
string(REPLACE "," ";" program "${MIDPRUN}")
execute_process(COMMAND ${program} ${args} OUTPUT_QUIET ERROR_VARIABLE err RESULT_VARIABLE rc)
string(REGEX MATCH "(^|\n)heap 0x([0-9a-f]+) " area "${err}")
set(area_hex "${CMAKE_MATCH_2}")
string(REGEX MATCH "\nVM heap 0x([0-9a-f]+) " vm "${err}")
set(vm_hex "${CMAKE_MATCH_1}")
if(area_hex STREQUAL "" OR vm_hex STREQUAL "")
  message(FATAL_ERROR "midprun did not report both heaps (status ${rc}):\n${err}")
endif()
math(EXPR offset "0x${vm_hex} - 0x${area_hex}")
message(STATUS "VM heap at heap + ${offset}")
