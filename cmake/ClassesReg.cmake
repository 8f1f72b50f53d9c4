# The system hive classes.reg: the class registrations of the components
# that the build tree and the installation hold.
#
#   parlotto_register_inproc_class(CLSID <{GUID}> NAME <text> TARGET <module>
#                                  [INSTALL_DESTINATION <dir>])
#   parlotto_register_local_server_class(CLSID <{GUID}> NAME <text> TARGET <program>
#                                        [PROGID <name>] [INSTALL_DESTINATION <dir>])
#   parlotto_write_classes_reg()
#
# Registrations collect in a global property. parlotto_write_classes_reg,
# called once at the end of the top-level CMakeLists.txt, writes
# ${PARLOTTO_SYSTEM_DIR}/classes.reg naming the targets' files in the build
# tree, and installs system/classes.reg under ${PARLOTTO_INSTALL_DIR} naming
# them under INSTALL_DESTINATION (relative to the prefix, which is taken at
# install time). In-process servers get InprocServer32 with
# ThreadingModel=Apartment, local servers LocalServer32 with the quoted path;
# a PROGID names the class both ways (HKCR\<progid>\CLSID and the class's
# ProgID key).

function(_parlotto_register_class kind)
  cmake_parse_arguments(ARG "" "CLSID;NAME;TARGET;PROGID;INSTALL_DESTINATION" "" ${ARGN})
  set(fn "parlotto_register_${kind}_class")
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "${fn}: unknown arguments ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT ARG_CLSID OR NOT ARG_NAME OR NOT ARG_TARGET)
    message(FATAL_ERROR "${fn}: CLSID, NAME and TARGET are required")
  endif()
  set(hex "[0-9A-Fa-f]")
  string(REPEAT "${hex}" 4 hex4)
  if(NOT ARG_CLSID MATCHES "^{${hex4}${hex4}-${hex4}-${hex4}-${hex4}-${hex4}${hex4}${hex4}}$")
    message(FATAL_ERROR "${fn}: CLSID must be {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}, not ${ARG_CLSID}")
  endif()
  string(TOUPPER "${ARG_CLSID}" clsid)
  get_property(known GLOBAL PROPERTY PARLOTTO_CLASSES)
  if(clsid IN_LIST known)
    message(FATAL_ERROR "${fn}: ${clsid} is registered twice")
  endif()
  if(NOT DEFINED ARG_INSTALL_DESTINATION)
    set(ARG_INSTALL_DESTINATION ${PARLOTTO_INSTALL_DIR})
  endif()
  set_property(GLOBAL APPEND PROPERTY PARLOTTO_CLASSES ${clsid})
  set_property(GLOBAL PROPERTY PARLOTTO_CLASS_${clsid}_KIND ${kind})
  set_property(GLOBAL PROPERTY PARLOTTO_CLASS_${clsid}_NAME "${ARG_NAME}")
  set_property(GLOBAL PROPERTY PARLOTTO_CLASS_${clsid}_TARGET ${ARG_TARGET})
  set_property(GLOBAL PROPERTY PARLOTTO_CLASS_${clsid}_DESTINATION ${ARG_INSTALL_DESTINATION})
  set_property(GLOBAL PROPERTY PARLOTTO_CLASS_${clsid}_PROGID "${ARG_PROGID}")
endfunction()

function(parlotto_register_inproc_class)
  _parlotto_register_class(inproc ${ARGN})
endfunction()

function(parlotto_register_local_server_class)
  _parlotto_register_class(local_server ${ARGN})
endfunction()

# A .reg string: backslashes and quotes escaped.
function(_parlotto_reg_string out text)
  string(REPLACE "\\" "\\\\" text "${text}")
  string(REPLACE "\"" "\\\"" text "${text}")
  set(${out} "\"${text}\"" PARENT_SCOPE)
endfunction()

