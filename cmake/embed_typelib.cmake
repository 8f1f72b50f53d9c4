# Writes a C++ source that holds the bytes of INPUT in the ELF section
# SECTION. Run by parlotto_embed_typelib at build time:
#   cmake -DINPUT=... -DOUTPUT=... -DSECTION=... -DSYMBOL=... -P embed_typelib.cmake
foreach(var INPUT OUTPUT SECTION SYMBOL)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "embed_typelib.cmake: ${var} is not set")
  endif()
endforeach()

file(READ ${INPUT} text)
# Catch a broken description when building rather than when loading it.
string(JSON kind ERROR_VARIABLE error TYPE "${text}")
if(error)
  message(FATAL_ERROR "${INPUT} is not valid JSON: ${error}")
endif()
if(NOT kind STREQUAL "OBJECT")
  message(FATAL_ERROR "${INPUT} is not a JSON object")
endif()

file(READ ${INPUT} hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n  "
       bytes "${bytes}")

set(source "// Generated from ${INPUT} by embed_typelib.cmake; do not edit.
// In its own section so that LoadTypeLib finds it in the program file;
// `used` keeps it although no code refers to it.
[[gnu::section(\"${SECTION}\"), gnu::used]] static const unsigned char ${SYMBOL}[] = {
  ${bytes}
};
")

# Rewriting an unchanged file would rebuild the target for nothing.
if(EXISTS ${OUTPUT})
  file(READ ${OUTPUT} old)
  if(old STREQUAL source)
    return()
  endif()
endif()
file(WRITE ${OUTPUT} "${source}")
