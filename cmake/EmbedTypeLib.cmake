# parlotto_embed_typelib(TARGET <target> DESCRIPTION <json> [RESOURCE_ID <n>])
#
# Puts a type library description into <target> as the ELF section
# ".typelib" (".typelib.<n>" for RESOURCE_ID n other than 1), where
# LoadTypeLib finds it. The description is checked to be JSON at build time
# and embedded again whenever it changes.
set(PARLOTTO_EMBED_TYPELIB_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/embed_typelib.cmake)

function(parlotto_embed_typelib)
  cmake_parse_arguments(ARG "" "TARGET;DESCRIPTION;RESOURCE_ID" "" ${ARGN})
  if(NOT ARG_TARGET OR NOT ARG_DESCRIPTION)
    message(FATAL_ERROR "parlotto_embed_typelib: TARGET and DESCRIPTION are required")
  endif()
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "parlotto_embed_typelib: unknown arguments ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT TARGET ${ARG_TARGET})
    message(FATAL_ERROR "parlotto_embed_typelib: ${ARG_TARGET} is not a target")
  endif()
  # From a static library the linker would drop the unreferenced data, and
  # the program would silently have no library.
  get_target_property(type ${ARG_TARGET} TYPE)
  if(NOT type MATCHES "^(EXECUTABLE|SHARED_LIBRARY|MODULE_LIBRARY)$")
    message(FATAL_ERROR
      "parlotto_embed_typelib: ${ARG_TARGET} is a ${type}; embed in the program or shared object")
  endif()
  if(NOT DEFINED ARG_RESOURCE_ID)
    set(ARG_RESOURCE_ID 1)
  endif()
  if(NOT ARG_RESOURCE_ID MATCHES "^[1-9][0-9]*$" OR ARG_RESOURCE_ID GREATER 65535)
    message(FATAL_ERROR "parlotto_embed_typelib: RESOURCE_ID must be 1 to 65535")
  endif()
  # Two descriptions in one section would run together into one bad text.
  get_target_property(used ${ARG_TARGET} PARLOTTO_TYPELIB_IDS)
  if(used AND ARG_RESOURCE_ID IN_LIST used)
    message(FATAL_ERROR
      "parlotto_embed_typelib: ${ARG_TARGET} already has a type library ${ARG_RESOURCE_ID}")
  endif()
  set_property(TARGET ${ARG_TARGET} APPEND PROPERTY PARLOTTO_TYPELIB_IDS ${ARG_RESOURCE_ID})

  if(ARG_RESOURCE_ID EQUAL 1)
    set(section ".typelib")
  else()
    set(section ".typelib.${ARG_RESOURCE_ID}")
  endif()
  get_filename_component(description ${ARG_DESCRIPTION} ABSOLUTE)
  set(output ${CMAKE_CURRENT_BINARY_DIR}/${ARG_TARGET}_typelib_${ARG_RESOURCE_ID}.cpp)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND}
      -DINPUT=${description}
      -DOUTPUT=${output}
      -DSECTION=${section}
      -DSYMBOL=parlotto_typelib_${ARG_RESOURCE_ID}
      -P ${PARLOTTO_EMBED_TYPELIB_SCRIPT}
    DEPENDS ${description} ${PARLOTTO_EMBED_TYPELIB_SCRIPT}
    COMMENT "Embedding type library ${ARG_DESCRIPTION} in ${ARG_TARGET}"
    VERBATIM)
  target_sources(${ARG_TARGET} PRIVATE ${output})
endfunction()
