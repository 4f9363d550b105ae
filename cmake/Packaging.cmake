# Installing the program as a desktop program, and its Debian package.
#
# cmake --install build --strip --prefix P gives P/bin/orvandel-viewer (stripped), the shipped data
# in P/share/orvandel-viewer/ (found by the program as ../share/orvandel-viewer/ beside its folder,
# so bin and share stay siblings whatever GNUInstallDirs would say), a menu entry, the icon in the
# hicolor theme, the AppStream metainfo, the manual page, the copyright file and the changelog.

# The component id names the menu entry and the metainfo. The example.org names stand until the
# project has a domain of its own.
set(ORV_APP_ID "org.example.OrvandelViewer" CACHE STRING "Reverse-DNS id of the desktop program")
set(ORV_HOMEPAGE "https://orvandel-viewer.example.org/" CACHE STRING "Home page (ends with /)")
set(ORV_RELEASE_DATE "2026-12-07")
set(ORV_PACKAGE_VERSION "2.20c")

set(pkg ${CMAKE_SOURCE_DIR}/packaging)
set(out ${CMAKE_BINARY_DIR}/packaging)
configure_file(${pkg}/orvandel-viewer.desktop.in ${out}/${ORV_APP_ID}.desktop @ONLY)
configure_file(${pkg}/orvandel-viewer.metainfo.xml.in ${out}/${ORV_APP_ID}.metainfo.xml @ONLY)
# Wayland shells find the window's icon and menu entry through this id.
target_compile_definitions(orv_app PRIVATE ORV_APP_ID="${ORV_APP_ID}")

# The manual page and the changelog are installed compressed, as Debian wants them. They are made
# when the build is configured, so that any build of the program can be installed.
configure_file(${pkg}/orvandel-viewer.1.in ${out}/orvandel-viewer.1 @ONLY)
foreach(doc ${out}/orvandel-viewer.1 ${pkg}/debian/changelog)
  get_filename_component(name ${doc} NAME)
  # -n: no name or time stamp inside, so the same text gives the same bytes.
  execute_process(COMMAND gzip -9nc ${doc} OUTPUT_FILE ${out}/${name}.gz COMMAND_ERROR_IS_FATAL ANY)
endforeach()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${pkg}/debian/changelog)

install(TARGETS orvandel-viewer RUNTIME DESTINATION bin)
# The compiler's notes are no part of an installed program.
install(CODE "execute_process(COMMAND ${CMAKE_OBJCOPY} --remove-section=.comment
                              \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/orvandel-viewer\"
                              COMMAND_ERROR_IS_FATAL ANY)")
# The program's messages keep their words as its users know them, spelling included.
install(FILES ${pkg}/debian/lintian-overrides DESTINATION share/lintian/overrides RENAME orvandel-viewer)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/ DESTINATION share/orvandel-viewer)
install(FILES ${CMAKE_BINARY_DIR}/packaging/${ORV_APP_ID}.desktop DESTINATION share/applications)
install(FILES ${CMAKE_BINARY_DIR}/packaging/${ORV_APP_ID}.metainfo.xml DESTINATION share/metainfo)
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES ${pkg}/icons/orvandel-viewer-${size}.png DESTINATION share/icons/hicolor/${size}x${size}/apps
          RENAME orvandel-viewer.png)
endforeach()
install(FILES ${pkg}/icons/orvandel-viewer.svg DESTINATION share/icons/hicolor/scalable/apps)
install(FILES ${out}/orvandel-viewer.1.gz DESTINATION share/man/man1)
install(FILES ${pkg}/debian/copyright ${out}/changelog.gz DESTINATION share/doc/orvandel-viewer)

# cpack -G DEB (from the build folder) makes orvandel-viewer_2.20c_<arch>.deb. The libraries it
# needs (Qt 6 widgets, libjpeg62-turbo) are read off the executable by dpkg-shlibdeps; Qt's
# platform plugins are loaded at run time, so they are named by hand.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvandel-viewer)
set(CPACK_PACKAGE_VERSION ${ORV_PACKAGE_VERSION})
set(CPACK_PACKAGE_VENDOR "The Orvandel Viewer developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "browse and edit the taxonomy of the Korvel")
# Lines of at most 80 characters: package managers show them as they stand.
set(CPACK_PACKAGE_DESCRIPTION "Orvandel Viewer browses and edits the taxonomy of the Korvel, a tree of
six ranks with the species inside each genus: summaries with related links
and genus pictures, genus search, downloads from a Velmora server, and user
databases that can be merged and submitted.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Orvandel Viewer developers <orvandel-viewer@example.org>")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${ORV_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "hicolor-icon-theme")
include(CPack)
