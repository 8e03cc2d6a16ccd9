# Where an installed copy keeps its files. The programs find their data and manual from
# their own folder by the relative paths between these, so any prefix and DESTDIR work.
include(GNUInstallDirs)
set(TARVO_INSTALL_DATADIR "${CMAKE_INSTALL_DATADIR}/tarvo/data")
set(TARVO_INSTALL_DOCDIR "${CMAKE_INSTALL_DATADIR}/doc/tarvo")
set(TARVO_INSTALL_FULL_DATADIR "${CMAKE_INSTALL_FULL_DATADIR}/tarvo/data")
set(TARVO_INSTALL_FULL_DOCDIR "${CMAKE_INSTALL_FULL_DATADIR}/doc/tarvo")
