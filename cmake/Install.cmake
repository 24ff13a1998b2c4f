# What an installation holds, and the Debian package made from it (cpack -G DEB).
#
# The program finds its calibration, the dose factor file UVB_Factors.Dat, in the folder it is
# started in: the desktop entry starts it in <prefix>/share/halcyra, where the demonstration file is
# installed and where a department puts its own.

include(GNUInstallDirs)
install(TARGETS halcyra RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS halcyra-tool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_BINARY_DIR}/demo/UVB_Factors.Dat DESTINATION ${CMAKE_INSTALL_DATADIR}/halcyra)
# The desktop entry names the start-up folder of the prefix the files are installed under, which is
# known only when they are installed (cpack installs under /usr whatever the build was configured for).
install(CODE "
  set(HALCYRA_START_DIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/halcyra\")
  configure_file(\"${CMAKE_SOURCE_DIR}/src/resources/halcyra.desktop.in\"
                 \"${CMAKE_BINARY_DIR}/install/halcyra.desktop\" @ONLY)
")
install(FILES ${CMAKE_BINARY_DIR}/install/halcyra.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 32 64 256)
  set(picture ${CMAKE_SOURCE_DIR}/src/resources/icon${size}.png)
  if(size EQUAL 64)
    set(picture ${CMAKE_SOURCE_DIR}/src/resources/icon.png)
  endif()
  install(FILES ${picture} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME halcyra.png)
endforeach()

# ---- the Debian package
set(CPACK_PACKAGE_NAME halcyra)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Venmore Ltd")
set(CPACK_PACKAGE_CONTACT "Halcyra maintainers <halcyra@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "NB UVB Calculator: MED estimate, treatment plan and records for UVB phototherapy")
set(CPACK_PACKAGE_DESCRIPTION
    "Estimates a patient's minimal erythema dose from skin type, tone and age, plans a course of up to 29\nnarrow-band UVB treatments, records each treatment, keeps patients, courses and skin photographs in\na database shared by several workstations, and prints the treatment report. The demonstration dose\nfactor file in /usr/share/halcyra is not for clinical use: a department installs the calibration\nof its own treatment unit there.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends: the libraries the two programs link, as dpkg-shlibdeps finds them, and what the program
# loads at run time (no link names them): the X11 platform and the SQLite driver of Qt, the
# PostgreSQL client library (loaded when a database server is used), and the report's face
# (Liberation Sans: on screen, and embedded in a PDF for letters the standard fonts lack).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6sql6-sqlite, libpq5, fonts-liberation2")
# The dose factor file is the department's calibration: dpkg keeps a changed one over upgrades.
file(WRITE ${CMAKE_BINARY_DIR}/install/conffiles "/usr/${CMAKE_INSTALL_DATADIR}/halcyra/UVB_Factors.Dat\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/install/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
