# The Debian packages, built by CPack's DEB generator from the install
# components (scripts/package.sh runs it on an optimised build with the /usr
# prefix and the launcher in /usr/games): "morvaine", a game, which recommends
# "lumora-portal", a set of local servers. Their Depends come from the
# libraries the binaries link (dpkg-shlibdeps), and for the launcher also
# libcurl, which it loads when it first needs it.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME morvaine)
set(CPACK_PACKAGE_VENDOR Lumora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${MORVAINE_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL morvaine lumora-portal)
set(CPACK_COMPONENTS_GROUPING IGNORE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${MORVAINE_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SOURCE morvaine)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

set(CPACK_DEBIAN_MORVAINE_PACKAGE_NAME morvaine)
set(CPACK_DEBIAN_MORVAINE_PACKAGE_SECTION games)
set(CPACK_DEBIAN_MORVAINE_PACKAGE_RECOMMENDS lumora-portal)
set(CPACK_DEBIAN_MORVAINE_PACKAGE_DEPENDS "libcurl4 (>= 7.16)")
set(CPACK_DEBIAN_MORVAINE_DESCRIPTION "launcher of the Morvaine browser game
Morvaine is the browser game of the Lumora portal. This launcher signs a
player in to a portal account (or registers one) and opens the game in a
window of its own, sized and decorated by the game's pages; it keeps one
game window at a time, fetches newer versions in the background and opens
the portal's pages in the default web browser.
.
The game runs in WebKitGTK, loaded only when the game window opens.")

set(CPACK_DEBIAN_LUMORA-PORTAL_PACKAGE_NAME lumora-portal)
set(CPACK_DEBIAN_LUMORA-PORTAL_PACKAGE_SECTION net)
set(CPACK_DEBIAN_LUMORA-PORTAL_DESCRIPTION "local stand-in for the Lumora portal
Serves every host of the Lumora portal that the Morvaine launcher talks to,
each on its own loopback port: version document, server list, login and
registration, statistics, forum, a small game gateway and the installer
download. Meant for playing and testing the launcher without the real
portal.")

include(CPack)
