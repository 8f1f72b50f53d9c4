# A Debian package of the installation: `cpack` in the build directory.
# The package is laid out under /usr whatever prefix the build was
# configured with; everything that names an installed place takes the
# prefix at install time. A release build (hardened, cmake/Hardening.cmake)
# gives the package to hand out; its debug symbols go into a package of
# their own, parlotto-dbgsym.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME parlotto)
set(CPACK_PACKAGE_VENDOR "Parlotto")
set(CPACK_PACKAGE_CONTACT "Parlotto maintainers <maintainers@parlotto.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "read-aloud program for texts, documents and web pages")
# One language, as the archive's descriptions are English; the desktop
# entries and the program speak German.
set(CPACK_PACKAGE_DESCRIPTION
    "Parlotto reads a text aloud, through an animated character or plain speech\n\
output, and ends by itself: a text or RTF file, Word and ODF documents, PDF\n\
documents, web pages, the clipboard or the selection. Speech by espeak-ng.")
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX ${PARLOTTO_PACKAGE_PREFIX})
set(CPACK_PACKAGING_INSTALL_PREFIX ${PARLOTTO_PACKAGE_PREFIX})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://parlotto.org/")
# Directories 0755, files 0644 or 0755 as dpkg-deb expects.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Stripped programs, their symbols in parlotto-dbgsym (CPack strips what it
# has taken them from; stripping before would leave none to take).
set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)
# The libraries the programs link come from dpkg-shlibdeps; what they load
# or start at run time is named here: Qt's window system plugins, the MIME
# database of the launcher, the session bus of the servers, espeak-ng's
# voices, xdg-open for the help page, gdbus for the menu's "Auswahl
# vorlesen", the accessibility bus for the browser window, the condensed
# DejaVu face the dialogs are laid out for.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, shared-mime-info, default-dbus-session-bus | dbus-session-bus, \
espeak-ng-data, xdg-utils, libglib2.0-bin, at-spi2-core, fonts-dejavu-extra")
# .doc through antiword; other formats through LibreOffice.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "antiword, libreoffice-writer-nogui | libreoffice-writer")
# Our own libraries lie in the program directory and are found through
# $ORIGIN; dpkg-shlibdeps follows it. Being private, they need no ldconfig
# trigger. Menus, the MIME cache and the icon cache are updated by the
# triggers of desktop-file-utils and the icon theme.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/DebFixups.cmake)
include(CPack)
