# Desktop integration: the icons, the application menu entry and the software centre's description. The
# program itself is installed by app/.
include(GNUInstallDirs)
install(FILES drovalin.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/32x32/apps)
install(FILES drovalin.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES org.drovalin.Drovalin.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES org.drovalin.Drovalin.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
