# The Debian package: `cpack -G DEB` in a Release build configured with
# -DTARVO_SOURCE_TREE_LOOKUP=OFF (scripts/package-test.sh does both).
set(TARVO_MAINTAINER "Tarvo developers <tarvo@tarvo.invalid>"
    CACHE STRING "Maintainer of the Debian package")
set(TARVO_DEB_RELEASE 1 CACHE STRING "Debian revision of the package")

set(CPACK_PACKAGE_NAME tarvo)
set(CPACK_PACKAGE_VENDOR "Tarvo developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "three-view distribution maps of plant records in Japan")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_PACKAGE_NAME tarvo)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${TARVO_DEB_RELEASE})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TARVO_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The interface is Japanese: without a Japanese font it shows empty boxes. The figures'
# Latin title fonts and Qt's own Japanese dialog texts are welcome but not needed.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont, proj-data")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "fonts-crosextra-caladea, fonts-dejavu-core, qt6-translations-l10n, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# CPack puts the summary first itself.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Tarvo and Tarvo_L draw three-view distribution maps of plant records in
Japan: a horizontal map with a west-east and a south-north altitude profile,
one marker per record in every view, with a title and a legend. Records are
latitude, longitude and altitude, or Japanese regional mesh codes, snapped
to the centre of a mesh cell of the chosen precision.
.
Tarvo_L paints a Lambert conic map of all Japan and writes PNG; Tarvo draws
zoomable charts over a chosen range with the regional mesh as grid and
writes EMF, SVG, PDF and PNG. tarvo-check checks distribution data files.
The package holds a map of Japan, sample data and a Japanese manual.")

# Debian wants a changelog and the copyright beside the manual.
set(TARVO_DEB_VERSION "${PROJECT_VERSION}-${TARVO_DEB_RELEASE}")
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(tarvo_date_args -d "@$ENV{SOURCE_DATE_EPOCH}")
endif()
execute_process(COMMAND date -R ${tarvo_date_args} OUTPUT_VARIABLE TARVO_DEB_DATE
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
configure_file("${PROJECT_SOURCE_DIR}/packaging/debian/changelog.in"
               "${PROJECT_BINARY_DIR}/packaging/changelog.Debian" @ONLY)
execute_process(COMMAND gzip -9nf "${PROJECT_BINARY_DIR}/packaging/changelog.Debian"
                COMMAND_ERROR_IS_FATAL ANY)
install(FILES "${PROJECT_BINARY_DIR}/packaging/changelog.Debian.gz"
              "${PROJECT_SOURCE_DIR}/packaging/debian/copyright"
        DESTINATION ${TARVO_INSTALL_DOCDIR})

include(CPack)
