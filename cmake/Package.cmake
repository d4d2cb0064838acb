# The Debian package: `./run package` (cpack -G DEB in the build folder)
# writes vq800_<version>_<arch>.deb. Configure with -DCMAKE_INSTALL_PREFIX=/usr
# so that the service finds the program where the package puts it.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vq800)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "VQ800 maintainers <maintainers@vq800.example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "companion program for VQ800 data recorders")
set(CPACK_PACKAGE_DESCRIPTION
    "Monitors, logs and sets up VQ800 data recorders over Modbus RTU on one\n"
    "RS-232 or RS-485 line: live trends, bars and tables, data files, parameter\n"
    "sets, clocks, a frame log, a data viewer and a logging service\n"
    "(vq800-logger@LINE) that runs without a screen.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://vq800.example.com)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "adduser")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/data/debian/postinst
    ${PROJECT_SOURCE_DIR}/data/debian/prerm
    ${PROJECT_SOURCE_DIR}/data/debian/postrm)
include(CPack)
