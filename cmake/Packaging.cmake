# What an installed Quotalume consists of, laid out relative to the install
# prefix. The same rules fill the self-updating bundle (prefix = the bundle
# folder, component "bundle") and the Debian package (prefix = /usr, every
# component), so the two can never ship different files.
include(GNUInstallDirs)

install(TARGETS quotalume RUNTIME DESTINATION bin COMPONENT bundle)
install(FILES data/kr.co.fernhallow.Quotalume.desktop DESTINATION share/applications COMPONENT bundle)
install(FILES data/quotalume.svg DESTINATION share/icons/hicolor/scalable/apps
        RENAME kr.co.fernhallow.Quotalume.svg COMPONENT bundle)
# The manual, written from the option table by the build (src/app). `make
# install` and the bundle carry it as it is; the Debian package compressed.
install(FILES ${CMAKE_BINARY_DIR}/quotalume.1 DESTINATION share/man/man1 COMPONENT local)

# Only the Debian package carries the Debian documents and the description
# software centres list, which points at the installed desktop entry.
configure_file(data/kr.co.fernhallow.Quotalume.metainfo.xml.in
               ${CMAKE_BINARY_DIR}/kr.co.fernhallow.Quotalume.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/kr.co.fernhallow.Quotalume.metainfo.xml
        DESTINATION share/metainfo COMPONENT debian)
configure_file(cmake/debian/copyright.in ${CMAKE_BINARY_DIR}/debian/copyright @ONLY)
file(READ cmake/debian/changelog changelog_text)
string(CONFIGURE "${changelog_text}" changelog_text @ONLY)
file(WRITE ${CMAKE_BINARY_DIR}/debian/changelog "${changelog_text}")
# Debian wants both compressed at the highest level and without a time stamp
# in the gzip header, so the bytes do not depend on when they were built.
set(debian_docs)
foreach(doc ${CMAKE_BINARY_DIR}/debian/changelog ${CMAKE_BINARY_DIR}/quotalume.1)
  get_filename_component(doc_name ${doc} NAME)
  add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/debian/${doc_name}.gz
    COMMAND gzip -9 -n -c ${doc} > ${CMAKE_BINARY_DIR}/debian/${doc_name}.gz
    DEPENDS ${doc} man_page)
  list(APPEND debian_docs ${CMAKE_BINARY_DIR}/debian/${doc_name}.gz)
endforeach()
add_custom_target(debian_docs ALL DEPENDS ${debian_docs})
install(FILES ${CMAKE_BINARY_DIR}/debian/copyright ${CMAKE_BINARY_DIR}/debian/changelog.gz
        DESTINATION share/doc/quotalume COMPONENT debian)
install(FILES ${CMAKE_BINARY_DIR}/debian/quotalume.1.gz DESTINATION share/man/man1 COMPONENT debian)

# The release information the package script reads, so it never parses CMake files.
file(WRITE ${CMAKE_BINARY_DIR}/release.env
     "project_version=${PROJECT_VERSION}\nsite_host=${QUOTALUME_SITE_HOST}\nbundle_id=kr.co.fernhallow.Quotalume\n")

# cpack installs through the preinstall target, which would otherwise build
# every test and benchmark first; the script builds the two targets it ships.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quotalume)
set(CPACK_PACKAGE_VENDOR "Fernhallow")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tray gauge of AI service usage limits")
set(CPACK_PACKAGE_DESCRIPTION
    "Quotalume shows in the system tray how much of an AI service's usage limits\n"
    "have been used: the 5-hour session limit, the 7-day weekly limit and the\n"
    "per-model limits. A companion browser extension posts the readings to a\n"
    "loopback HTTP bridge on 127.0.0.1, and Quotalume checks, stores and shows\n"
    "them in Korean or English.")
string(CONCAT CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/cpack)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Quotalume maintainers <quotalume@${QUOTALUME_SITE_HOST}>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://${QUOTALUME_SITE_HOST}/sideproject/quotalume")
# The libraries come from dpkg-shlibdeps; the platform plugins Qt loads at run
# time (xcb, offscreen, wayland) are no link dependency, so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk, xdg-utils")
# The uncompressed manual is `make install`'s; the package has its own.
set(CPACK_COMPONENTS_ALL bundle debian)
include(CPack)
