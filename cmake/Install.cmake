# Installation and the Debian package.
#   cmake --install build --prefix /usr/local      (DESTDIR=<folder> to stage it elsewhere)
#   (cd build && cpack -G DEB)                      -> build/tessaro_<version>_<arch>.deb
# The layout is fixed, because the program finds its own files from where it lies
# (src/platform/ProgramFiles): <prefix>/bin/tessaro and <prefix>/share/tessaro/.
set(TESSARO_APP_ID "io.github.tessaro.Tessaro" CACHE STRING
    "Reverse-DNS application ID: the name of the desktop entry, the icons and the AppStream metainfo")
set(TESSARO_HOMEPAGE "https://github.com/tessaro/tessaro" CACHE STRING "The project's home page")
set(TESSARO_SCREENSHOT_URL "https://raw.githubusercontent.com/tessaro/tessaro/main/docs/screenshot.png"
    CACHE STRING "Where AppStream clients fetch the screenshot (docs/screenshot.png) from")
set(TESSARO_PACKAGE_CONTACT "Tessaro developers <tessaro@example.org>" CACHE STRING
    "The Maintainer of the Debian package")

set(TESSARO_DESKTOP_DIR ${CMAKE_CURRENT_LIST_DIR}/../resources/desktop)
set(TESSARO_GENERATED_DIR ${CMAKE_BINARY_DIR}/install)
configure_file(${TESSARO_DESKTOP_DIR}/tessaro.desktop.in ${TESSARO_GENERATED_DIR}/${TESSARO_APP_ID}.desktop @ONLY)
configure_file(${TESSARO_DESKTOP_DIR}/tessaro.metainfo.xml.in
    ${TESSARO_GENERATED_DIR}/${TESSARO_APP_ID}.metainfo.xml @ONLY)

install(TARGETS tessaro RUNTIME DESTINATION bin)
install(FILES ${TESSARO_BESIDE_PROGRAM} DESTINATION share/tessaro)
install(FILES ${TESSARO_GENERATED_DIR}/${TESSARO_APP_ID}.desktop DESTINATION share/applications)
install(FILES ${TESSARO_GENERATED_DIR}/${TESSARO_APP_ID}.metainfo.xml DESTINATION share/metainfo)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/../resources/images/APP_ICON.png
    DESTINATION share/icons/hicolor/48x48/apps RENAME ${TESSARO_APP_ID}.png)
install(FILES ${TESSARO_DESKTOP_DIR}/tessaro.svg
    DESTINATION share/icons/hicolor/scalable/apps RENAME ${TESSARO_APP_ID}.svg)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tessaro)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${TESSARO_PACKAGE_CONTACT})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "application launcher with a turning 3-D carousel")
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Your launch items form a tree; the items of the level on show turn as a\n"
    "three-dimensional carousel in a transparent window. Tessaro lives in the system\n"
    "tray, appears with Ctrl+Alt+L and fills its tree from the installed applications\n"
    "on its first start.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${TESSARO_HOMEPAGE})
# The shared libraries' packages come from dpkg-shlibdeps; fontconfig puts DejaVu Sans in place of
# the fonts the windows were designed with; documents, folders and web pages open through xdg-open.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_STRIP_FILES ON)
include(CPack)
