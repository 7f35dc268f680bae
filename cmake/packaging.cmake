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
install(TARGETS lumivane-monitor lumivane-sim
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

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

# Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${LUMIVANE_APP_ID})
set(CPACK_PACKAGE_VENDOR "Lumivane")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Lumivane <support@lumivane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "DMX512 channel level monitor for the Lumivane transceiver box")
set(CPACK_PACKAGE_DESCRIPTION
  "Lumivane MINI Monitor watches the channel levels of a DMX512 lighting line
through a Lumivane DMX512 transceiver box on an RS-232 port (115200,n,8,1).
It reads single channels, lists ranges of up to 256 channels and monitors
five chosen channels continuously.
.
The package also holds lumivane-sim, a simulated transceiver box on a
pseudo-terminal, for trying the monitor without hardware.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Lumivane <support@lumivane.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://lumivane.example/")

# The libraries come from the binaries themselves (dpkg-shlibdeps, from
# dpkg-dev). The xcb platform plugin is loaded at run time, so no linker
# records it: without qt6-qpa-plugins the monitor cannot open a window.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
find_program(LUMIVANE_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(LUMIVANE_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  message(STATUS "dpkg-shlibdeps not found (package dpkg-dev): the .deb lists its Qt dependencies by hand")
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS
    ", libc6, libstdc++6, libqt6core6 (>= 6.2), libqt6gui6 (>= 6.2)"
    ", libqt6widgets6 (>= 6.2), libqt6serialport6 (>= 6.2)")
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
  set_tests_properties(package_deb PROPERTIES TIMEOUT 120)
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL lumivane_add_package_test)