# The file's text; `location` gives each target's path, given its
# registration, as a generator expression or text.
function(_parlotto_classes_reg_text out mode)
  set(text "Windows Registry Editor Version 5.00\n")
  get_property(classes GLOBAL PROPERTY PARLOTTO_CLASSES)
  foreach(clsid IN LISTS classes)
    get_property(kind GLOBAL PROPERTY PARLOTTO_CLASS_${clsid}_KIND)
    get_property(name GLOBAL PROPERTY PARLOTTO_CLASS_${clsid}_NAME)
    get_property(target GLOBAL PROPERTY PARLOTTO_CLASS_${clsid}_TARGET)
    get_property(destination GLOBAL PROPERTY PARLOTTO_CLASS_${clsid}_DESTINATION)
    get_property(progid GLOBAL PROPERTY PARLOTTO_CLASS_${clsid}_PROGID)
    if(NOT TARGET ${target})
      message(FATAL_ERROR "classes.reg: ${clsid} names ${target}, which is not a target")
    endif()
    if(mode STREQUAL "build")
      set(path "$<TARGET_FILE:${target}>")
    elseif(IS_ABSOLUTE "${destination}")
      set(path "${destination}/$<TARGET_FILE_NAME:${target}>")
    else()
      set(path "@PARLOTTO_PREFIX@/${destination}/$<TARGET_FILE_NAME:${target}>")
    endif()
    _parlotto_reg_string(name_value "${name}")
    string(APPEND text "\n[HKEY_CLASSES_ROOT\\CLSID\\${clsid}]\n@=${name_value}\n")
    # Paths hold no quotes or backslashes on this system; written as they are.
    if(kind STREQUAL "inproc")
      string(APPEND text "\n[HKEY_CLASSES_ROOT\\CLSID\\${clsid}\\InprocServer32]\n"
                         "@=\"${path}\"\n\"ThreadingModel\"=\"Apartment\"\n")
    else()
      string(APPEND text "\n[HKEY_CLASSES_ROOT\\CLSID\\${clsid}\\LocalServer32]\n"
                         "@=\"\\\"${path}\\\"\"\n")
    endif()
    if(progid)
      _parlotto_reg_string(progid_value "${progid}")
      string(APPEND text "\n[HKEY_CLASSES_ROOT\\CLSID\\${clsid}\\ProgID]\n@=${progid_value}\n"
                         "\n[HKEY_CLASSES_ROOT\\${progid}]\n@=${name_value}\n"
                         "\n[HKEY_CLASSES_ROOT\\${progid}\\CLSID]\n@=\"${clsid}\"\n")
    endif()
  endforeach()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(parlotto_write_classes_reg)
  get_property(written GLOBAL PROPERTY PARLOTTO_CLASSES_REG_WRITTEN)
  if(written)
    message(FATAL_ERROR "parlotto_write_classes_reg: call it once, at the end")
  endif()
  set_property(GLOBAL PROPERTY PARLOTTO_CLASSES_REG_WRITTEN TRUE)

  _parlotto_classes_reg_text(build_text build)
  file(GENERATE OUTPUT ${PARLOTTO_SYSTEM_DIR}/classes.reg CONTENT "${build_text}")

  _parlotto_classes_reg_text(install_text install)
  set(template ${CMAKE_BINARY_DIR}/classes.reg.install)
  file(GENERATE OUTPUT ${template} CONTENT "${install_text}")
  install(CODE "
    file(READ \"${template}\" text)
    string(REPLACE \"@PARLOTTO_PREFIX@\" \"\${CMAKE_INSTALL_PREFIX}\" text \"\${text}\")
    set(file \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${PARLOTTO_INSTALL_DIR}/system/classes.reg\")
    message(STATUS \"Installing: \${file}\")
    file(WRITE \"\${file}\" \"\${text}\")
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES
         \"\${CMAKE_INSTALL_PREFIX}/${PARLOTTO_INSTALL_DIR}/system/classes.reg\")
  ")
endfunction()
