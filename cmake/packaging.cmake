# Installation and packaging rules.
#
#   cmake --install build --prefix /usr/local   # the programs, desktop entry and icon
#   cpack -G DEB --config build/CPackConfig.cmake   # lumivane-monitor_<version>_<arch>.deb
#
# The test `package_deb` builds the package in a scratch folder and checks
# what it holds (packaging/check-package).

include(GNUInstallDirs)

set(LUMIVANE_APP_ID lumivane-monitor)
set(LUMIVANE_ICON_SIZES 16 24 32 48 64 128 256)
set(_packaging_dir ${PROJECT_SOURCE_DIR}/packaging)

# Programs.
install(TARGETS lumivane-monitor lumivane-sim lumivane
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The three programs' bash completions, loaded on demand by bash-completion.
install(FILES ${_packaging_dir}/bash-completion/lumivane ${_packaging_dir}/bash-completion/lumivane-sim
  ${_packaging_dir}/bash-completion/lumivane-monitor
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

# Desktop entry and icon (hicolor theme: the SVG and a PNG for each size).
install(FILES ${_packaging_dir}/${LUMIVANE_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_packaging_dir}/icons/${LUMIVANE_APP_ID}.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size ${LUMIVANE_ICON_SIZES})
  install(FILES ${_packaging_dir}/icons/${LUMIVANE_APP_ID}-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
    RENAME ${LUMIVANE_APP_ID}.png)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/README.md
  DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${LUMIVANE_APP_ID})

# Software centres list the application from its AppStream metainfo, named by
# the maker's reverse domain; it points at the desktop entry above.
set(LUMIVANE_METAINFO_ID example.lumivane.MiniMonitor)
install(FILES ${_packaging_dir}/${LUMIVANE_METAINFO_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Debian's copyright file and changelog. The package's version has no
# Debian revision (the maker packages its own program), so the changelog
# is changelog.gz, not changelog.Debian.gz.
install(FILES ${_packaging_dir}/debian/copyright
  DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${LUMIVANE_APP_ID})

# Compressed as Debian wants: gzip -9n leaves out the name and the time, so
# the same source always makes the same bytes.
find_program(LUMIVANE_GZIP gzip)
set(_gzipped_dir ${PROJECT_BINARY_DIR}/gzipped)

# lumivane_install_gzipped(SOURCE NAME DESTINATION): SOURCE, with
# @PROJECT_VERSION@ filled in, installed as DESTINATION/NAME.gz.
function(lumivane_install_gzipped source name destination)
  if(NOT LUMIVANE_GZIP)
    message(STATUS "gzip not found: ${name}.gz is left out of the installation")
    return()
  endif()
  configure_file(${source} ${_gzipped_dir}/${name} @ONLY)
  add_custom_command(OUTPUT ${_gzipped_dir}/${name}.gz
    COMMAND ${LUMIVANE_GZIP} -9n --keep --force ${_gzipped_dir}/${name}
    DEPENDS ${_gzipped_dir}/${name}
    VERBATIM)
  string(MAKE_C_IDENTIFIER "gzip_${name}" target)
  add_custom_target(${target} ALL DEPENDS ${_gzipped_dir}/${name}.gz)
  install(FILES ${_gzipped_dir}/${name}.gz DESTINATION ${destination})
endfunction()

lumivane_install_gzipped(${_packaging_dir}/debian/changelog changelog
  ${CMAKE_INSTALL_DATAROOTDIR}/doc/${LUMIVANE_APP_ID})

# A manual page for every installed program: packaging/man/PROGRAM.1.
function(lumivane_install_man_page program)
  lumivane_install_gzipped(${_packaging_dir}/man/${program}.1 ${program}.1
    ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
lumivane_install_man_page(lumivane-monitor)
lumivane_install_man_page(lumivane-sim)
lumivane_install_man_page(lumivane)

# Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${LUMIVANE_APP_ID})
set(CPACK_PACKAGE_VENDOR "Lumivane")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Lumivane <support@lumivane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "DMX512 channel level monitor for the Lumivane transceiver box")
set(CPACK_PACKAGE_DESCRIPTION
  "Lumivane MINI Monitor watches the channel levels of a DMX512 lighting line
through a Lumivane DMX512 transceiver box on an RS-232 port (115200 baud, 8N1).
It reads single channels, lists ranges of up to 256 channels and monitors
five chosen channels continuously. Its Live Channels window shows the whole
universe, channels 1 to 512, live, and plots the channels chosen in it.
.
The package also holds lumivane, the command line for scripts and test
benches: it reads, lists and watches any of the 512 channels, checks the line
against a file of expected levels (lumivane check), records it into a show
file (lumivane record) and feeds it into a universe of the Open Lighting
Architecture, olad (lumivane bridge).
.
lumivane-sim, a simulated transceiver box on a pseudo-terminal, is there for
trying all of it without hardware; it also plays a recording back
(lumivane-sim --replay).")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Lumivane <support@lumivane.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://lumivane.example/")

# The libraries come from the binaries themselves (dpkg-shlibdeps, from
# dpkg-dev). The xcb platform plugin is loaded at run time, so no linker
# records it: without qt6-qpa-plugins the monitor cannot open a window. The
# window's font is Liberation Sans.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-liberation2")
# Without it a Wayland session runs the window through XWayland, and Qt
# warns at every start. lumivane bridge feeds olad, which comes with ola;
# its client library, libola1, is found by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, ola")
find_program(LUMIVANE_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(LUMIVANE_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  message(STATUS "dpkg-shlibdeps not found (package dpkg-dev): the .deb lists its Qt dependencies by hand")
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS
    ", libc6, libstdc++6, libqt6core6 (>= 6.2), libqt6gui6 (>= 6.2)"
    ", libqt6widgets6 (>= 6.2), libqt6serialport6 (>= 6.2), libola1")
endif()

include(CPack)

# The package test, registered once the top directory has enabled testing.
function(lumivane_add_package_test)
  if(NOT BUILD_TESTING)
    return()
  endif()
  add_test(NAME package_deb
    COMMAND bash ${PROJECT_SOURCE_DIR}/packaging/check-package
      ${PROJECT_BINARY_DIR} ${PROJECT_VERSION} ${LUMIVANE_APP_ID})
  set_tests_properties(package_deb PROPERTIES TIMEOUT 240)
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL lumivane_add_package_test)
