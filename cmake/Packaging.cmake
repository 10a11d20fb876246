# `cpack` in a build directory makes kestrin_<version>_<arch>.deb from the
# install rules; scripts/package builds and checks it.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestrin)
set(CPACK_PACKAGE_VENDOR "The Kestrin developers")
set(CPACK_PACKAGE_CONTACT "The Kestrin developers <kestrin@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "two small arcade games: Brick Breaker and Dodge")
set(CPACK_PACKAGE_DESCRIPTION
    "Kestrin is a small desktop game collection. A launcher opens Brick Breaker,\n\
a paddle-and-ball game over three levels, and Dodge, where a small\n\
rectangle keeps away from up to four rebounding balls.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # kestrin_1.0.0_amd64.deb
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps adds the libraries the binary links (Qt 6 Widgets, Gui and
# Core, libstdc++, libc); this is what it loads at run time without linking
# it: the window system plugins. Its text is drawn from the face compiled
# in, so it needs no font package. The Wayland plugin is only recommended:
# on X11 the game needs none of it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")

include(CPack)
