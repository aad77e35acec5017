# cmake --install and cpack -G DEB.
#
# The program folder holds the executable and its "Res" pictures, as the program
# expects them beside itself; it lives in lib/qvbackup, with bin/qvbackup a link to
# it. An installed program folder is not writable for users, so each user's
# templates and logs go to the per-user mirror (docs/unattended.md).
if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
  set(CMAKE_INSTALL_PREFIX /usr/local CACHE PATH "Install prefix" FORCE)
endif()

set(QV_PROGRAM_DIR lib/qvbackup)
install(TARGETS qvbackup RUNTIME DESTINATION ${QV_PROGRAM_DIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/res/ DESTINATION ${QV_PROGRAM_DIR}/Res)
file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/install)
file(CREATE_LINK ../${QV_PROGRAM_DIR}/qvbackup ${PROJECT_BINARY_DIR}/install/qvbackup SYMBOLIC)
install(FILES ${PROJECT_BINARY_DIR}/install/qvbackup DESTINATION bin)

set(QV_PACKAGING ${PROJECT_SOURCE_DIR}/packaging)
install(FILES ${QV_PACKAGING}/no.qvbackup.QvBackup.desktop DESTINATION share/applications)
install(FILES ${QV_PACKAGING}/no.qvbackup.QvBackup.metainfo.xml DESTINATION share/metainfo)
install(DIRECTORY ${QV_PACKAGING}/icons/hicolor DESTINATION share/icons)
install(FILES ${QV_PACKAGING}/screenshots/hovedvindu.png ${PROJECT_SOURCE_DIR}/docs/unattended.md
        DESTINATION share/doc/qvbackup)

set(CPACK_PACKAGE_NAME qvbackup)
set(CPACK_PACKAGE_VENDOR "QV Backup")
set(CPACK_PACKAGE_CONTACT "QV Backup <support@qvbackup.no>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "sikkerhetskopi av mapper etter lagrede maler")
set(CPACK_PACKAGE_DESCRIPTION
    "QV Backup tar sikkerhetskopi av mapper etter lagrede maler, til mapper eller\ndaterte zip-filer, fra vinduet, fra kommandolinjen eller med en timer.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.qvbackup.no")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so shlibdeps cannot see them: the Qt platform plugins (xcb for
# the window, offscreen for runs without one).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# xdg-open shows the logs.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_STRIP_FILES ON)
include(CPack)
