# The Debian package, built with `cpack -G DEB` in the build folder (see
# scripts/package.sh). Its Depends come from the binaries (dpkg-shlibdeps).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vortelix-riror)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Vortelix Sensorik GmbH")
set(CPACK_PACKAGE_CONTACT "Vortelix Sensorik GmbH <support@vortelix-sensorik.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "set-up and monitoring tool for VORTELIX CCD-line sensors")
set(CPACK_PACKAGE_DESCRIPTION
  "VORTELIX-Riror talks to one VORTELIX CCD-line optical sensor over an RS-232
line. It identifies the sensor, reads, edits, sends and saves its parameter
set, shows the measurement live, calibrates the pixel-to-micrometre
conversion and teaches a set-point.
.
The package also holds vortelix-sensorsim, a simulated sensor on a
pseudo-terminal, to try the tool without hardware, and vortelix-monitor, a
service without a window that publishes every measurement of a sensor to an
MQTT broker (template unit vortelix-monitor@.service).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.vortelix-sensorik.example/riror/")
# Folders of the package get mode 0755 whatever the umask of the build.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
