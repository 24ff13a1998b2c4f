# What an installation holds, and the Debian package made from it (cpack -G DEB).
#
# The program finds its calibration, the dose factor file UVB_Factors.Dat, in the folder it is
# started in. An installed program keeps it with the system's configuration, in /etc/halcyra for an
# installation under /usr (the package) and in <prefix>/etc/halcyra otherwise, and its desktop
# entry starts the program there. The file installed is the demonstration calibration, which says
# so; a department puts the calibration of its own treatment unit in its place.

include(GNUInstallDirs)
install(TARGETS halcyra RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS halcyra-tool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# A stripping installation (cpack's) also removes the compilers' names (the .comment section), as
# Debian's own packaging does.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    foreach(program halcyra halcyra-tool)
      execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
                              \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/\${program}\"
                      COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
  endif()
")
# The calibration's folder and the desktop entry that starts the program in it depend on the prefix
# the files are installed under, which is known only when they are installed (cpack installs under
# /usr whatever the build was configured for).
install(CODE "
  if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
    set(HALCYRA_START_DIR /etc/halcyra)
  else()
    set(HALCYRA_START_DIR \"\${CMAKE_INSTALL_PREFIX}/etc/halcyra\")
  endif()
  file(INSTALL DESTINATION \"\${HALCYRA_START_DIR}\" TYPE FILE FILES \"${CMAKE_BINARY_DIR}/demo/UVB_Factors.Dat\")
  configure_file(\"${CMAKE_SOURCE_DIR}/src/resources/halcyra.desktop.in\"
                 \"${CMAKE_BINARY_DIR}/install/halcyra.desktop\" @ONLY)
")
install(FILES ${CMAKE_BINARY_DIR}/install/halcyra.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/src/resources/halcyra.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
        RENAME example.venmore.halcyra.metainfo.xml)
foreach(size 32 64 256)
  set(picture ${CMAKE_SOURCE_DIR}/src/resources/icon${size}.png)
  if(size EQUAL 64)
    set(picture ${CMAKE_SOURCE_DIR}/src/resources/icon.png)
  endif()
  install(FILES ${picture} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME halcyra.png)
endforeach()

# The manual pages, written in scdoc's markup (docs/man) and compressed as Debian wants them: with
# gzip -9 and no time stamp, so that the same source gives the same file.
find_program(SCDOC scdoc REQUIRED)
find_program(GZIP gzip REQUIRED)
set(manual_pages)
foreach(page halcyra halcyra-tool)
  set(source ${CMAKE_SOURCE_DIR}/docs/man/${page}.1.scd)
  set(out ${CMAKE_BINARY_DIR}/man/${page}.1.gz)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND sh -c "'${SCDOC}' < '${source}' | '${GZIP}' -9n > '${out}'"
    DEPENDS ${source}
    COMMENT "Writing the manual page ${page}(1)"
    VERBATIM)
  list(APPEND manual_pages ${out})
endforeach()
# The package's changelog, compressed the same way.
set(changelog ${CMAKE_BINARY_DIR}/install/changelog.gz)
add_custom_command(
  OUTPUT ${changelog}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/install
  COMMAND sh -c "'${GZIP}' -9n < '${CMAKE_SOURCE_DIR}/debian/changelog' > '${changelog}'"
  DEPENDS ${CMAKE_SOURCE_DIR}/debian/changelog
  VERBATIM)
add_custom_target(halcyra_documents ALL DEPENDS ${manual_pages} ${changelog})
install(FILES ${manual_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_SOURCE_DIR}/debian/copyright ${changelog} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/halcyra)
# What lintian reports and is so on purpose, each with its reason.
install(FILES ${CMAKE_SOURCE_DIR}/debian/halcyra.lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME halcyra)

# ---- the Debian package
set(CPACK_PACKAGE_NAME halcyra)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Venmore Ltd")
set(CPACK_PACKAGE_CONTACT "Halcyra maintainers <halcyra@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "NB UVB Calculator: MED, treatment plan and records for UVB phototherapy")
# Lines of at most 80 characters, as Debian's policy asks.
set(CPACK_PACKAGE_DESCRIPTION
    "Estimates a patient's minimal erythema dose from skin type, tone and age,\nplans a course of up to 29 narrow-band UVB treatments, records each\ntreatment, keeps patients, courses and skin photographs in a database\nshared by several workstations, and prints the treatment report.\n\nThe dose factor file installed in /etc/halcyra is a demonstration\ncalibration, not for clinical use: a department installs the calibration\nof its own treatment unit there.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://venmore.example/")
# The programs go into the package without their symbols, as Debian's packages have them.
set(CPACK_STRIP_FILES ON)
# Depends: the libraries the two programs link, as dpkg-shlibdeps finds them, and what the program
# loads at run time (no link names them): the X11 platform and the SQLite driver of Qt, the
# PostgreSQL client library (loaded when a database server is used), and the report's face
# (Liberation Sans: on screen, and embedded in a PDF for letters the standard fonts lack).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6sql6-sqlite, libpq5, fonts-liberation2")
# The dose factor file is the department's calibration: dpkg keeps a changed one over upgrades.
file(WRITE ${CMAKE_BINARY_DIR}/install/conffiles "/etc/halcyra/UVB_Factors.Dat\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/install/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
