# Class images: the romizer of the host tree turns Java archives into one
# assembler file, and a static library of that file links the image into a
# program.
#
#   vs_add_image(<lib> JARS <jar>... [DEPENDS <target>...] [ROMIZER_ARGS <arg>...])
#       The host tree runs its romizer over the archives (the first is the
#       system library) and writes ${VS_IMAGE_OUT}/<lib>.s; every tree
#       assembles that file into the static library <lib>. Other trees take
#       the file from VS_HOST_TREE, as they take the archives: the same input
#       gives the same image on every target.

if(VS_IS_HOST_TREE)
  set(VS_IMAGE_OUT "${CMAKE_BINARY_DIR}/images")
else()
  set(VS_IMAGE_OUT "${VS_HOST_TREE}/images")
endif()

function(vs_add_image lib)
  cmake_parse_arguments(ARG "" "" "JARS;DEPENDS;ROMIZER_ARGS" ${ARGN})
  set(asm "${VS_IMAGE_OUT}/${lib}.s")
  if(VS_IS_HOST_TREE)
    add_custom_command(OUTPUT "${asm}"
      COMMAND ${CMAKE_COMMAND} -E make_directory "${VS_IMAGE_OUT}"
      COMMAND romizer ${ARG_ROMIZER_ARGS} -o "${asm}" ${ARG_JARS}
      DEPENDS romizer ${ARG_JARS} ${ARG_DEPENDS}
      COMMENT "Romizing class image ${lib}"
      VERBATIM)
  endif()
  set_source_files_properties("${asm}" PROPERTIES GENERATED TRUE LANGUAGE ASM)
  add_library(${lib} STATIC "${asm}")
  if(VS_IS_HOST_TREE)
    add_custom_target(${lib}_source DEPENDS "${asm}")
    add_dependencies(${lib} ${lib}_source)
  endif()
endfunction()
