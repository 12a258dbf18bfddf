# The Debian package: `cpack -G DEB` in the build folder makes drovalin_<version>_<arch>.deb, which installs
# the program, its menu entry, its icons and its software centre description under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME drovalin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Drovalin maintainers")
set(CPACK_PACKAGE_CONTACT "Drovalin maintainers <maintainers@drovalin.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "split the files of a folder into batches that fit on a disc")
set(CPACK_PACKAGE_DESCRIPTION
    "Drovalin proposes combinations of a folder's files that fit on a storage medium of a given capacity\n\
(CD, DVD, Blu-ray) and moves a chosen combination into the subfolder w. The interface is Japanese.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The Qt libraries come from the program's own links; Qt's Japanese texts and a Japanese font are loaded at run
# time, so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n, fonts-ipafont-gothic | fonts-noto-cjk")
include(CPack)
