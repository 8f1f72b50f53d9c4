# Files that name installed places: the prefix is known only when installing
# (a package is laid out under another prefix than the build's), so the
# placeholder @PARLOTTO_PROGRAM_DIR@ is replaced then, as classes.reg's is.
# What install(CODE) writes is added to install_manifest.txt by hand, as
# only install(FILES/TARGETS) record theirs.
#
#   parlotto_install_template(<template> DESTINATION <dir> RENAME <name> [GZIP])

function(parlotto_install_template template)
  cmake_parse_arguments(ARG "GZIP" "DESTINATION;RENAME" "" ${ARGN})
  if(NOT ARG_DESTINATION OR NOT ARG_RENAME)
    message(FATAL_ERROR "parlotto_install_template: DESTINATION and RENAME are required")
  endif()
  get_filename_component(template "${template}" ABSOLUTE)
  set(gzip "")
  set(suffix "")
  if(ARG_GZIP)
    set(suffix ".gz")
    find_program(GZIP_PROGRAM gzip REQUIRED)
    # -n: no name or time inside, so that two builds give the same package.
    set(gzip "
      execute_process(COMMAND \"${GZIP_PROGRAM}\" -9 -n -f \"\${file}\" RESULT_VARIABLE failed)
      if(failed)
        message(FATAL_ERROR \"gzip failed on \${file}\")
      endif()")
  endif()
  install(CODE "
    file(READ \"${template}\" text)
    string(REPLACE \"@PARLOTTO_PROGRAM_DIR@\" \"\${CMAKE_INSTALL_PREFIX}/${PARLOTTO_INSTALL_DIR}\"
           text \"\${text}\")
    set(file \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${ARG_DESTINATION}/${ARG_RENAME}\")
    message(STATUS \"Installing: \${file}\")
    file(WRITE \"\${file}\" \"\${text}\")
    ${gzip}
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES
         \"\${CMAKE_INSTALL_PREFIX}/${ARG_DESTINATION}/${ARG_RENAME}${suffix}\")
  ")
endfunction()

# <prefix>/bin/<name> as a relative link to the program of that name in the
# program directory, which finds its directory through the link; LINK_NAME
# gives the link another name.
#
#   parlotto_install_bin_link(<program> [LINK_NAME <name>])
function(parlotto_install_bin_link name)
  cmake_parse_arguments(ARG "" "LINK_NAME" "" ${ARGN})
  set(link_name ${name})
  if(ARG_LINK_NAME)
    set(link_name ${ARG_LINK_NAME})
  endif()
  file(RELATIVE_PATH to /p/${CMAKE_INSTALL_BINDIR} /p/${PARLOTTO_INSTALL_DIR}/${name})
  install(CODE "
    set(link \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${link_name}\")
    message(STATUS \"Installing: \${link} -> ${to}\")
    file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    file(CREATE_LINK \"${to}\" \"\${link}\" SYMBOLIC)
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES
         \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${link_name}\")
  ")
endfunction()
