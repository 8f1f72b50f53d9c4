# Files that name installed places: the prefix is known only when installing
# (a package is laid out under another prefix than the build's), so the
# placeholder @PARLOTTO_PROGRAM_DIR@ is replaced then, as classes.reg's is.
#
#   parlotto_install_template(<template> DESTINATION <dir> RENAME <name> [GZIP])

function(parlotto_install_template template)
  cmake_parse_arguments(ARG "GZIP" "DESTINATION;RENAME" "" ${ARGN})
  if(NOT ARG_DESTINATION OR NOT ARG_RENAME)
    message(FATAL_ERROR "parlotto_install_template: DESTINATION and RENAME are required")
  endif()
  get_filename_component(template "${template}" ABSOLUTE)
  set(gzip "")
  if(ARG_GZIP)
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
  ")
endfunction()

# <prefix>/bin/<name> as a relative link to the program of that name in the
# program directory, which finds its directory through the link.
function(parlotto_install_bin_link name)
  file(RELATIVE_PATH to /p/${CMAKE_INSTALL_BINDIR} /p/${PARLOTTO_INSTALL_DIR}/${name})
  install(CODE "
    set(link \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${name}\")
    message(STATUS \"Installing: \${link} -> ${to}\")
    file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    file(CREATE_LINK \"${to}\" \"\${link}\" SYMBOLIC)
  ")
endfunction()
