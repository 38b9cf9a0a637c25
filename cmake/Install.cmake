# Installation and packaging: the three programs, the demo content, the desktop integration
# (entry, icon, MIME type, AppStream metainfo), manual pages made from --help, and the Debian
# package that `make package` builds. Destinations follow GNUInstallDirs, so
# `cmake --install build --prefix P` works for any P: the program finds its files relative to P/bin.

install(TARGETS corvantis kivra-project kivra-image RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The skin is compiled into the programs; the demo content is what --demo-content copies.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/demo DESTINATION ${KIVRA_INSTALL_DATADIR})

install(FILES ${PROJECT_SOURCE_DIR}/resources/desktop/${KIVRA_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/resources/desktop/kivra-tesselwick.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
# Drawn by `cmake --build build --target app-icon` (tools/make_app_icon.cpp) and committed.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)

configure_file(${PROJECT_SOURCE_DIR}/resources/desktop/${KIVRA_APP_ID}.metainfo.xml.in
               ${CMAKE_BINARY_DIR}/desktop/${KIVRA_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/desktop/${KIVRA_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Manual pages from each program's --help (plus resources/man/PROGRAM.h2m), so they never drift
# from the options the program really takes.
find_program(HELP2MAN help2man REQUIRED)
find_program(GZIP gzip REQUIRED)
set(kivra_man_names
    "corvantis=Kivra Tesselwick photo booth"
    "kivra-project=Kivra Tesselwick project files without the booth screen"
    "kivra-image=pictures through the Kivra Tesselwick imaging core")
set(kivra_man_pages)
foreach(entry ${kivra_man_names})
  string(REGEX REPLACE "=.*" "" program "${entry}")
  string(REGEX REPLACE "^[^=]*=" "" name "${entry}")
  set(page ${CMAKE_BINARY_DIR}/man/${program}.1)
  set(include ${PROJECT_SOURCE_DIR}/resources/man/${program}.h2m)
  add_custom_command(OUTPUT ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
            ${HELP2MAN} --no-info --section=1 --name=${name} --version-string=${PROJECT_VERSION}
            --include=${include} --output=${page} $<TARGET_FILE:${program}>
    COMMAND ${GZIP} -9nf ${page}
    DEPENDS ${program} ${include}
    COMMENT "Writing the manual page of ${program}"
    VERBATIM)
  list(APPEND kivra_man_pages ${page}.gz)
endforeach()
add_custom_target(man-pages ALL DEPENDS ${kivra_man_pages})
install(FILES ${kivra_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# make package: a Debian package installing under /usr. dpkg-shlibdeps derives the library
# packages; what the programs load at run time without linking it is named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kivra-tesselwick)
set(CPACK_PACKAGE_VENDOR "Kivra Tesselwick")
set(CPACK_PACKAGE_CONTACT "Kivra Tesselwick support <support@kivra-tesselwick.example.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://kivra-tesselwick.example.org/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "photo booth for framed portrait sheets from a webcam")
set(CPACK_PACKAGE_DESCRIPTION
    "Kivra Tesselwick turns a computer with a webcam into a party photo booth. Guests see the live
picture with a decorative frame over it, take shots after a countdown and fill a sheet of 4 to 16
framed portraits, which is saved over a backdrop, printed, or kept as a project file (*.kivra).

The package holds the booth (corvantis), its kiosk mode for guests, and the command-line tools
kivra-project and kivra-image.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# GStreamer plugins: videoconvert, videoscale, videotestsrc and appsink (base); v4l2src and
# jpegdec (good). Fonts: "Arial" and the skin's captions resolve to Liberation Sans / DejaVu Sans.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, fonts-liberation2, fonts-dejavu-core")
# A local print server, and xdg-open for the Home page and Help buttons (the booth says when no
# browser can be opened). qt6-wayland is deliberately not recommended: the skinned, shaped windows
# are made for X11, and Wayland sessions run them through XWayland without it.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "cups, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
