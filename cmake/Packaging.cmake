# The Debian package: scripts/package.sh runs CPack on the build tree and leaves
# kivrano_<version>_<arch>.deb in it. The libraries it needs are computed from the
# binaries (dpkg-shlibdeps); what it calls by name at run time is listed here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kivrano)
set(CPACK_PACKAGE_VENDOR Quentaro)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "password manager that types log-ins into other programs")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Kivrano keeps each user's folders and accounts in one encrypted .kvr file. Global\n"
    "hotkeys type the user ID or the password of the current item into the window in\n"
    "front, followed by the Tab and Enter presses stored with the item. AutoTrack picks\n"
    "the item that matches the window, and items open in the browser, the mail client or\n"
    "a program. kivrano-cli reads and writes the same files from scripts.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY kivrano)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Kivrano maintainers <maintainers@users.noreply.c-seed-97e59f73.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded by name, so no binary shows them: Qt draws the program's SVG icons through the
# plug-ins of libqt6svg6, and addresses and mail go through xdg-open.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, xdg-utils")
# On a Wayland desktop the program runs as a native Wayland client through Qt's plug-in;
# without it Qt falls back to Xwayland, where nothing can be typed into Wayland programs.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "x-www-browser")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
