# The Debian package (scripts/package): everything the install rules lay out, under /usr, with
# the machine-wide settings in /etc as a conffile.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zelmar)
set(CPACK_PACKAGE_VENDOR "The Zelmar developers")
set(ZELMAR_PACKAGE_CONTACT "The Zelmar developers <zelmar-devel@example.org>"
    CACHE STRING "The package's maintainer, as Debian's Maintainer field writes it")
set(CPACK_PACKAGE_CONTACT "${ZELMAR_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "3D solar-system screen saver")
set(CPACK_PACKAGE_DESCRIPTION
    "An animated, textured 3D model of the solar system: the Sun, the nine
planets, twelve of their moons and the rings of Saturn, before a night sky
or as a brass model in a room. The camera tours the bodies and shows their
data. It runs as an XScreenSaver display mode, as a MATE screen saver, or on
its own, and has a configuration dialog.")
# The install rules use absolute paths (/etc, the XScreenSaver link): stage them under DESTDIR.
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xscreensaver)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS
    "openuniverse-common, xplanet-images, xplanet, stellarium-data, marble-qt-data")
# The postinst names the installed program and the machine's map cache where they are.
configure_file(${PROJECT_SOURCE_DIR}/packaging/postinst.in ${PROJECT_BINARY_DIR}/packaging/postinst
  @ONLY)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    "${PROJECT_SOURCE_DIR}/packaging/conffiles;${PROJECT_BINARY_DIR}/packaging/postinst;${PROJECT_SOURCE_DIR}/packaging/postrm;${PROJECT_SOURCE_DIR}/packaging/triggers")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
