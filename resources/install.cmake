# Desktop integration: the icon and the application menu entry. The program itself is installed by app/.
include(GNUInstallDirs)
install(FILES drovalin.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/32x32/apps)
install(FILES drovalin.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
