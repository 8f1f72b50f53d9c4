# A Debian package of the installation: `cpack` in the build directory.
# The package is laid out under /usr whatever prefix the build was
# configured with; everything that names an installed place takes the
# prefix at install time.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME parlotto)
set(CPACK_PACKAGE_VENDOR "Parlotto")
set(CPACK_PACKAGE_CONTACT "Parlotto <parlotto@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "liest Texte, Dokumente und Webseiten vor")
set(CPACK_PACKAGE_DESCRIPTION
    "Parlotto reads a text aloud, through an animated character or plain speech\n\
output, and ends by itself: a text or RTF file, Word and ODF documents, PDF\n\
documents, web pages, the clipboard. Speech by espeak-ng.")
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the programs link come from dpkg-shlibdeps; what they load
# or start at run time is named here: Qt's window system plugins, the MIME
# database of the launcher, the session bus of the servers, espeak-ng's
# voices, xdg-open for the help page.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, shared-mime-info, default-dbus-session-bus | dbus-session-bus, espeak-ng-data, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libreoffice-writer-nogui | libreoffice-writer")
# Our own libraries lie in the program directory and are found through
# $ORIGIN; dpkg-shlibdeps follows it. Menus and the icon cache are updated
# by the triggers of desktop-file-utils and the icon theme.
include(CPack)
