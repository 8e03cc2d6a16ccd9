# What `cmake --install` puts where: the two programs, the bundled data and the manual, and
# what a desktop needs to offer them (menu entries, icons, file types). The tools under
# tools/ install themselves beside the programs.
set(tarvo_freedesktop "${PROJECT_SOURCE_DIR}/packaging/freedesktop")

install(TARGETS Tarvo Tarvo_L RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Whole folders, so that data and manual pages added later are installed without a list here.
install(DIRECTORY "${PROJECT_SOURCE_DIR}/data/" DESTINATION ${TARVO_INSTALL_DATADIR})
# The scripts that make the manual's figures are the sources' business, not the reader's.
install(DIRECTORY "${PROJECT_SOURCE_DIR}/docs/" DESTINATION ${TARVO_INSTALL_DOCDIR}
        PATTERN "*.sh" EXCLUDE PATTERN "*.py" EXCLUDE PATTERN "*.R" EXCLUDE)

install(FILES "${tarvo_freedesktop}/tarvo.desktop" "${tarvo_freedesktop}/tarvo-l.desktop"
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES "${tarvo_freedesktop}/tarvo.svg" "${tarvo_freedesktop}/tarvo-l.svg"
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES "${tarvo_freedesktop}/application-x-tarvo-grd.svg"
              "${tarvo_freedesktop}/application-x-tarvo-mdt.svg"
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/mimetypes)
install(FILES "${tarvo_freedesktop}/tarvo-mime.xml" DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME tarvo.xml)
# What software centres list. Their screenshots are the manual's figures, so their web
# addresses follow the manual's.
string(REGEX REPLACE "/+$" "" TARVO_WEB_URL "${TARVO_WEB_URL}")
foreach(component org.example.tarvo.tarvo org.example.tarvo.tarvo_l)
  configure_file("${tarvo_freedesktop}/${component}.metainfo.xml.in"
                 "${PROJECT_BINARY_DIR}/metainfo/${component}.metainfo.xml" @ONLY)
  install(FILES "${PROJECT_BINARY_DIR}/metainfo/${component}.metainfo.xml"
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endforeach()

# Manual pages, gzipped as Debian wants them.
foreach(page Tarvo.1 Tarvo_L.1 tarvo-check.1 tarvo-import.1)
  configure_file("${PROJECT_SOURCE_DIR}/packaging/man/${page}" "${PROJECT_BINARY_DIR}/man/${page}"
                 @ONLY)
  execute_process(COMMAND gzip -9nf "${PROJECT_BINARY_DIR}/man/${page}" COMMAND_ERROR_IS_FATAL ANY)
  install(FILES "${PROJECT_BINARY_DIR}/man/${page}.gz" DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
