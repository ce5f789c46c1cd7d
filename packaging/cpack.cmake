# The .deb: `cpack` in the build tree packs what the install rules lay out under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillex)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "NORVIK GAMING")
set(CPACK_PACKAGE_CONTACT "NORVIK GAMING <support@norvikgaming.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration app for the NORVIK GAMING Quillex mouse")
set(CPACK_PACKAGE_DESCRIPTION
    "Quillex is the companion app of the NORVIK GAMING Quillex wireless mouse and
its 8K and 1K USB receivers: it sets DPI levels, buttons and lighting, records
macros and stores them on the mouse, and updates the firmware of the mouse and
its receivers.

A udev rule gives the user logged in at the seat access to the devices' vendor
interfaces, so no root rights are needed. A demo entry runs the app against
virtual devices.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # quillex_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://github.com/norvikgaming/quillex)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so dpkg-shlibdeps cannot see them: the QML modules the scene imports
# (QtQuick, QtGraphicalEffects) and the SVG icon engine for the window icon.
# The language choice names each language in its own script: "繁體中文" needs a CJK font.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qml-module-qtquick2, qml-module-qtgraphicaleffects, libqt5svg5, fonts-wqy-microhei | fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${CMAKE_CURRENT_LIST_DIR}/debian/postinst ${CMAKE_CURRENT_LIST_DIR}/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
