# Install rules and the Debian package. Included from app/desktop.cmake, before the sprig
# target exists, so the program rules run deferred at the end of that directory.
set(SPRIG_SOURCE ${PROJECT_SOURCE_DIR})
set(SPRIG_PACKAGING ${CMAKE_CURRENT_LIST_DIR})

function(sprig_install_programs)
    install(TARGETS sprig lsys RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} CALL sprig_install_programs)

# Launcher, file type and icons (the .ls type's icon is the program's).
install(FILES ${SPRIG_PACKAGING}/sprig.desktop
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
install(FILES ${SPRIG_PACKAGING}/sprig-mime.xml
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/mime/packages RENAME sprig.xml)
install(FILES ${SPRIG_SOURCE}/resources/sprig.svg
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps)
install(FILES ${SPRIG_SOURCE}/resources/sprig.png
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/256x256/apps)
install(FILES ${SPRIG_SOURCE}/resources/sprig.svg
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/mimetypes
        RENAME text-x-sprig-lsystem.svg)

# Manual pages, documentation and the example gallery.
install(FILES ${SPRIG_SOURCE}/docs/man/sprig.1 ${SPRIG_SOURCE}/docs/man/lsys.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${SPRIG_SOURCE}/README.md DESTINATION ${SPRIG_DOC_RELATIVE})
install(DIRECTORY ${SPRIG_SOURCE}/docs/ DESTINATION ${SPRIG_DOC_RELATIVE}/docs
        FILES_MATCHING PATTERN "*.md" PATTERN "*.png" PATTERN "man" EXCLUDE)
install(DIRECTORY ${SPRIG_SOURCE}/examples/ DESTINATION ${SPRIG_DOC_RELATIVE}/examples
        FILES_MATCHING PATTERN "*.ls")

# `cpack -G DEB`: the libraries' packages come from dpkg-shlibdeps; the SVG icon engine and
# the X11 platform plugin are loaded at run time, so no library dependency names them.
set(CPACK_PACKAGE_NAME sprig)
set(CPACK_PACKAGE_VENDOR "Sprig developers")
set(CPACK_PACKAGE_CONTACT "Sprig developers <sprig@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor and viewer of three-dimensional L-systems")
set(CPACK_PACKAGE_DESCRIPTION
    "Sprig grows L-system descriptions into lit, coloured 3D models of tubes, prisms and\npolygons that can be turned, zoomed, shown full screen and printed. The command-line\ntool lsys checks, renders and exports descriptions without a window.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, qt6-qpa-plugins, libegl-mesa0")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libgl1-mesa-dri")
include(CPack)
