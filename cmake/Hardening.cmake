# The compiler and linker flags Debian builds its packages with, from
# dpkg-buildflags where it is installed, else the same set by hand. Paths of
# the source and build trees are mapped away so that no binary names them.

set(_hardening_cppflags -D_FORTIFY_SOURCE=2)
set(_hardening_cxxflags -g -fstack-protector-strong -fstack-clash-protection
    -Wformat -Werror=format-security)
set(_hardening_ldflags -Wl,-z,relro -Wl,-z,now)

find_program(DPKG_BUILDFLAGS dpkg-buildflags)
if(DPKG_BUILDFLAGS)
  foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
    execute_process(
      COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
              ${DPKG_BUILDFLAGS} --get ${kind}
      WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
      OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "dpkg-buildflags --get ${kind} failed")
    endif()
    separate_arguments(flags UNIX_COMMAND "${flags}")
    # The build type chooses the optimisation.
    list(FILTER flags EXCLUDE REGEX "^-O")
    string(TOLOWER ${kind} lower)
    set(_hardening_${lower} ${flags})
  endforeach()
endif()

add_compile_options(${_hardening_cppflags} ${_hardening_cxxflags}
                    -ffile-prefix-map=${CMAKE_SOURCE_DIR}=.
                    -ffile-prefix-map=${CMAKE_BINARY_DIR}=.)
add_link_options(${_hardening_ldflags})
# Position-independent programs too, not only libraries.
include(CheckPIESupported)
check_pie_supported()
message(STATUS "Hardening: ${_hardening_cppflags} ${_hardening_cxxflags} ${_hardening_ldflags}")
