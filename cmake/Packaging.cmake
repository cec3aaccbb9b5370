# The Debian package of a build, made by CPack (tools/package.sh, ./dev package):
# ostrel_<version>_<arch>.deb, with the run-time dependencies found by dpkg-shlibdeps.
set(CPACK_PACKAGE_NAME ostrel)
set(CPACK_PACKAGE_VENDOR "The Ostrel Log Converter developers")
set(CPACK_PACKAGE_CONTACT "${OSTREL_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "convert GPS logger track logs into NMEA, KML and GPX")
# Lines of the extended description: Debian wants them under 80 characters.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Ostrel Log Converter converts the track logs of a hand-held GPS logger into"
  "NMEA-0183 logs (a GGA and an RMC sentence per fix), KML documents for"
  "Google Earth (the route as one line, and time-stamped waypoints in a colour"
  "and opacity of your choice) and GPX 1.1 files. Fixes that imply an"
  "implausible speed for the"
  "chosen travel mode are dropped, and the length of the kept track is reported"
  "after each file."
  "."
  "It comes as a window in Japanese or English, ostrel, and as a command"
  "line, ostrel-convert. ostrel-geotag gives photos the positions of the logs"
  "at the times they were taken, in XMP sidecars or their own EXIF.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${OSTREL_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://github.com/ostrel/log-converter)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt finds its platform plugins (xcb, wayland) and the preview's SQLite driver for MBTiles maps
# at run time: no library names them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6sql6-sqlite")
# The window's Japanese texts want a Japanese font; Qt's own translations speak the standard
# dialogs in the window's language; online map tiles over https load OpenSSL at run time.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-ipafont-gothic, qt6-translations-l10n, libssl3")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "bash-completion")

include(CPack)
