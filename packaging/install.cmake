# Install rules and the Debian package. lsys, its completion and manual page, the documentation
# and the examples are installed by every build; the window's program, launcher, file type,
# icons, manual page, and the guides and examples its menus open, by the builds that have it
# (SPRIG_GUI).
set(SPRIG_SOURCE ${PROJECT_SOURCE_DIR})
set(SPRIG_PACKAGING ${CMAKE_CURRENT_LIST_DIR})

install(TARGETS lsys RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${SPRIG_SOURCE}/cli/lsys.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME lsys)
install(FILES ${SPRIG_SOURCE}/docs/man/lsys.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${SPRIG_SOURCE}/README.md DESTINATION ${SPRIG_DOC_RELATIVE})
install(DIRECTORY ${SPRIG_SOURCE}/docs/ DESTINATION ${SPRIG_DOC_RELATIVE}/docs
        FILES_MATCHING PATTERN "*.md" PATTERN "*.png" PATTERN "man" EXCLUDE)
install(DIRECTORY ${SPRIG_SOURCE}/examples/ DESTINATION ${SPRIG_DOC_RELATIVE}/examples
        FILES_MATCHING PATTERN "*.ls")

if(SPRIG_GUI)
    install(TARGETS sprig RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
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
    install(FILES ${SPRIG_SOURCE}/docs/man/sprig.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    # What the window's Help menu and File > Open Example read at run time: outside the
    # documentation folder, which a system may leave out.
    install(FILES ${SPRIG_SOURCE}/docs/language.md ${SPRIG_SOURCE}/docs/viewer.md
                  ${SPRIG_SOURCE}/docs/gallery.png
            DESTINATION ${SPRIG_DATA_RELATIVE}/docs)
    install(DIRECTORY ${SPRIG_SOURCE}/examples/ DESTINATION ${SPRIG_DATA_RELATIVE}/examples
            FILES_MATCHING PATTERN "*.ls")
endif()

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
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(SPRIG_GUI)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, qt6-qpa-plugins, libegl-mesa0")
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libgl1-mesa-dri")
endif()
include(CPack)
