# The Debian package: `cmake --build build --target package` (or tools/make-deb.sh)
# makes orvane_<version>_<arch>.deb from what `cmake --install` puts in place.
# The package always installs to /usr, whatever prefix the build was
# configured with; the files that name an installed path are written at
# install time (see resources/desktop), so they match the package's prefix.

# Where the project can be reached. The same placeholders of the reserved
# example domain as the About tab's (src/app/AboutInfo.h), until the project
# has an address of its own.
set(ORVANE_HOMEPAGE "https://orvane.example.org/")
# The repository's files as the web shows them (the AppStream screenshot).
set(ORVANE_SOURCE_URL "${ORVANE_HOMEPAGE}source/")
set(ORVANE_CONTACT "Orvane ++ developers <orvane@example.org>")
# The reverse-DNS name that software centres know the program by.
set(ORVANE_APP_ID "org.example.orvane")
# The day the version in project() was released; the package's changelog and
# the AppStream release entry carry it.
set(ORVANE_RELEASE_DATE "2026-12-10")

set(ORVANE_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/orvane)

# Debian wants a copyright file and a compressed changelog in the package's
# documentation folder. The changelog is made from the version, so it never
# falls behind it; its date is the release date, so the package is the same
# from one build to the next.
execute_process(COMMAND date -u -R -d "${ORVANE_RELEASE_DATE}"
                OUTPUT_VARIABLE ORVANE_CHANGELOG_DATE OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)
configure_file(${PROJECT_SOURCE_DIR}/resources/debian/changelog.in
               ${PROJECT_BINARY_DIR}/debian/changelog @ONLY)
add_custom_command(
  OUTPUT ${PROJECT_BINARY_DIR}/debian/changelog.gz
  COMMAND gzip -9 -n -c ${PROJECT_BINARY_DIR}/debian/changelog > ${PROJECT_BINARY_DIR}/debian/changelog.gz
  DEPENDS ${PROJECT_BINARY_DIR}/debian/changelog
  COMMENT "Compressing the package changelog")
add_custom_target(orvane_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/debian/changelog.gz)
install(FILES ${PROJECT_BINARY_DIR}/debian/changelog.gz
              ${PROJECT_SOURCE_DIR}/resources/debian/copyright
        DESTINATION ${ORVANE_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${ORVANE_CONTACT}")
set(CPACK_PACKAGE_VENDOR "Orvane ++ developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "NCDXF/IARU beacon monitor with a grey-line world map")
# DESTDIR staging keeps CMAKE_INSTALL_PREFIX at /usr while the package is
# assembled, so install-time paths name /usr and not the staging folder.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${ORVANE_HOMEPAGE}")
# The libraries come from the binaries (dpkg-shlibdeps); the soundfont, the
# time-zone database (the stations' UTC offsets) and the libraries opened
# when a feature is first used (the PostgreSQL client, Hamlib, FluidSynth:
# orvane_on_demand_library) are opened by name at run time, so no binary
# shows them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fluid-soundfont-gm, tzdata, libpq5, libhamlib4, libfluidsynth3")
# The summary above is the first line of the package's description.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Orvane ++ follows the eighteen beacons of the NCDXF/IARU International
Beacon Project on 14.100, 18.110, 21.150, 24.930 and 28.200 MHz. It shows
which beacon transmits now on the chosen band, shades the night side of a
world map, compares and sets the PC clock with an RFC 868 time server,
fetches space-weather reports over FTP and plays the beacons'
transmissions through a MIDI synthesiser.
.
The package also holds orvane-cli, the same logic for scripts.")
# The control files get the modes Debian's own tools give them (lintian checks).
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
