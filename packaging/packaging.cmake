# Installation and the Debian package (cpack -G DEB in the build folder).
include(GNUInstallDirs)
install(TARGETS kub-monitor kubmon RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The commands kubmon hands over (see CMakeLists.txt): no program of its own for the user.
install(TARGETS kubmon-full RUNTIME DESTINATION ${KUB_FULL_LIBEXECDIR})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/kub-monitor.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/kub-monitor.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/kubmon.service DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kub-monitor/examples)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/README.md ${CMAKE_CURRENT_SOURCE_DIR}/docs/handbuch.md
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kub-monitor)
# The window with the desktop session, as an example only: nothing starts by itself.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/kub-monitor-autostart.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kub-monitor/examples)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kub-monitor)

# Manual pages and the changelog carry the version and are compressed as Debian wants
# them (gzip -9n: no name or time stamp, the same bytes every build).
set(KUB_PACKAGING_OUT ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${KUB_PACKAGING_OUT})
foreach(page kubmon.1 kub-monitor.1 changelog)
  if(page STREQUAL "changelog")
    configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${KUB_PACKAGING_OUT}/changelog @ONLY)
    set(page_out ${KUB_PACKAGING_OUT}/changelog)
  else()
    configure_file(${CMAKE_CURRENT_LIST_DIR}/${page} ${KUB_PACKAGING_OUT}/${page} @ONLY)
    set(page_out ${KUB_PACKAGING_OUT}/${page})
  endif()
  execute_process(COMMAND gzip -9nf ${page_out} RESULT_VARIABLE gz_result)
  if(NOT gz_result EQUAL 0)
    message(FATAL_ERROR "gzip ${page_out} schlägt fehl")
  endif()
endforeach()
install(FILES ${KUB_PACKAGING_OUT}/kubmon.1.gz ${KUB_PACKAGING_OUT}/kub-monitor.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${KUB_PACKAGING_OUT}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kub-monitor)

set(CPACK_PACKAGE_NAME "kub-monitor")
set(CPACK_PACKAGE_VENDOR "KUB-Monitor")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "monitor for German BOS radio traffic (FMS, ZVEI, POCSAG)")
# Short lines: the control file's description lines stay under 80 characters.
set(CPACK_PACKAGE_DESCRIPTION "KUB-Monitor decodes FMS status telegrams, ZVEI five-tone calls and
POCSAG pager messages from the left and the right channel of the sound
card and shows them on a vehicle status board, in day logs, over a TCP
export line and as an HTML status page uploaded by FTP. kub-monitor is
the window, kubmon run the same monitor without a window for servers.")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "KUB-Monitor Entwickler <kub-monitor@example.org>")
# No debug symbols in the programs shipped.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION "hamradio")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(CMAKE_CROSSCOMPILING)
  # The package is for the machine built for (arm64 from scripts/cross-arm64.sh), and
  # dpkg-shlibdeps looks for the programs' libraries in the sysroot.
  if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(aarch64|arm64)$")
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE arm64)
  endif()
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
    ${CMAKE_SYSROOT}/lib/${CMAKE_LIBRARY_ARCHITECTURE} ${CMAKE_SYSROOT}/usr/lib/${CMAKE_LIBRARY_ARCHITECTURE})
endif()
# The window needs the X11/Wayland platform plugins; capture needs a sound server.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pulseaudio | pipewire-pulse")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "network-manager")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_GENERATOR "DEB")
include(CPack)
