# `cpack -G DEB` in the build folder: a Debian package of what `cmake --install` puts down.
# The libraries the programs link are found by dpkg-shlibdeps from the binaries themselves, so
# the dependencies follow whatever this build links against; only what Qt loads at run time
# without linking it is named by hand.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarvo-max-editor)
set(CPACK_PACKAGE_VENDOR Merrow)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor and librarian of the Tarvo Max guitar effects pedal")
# Each line goes into the control file behind one space: keep them within 79 columns here.
set(CPACK_PACKAGE_DESCRIPTION
    "Picks an effect program from a built-in catalogue and uploads it to a Tarvo
Max pedal over USB, shows the running effect's controls in a window that
changes the sound at once, reads back and stores the pedal's settings, keeps
presets as files, builds impulse responses from WAV files and flashes the
pedal's firmware. The package also brings tarvo-max, the same work from the
command line, the virtual pedal that demo mode talks to, and the udev rule
that lets the desktop's user open the pedal.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
# The build keeps its debugging information; the package does not need it.
set(CPACK_STRIP_FILES ON)
set(CPACK_TARVO_STRIP ${CMAKE_STRIP})
set(CPACK_TARVO_SOURCE_DIR ${PROJECT_SOURCE_DIR})
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/PackageFinish.cmake)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The first Debian revision of this upstream version: the package's own changelog
# (packaging/debian/changelog, installed as changelog.Debian.gz) names the same.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Tarvo Max Editor Team <tarvo-max-editor@merrowaudio.com>")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.merrowaudio.com/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt opens its windowing plugins (xcb, wayland) at run time; libqt6gui6 only recommends them,
# and without one the editor cannot open a window.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/packaging/debian/postinst
    ${PROJECT_SOURCE_DIR}/packaging/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
