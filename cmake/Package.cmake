# The Debian package: `cpack -G DEB` in a build configured with
# -DTARVO_SOURCE_TREE_LOOKUP=OFF and Debian's build flags (scripts/package-test.sh does
# both). The source package in packaging/debian/ builds the same package with the Debian
# tools, so the package's name, version, relations and description are read from its
# control file and changelog rather than said twice.
option(TARVO_INSTALL_DEBIAN_DOCS
  "Install the Debian changelog and copyright beside the manual (off when the Debian tools do)" ON)

set(tarvo_debian "${PROJECT_SOURCE_DIR}/packaging/debian")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             "${tarvo_debian}/control" "${tarvo_debian}/changelog")

# The value of FIELD in the deb822 STANZA, continuation lines kept as lines without their
# leading blank. (string(REGEX REPLACE) is not used with "^": it anchors at every match.)
function(tarvo_deb822_field out stanza field)
  string(REGEX MATCH "(^|\n)${field}:[^\n]*(\n[ \t][^\n]*)*" match "${stanza}")
  if(match STREQUAL "")
    message(FATAL_ERROR "packaging/debian/control: no ${field} in\n${stanza}")
  endif()
  string(FIND "${match}" ":" colon)
  math(EXPR colon "${colon} + 1")
  string(SUBSTRING "${match}" ${colon} -1 value)
  string(REGEX REPLACE "\n[ \t]" "\n" value "${value}")
  string(STRIP "${value}" value)
  set(${out} "${value}" PARENT_SCOPE)
endfunction()

# A relation field as one line: substitution variables (filled in by the Debian tools) left
# out, the rest joined with ", ".
function(tarvo_deb822_relations out stanza field)
  tarvo_deb822_field(value "${stanza}" ${field})
  string(REGEX REPLACE "[ \t\n]+" " " value "${value}")
  string(REPLACE "," ";" items "${value}")
  set(kept "")
  foreach(item IN LISTS items)
    string(STRIP "${item}" item)
    if(NOT item STREQUAL "" AND NOT item MATCHES "^\\$\\{")
      list(APPEND kept "${item}")
    endif()
  endforeach()
  list(JOIN kept ", " value)
  set(${out} "${value}" PARENT_SCOPE)
endfunction()

file(READ "${tarvo_debian}/control" tarvo_control)
string(REGEX MATCH "(^|\n)Package: tarvo\n.*" tarvo_binary "${tarvo_control}")
string(REGEX REPLACE "\n\n.*" "" tarvo_binary "${tarvo_binary}")
string(REGEX MATCH "^Source:[^\n]*(\n[^\n]+)*" tarvo_source "${tarvo_control}")
if(tarvo_binary STREQUAL "" OR tarvo_source STREQUAL "")
  message(FATAL_ERROR "packaging/debian/control lacks the Source or the tarvo stanza")
endif()

# The newest changelog entry gives the version: upstream part and Debian revision.
file(STRINGS "${tarvo_debian}/changelog" tarvo_changelog_top LIMIT_COUNT 1)
if(NOT tarvo_changelog_top MATCHES "^tarvo \\(([^)-]+)-([^)]+)\\) ")
  message(FATAL_ERROR "packaging/debian/changelog does not start with tarvo (VERSION-REVISION)")
endif()
set(tarvo_deb_upstream "${CMAKE_MATCH_1}")
set(tarvo_deb_revision "${CMAKE_MATCH_2}")
if(NOT tarvo_deb_upstream STREQUAL PROJECT_VERSION)
  message(WARNING "packaging/debian/changelog is at ${tarvo_deb_upstream}, the project at "
                  "${PROJECT_VERSION}: add a changelog entry before making a package")
endif()

tarvo_deb822_field(tarvo_maintainer "${tarvo_source}" Maintainer)
tarvo_deb822_field(tarvo_section "${tarvo_source}" Section)
tarvo_deb822_field(tarvo_priority "${tarvo_source}" Priority)
tarvo_deb822_relations(tarvo_depends "${tarvo_binary}" Depends)
tarvo_deb822_relations(tarvo_recommends "${tarvo_binary}" Recommends)
tarvo_deb822_field(tarvo_description "${tarvo_binary}" Description)
string(FIND "${tarvo_description}" "\n" tarvo_newline)
string(SUBSTRING "${tarvo_description}" 0 ${tarvo_newline} tarvo_summary)
math(EXPR tarvo_newline "${tarvo_newline} + 1")
string(SUBSTRING "${tarvo_description}" ${tarvo_newline} -1 tarvo_description)

set(CPACK_PACKAGE_NAME tarvo)
set(CPACK_PACKAGE_VENDOR "Tarvo developers")
set(CPACK_PACKAGE_VERSION ${tarvo_deb_upstream})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${tarvo_summary}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_PACKAGE_NAME tarvo)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${tarvo_deb_revision})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${tarvo_maintainer}")
set(CPACK_DEBIAN_PACKAGE_SECTION "${tarvo_section}")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "${tarvo_priority}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${tarvo_depends}")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "${tarvo_recommends}")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# CPack puts the summary first itself.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "${tarvo_description}")

# Debian wants a changelog and the copyright beside the manual.
if(TARVO_INSTALL_DEBIAN_DOCS)
  configure_file("${tarvo_debian}/changelog" "${PROJECT_BINARY_DIR}/packaging/changelog.Debian"
                 COPYONLY)
  execute_process(COMMAND gzip -9nf "${PROJECT_BINARY_DIR}/packaging/changelog.Debian"
                  COMMAND_ERROR_IS_FATAL ANY)
  install(FILES "${PROJECT_BINARY_DIR}/packaging/changelog.Debian.gz"
                "${tarvo_debian}/copyright"
          DESTINATION ${TARVO_INSTALL_DOCDIR})
endif()

include(CPack)
