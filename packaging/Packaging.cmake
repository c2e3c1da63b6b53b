# Installation and the Debian package.
#
#   cmake --install build --prefix /usr/local
#     bin/pxrtool, bin/pxrctl, bin/pxr-meter (pxrtool --demo finds pxr-meter
#     beside itself), share/applications/pxrtool.desktop and the icon under
#     share/icons/hicolor.
#
#   cd build && cpack -G DEB
#     pxrtool_<version>_<arch>.deb for /usr; its dependencies are worked out
#     by dpkg-shlibdeps from the binaries, so they name the Debian runtime
#     packages actually linked (libqt6widgets6, libqt6serialport6,
#     libqt6printsupport6, libqcustomplot2.1-qt6, libvterm0, ...).

include(GNUInstallDirs)

set(PXR_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})

if(TARGET pxr-meter)
  install(TARGETS pxr-meter RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(PXR_WITH_QT)
  install(TARGETS pxrtool pxrctl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PXR_PACKAGING_DIR}/pxrtool.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PXR_PACKAGING_DIR}/icons/pxrtool.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  foreach(size 48 256)
    install(FILES ${PXR_PACKAGING_DIR}/icons/pxrtool-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME pxrtool.png)
  endforeach()
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pxrtool)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "PXRTool")
set(CPACK_PACKAGE_CONTACT "PXRTool maintainers <pxrtool@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Laser distance meters PXR7X, PXR500C and PXR501/502 on a serial port")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Laser distance meters PXR7X, PXR500C and PXR501/502 on a serial port\n\
pxrtool reads, edits and writes the meter's parameter set, keeps it in\n\
files, starts the measuring modes and shows and logs the readings.\n\
pxrctl does the same from the command line, and pxr-meter emulates a\n\
meter on a pseudo-terminal.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
