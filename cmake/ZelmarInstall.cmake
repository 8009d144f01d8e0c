# Install rules beyond the program and its media (src/shell, tools): the machine-wide settings,
# the screen-saver hosts' entries, the menu launcher, the icons, the manual page and the
# copyright file. Included after the subdirectories, so that these rules run after theirs.

set(ZELMAR_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)

# The machine-wide settings, recorded by the installed program itself so that the file names the
# media folder of this installation. The folder is worked out at install time, as
# GNUInstallDirs would have for the prefix given then (cmake --install --prefix): /usr keeps its
# settings in /etc. A staged install (DESTDIR, a package) writes a fresh file into the stage;
# an install onto this machine adds to the file there, keeping the values already chosen.
install(CODE "set(zelmar_configured_prefix \"${CMAKE_INSTALL_PREFIX}\")
set(zelmar_configured_sysconf \"${CMAKE_INSTALL_FULL_SYSCONFDIR}\")
set(zelmar_sysconfdir \"${CMAKE_INSTALL_SYSCONFDIR}\")
set(zelmar_bindir \"${CMAKE_INSTALL_BINDIR}\")
set(zelmar_datadir \"${CMAKE_INSTALL_DATADIR}\")")
install(CODE [[
  if(CMAKE_INSTALL_PREFIX STREQUAL zelmar_configured_prefix)
    set(zelmar_etc "${zelmar_configured_sysconf}")
  elseif(IS_ABSOLUTE "${zelmar_sysconfdir}")
    set(zelmar_etc "${zelmar_sysconfdir}")
  elseif(CMAKE_INSTALL_PREFIX MATCHES "^/(usr/?)?$")
    set(zelmar_etc "/${zelmar_sysconfdir}")
  elseif(CMAKE_INSTALL_PREFIX MATCHES "^/opt/")
    set(zelmar_etc "/${zelmar_sysconfdir}${CMAKE_INSTALL_PREFIX}")
  else()
    set(zelmar_etc "${CMAKE_INSTALL_PREFIX}/${zelmar_sysconfdir}")
  endif()
  set(zelmar_hive "$ENV{DESTDIR}${zelmar_etc}/zelmar/zelmar.reg")
  set(zelmar_exe "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${zelmar_bindir}/zelmar")
  set(zelmar_media "${CMAKE_INSTALL_PREFIX}/${zelmar_datadir}/zelmar")
  if(NOT "$ENV{DESTDIR}" STREQUAL "")
    file(REMOVE "${zelmar_hive}")
  endif()
  message(STATUS "Recording the settings: ${zelmar_hive}")
  get_filename_component(zelmar_hive_dir "${zelmar_hive}" DIRECTORY)
  file(MAKE_DIRECTORY "${zelmar_hive_dir}")
  execute_process(
    COMMAND "${CMAKE_COMMAND}" -E env "ZELMAR_HIVE=${zelmar_hive}"
            "${zelmar_exe}" --record-install "${zelmar_media}"
    RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    if("$ENV{DESTDIR}" STREQUAL "")
      message(WARNING "zelmar: the settings were not recorded in ${zelmar_hive} (see above)")
    else()
      message(FATAL_ERROR "zelmar: the settings could not be recorded in ${zelmar_hive}")
    endif()
  endif()
  if(NOT "$ENV{DESTDIR}" STREQUAL "")
    file(REMOVE "${zelmar_hive}.lock")  # a run's lock, not part of the installation
  endif()
]])

# XScreenSaver runs its display modes from its own folder and builds its settings page from the
# XML beside them. The link is relative so that a staged tree stays whole.
install(FILES ${ZELMAR_PACKAGING_DIR}/zelmar.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/xscreensaver/config)
install(CODE [[
  set(zelmar_link "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/libexec/xscreensaver/zelmar")
  message(STATUS "Installing: ${zelmar_link}")
  file(MAKE_DIRECTORY "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/libexec/xscreensaver")
  file(CREATE_LINK ../../bin/zelmar "${zelmar_link}" SYMBOLIC)
]])

install(FILES ${ZELMAR_PACKAGING_DIR}/zelmar.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${ZELMAR_PACKAGING_DIR}/zelmar-screensaver.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications/screensavers RENAME zelmar.desktop)

foreach(size 32 48 64 128 256)
  install(FILES ${ZELMAR_BUILD_DATA_DIR}/icons/zelmar-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME zelmar.png)
endforeach()

# The manual page and the change log are installed compressed, as man finds them and as Debian
# requires (-n: no time stamp, so that the same source gives the same bytes).
set(zelmar_man ${CMAKE_BINARY_DIR}/packaging/zelmar.6.gz)
set(zelmar_changelog ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(
  OUTPUT ${zelmar_man} ${zelmar_changelog}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
  COMMAND gzip -9 -n -c ${ZELMAR_PACKAGING_DIR}/zelmar.6 > ${zelmar_man}
  COMMAND gzip -9 -n -c ${ZELMAR_PACKAGING_DIR}/changelog > ${zelmar_changelog}
  DEPENDS ${ZELMAR_PACKAGING_DIR}/zelmar.6 ${ZELMAR_PACKAGING_DIR}/changelog
  COMMENT "Compressing the manual page and the change log")
add_custom_target(zelmar-manual ALL DEPENDS ${zelmar_man} ${zelmar_changelog})
# Whoever builds only the program still gets everything the install rules need.
add_dependencies(zelmar zelmar-manual)
install(FILES ${zelmar_man} DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)

install(FILES ${ZELMAR_PACKAGING_DIR}/copyright ${zelmar_changelog}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zelmar)
