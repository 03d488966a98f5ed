# The Debian package: `cpack -G DEB` in the build folder. Its dependencies are
# computed from the installed binaries by dpkg-shlibdeps, so they follow
# whatever libraries the build really links.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillveil)
set(CPACK_PACKAGE_VENDOR "The Quillveil developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_HOMEPAGE_URL "${PROJECT_HOMEPAGE_URL}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Quillveil developers <maintainers@quillveil.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# CPack puts the summary above this text itself.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Quillveil turns an e-mail address, an HTML anchor element or any text into
HTML in which the address, the link target or the whole text is written as
decimal character references. A browser shows the page as before, while
programs that scan page source for plain addresses find nothing.")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The About box and the preview open links in the desktop's browser through xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xdg-utils)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)

include(CPack)
