# Installation and the Debian package (cpack -G DEB in the build folder).
include(GNUInstallDirs)
install(TARGETS kub-monitor kubmon RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/kub-monitor.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/kub-monitor.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/kubmon.service DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kub-monitor/examples)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kub-monitor)

set(CPACK_PACKAGE_NAME "kub-monitor")
set(CPACK_PACKAGE_VENDOR "KUB-Monitor")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Monitor for German BOS radio traffic (FMS, ZVEI, POCSAG)")
set(CPACK_PACKAGE_DESCRIPTION "KUB-Monitor decodes FMS status telegrams, ZVEI five-tone calls and POCSAG \
pager messages from the left and the right channel of the sound card and shows them on a vehicle status \
board, in day logs, over a TCP export line and as an HTML status page uploaded by FTP. kub-monitor is the \
window, kubmon run the same monitor without a window for servers.")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "KUB-Monitor <kub-monitor@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION "hamradio")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window needs the X11/Wayland platform plugins; capture needs a sound server.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pulseaudio | pipewire-pulse")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "network-manager")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_GENERATOR "DEB")
include(CPack)
