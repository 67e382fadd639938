# What `cmake --install` puts where, and the Debian package made of it by CPack (`cpack -G DEB`).
# Programs that other folders add carry their own install(TARGETS ...) and so come along in both.
install(TARGETS kiv DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_SOURCE_DIR}/docs/kiv.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)

# The default show, made once per build folder by kiv-assets (which remakes only what it must), then copied.
set(KIV_DEFAULT_SHOW ${CMAKE_BINARY_DIR}/default-show)
set(KIV_SHOW_FILES img1.tif img2.tif img4.tif img5.tif music.mp3)
list(TRANSFORM KIV_SHOW_FILES PREPEND ${KIV_DEFAULT_SHOW}/ OUTPUT_VARIABLE KIV_SHOW_PATHS)
install(CODE "execute_process(COMMAND \"$<TARGET_FILE:kiv-assets>\" \"${KIV_DEFAULT_SHOW}\" COMMAND_ERROR_IS_FATAL ANY)")
install(FILES ${KIV_SHOW_PATHS} DESTINATION ${CMAKE_INSTALL_DATADIR}/kiv/show)

# The launcher finds the show from where it is installed, so the tree can move (DESTDIR, another prefix).
file(RELATIVE_PATH KIV_SHOW_FROM_BIN ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_DATADIR}/kiv/show)
configure_file(${CMAKE_SOURCE_DIR}/scripts/kiv-show.in ${CMAKE_BINARY_DIR}/kiv-show @ONLY)
install(PROGRAMS ${CMAKE_BINARY_DIR}/kiv-show DESTINATION ${CMAKE_INSTALL_BINDIR})

# On the desktop's menu: the show, and the show listening to what the computer plays; their icon, drawn by
# kiv-icon at build time; and the AppStream description that software centres read.
install(FILES ${CMAKE_SOURCE_DIR}/cmake/desktop/kiv.desktop ${CMAKE_SOURCE_DIR}/cmake/desktop/kiv-listening.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_BINARY_DIR}/kiv.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_SOURCE_DIR}/cmake/desktop/invalid.kiv.kiv.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

set(CPACK_PACKAGE_NAME kiv)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "self-running, music-reactive graphics show")
set(CPACK_PACKAGE_DESCRIPTION "A full-screen show of hexagonal cell grids and pictures that follow the loudness of its music for 152 seconds, or, listening, of whatever the computer plays. kiv-show plays the bundled show; kiv-assets and kiv-picture make a show of one's own.")
set(CPACK_PACKAGE_CONTACT "kiv maintainers <maintainers@kiv.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The Depends line comes from the libraries every installed program links (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
