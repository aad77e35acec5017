# cmake --install and cpack -G DEB.
#
# The program folder holds the executable and its "Res" pictures, as the program
# expects them beside itself; it lives in lib/qvbackup, with bin/qvbackup a link to
# it. The program never writes there: each user's templates and logs live in their
# own folders (docs/unattended.md).
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
install(FILES ${QV_PACKAGING}/debian/copyright DESTINATION share/doc/qvbackup)
install(FILES ${QV_PACKAGING}/qvbackup.bash-completion DESTINATION share/bash-completion/completions
        RENAME qvbackup)

# The manual page and the changelog, compressed as the distribution wants them
# (gzip -n: no name or time, so the same input gives the same file).
find_program(GZIP gzip REQUIRED)
foreach(pair "qvbackup.1|qvbackup.1.gz" "debian/changelog|changelog.gz")
  string(REPLACE "|" ";" pair "${pair}")
  list(GET pair 0 from)
  list(GET pair 1 to)
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/install/${to}
                     COMMAND ${GZIP} -9n -c ${QV_PACKAGING}/${from} > ${PROJECT_BINARY_DIR}/install/${to}
                     DEPENDS ${QV_PACKAGING}/${from})
  list(APPEND qv_compressed ${PROJECT_BINARY_DIR}/install/${to})
endforeach()
add_custom_target(qv_compressed_docs ALL DEPENDS ${qv_compressed})
install(FILES ${PROJECT_BINARY_DIR}/install/qvbackup.1.gz DESTINATION share/man/man1)
install(FILES ${PROJECT_BINARY_DIR}/install/changelog.gz DESTINATION share/doc/qvbackup)

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
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_RPM_PACKAGE_LICENSE ${QV_LICENSE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so shlibdeps cannot see them: the Qt platform plugins (xcb for
# the window, offscreen for runs without one).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# xdg-open shows the logs.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_STRIP_FILES ON)
include(CPack)
