# The Debian package (cpack -G DEB, ./run.sh package): everything cmake --install puts in place
# (the shared and static libraries, the headers, the pkg-config and CMake files, the Python
# package and the baselist command) under the install prefix, with its dependencies declared:
# the shared libraries it links as dpkg-shlibdeps finds them, libpq (loaded when a desk first
# reads a lookup through it, so not linked), and the interpreter.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qmzbaselist)
set(CPACK_PACKAGE_VENDOR "QMZ")
set(CPACK_PACKAGE_CONTACT "QMZBaseList maintainers <qmzbaselist@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "QMZBaseList picker component: shared library, C interface, Python package, command")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "python3, libpq5")
# A font with the dialogs' Chinese captions (without one they are rows of boxes), and what a
# host needs to build against the package: the pkg-config tool for the C interface, the
# development files the CMake package's static libraries find.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
  "fonts-wqy-microhei | fonts-noto-cjk, pkg-config, libsqlite3-dev, unixodbc-dev, libssl-dev,
  qt6-base-dev")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "python3-pyqt6")
include(CPack)
